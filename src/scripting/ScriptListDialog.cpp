#include "scripting/ScriptListDialog.h"

#include "ui/DialogSupport.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TScriptListDialogForm::TScriptListDialogForm(QWidget* owner)
    : QDialog(owner)
{
    PrepareDialog(this, "ScriptListDialogForm", QStringLiteral("(script caption)"));
    QHBoxLayout* top = NewPictureRow(this, QStringLiteral(":/scripting/list.svg"), QStringLiteral("(script prompt)"),
        Image1, Label1);
    ListView = NewSingleColumnList(this);
    ListView->setHeaderLabels({QStringLiteral("Seznam")});
    QHBoxLayout* buttons = NewOkCancelRow(this, Button1, Button2);
    Button1->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ListView, 1);
    layout->addLayout(buttons);
    resize(380, 360);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(ListView, &QTreeWidget::itemSelectionChanged, this, &TScriptListDialogForm::listViewSelectItem);
    connect(ListView, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (Button1->isEnabled())
            accept();
    });
}

void TScriptListDialogForm::SetLines(const QStringList& lines, bool checkBoxes)
{
    ListView->clear();
    for (const QString& line : lines) {
        auto* item = new QTreeWidgetItem(ListView, {line});
        if (checkBoxes) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, Qt::Unchecked);
        }
    }
    listViewSelectItem();
}

int TScriptListDialogForm::SelectedIndex() const
{
    const QList<QTreeWidgetItem*> selected = ListView->selectedItems();
    return selected.isEmpty() ? -1 : ListView->indexOfTopLevelItem(selected.first());
}

bool TScriptListDialogForm::IsChecked(int index) const
{
    QTreeWidgetItem* item = ListView->topLevelItem(index);
    return item && item->checkState(0) == Qt::Checked;
}

void TScriptListDialogForm::SetChecked(int index, bool checked)
{
    if (QTreeWidgetItem* item = ListView->topLevelItem(index))
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void TScriptListDialogForm::listViewSelectItem()
{
    Button1->setEnabled(SelectedIndex() >= 0);
}

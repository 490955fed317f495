#include "scripting/ScriptListDialog.h"

#include "kernel/Settings.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TScriptListDialogForm::TScriptListDialogForm(QWidget* owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("ScriptListDialogForm"));
    setWindowTitle(QStringLiteral("(script caption)"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont shellFont = font();
    shellFont.setFamily(QString::fromStdString(GetShellFont()));
    setFont(shellFont);

    Image1 = new QLabel(this);
    Image1->setPixmap(QIcon(QStringLiteral(":/scripting/list.svg")).pixmap(48, 48));
    Image1->setAlignment(Qt::AlignTop);
    Label1 = new QLabel(QStringLiteral("(script prompt)"), this);
    Label1->setWordWrap(true);
    auto* top = new QHBoxLayout;
    top->addWidget(Image1);
    top->addWidget(Label1, 1);

    ListView = new QTreeWidget(this);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setColumnCount(1);
    ListView->setHeaderLabels({QStringLiteral("Seznam")});
    ListView->setRootIsDecorated(false);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button2 = new QPushButton(QStringLiteral("&Storno"), this);
    Button1->setDefault(true);
    Button1->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ListView, 1);
    layout->addLayout(buttons);
    resize(380, 360);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
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

#include "scripting/SelectScript.h"

#include "frame/FrameImages.h"
#include "frame/FrameWindow.h"
#include "kernel/Settings.h"
#include "ui/DialogSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The image of scripts in the toolbar image list.
const int kScriptImage = 63;

} // namespace

QStringList ScriptFileNames()
{
    // Every kind of entry is listed (hidden ones too); only files count.
    const QDir dir(QString::fromStdString(GetScriptsDir()));
    QStringList names;
    for (const QFileInfo& info : dir.entryInfoList({QStringLiteral("*.qx")},
             QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted))
        if (info.isFile())
            names.append(info.fileName());
    return names;
}

TSelectScriptForm::TSelectScriptForm(QWidget* owner)
    : QDialog(owner)
{
    PrepareDialog(this, "SelectScriptForm", QStringLiteral("Vybrat skript"));
    Label1 = new QLabel(QStringLiteral("Vyberte skript a stiskněte tlačítko OK:"), this);
    ListView = NewSingleColumnList(this);
    ListView->setHeaderHidden(true);
    Label2 = new QLabel(QStringLiteral("Skript:"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setReadOnly(true);
    QHBoxLayout* buttons = NewOkCancelRow(this, Button1, Button2);
    Button1->setEnabled(false);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(Label2);
    pathRow->addWidget(Edit1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ListView, 1);
    layout->addLayout(pathRow);
    layout->addLayout(buttons);
    resize(400, 340);

    // Alphabetical without regard to case (names differing only in case
    // keep a fixed order among themselves).
    QStringList names = ScriptFileNames();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    const QIcon icon = ToolbarImage(kScriptImage);
    for (const QString& name : names)
        (new QTreeWidgetItem(ListView, {name}))->setIcon(0, icon);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(ListView, &QTreeWidget::itemSelectionChanged, this, &TSelectScriptForm::listViewSelectItem);
    connect(ListView, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (Button1->isEnabled())
            accept();
    });
}

void TSelectScriptForm::listViewSelectItem()
{
    const QList<QTreeWidgetItem*> selected = ListView->selectedItems();
    Button1->setEnabled(!selected.isEmpty());
    Edit1->setText(selected.isEmpty() ? QString() : QString::fromStdString(GetScriptsDir()) + selected.first()->text(0));
}

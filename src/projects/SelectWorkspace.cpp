#include "projects/SelectWorkspace.h"

#include "projects/Projects.h"
#include "ui/DialogSupport.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TSelectWorkspaceForm::TSelectWorkspaceForm(QWidget* owner)
    : QDialog(owner)
{
    PrepareDialog(this, "SelectWorkspaceForm", QStringLiteral("Otevřít plochu"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Vyberte plochu ze seznamu a stiskněte tlačítko OK."), this));
    auto* chooser = new QHBoxLayout;
    chooser->addWidget(new QLabel(QStringLiteral("Plocha:"), this));
    ComboBox1 = new QComboBox(this);
    chooser->addWidget(ComboBox1, 1);
    layout->addLayout(chooser);

    auto* box = new QGroupBox(QStringLiteral("Vlastnosti plochy"), this);
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->addWidget(new QLabel(QStringLiteral("Popis plochy:"), box));
    Edit1 = new QLineEdit(box);
    Edit1->setReadOnly(true);
    Edit1->setFrame(false);
    boxLayout->addWidget(Edit1);
    boxLayout->addWidget(new QLabel(QStringLiteral("Otevřené soubory:"), box));
    ListView = NewFileListView(this);
    boxLayout->addWidget(ListView);
    layout->addWidget(box, 1);

    AddOkCancelRow(this, layout, Button1, Button2);
    resize(520, 420);

    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TSelectWorkspaceForm::showWorkspace);
}

void TSelectWorkspaceForm::LoadProject()
{
    QSignalBlocker block(ComboBox1);
    ComboBox1->clear();
    if (!Project)
        return;
    int selected = -1;
    for (int i = 0; i < Project->Workspaces.GetWorkspaceCount(); ++i) {
        TWorkspace* w = Project->Workspaces.GetWorkspace(i);
        ComboBox1->addItem(QString::fromStdString(w->Name()));
        if (w == Project->DefaultWorkspace())
            selected = i;
    }
    if (selected < 0 && ComboBox1->count() > 0)
        selected = 0;
    ComboBox1->setCurrentIndex(selected);
    showWorkspace(selected);
}

void TSelectWorkspaceForm::showWorkspace(int index)
{
    Edit1->clear();
    ListView->clear();
    TWorkspace* w = Project ? Project->Workspaces.GetWorkspace(index) : nullptr;
    if (!w)
        return;
    Edit1->setText(QString::fromStdString(w->Description));
    for (const auto& file : w->Files)
        AddFileLine(ListView, QString::fromStdString(file));
}

void TSelectWorkspaceForm::showEvent(QShowEvent* event)
{
    LoadProject();
    QDialog::showEvent(event);
    CentreOnOwner(this);
}

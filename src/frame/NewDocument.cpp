#include "frame/NewDocument.h"

#include "files/ExtOpenDialog.h"
#include "frame/FrameWindow.h"
#include "kernel/Kernel.h"
#include "kernel/Settings.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/PluginManagement.h"
#include "ui/QXMessageBox.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const char* const kModule = "Server\\NewDocument";
std::function<int(TNewDocumentForm&)> presenter;

QTreeWidget* makeList(QWidget* parent, const char* name)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setHeaderLabels({QStringLiteral("Nástroj"), QStringLiteral("Modul")});
    list->setColumnWidth(0, 130);
    list->setColumnWidth(1, 170);
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setIconSize(QSize(16, 16));
    return list;
}

QLabel* makeSummary(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    label->setMinimumHeight(label->fontMetrics().height() * 3);
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    return label;
}

} // namespace

QString TNewDocumentForm::NewDocumentStrings(Text index)
{
    static const char* const texts[] = {
        "Souhrnné informace nejsou k dispozici.",
        "Quorvix vytvoří nový dokument použitím nástroje %1 z modulu %2. Vytvořený dokument bude otevřen v novém "
        "okně a připraven k editaci.",
        "Před vytvořením nového dokumentu musíte vybrat nástroj, pomocí kterého chcete dokument vytvořit. Vyberte "
        "nástroj ze seznamu a zkuste to znovu.",
        "Prosím vložte název požadovaného dokumentu do pole 'Cesta:' a vyberte ze seznamu nástroj, kterým chcete "
        "dokument otevřít. Pak stiskněte tlačítko 'Vytvořit' znovu.",
        "Quorvix spustí nástroj %1 z modulu %2. Nástroj se pak pokusí otevřít soubor %3.",
    };
    return QString::fromUtf8(texts[index]);
}

void TNewDocumentForm::SetPresenter(std::function<int(TNewDocumentForm&)> p)
{
    presenter = std::move(p);
}

TNewDocumentForm::TNewDocumentForm(TFrameWindowForm* frame, Page page, const QString& path)
    : QDialog(frame)
    , frame_(frame)
{
    setObjectName(QStringLiteral("NewDocumentForm"));
    setWindowTitle(QStringLiteral("Vytvořit nový dokument"));
    setModal(true);
    QFont shellFont = font();
    shellFont.setFamily(QString::fromStdString(GetShellFont()));
    setFont(shellFont);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));

    auto* sheet1 = new QWidget(PageControl);
    sheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* layout1 = new QVBoxLayout(sheet1);
    NewDocumentListView = makeList(sheet1, "NewDocumentListView");
    layout1->addWidget(NewDocumentListView, 1);
    layout1->addWidget(new QLabel(QStringLiteral("Souhrn:"), sheet1));
    Label3 = makeSummary(sheet1, "Label3");
    layout1->addWidget(Label3);
    PageControl->addTab(sheet1, QStringLiteral("Nový dokument"));

    auto* sheet2 = new QWidget(PageControl);
    sheet2->setObjectName(QStringLiteral("TabSheet2"));
    auto* layout2 = new QVBoxLayout(sheet2);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel(QStringLiteral("Cesta:"), sheet2));
    FileNameEdit = new QLineEdit(sheet2);
    FileNameEdit->setObjectName(QStringLiteral("FileNameEdit"));
    pathRow->addWidget(FileNameEdit, 1);
    Button3 = new QPushButton(QStringLiteral("..."), sheet2);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setAutoDefault(false);
    Button3->setFixedWidth(Button3->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 20);
    pathRow->addWidget(Button3);
    layout2->addLayout(pathRow);
    auto* showRow = new QHBoxLayout;
    showRow->addWidget(new QLabel(QStringLiteral("Zobrazit:"), sheet2));
    CheckBox1 = new QCheckBox(QStringLiteral("&Plně kompatibilní"), sheet2);
    CheckBox2 = new QCheckBox(QStringLiteral("Částečně kompatibilní"), sheet2);
    CheckBox3 = new QCheckBox(QStringLiteral("&Nekompatibilní"), sheet2);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
    CheckBox1->setChecked(true);
    CheckBox2->setChecked(true);
    for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3})
        showRow->addWidget(box);
    showRow->addStretch(1);
    layout2->addLayout(showRow);
    OpenDocumentListView = makeList(sheet2, "OpenDocumentListView");
    layout2->addWidget(OpenDocumentListView, 1);
    layout2->addWidget(new QLabel(QStringLiteral("Souhrn:"), sheet2));
    Label4 = makeSummary(sheet2, "Label4");
    layout2->addWidget(Label4);
    PageControl->addTab(sheet2, QStringLiteral("Otevřít ze souboru"));

    CreateButton = new QPushButton(QStringLiteral("&Vytvořit"), this);
    CreateButton->setObjectName(QStringLiteral("CreateButton"));
    CreateButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Storno"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CreateButton);
    buttons->addWidget(CancelButton);

    auto* main = new QVBoxLayout(this);
    main->addWidget(PageControl, 1);
    main->addLayout(buttons);
    resize(460, 400);

    // The first page: every entry that can create documents.
    for (int p = 0; p < GetPluginCount(); ++p) {
        TQX_Plugin* plugin = GetPlugin(p);
        for (int e = 0; e < plugin->GetEntryCount(); ++e)
            if (plugin->GetEntry(e)->CanCreateFile())
                addRow(NewDocumentListView, plugin->GetEntry(e));
    }
    if (NewDocumentListView->topLevelItemCount() == 0) {
        QPalette pal = NewDocumentListView->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Button));
        NewDocumentListView->setPalette(pal);
    }
    Label3->setText(NewDocumentStrings(NoSummary));
    Label4->setText(NewDocumentStrings(NoSummary));

    connect(FileNameEdit, &QLineEdit::textChanged, this, &TNewDocumentForm::RebuildOpenList);
    for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3})
        connect(box, &QCheckBox::clicked, this, &TNewDocumentForm::RebuildOpenList);
    connect(NewDocumentListView, &QTreeWidget::itemSelectionChanged, this, &TNewDocumentForm::updateSummaries);
    connect(OpenDocumentListView, &QTreeWidget::itemSelectionChanged, this, &TNewDocumentForm::updateSummaries);
    connect(NewDocumentListView, &QTreeWidget::itemDoubleClicked, this, &TNewDocumentForm::CreateButtonClick);
    connect(OpenDocumentListView, &QTreeWidget::itemDoubleClicked, this, &TNewDocumentForm::CreateButtonClick);
    connect(Button3, &QPushButton::clicked, this, &TNewDocumentForm::browse);
    connect(CreateButton, &QPushButton::clicked, this, &TNewDocumentForm::CreateButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    PageControl->setCurrentIndex(page);
    FileNameEdit->setText(path);
    RebuildOpenList();
}

int TNewDocumentForm::Run()
{
    return presenter ? presenter(*this) : exec();
}

QTreeWidgetItem* TNewDocumentForm::addRow(QTreeWidget* list, TQX_PluginEntry* entry)
{
    auto* row = new QTreeWidgetItem(list, {entry->GetName(), entry->Plugin->GetName()});
    row->setIcon(0, frame_->PluginIcon(entry->ImageIndex));
    row->setData(0, Qt::UserRole, entry->ID);
    return row;
}

TQX_PluginEntry* TNewDocumentForm::rowEntry(QTreeWidgetItem* row, const char* listName) const
{
    if (!row)
        return nullptr;
    TQX_PluginEntry* entry = FindPluginEntryByID(row->data(0, Qt::UserRole).toString());
    if (!entry)
        RaiseKernelException(kModule, std::nullopt,
            std::string("CreateButtonClick: ") + listName + ".Selected.Data is NULL, unable to locate object.");
    return entry;
}

void TNewDocumentForm::RebuildOpenList()
{
    OpenDocumentListView->clear();
    const QString path = FileNameEdit->text();
    if (QFileInfo(path).isFile()) {
        for (int p = 0; p < GetPluginCount(); ++p) {
            TQX_Plugin* plugin = GetPlugin(p);
            for (int e = 0; e < plugin->GetEntryCount(); ++e) {
                TQX_PluginEntry* entry = plugin->GetEntry(e);
                const uint8_t answer = entry->CanOpenFile(path);
                if ((answer == 2 && CheckBox1->isChecked()) || (answer == 1 && CheckBox2->isChecked())
                    || (answer == 0 && CheckBox3->isChecked()))
                    addRow(OpenDocumentListView, entry);
            }
        }
    }
    updateSummaries();
}

void TNewDocumentForm::updateSummaries()
{
    auto entryOf = [](QTreeWidget* list) -> TQX_PluginEntry* {
        QList<QTreeWidgetItem*> selected = list->selectedItems();
        return selected.isEmpty() ? nullptr : FindPluginEntryByID(selected.first()->data(0, Qt::UserRole).toString());
    };
    if (TQX_PluginEntry* entry = entryOf(NewDocumentListView))
        Label3->setText(NewDocumentStrings(CreateSummary).arg(entry->GetName(), entry->Plugin->GetFullName()));
    else
        Label3->setText(NewDocumentStrings(NoSummary));
    if (TQX_PluginEntry* entry = entryOf(OpenDocumentListView))
        Label4->setText(NewDocumentStrings(OpenSummary)
                            .arg(entry->GetName(), entry->Plugin->GetFullName(),
                                QFileInfo(FileNameEdit->text()).fileName()));
    else
        Label4->setText(NewDocumentStrings(NoSummary));
}

void TNewDocumentForm::browse()
{
    TExtOpenChoice choice;
    if (!ShowExtOpenDialog(this, {frame_->OpenFilter(), false, frame_->InitialDir()}, choice) || choice.Files.isEmpty())
        return;
    frame_->SetInitialDir(QDir::cleanPath(choice.Folder));
    FileNameEdit->setText(choice.Files.first());
}

void TNewDocumentForm::CreateButtonClick()
{
    if (PageControl->currentIndex() == OpenPage) {
        QList<QTreeWidgetItem*> selected = OpenDocumentListView->selectedItems();
        if (selected.isEmpty()) {
            MessageBoxOk(NewDocumentStrings(ChooseOpener));
            return;
        }
        TQX_PluginEntry* entry = rowEntry(selected.first(), "OpenDocumentListView");
        const QString path = FileNameEdit->text();
        accept();
        frame_->OpenFile(path, entry->ID);
        return;
    }
    QList<QTreeWidgetItem*> selected = NewDocumentListView->selectedItems();
    if (selected.isEmpty()) {
        MessageBoxOk(NewDocumentStrings(ChooseCreator));
        return;
    }
    TQX_PluginEntry* entry = rowEntry(selected.first(), "NewDocumentListView");
    accept();
    entry->Launch(QString());
}

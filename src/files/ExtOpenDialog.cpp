#include "files/ExtOpenDialog.h"

#include "files/ShellItemModel.h"
#include "kernel/AppInfo.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/PluginManagement.h"
#include "projects/Projects.h"
#include "tools/ExternalTools.h"
#include "ui/WindowLifetime.h"

#include <QApplication>
#include <algorithm>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

std::function<TProject*()> currentProjectSource;

const char* kRegistryKey = "Software\\Quorvix\\ExtOpenDialog";
constexpr int kRecentFolderCount = 8;
// Where a places item leads: a path, or the computer folder for an empty one.
constexpr int kPlacePathRole = Qt::UserRole + 1;
constexpr int kIndentRole = Qt::UserRole + 2;

QString withSlash(QString path)
{
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

// Indents the folder chain of the "Kde hledat:" list by depth.
class TIndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem indented = option;
        indented.rect.adjust(index.data(kIndentRole).toInt() * 12, 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }
};

QToolButton* toolButton(QWidget* parent, const char* name, const char* icon, const QString& hint)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    // Theme icons by name; the view buttons use drawings of their own.
    const QString own = QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon));
    button->setIcon(QFile::exists(own) ? QIcon(own) : QIcon::fromTheme(QLatin1String(icon)));
    button->setToolTip(hint);
    button->setStatusTip(hint);
    button->setAutoRaise(true);
    button->setIconSize(QSize(16, 16));
    return button;
}

QString placeFolder(QStandardPaths::StandardLocation location)
{
    const QString path = QStandardPaths::writableLocation(location);
    return QFileInfo(path).isDir() ? path : QString();
}

} // namespace

QList<QPair<QString, QString>> SplitOpenFilter(const QString& filter)
{
    QList<QPair<QString, QString>> pairs;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        pairs.append({parts[i], parts[i + 1]});
    // A description without its mask counts only when it is not the empty
    // text after the last bar.
    if (parts.size() % 2 == 1 && !parts.last().isEmpty())
        pairs.append({parts.last(), QString()});
    return pairs;
}

QString TExtOpenDialogForm::Strings(StringIndex index)
{
    static const char* const texts[] = {
        "Musíte vybrat nějaký soubor.",
        "Nová složka",
        "Nová složka (%d)",
        "Zde není možné složku vytvořit.",
        "Položku %1 nelze přejmenovat na %2. Název už existuje, obsahuje lomítko nebo k tomu nemáte oprávnění.",
        "Soubor nebo složka %1 neexistuje.",
    };
    return QString::fromUtf8(texts[index]);
}

TExtOpenDialogForm::TExtOpenDialogForm(QWidget* owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("TExtOpenDialogForm"));
    setWindowTitle(QStringLiteral("Otevřít dokument nebo dokumenty"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setSizeGripEnabled(true);
    QFont shellFont = font();
    shellFont.setFamily(QString::fromStdString(GetShellFont()));
    setFont(shellFont);

    model_ = new TShellItemModel(this);
    model_->OnRenameFailed = [this](const QString& from, const QString& to) {
        QMessageBox::critical(this, QString::fromUtf8(kApplicationTitle), Strings(RenameFailed).arg(from, to));
    };

    // Places.
    Panel5 = new QListWidget(this);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    Panel5->setViewMode(QListView::IconMode);
    Panel5->setFlow(QListView::TopToBottom);
    Panel5->setWrapping(false);
    Panel5->setMovement(QListView::Static);
    Panel5->setIconSize(QSize(32, 32));
    Panel5->setGridSize(QSize(92, 62));
    Panel5->setSelectionMode(QAbstractItemView::NoSelection);
    Panel5->setWordWrap(true);
    Panel5->setFixedWidth(96 + Panel5->frameWidth() * 2);
    Panel5->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Panel5->setBackgroundRole(QPalette::Dark);
    QPalette placesPalette = Panel5->palette();
    placesPalette.setColor(QPalette::Base, placesPalette.color(QPalette::Mid));
    placesPalette.setColor(QPalette::Text, placesPalette.color(QPalette::BrightText));
    Panel5->setPalette(placesPalette);

    // Top row: where to look, up, new folder, views.
    Label1 = new QLabel(QStringLiteral("Kde hledat:"), this);
    DirTree = new QComboBox(this);
    DirTree->setObjectName(QStringLiteral("DirTree"));
    DirTree->setItemDelegate(new TIndentDelegate(DirTree));
    DirTree->setMinimumContentsLength(28);
    Label1->setBuddy(DirTree);
    ToolButton1 = toolButton(this, "ToolButton1", "go-up", QStringLiteral("O úroveň výš"));
    ToolButton3 = toolButton(this, "ToolButton3", "folder-new", QStringLiteral("Vytvořit novou složku"));
    ToolButton5 = toolButton(this, "ToolButton5", "view-large-icons", QStringLiteral("Velké ikony"));
    ToolButton7 = toolButton(this, "ToolButton7", "view-small-icons", QStringLiteral("Malé ikony"));
    ToolButton6 = toolButton(this, "ToolButton6", "view-list", QStringLiteral("Seznam"));
    ToolButton8 = toolButton(this, "ToolButton8", "view-details", QStringLiteral("Podrobnosti"));
    viewButtons_ = new QButtonGroup(this);
    viewButtons_->setExclusive(true);
    viewButtons_->addButton(ToolButton5, LargeIcons);
    viewButtons_->addButton(ToolButton7, SmallIcons);
    viewButtons_->addButton(ToolButton6, List);
    viewButtons_->addButton(ToolButton8, Details);
    for (QAbstractButton* b : viewButtons_->buttons())
        b->setCheckable(true);
    ToolButton6->setChecked(true);

    // The list in its two forms, sharing one selection.
    ListView = new QListView(this);
    ListView->setObjectName(QStringLiteral("ListView"));
    DetailsView = new QTreeView(this);
    DetailsView->setObjectName(QStringLiteral("DetailsView"));
    ListView->setModel(model_);
    DetailsView->setModel(model_);
    DetailsView->setSelectionModel(ListView->selectionModel());
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(ListView), static_cast<QAbstractItemView*>(DetailsView)}) {
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::EditKeyPressed);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this, &TExtOpenDialogForm::itemActivated);
        connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint& p) { showPopup(view->viewport()->mapToGlobal(p)); });
        // A re-read that arrived during a rename waits for the editor to go.
        connect(view->itemDelegate(), &QAbstractItemDelegate::closeEditor, model_, &TShellItemModel::ApplyWaitingRows,
            Qt::QueuedConnection);
    }
    // Replacing the rows while a name is edited would close the editor and
    // lose what the user typed.
    model_->CanReplaceRows = [this] {
        for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(ListView), static_cast<QAbstractItemView*>(DetailsView)})
            for (const QWidget* editor : view->viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
                if (editor->isVisible())
                    return false;
        return true;
    };
    // Every row of a folder of 100,000 files has the same size: the views
    // lay them out without asking each one.
    ListView->setUniformItemSizes(true);
    // The icon and list views place their items in slices between events.
    ListView->setLayoutMode(QListView::Batched);
    ListView->setBatchSize(5000);
    ListView->setResizeMode(QListView::Adjust);
    ListView->setMovement(QListView::Static);
    DetailsView->setRootIsDecorated(false);
    DetailsView->setItemsExpandable(false);
    DetailsView->setUniformRowHeights(true);
    DetailsView->setSortingEnabled(false);
    DetailsView->setAllColumnsShowFocus(true);
    // The time column grows to fit a whole date and time in the font in use.
    const int widths[] = {175, 75, 150, 100, 75};
    for (int c = 0; c < TShellItemModel::ColumnCount; ++c)
        DetailsView->setColumnWidth(c, widths[c]);
    DetailsView->setColumnWidth(TShellItemModel::TimeColumn,
        std::max(DetailsView->columnWidth(TShellItemModel::TimeColumn),
            DetailsView->fontMetrics().horizontalAdvance(QStringLiteral("30.12.2000 00:00:00")) + 12));
    DetailsView->header()->setStretchLastSection(false);
    ViewStack = new QStackedWidget(this);
    ViewStack->addWidget(ListView);
    ViewStack->addWidget(DetailsView);

    Label2 = new QLabel(QStringLiteral("&Název souboru:"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label2->setBuddy(Edit1);
    Edit1->installEventFilter(this);
    Label3 = new QLabel(QStringLiteral("Soubory &typu:"), this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    Label3->setBuddy(ComboBox1);
    Label4 = new QLabel(QStringLiteral("Nástroj:"), this);
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    Label4->setBuddy(ComboBox2);
    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&Storno"), this);
    Button2->setObjectName(QStringLiteral("Button2"));

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusLabel = new QLabel(StatusBar1);
    QFont bold = StatusLabel->font();
    bold.setBold(true);
    StatusLabel->setFont(bold);
    StatusBar1->addWidget(StatusLabel, 1);
    ProgressLabel = new QLabel(StatusBar1);
    ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    StatusBar1->addPermanentWidget(ProgressLabel);
    ProgressLabel->hide();

    // Context menu of the list.
    PopupMenu = new QMenu(this);
    MenuSelect = PopupMenu->addAction(QStringLiteral("&Vybrat"), this, &TExtOpenDialogForm::ButtonOkClick);
    PopupMenu->setDefaultAction(MenuSelect);
    MenuOpen = PopupMenu->addAction(QStringLiteral("&Otevřít"), this, &TExtOpenDialogForm::openSelected);
    MenuRename = PopupMenu->addAction(QStringLiteral("&Přejmenovat\tF2"), this, &TExtOpenDialogForm::renameSelected);
    QMenu* sort = PopupMenu->addMenu(QStringLiteral("&Seřadit"));
    MenuSortByName = sort->addAction(QStringLiteral("Podle &názvu"), this, [this] { SetSortMode(SortByName); });
    MenuSortByType = sort->addAction(QStringLiteral("Podle &typu"), this, [this] { SetSortMode(SortByType); });
    MenuSortByDefault = sort->addAction(QStringLiteral("Podle systému"), this, [this] { SetSortMode(SortBySystem); });
    for (QAction* a : {MenuSortByName, MenuSortByType, MenuSortByDefault})
        a->setCheckable(true);
    MenuSortByType->setChecked(true);

    // Layout.
    auto* top = new QHBoxLayout;
    top->addWidget(Label1);
    top->addWidget(DirTree, 1);
    for (QToolButton* b : {ToolButton1, ToolButton3})
        top->addWidget(b);
    top->addSpacing(8);
    for (QToolButton* b : {ToolButton5, ToolButton7, ToolButton6, ToolButton8})
        top->addWidget(b);
    auto* fields = new QGridLayout;
    fields->addWidget(Label2, 0, 0);
    fields->addWidget(Edit1, 0, 1);
    fields->addWidget(Button1, 0, 2);
    fields->addWidget(Label3, 1, 0);
    fields->addWidget(ComboBox1, 1, 1);
    fields->addWidget(Button2, 1, 2);
    fields->addWidget(Label4, 2, 0);
    fields->addWidget(ComboBox2, 2, 1);
    fields->setColumnStretch(1, 1);
    auto* right = new QVBoxLayout;
    right->addLayout(top);
    right->addWidget(ViewStack, 1);
    right->addLayout(fields);
    auto* body = new QHBoxLayout;
    body->addWidget(Panel5);
    body->addLayout(right, 1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 0);
    outer->addLayout(body, 1);
    outer->addWidget(StatusBar1);
    resize(860, 480);

    // The open-with choice: automatic, then every entry of every plug-in that
    // opens files. A tool or a document entry without files would open its
    // window and drop the chosen files unread.
    ComboBox2->addItem(QStringLiteral("(vybrat automaticky)"));
    for (int p = 0; p < GetPluginCount(); ++p) {
        TQX_Plugin* plugin = GetPlugin(p);
        for (int e = 0; e < plugin->GetEntryCount(); ++e) {
            TQX_PluginEntry* entry = plugin->GetEntry(e);
            if (entry->GetKind() != QX_KIND_FILE_DOCUMENT)
                continue;
            ComboBox2->addItem(entry->GetIcon(), entry->GetName(), QVariant::fromValue(static_cast<void*>(entry)));
        }
    }
    ComboBox2->setCurrentIndex(0);

    editTimer_ = new QTimer(this);
    editTimer_->setSingleShot(true);
    editTimer_->setInterval(1);
    connect(editTimer_, &QTimer::timeout, this, [this] {
        writtenText_ = selectionText(false);
        Edit1->setText(writtenText_);
    });
    connect(ListView->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { editTimer_->start(); });
    connect(model_, &TShellItemModel::Progress, this, [this](int count) {
        fitListGrid();
        ProgressLabel->setText(QStringLiteral("Načítá se… %1 položek (Esc přeruší)").arg(QLocale().toString(count)));
    });
    connect(model_, &TShellItemModel::Finished, this, &TExtOpenDialogForm::listingFinished);
    connect(model_, &TShellItemModel::Renamed, this, [this](const QString& name) {
        rereadFolder();
        pendingSelection_ = {name};
    });
    connect(Button1, &QPushButton::clicked, this, &TExtOpenDialogForm::ButtonOkClick);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ToolButton1, &QToolButton::clicked, this, &TExtOpenDialogForm::GoUp);
    connect(ToolButton3, &QToolButton::clicked, this, &TExtOpenDialogForm::CreateNewFolder);
    connect(viewButtons_, &QButtonGroup::idClicked, this, [this](int id) { SetView(View(id)); });
    connect(ComboBox1, &QComboBox::activated, this, &TExtOpenDialogForm::applyFilterIndex);
    connect(DirTree, &QComboBox::activated, this, [this](int index) {
        // A folder that vanished meanwhile is simply not entered.
        GoToFolder(DirTree->itemData(index, kPlacePathRole).toString());
    });
    connect(Panel5, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { placeClicked(Panel5->row(item)); });

    loadPlacement();
}

TExtOpenDialogForm::~TExtOpenDialogForm()
{
    StopWatchingChildren(this);
}

TQX_PluginEntry* TExtOpenDialogForm::SelectedEntry() const
{
    return static_cast<TQX_PluginEntry*>(ComboBox2->currentData().value<void*>());
}

QString TExtOpenDialogForm::FilterText() const
{
    return model_->FilterText;
}

void TExtOpenDialogForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    // Filters: the descriptions; the first or the second is chosen.
    const auto pairs = SplitOpenFilter(Request.Filter);
    ComboBox1->clear();
    filterMasks_.clear();
    for (const auto& pair : pairs) {
        ComboBox1->addItem(pair.first);
        filterMasks_.append(pair.second);
    }
    if (!pairs.isEmpty()) {
        const int chosen = Request.SelectFirst || pairs.size() < 2 ? 0 : 1;
        ComboBox1->setCurrentIndex(chosen);
        model_->FilterText = chosen == 0 ? QString() : pairs[chosen].first.toLower();
    }
    rebuildPlaces();
    const QFileInfo initial(Request.InitialDir);
    if (Request.InitialDir.isEmpty() || !initial.isDir() || !GoToFolder(initial.absoluteFilePath()))
        GoToFolder(QString());
    SetView(CurrentView());
    activeView()->setFocus();
}

void TExtOpenDialogForm::done(int result)
{
    savePlacement();
    if (result == QDialog::Accepted && !ResultFolder.isEmpty())
        addRecentFolder(ResultFolder);
    QDialog::done(result);
}

// ---------------------------------------------------------------------------
// Folders
// ---------------------------------------------------------------------------

bool TExtOpenDialogForm::GoToFolder(const QString& path)
{
    QString target;
    if (!path.isEmpty()) {
        const QFileInfo info(path);
        if (!info.isDir())
            return false;
        target = withSlash(QDir::cleanPath(info.absoluteFilePath()));
    }
    loaded_ = false;
    pendingSelection_.clear();
    ListView->selectionModel()->clearSelection();
    currentPath_ = target;
    // The folder is read in the background; the list fills as it comes.
    startListing(false);
    updateStatus();
    rebuildDirTree();
    writtenText_.clear();
    Edit1->clear();
    return true;
}

void TExtOpenDialogForm::GoUp()
{
    if (currentPath_.isEmpty()) {
        QApplication::beep();
        return;
    }
    const QString here = QDir::cleanPath(currentPath_);
    if (here == QLatin1String("/")) {
        GoToFolder(QString());
        return;
    }
    const QString child = QFileInfo(here).fileName();
    GoToFolder(QFileInfo(here).absolutePath());
    SelectNames({child});
}

QString TExtOpenDialogForm::CreateNewFolder()
{
    auto fail = [this] {
        QMessageBox::critical(this, QString::fromUtf8(kApplicationTitle), Strings(CannotCreateFolder));
        return QString();
    };
    if (currentPath_.isEmpty() || !QFileInfo(currentPath_).isDir())
        return fail();
    QString path = currentPath_ + Strings(NewFolder);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = currentPath_ + Strings(NewFolderNumbered).replace(QStringLiteral("%d"), QString::number(n));
    if (!QDir().mkdir(path))
        return fail();
    rereadFolder();
    return path;
}

void TExtOpenDialogForm::rereadFolder()
{
    // The selection is chosen again by name once the folder is read.
    pendingSelection_.clear();
    for (const QModelIndex& index : selectedRows())
        pendingSelection_.append(model_->FileName(index.row()));
    loaded_ = false;
    startListing(true);
    updateStatus();
}

void TExtOpenDialogForm::startListing(bool keepRows)
{
    ProgressLabel->setText(QStringLiteral("Načítá se… (Esc přeruší)"));
    ProgressLabel->setVisible(!currentPath_.isEmpty());
    ViewStack->setCursor(Qt::BusyCursor);
    model_->List(currentPath_, keepRows);
}

void TExtOpenDialogForm::listingFinished(bool cancelled)
{
    loaded_ = true;
    ViewStack->unsetCursor();
    fitListGrid();
    if (cancelled) {
        ProgressLabel->setText(QStringLiteral("Načítání přerušeno: %1 položek (F5 načte složku znovu)")
                                   .arg(QLocale().toString(model_->rowCount())));
        ProgressLabel->show();
    } else {
        ProgressLabel->hide();
    }
    if (!pendingSelection_.isEmpty()) {
        const QStringList names = pendingSelection_;
        pendingSelection_.clear();
        SelectNames(names);
    }
}

void TExtOpenDialogForm::CancelListing()
{
    model_->Cancel();
}

bool TExtOpenDialogForm::Listing() const
{
    return model_->Listing();
}

void TExtOpenDialogForm::fitListGrid()
{
    // The list view's columns are as wide as the widest name (up to a
    // limit), measured on the longest names only.
    if (CurrentView() != List)
        return;
    const QFontMetrics metrics = ListView->fontMetrics();
    const int width = std::clamp(model_->WidestName(metrics) + ListView->iconSize().width() + 16, 80, 360);
    const int height = std::max(metrics.height(), ListView->iconSize().height()) + 4;
    if (ListView->gridSize() != QSize(width, height))
        ListView->setGridSize(QSize(width, height));
}

void TExtOpenDialogForm::keyPressEvent(QKeyEvent* event)
{
    // Esc stops a listing under way; the next one closes the dialog.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && model_->Listing()) {
        model_->Cancel();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TExtOpenDialogForm::updateStatus()
{
    // The computer folder has no path: its name stands there, without a mask.
    if (currentPath_.isEmpty())
        StatusLabel->setText(model_->FilterText.isEmpty() ? QStringLiteral("Počítač")
                                                          : QStringLiteral("Počítač (") + model_->FilterText + QLatin1Char(')'));
    else
        StatusLabel->setText(model_->FilterText.isEmpty() ? currentPath_ + QStringLiteral("*.*")
                                                          : currentPath_ + QStringLiteral(" (") + model_->FilterText + QLatin1Char(')'));
}

void TExtOpenDialogForm::rebuildDirTree()
{
    DirTree->clear();
    const QIcon folder = QIcon::fromTheme(QStringLiteral("folder"));
    DirTree->addItem(QIcon::fromTheme(QStringLiteral("computer")), QStringLiteral("Počítač"));
    DirTree->setItemData(0, QString(), kPlacePathRole);
    DirTree->setItemData(0, 0, kIndentRole);
    if (currentPath_.isEmpty()) {
        DirTree->setCurrentIndex(0);
        return;
    }
    const QStringList parts = QDir::cleanPath(currentPath_).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString path = QStringLiteral("/");
    DirTree->addItem(QIcon::fromTheme(QStringLiteral("drive-harddisk")), path);
    DirTree->setItemData(1, path, kPlacePathRole);
    DirTree->setItemData(1, 1, kIndentRole);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        path += parts[i] + QLatin1Char('/');
        DirTree->addItem(folder, parts[i]);
        DirTree->setItemData(DirTree->count() - 1, path, kPlacePathRole);
        DirTree->setItemData(DirTree->count() - 1, int(i) + 2, kIndentRole);
    }
    DirTree->setCurrentIndex(DirTree->count() - 1);
    DirTree->setToolTip(currentPath_);
}

// ---------------------------------------------------------------------------
// Places
// ---------------------------------------------------------------------------

void TExtOpenDialogForm::SetCurrentProjectSource(std::function<TProject*()> source)
{
    currentProjectSource = std::move(source);
}

QStringList TExtOpenDialogForm::RecentFolders()
{
    QStringList folders;
    qx::Registry reg;
    if (!reg.OpenKey(kRegistryKey, true))
        return folders;
    for (int i = 0; i < kRecentFolderCount; ++i) {
        const std::string name = "Recent_" + std::to_string(i);
        if (reg.GetDataType(name) != qx::RegDataType::String)
            break;
        folders.append(QString::fromStdString(reg.ReadString(name)));
    }
    return folders;
}

void TExtOpenDialogForm::addRecentFolder(const QString& folder)
{
    QStringList folders = RecentFolders();
    folders.removeAll(folder);
    folders.prepend(folder);
    while (folders.size() > kRecentFolderCount)
        folders.removeLast();
    try {
        qx::Registry reg;
        if (!reg.OpenKey(kRegistryKey, true))
            return;
        for (int i = 0; i < kRecentFolderCount; ++i) {
            const std::string name = "Recent_" + std::to_string(i);
            if (i < folders.size())
                reg.WriteString(name, folders[i].toStdString());
            else
                reg.DeleteValue(name);
        }
    } catch (const qx::RegistryError&) {
        // The list is a convenience; a store that cannot be written keeps the old one.
    }
}

void TExtOpenDialogForm::rebuildPlaces()
{
    Panel5->clear();
    auto add = [this](const QString& caption, const char* icon, const QString& path, const QString& hint) {
        auto* item = new QListWidgetItem(QIcon::fromTheme(QLatin1String(icon), QIcon::fromTheme(QStringLiteral("folder"))),
            caption, Panel5);
        item->setData(kPlacePathRole, path);
        item->setToolTip(hint.isEmpty() ? path : hint);
        item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
        // The whole cell, so icon and caption stand centred in it.
        item->setSizeHint(Panel5->gridSize());
        return item;
    };
    const QString home = QDir::homePath();
    const QString desktop = placeFolder(QStandardPaths::DesktopLocation);
    const QString documents = placeFolder(QStandardPaths::DocumentsLocation);
    // The user's own program entries, else the system's.
    QString programs;
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
        if (programs.isEmpty() && QFileInfo(dir).isDir())
            programs = dir;
    add(QStringLiteral("Plocha"), "user-desktop", desktop.isEmpty() ? home : desktop, QString());
    add(QStringLiteral("Počítač"), "computer", QString(), QStringLiteral("Kořenové složky počítače"));
    add(QStringLiteral("Domů"), "user-home", home, QString());
    add(QStringLiteral("Dokumenty"), "folder-documents", documents.isEmpty() ? home : documents, QString());
    if (!programs.isEmpty())
        add(QStringLiteral("Programy"), "applications-other", programs, QStringLiteral("Zástupci nainstalovaných programů"));
    add(QStringLiteral("Složka QX"), "folder", QString::fromStdString(GetProgramDirectory()), QString());
    if (currentProjectSource)
        if (TProject* project = currentProjectSource()) {
            const QString dir = QString::fromStdString(project->DefaultDir);
            if (!dir.isEmpty() && QFileInfo(dir).isDir())
                add(QStringLiteral("Projekt"), "folder-open", dir,
                    QStringLiteral("Výchozí složka projektu %1: %2").arg(QString::fromStdString(project->Name()), dir));
        }
    QStringList listed;
    for (int i = 0; i < Panel5->count(); ++i)
        listed << withSlash(QDir::cleanPath(Panel5->item(i)->data(kPlacePathRole).toString()));
    for (const QString& folder : RecentFolders())
        if (QFileInfo(folder).isDir() && !listed.contains(withSlash(QDir::cleanPath(folder)))) {
            const QString name = QFileInfo(QDir::cleanPath(folder)).fileName();
            add(name.isEmpty() ? folder : name, "document-open-recent", folder,
                QStringLiteral("Naposledy použitá složka %1").arg(folder));
        }
}

void TExtOpenDialogForm::placeClicked(int row)
{
    if (QListWidgetItem* item = Panel5->item(row))
        GoToFolder(item->data(kPlacePathRole).toString());
    activeView()->setFocus();
}

// ---------------------------------------------------------------------------
// The list
// ---------------------------------------------------------------------------

QAbstractItemView* TExtOpenDialogForm::activeView() const
{
    return ViewStack->currentWidget() == DetailsView ? static_cast<QAbstractItemView*>(DetailsView)
                                                     : static_cast<QAbstractItemView*>(ListView);
}

TExtOpenDialogForm::View TExtOpenDialogForm::CurrentView() const
{
    const int id = viewButtons_->checkedId();
    return id < 0 ? List : View(id);
}

void TExtOpenDialogForm::SetView(View view)
{
    if (QAbstractButton* button = viewButtons_->button(view))
        button->setChecked(true);
    if (view == Details) {
        ViewStack->setCurrentWidget(DetailsView);
    } else {
        ViewStack->setCurrentWidget(ListView);
        if (view == LargeIcons) {
            ListView->setViewMode(QListView::IconMode);
            ListView->setIconSize(QSize(32, 32));
            ListView->setGridSize(QSize(96, 64));
            ListView->setWordWrap(true);
            ListView->setFlow(QListView::LeftToRight);
            ListView->setWrapping(true);
        } else {
            ListView->setViewMode(QListView::ListMode);
            ListView->setIconSize(QSize(16, 16));
            ListView->setWordWrap(false);
            ListView->setWrapping(true);
            // Small icons run in rows, the list in columns.
            ListView->setFlow(view == SmallIcons ? QListView::LeftToRight : QListView::TopToBottom);
            ListView->setSpacing(0);
            if (view == SmallIcons)
                ListView->setGridSize(QSize(150, 20));
        }
        ListView->setMovement(QListView::Static);
        fitListGrid();
    }
}

TExtOpenDialogForm::SortMode TExtOpenDialogForm::CurrentSortMode() const
{
    return SortMode(model_->Mode);
}

void TExtOpenDialogForm::SetSortMode(SortMode mode)
{
    MenuSortByName->setChecked(mode == SortByName);
    MenuSortByType->setChecked(mode == SortByType);
    MenuSortByDefault->setChecked(mode == SortBySystem);
    model_->Mode = mode;
    rereadFolder();
}

QModelIndexList TExtOpenDialogForm::selectedRows() const
{
    // A click in the icon and list views selects the name only, in the
    // details view the whole row: every row with anything selected counts.
    QModelIndexList rows;
    for (const QModelIndex& index : ListView->selectionModel()->selectedIndexes())
        if (index.column() == 0 || !ListView->selectionModel()->isSelected(index.sibling(index.row(), 0)))
            rows.append(index.sibling(index.row(), 0));
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

QString TExtOpenDialogForm::pathOf(const QModelIndex& index) const
{
    return model_->FilePath(index.row());
}

bool TExtOpenDialogForm::isFolder(const QModelIndex& index) const
{
    return model_->IsFolder(index.row());
}

QStringList TExtOpenDialogForm::ListedNames() const
{
    QStringList names;
    for (int r = 0; r < model_->rowCount(); ++r)
        names.append(model_->FileName(r));
    return names;
}

void TExtOpenDialogForm::SelectNames(const QStringList& names)
{
    // Asked while the folder is still read: chosen once it is complete.
    if (!loaded_)
        pendingSelection_ = names;
    QItemSelection selection;
    const QSet<QString> wanted(names.begin(), names.end());
    for (int r = 0; r < model_->rowCount(); ++r) {
        if (wanted.contains(model_->FileName(r))) {
            const QModelIndex index = model_->index(r, 0);
            selection.select(index, index);
        }
    }
    ListView->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!selection.isEmpty())
        ListView->selectionModel()->setCurrentIndex(selection.first().topLeft(), QItemSelectionModel::NoUpdate);
}

// The selected files of the current folder, in list order, each in double
// quotes: the names as shown, or the real names from the paths.
QString TExtOpenDialogForm::selectionText(bool realNames) const
{
    QStringList quoted;
    for (const QModelIndex& index : selectedRows()) {
        // Files as listed (folders and other kinds are skipped); the list
        // knows each item's kind, so a large selection reads no file.
        if (!model_->IsFile(index.row()) || model_->FolderPath() != currentPath_)
            continue;
        QString name = realNames ? model_->FileName(index.row()) : index.data().toString();
        name.truncate(name.indexOf(QChar(0)) < 0 ? name.size() : name.indexOf(QChar(0)));
        quoted.append(QLatin1Char('"') + name + QLatin1Char('"'));
    }
    return quoted.join(QLatin1Char(' '));
}

void TExtOpenDialogForm::itemActivated(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    if (isFolder(index))
        GoToFolder(pathOf(index));
    else
        ButtonOkClick();
}

void TExtOpenDialogForm::openSelected()
{
    const QModelIndexList rows = selectedRows();
    if (!rows.isEmpty())
        ExecuteFile(QLatin1Char('"') + pathOf(rows.first()) + QLatin1Char('"'), false);
}

void TExtOpenDialogForm::renameSelected()
{
    QAbstractItemView* view = activeView();
    const QModelIndex current = view->currentIndex();
    if (current.isValid())
        view->edit(current.sibling(current.row(), 0));
}

void TExtOpenDialogForm::showPopup(const QPoint& pos)
{
    const bool any = !selectedRows().isEmpty();
    MenuOpen->setEnabled(any);
    MenuRename->setEnabled(any && (activeView()->currentIndex().sibling(activeView()->currentIndex().row(), 0).flags()
                                      & Qt::ItemIsEditable));
    PopupMenu->popup(pos);
}

bool TExtOpenDialogForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == Edit1) {
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            ButtonOkClick();
            return true;
        }
        return false;
    }
    auto* view = qobject_cast<QAbstractItemView*>(watched);
    if (!view)
        return QDialog::eventFilter(watched, event);
    // Keys that reach the view from the rename editor: the editor has used
    // them already (Return ends the rename), and they must not reach the
    // dialog's default button.
    if (QApplication::focusWidget() != view)
        return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape;
    switch (key->key()) {
    case Qt::Key_Backspace:
        GoUp();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        itemActivated(view->currentIndex().isValid() && view->selectionModel()->isSelected(view->currentIndex())
                ? view->currentIndex()
                : (selectedRows().isEmpty() ? QModelIndex() : selectedRows().first()));
        if (!view->currentIndex().isValid() && selectedRows().isEmpty())
            ButtonOkClick();
        return true;
    case Qt::Key_F5:
        rereadFolder();
        return true;
    default:
        return QDialog::eventFilter(watched, event);
    }
}

// ---------------------------------------------------------------------------
// Filters and OK
// ---------------------------------------------------------------------------

void TExtOpenDialogForm::setFilterText(const QString& text)
{
    model_->FilterText = text;
    rereadFolder();
}

void TExtOpenDialogForm::applyFilterIndex(int index)
{
    setFilterText(index <= 0 ? QString() : ComboBox1->itemText(index).toLower());
}

// Text typed into the file-name field: a pattern filters the list, a folder
// is entered, files (one name or several in quotes) are chosen.
void TExtOpenDialogForm::applyTypedText(const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'))) {
        if (text == QLatin1String("*") || text == QLatin1String("*.*"))
            setFilterText(QString());
        else
            setFilterText(QString(text).remove(QLatin1Char('*')).toLower());
        writtenText_.clear();
        Edit1->clear();
        return;
    }
    QStringList names;
    if (text.contains(QLatin1Char('"'))) {
        const QStringList parts = text.split(QLatin1Char('"'));
        for (qsizetype i = 1; i < parts.size(); i += 2)
            if (!parts[i].isEmpty())
                names.append(parts[i]);
    } else {
        names.append(text);
    }
    auto resolve = [this](QString name) {
        if (name.startsWith(QLatin1String("~/")) || name == QLatin1String("~"))
            name = QDir::homePath() + name.mid(1);
        if (QDir::isAbsolutePath(name) || currentPath_.isEmpty())
            return QDir::cleanPath(QDir(QStringLiteral("/")).absoluteFilePath(name));
        return QDir::cleanPath(currentPath_ + name);
    };
    if (names.size() == 1 && QFileInfo(resolve(names.first())).isDir()) {
        GoToFolder(resolve(names.first()));
        return;
    }
    QStringList files;
    for (const QString& name : names) {
        const QString path = resolve(name);
        if (!QFileInfo(path).isFile()) {
            QMessageBox::information(this, QString::fromUtf8(kApplicationTitle), Strings(NotFound).arg(name));
            return;
        }
        files.append(path);
    }
    if (files.isEmpty())
        return;
    ResultList = files;
    ResultFolder = withSlash(QFileInfo(files.first()).absolutePath());
    accept();
}

void TExtOpenDialogForm::ButtonOkClick()
{
    editTimer_->stop();
    const QString kept = Edit1->text().trimmed();
    // What the user typed (anything but the names the selection wrote) wins.
    if (!kept.isEmpty() && kept != writtenText_ && kept != selectionText(false)) {
        applyTypedText(kept);
        return;
    }
    QString names = selectionText(true);
    if (!names.isEmpty()) {
        ResultList.clear();
        if (!names.startsWith(QLatin1Char('"')))
            names.prepend(QLatin1Char('"'));
        if (!names.endsWith(QLatin1Char('"')))
            names.append(QLatin1Char('"'));
        qsizetype pos = 0;
        while (pos < names.size()) {
            const qsizetype open = names.indexOf(QLatin1Char('"'), pos);
            if (open < 0)
                break;
            const qsizetype close = names.indexOf(QLatin1Char('"'), open + 1);
            if (close < 0)
                break;
            ResultList.append(currentPath_ + names.mid(open + 1, close - open - 1));
            pos = close + 1;
        }
        ResultFolder = currentPath_;
        accept();
        return;
    }
    if (!kept.isEmpty()) {
        applyTypedText(kept);
        return;
    }
    QMessageBox::information(this, QString::fromUtf8(kApplicationTitle), Strings(ChooseFile));
}

// ---------------------------------------------------------------------------
// Placement
// ---------------------------------------------------------------------------

void TExtOpenDialogForm::loadPlacement()
{
    qx::Registry reg;
    if (!reg.OpenKey(kRegistryKey, true))
        return;
    if (reg.GetDataType("Placement") == qx::RegDataType::String)
        restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(reg.ReadString("Placement"))));
    const char* names[] = {"ToolButton5.Down", "ToolButton7.Down", "ToolButton6.Down", "ToolButton8.Down"};
    for (int v = LargeIcons; v <= Details; ++v)
        if (reg.GetDataType(names[v]) == qx::RegDataType::Integer && reg.ReadBool(names[v]))
            viewButtons_->button(v)->setChecked(true);
}

void TExtOpenDialogForm::savePlacement()
{
    try {
        qx::Registry reg;
        if (!reg.OpenKey(kRegistryKey, true))
            return;
        reg.WriteString("Placement", saveGeometry().toBase64().toStdString());
        const char* names[] = {"ToolButton5.Down", "ToolButton7.Down", "ToolButton6.Down", "ToolButton8.Down"};
        for (int v = LargeIcons; v <= Details; ++v)
            reg.WriteBool(names[v], viewButtons_->button(v)->isChecked());
    } catch (const qx::RegistryError&) {
        // The placement is a convenience; the dialog closes all the same.
    }
}

bool ShowExtOpenDialog(QWidget* owner, const TExtOpenRequest& request, TExtOpenChoice& choice)
{
    TExtOpenDialogForm dialog(owner);
    dialog.Request = request;
    if (owner)
        dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice.Files = dialog.ResultList;
    choice.Folder = dialog.ResultFolder;
    choice.Entry = dialog.SelectedEntry();
    choice.FilterIndex = dialog.ComboBox1->currentIndex() + 1;
    return true;
}

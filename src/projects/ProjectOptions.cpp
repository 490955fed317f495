#include "projects/ProjectOptions.h"

#include "files/ExtOpenDialog.h"
#include "projects/Projects.h"
#include "ui/DialogSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// File names on this platform differ by letter case, so a path that differs
// only in case is another file.
#ifdef Q_OS_WIN
const Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
const Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

// The folder tree tells which folder the user chose, with a key or a click.
// The view also moves its current item by itself (to its first folder when it
// takes the focus without one); such moves are nobody's choice.
class FolderTree : public QTreeView {
public:
    using QTreeView::QTreeView;
    std::function<void(const QModelIndex& folder)> OnChoose;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const QModelIndex before = currentIndex();
        QTreeView::keyPressEvent(event);
        if (currentIndex() != before)
            choose(currentIndex());
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        QTreeView::mousePressEvent(event);
        // A press on a folder's expand arrow only expands it.
        const QModelIndex at = indexAt(event->position().toPoint());
        if (at.isValid() && at == currentIndex())
            choose(at);
    }

private:
    void choose(const QModelIndex& folder)
    {
        if (folder.isValid() && OnChoose)
            OnChoose(folder);
    }
};

} // namespace

TProjectOptionsForm::TProjectOptionsForm(QWidget* owner)
    : QDialog(owner)
{
    PrepareDialog(this, "ProjectOptionsForm", QStringLiteral("Nastavení projektu"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Zde můžete upravit nastavení vybraného projektu."), this));

    auto* columns = new QHBoxLayout;
    auto* dirBox = new QGroupBox(QStringLiteral("Složka"), this);
    auto* dirLayout = new QVBoxLayout(dirBox);
    dirLayout->addWidget(new QLabel(QStringLiteral("Výchozí pracovní složka projektu:"), dirBox));
    dirModel_ = new QFileSystemModel(this);
    dirModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    dirModel_->setReadOnly(true);
    dirModel_->setRootPath(QString());
    auto* folderTree = new FolderTree(dirBox);
    folderTree->OnChoose = [this](const QModelIndex& folder) {
        followCurrent_ = false;
        DirEdit->setText(dirModel_->filePath(folder));
    };
    ProjDirTree = folderTree;
    ProjDirTree->setModel(dirModel_);
    for (int column = 1; column < dirModel_->columnCount(); ++column)
        ProjDirTree->hideColumn(column);
    ProjDirTree->setHeaderHidden(true);
    ProjDirTree->setContextMenuPolicy(Qt::NoContextMenu);
    ProjDirTree->expand(dirModel_->index(QDir::rootPath()));
    dirLayout->addWidget(ProjDirTree);
    DirEdit = new QLineEdit(dirBox);
    // The tree follows a path the user types; the field keeps the text.
    connect(DirEdit, &QLineEdit::textEdited, this, &TProjectOptionsForm::showFolderInTree);
    dirLayout->addWidget(DirEdit);
    columns->addWidget(dirBox, 1);

    auto* right = new QVBoxLayout;
    auto* projectBox = new QGroupBox(QStringLiteral("Projekt"), this);
    auto* projectGrid = new QGridLayout(projectBox);
    ProjNameEdit = new QLineEdit(QStringLiteral("nový projekt"), projectBox);
    ProjDescEdit = new QLineEdit(projectBox);
    projectGrid->addWidget(new QLabel(QStringLiteral("Název:"), projectBox), 0, 0);
    projectGrid->addWidget(ProjNameEdit, 0, 1);
    projectGrid->addWidget(new QLabel(QStringLiteral("Popis:"), projectBox), 1, 0);
    projectGrid->addWidget(ProjDescEdit, 1, 1);
    right->addWidget(projectBox);

    auto* filesBox = new QGroupBox(QStringLiteral("Soubory v projektu"), this);
    auto* filesLayout = new QVBoxLayout(filesBox);
    ListView = NewFileListView(this);
    ListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    filesLayout->addWidget(ListView);
    auto* fileButtons = new QHBoxLayout;
    Button3 = new QPushButton(QStringLiteral("&Přidat..."), filesBox);
    Button4 = new QPushButton(QStringLiteral("&Odstranit"), filesBox);
    Button4->setEnabled(false);
    fileButtons->addWidget(Button3);
    fileButtons->addWidget(Button4);
    fileButtons->addStretch();
    filesLayout->addLayout(fileButtons);
    right->addWidget(filesBox, 1);
    columns->addLayout(right, 2);
    layout->addLayout(columns, 1);

    AddOkCancelRow(this, layout, Button1, Button2);
    resize(760, 460);

    connect(ProjNameEdit, &QLineEdit::textChanged, this, [this](const QString& t) { Button1->setEnabled(!t.isEmpty()); });
    connect(ListView, &QTreeWidget::itemSelectionChanged, this, [this] { Button4->setEnabled(!ListView->selectedItems().isEmpty()); });
    connect(Button3, &QPushButton::clicked, this, [this] {
        QStringList picked;
        if (FilePicker) {
            picked = FilePicker(DirEdit->text());
        } else {
            TExtOpenChoice choice;
            if (ShowExtOpenDialog(this, {QStringLiteral("Všechny soubory (*.*)|*.*"), true, DirEdit->text()}, choice))
                picked = choice.Files;
        }
        AddFiles(picked);
    });
    connect(Button4, &QPushButton::clicked, this, &TProjectOptionsForm::RemoveSelected);
    // The model reads folders lazily: keep the chosen folder in view as its
    // parents arrive.
    connect(dirModel_, &QFileSystemModel::directoryLoaded, this, [this] {
        if (ProjDirTree->currentIndex().isValid())
            ProjDirTree->scrollTo(ProjDirTree->currentIndex());
    });
    // Folders listed above the one the program moved to push it down as
    // they arrive: it stays in view until the user scrolls or chooses.
    auto follow = [this] {
        if (followCurrent_ && ProjDirTree->currentIndex().isValid())
            ProjDirTree->scrollTo(ProjDirTree->currentIndex());
    };
    connect(dirModel_, &QAbstractItemModel::rowsInserted, this, follow);
    // The model sorts what it has read later, in one go.
    connect(dirModel_, &QAbstractItemModel::layoutChanged, this, follow);
    connect(ProjDirTree->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
        [this] { followCurrent_ = false; });
}

void TProjectOptionsForm::LoadProject()
{
    if (!Project)
        return;
    if (!Project->Name().empty())
        ProjNameEdit->setText(QString::fromStdString(Project->Name()));
    ProjDescEdit->setText(QString::fromStdString(Project->Description));
    if (!Project->DefaultDir.empty())
        selectDirectory(QString::fromStdString(Project->DefaultDir));
    ListView->clear();
    for (const auto& file : Project->Files)
        AddFileLine(ListView, QString::fromStdString(file));
}

void TProjectOptionsForm::selectDirectory(const QString& dir)
{
    showFolderInTree(dir);
    DirEdit->setText(dir);
}

void TProjectOptionsForm::showFolderInTree(const QString& path)
{
    // The deepest folder of the path that exists: while a name is being
    // typed, its parent folder stays shown.
    QString folder = QDir::cleanPath(QDir::fromNativeSeparators(path.trimmed()));
    if (folder.isEmpty() || QDir::isRelativePath(folder))
        return;
    while (!QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            return;
        folder = parent;
    }
    const QModelIndex index = dirModel_->index(folder);
    if (!index.isValid())
        return;
    // Moved here by the program, not chosen in the tree: the field is left
    // as it is.
    ProjDirTree->setCurrentIndex(index);
    ProjDirTree->scrollTo(index);
    followCurrent_ = true;
}

void TProjectOptionsForm::AddFiles(const QStringList& paths)
{
    QStringList listed = Paths();
    for (const QString& path : paths) {
        if (path.isEmpty() || listed.contains(path, kPathCase))
            continue;
        AddFileLine(ListView, path);
        listed << path;
    }
    ListView->sortItems(0, Qt::AscendingOrder);
}

void TProjectOptionsForm::RemoveSelected()
{
    for (int i = ListView->topLevelItemCount() - 1; i >= 0; --i)
        if (ListView->topLevelItem(i)->isSelected())
            delete ListView->takeTopLevelItem(i);
    Button4->setEnabled(false);
}

QStringList TProjectOptionsForm::Paths() const
{
    QStringList paths;
    for (int i = 0; i < ListView->topLevelItemCount(); ++i)
        paths << ListView->topLevelItem(i)->text(1);
    return paths;
}

void TProjectOptionsForm::showEvent(QShowEvent* event)
{
    LoadProject();
    QDialog::showEvent(event);
    CentreOnOwner(this);
}

// Opening and creating documents: OpenFile and the entry choice, the open
// command, dropped files, recent files, the New command, the Spustit menu,
// the launch-or-change popup and the menus rebuilt from the plug-in list.
#include "frame/FrameWindow.h"

#include "QX_Types.h"
#include "files/DesktopShortcut.h"
#include "files/ExtOpenDialog.h"
#include "frame/FrameStatusBar.h"
#include "frame/FrameStrings.h"
#include "frame/NewDocument.h"
#include "frame/RecentFiles.h"
#include "kernel/AppInfo.h"
#include "kernel/CommandLine.h"
#include "kernel/Kernel.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "platform/ShellLinks.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"
#include "projects/Projects.h"
#include "ui/AboutBoxes.h"
#include "ui/DialogSupport.h"
#include "ui/QXMessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>

namespace {

using A = FrameAction;
const char* const kModule = "Server\\FrameWindow";

// Clears the progress when the multi-file open ends, also by an exception.
struct ProgressReset {
    TFrameWindowForm* frame;
    ~ProgressReset() { frame->ResetProgressBar(); }
};

} // namespace

// ---------------------------------------------------------------------------
// OpenFile
// ---------------------------------------------------------------------------

TQX_PluginWindow* TFrameWindowForm::OpenFile(const QString& fileName, const QString& entryId)
{
    QString file = fileName;
    bool brokenLink = false;
    if (qx::IsShortcutFile(QFile::encodeName(file).toStdString())) {
        // A shortcut opens its target; one that names none is reported as a
        // missing file (its empty name must not find an unnamed document).
        file = ShortcutTarget(file);
        brokenLink = file.isEmpty();
    }

    // A relative name (from the command line) is kept as the full path, so
    // the recent files and the documents panel still find it from anywhere.
    if (!file.isEmpty() && QFileInfo(file).isRelative())
        file = QFileInfo(file).absoluteFilePath();

    const bool anyEntry = entryId == DefaultEntryID();
    for (int i = 0; !brokenLink && i < GetDocumentWindowCount(); ++i) {
        TQX_PluginWindow* window = GetDocumentWindow(i);
        if (SameDocumentPath(window->FileName, file) && (anyEntry || window->EntryID == entryId)) {
            if (QMdiSubWindow* sub = subWindowOf(window)) {
                if (sub->isMinimized())
                    sub->showNormal();
                mdiArea_->setActiveSubWindow(sub);
            } else {
                window->raise();
                window->activateWindow();
            }
            FocusDocument(window);
            return window;
        }
    }

    while (!QFileInfo(file).isFile()) {
        const QString text = FrameText(FrameString::FileNotFound).arg(QFileInfo(file).fileName(), file);
        if (MessageBoxRetryCancel(text) != TQXMessageBoxForm::Retry)
            return nullptr;
    }

    recentFiles_->Add(file);

    if (QFile probe(file); !probe.open(QIODevice::ReadOnly)) {
        const QString text = FrameText(FrameString::FileUnreadable).arg(QFileInfo(file).fileName());
        if (MessageBoxIgnoreCancel(text) != TQXMessageBoxForm::Ignore)
            return nullptr;
    }

    TQX_PluginEntry* entry = nullptr;
    if (!anyEntry) {
        entry = FindPluginEntryByID(entryId);
        if (!entry)
            RaiseKernelException(kModule, KernelObjectOf(this),
                "OpenFile: ID [" + entryId.toStdString() + "] is invalid. FindPluginEntryByID() returned NULL.");
    } else {
        bool askUser = false, noEntry = false;
        entry = chooseEntry(file, askUser, noEntry);
        if (noEntry) {
            MessageBoxOk(FrameText(FrameString::NoEntryForFile).arg(QString::fromStdString(GetPluginsDir())),
                ProductWebPage(), FrameText(FrameString::DownloadModules));
            return nullptr;
        }
        if (askUser) {
            TNewDocumentForm form(this, TNewDocumentForm::OpenPage, file);
            form.Run();
            return nullptr;
        }
    }
    bool refused = false;
    TQX_PluginWindow* window = launchWithFile(entry, file, refused);
    if (window)
        LogEvent(std::string(kModule) + ": document opened: " + file.toStdString());
    return window;
}

TQX_PluginWindow* TFrameWindowForm::launchWithFile(TQX_PluginEntry* entry, const QString& file, bool& refused)
{
    refused = false;
    TQX_PluginWindow* window = entry->Launch(file);
    // A file document window names its file once it has read it. One that
    // did not (the plug-in has told the user why) and holds nothing of the
    // user's would stand for a document that is not there: it goes again.
    if (window && entry->GetKind() == QX_KIND_FILE_DOCUMENT && window->FileName.isEmpty() && !window->Modified) {
        LogEvent(std::string(kModule) + ": the document window did not take the file: " + file.toStdString());
        discardDocumentWindow(window);
        refused = true;
        return nullptr;
    }
    return window;
}

TQX_PluginEntry* TFrameWindowForm::chooseEntry(const QString& fileName, bool& askUser, bool& noEntry)
{
    // Entries made for the file win; entries that merely can open it count
    // only when none is made for it. Two candidates of the same rank make the
    // user choose.
    for (uint8_t answer : {uint8_t(2), uint8_t(1)}) {
        const int count = CountPluginEntriesByFile(fileName, answer);
        if (count == 1)
            return FindPluginEntryByFile(fileName, answer);
        if (count >= 2) {
            askUser = true;
            return nullptr;
        }
    }
    noEntry = true;
    return nullptr;
}

void TFrameWindowForm::OpenFiles(const QStringList& files, const QString& entryId)
{
    ProgressReset reset {this};
    const int count = int(files.size());
    for (int i = 0; i < count; ++i) {
        SetProgressBarStatus(i + 1, count);
        OpenFile(files[i], entryId);
    }
}

void TFrameWindowForm::OpenFilesFromOutside(const QStringList& files)
{
    LogEvent(std::string(kModule) + ": " + std::to_string(files.size()) + " file(s) handed over by another start.");
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    if (!initialized_) {
        for (const QString& file : files)
            GetCommandLineFiles().push_back(file.toStdString());
        return;
    }
    for (const QString& file : files)
        OpenOutsideFile(file);
}

void TFrameWindowForm::OpenOutsideFile(const QString& file)
{
    // A project file (an .ini stamped by this program) opens as the project,
    // as a double click on it in a file manager means; anything else opens
    // as a document.
    if (file.endsWith(QLatin1String(".ini"), Qt::CaseInsensitive)) {
        if (std::unique_ptr<TProject> project = ReadProjectFile(file.toStdString())) {
            if (OpenProject(std::move(project)))
                LogEvent(std::string(kModule) + ": project opened: " + file.toStdString());
            return;
        }
    }
    OpenFile(file, DefaultEntryID());
}

void TFrameWindowForm::SetInitialDir(const QString& dir)
{
    initialDir_ = dir;
}

QIcon TFrameWindowForm::PluginIcon(int imageIndex) const
{
    return imageIndex >= 0 && imageIndex < int(pluginIcons_.size()) ? pluginIcons_[size_t(imageIndex)] : QIcon();
}

QStringList TFrameWindowForm::chooseFilesToOpen(TQX_PluginEntry** entry)
{
    TExtOpenChoice choice;
    if (!ShowExtOpenDialog(this, {openFilter_, true, initialDir_}, choice))
        return {};
    SetInitialDir(QDir::cleanPath(choice.Folder));
    openFilterIndex_ = choice.FilterIndex;
    if (!choice.Files.isEmpty())
        openFileName_ = choice.Files.first();
    if (entry)
        *entry = choice.Entry;
    return choice.Files;
}

void TFrameWindowForm::Action_FileOpenExecute()
{
    TQX_PluginEntry* entry = nullptr;
    const QStringList files = chooseFilesToOpen(&entry);
    OpenFiles(files, entry ? entry->ID : DefaultEntryID());
}

void TFrameWindowForm::rebuildRecentFilesMenu()
{
    // The title item and its separator stay.
    const QList<QAction*> items = menuFileOpenRecent_->actions();
    for (int i = 2; i < items.size(); ++i) {
        menuFileOpenRecent_->removeAction(items[i]);
        delete items[i];
    }
    const QStringList& paths = recentFiles_->Items();
    for (int i = 0; i < paths.size(); ++i) {
        QAction* recent = menuFileOpenRecent_->addAction(TRecentFiles::MenuCaption(i, paths[i]));
        recent->setObjectName(QStringLiteral("RecentFileItem"));
        recent->setStatusTip(paths[i]);
        const QString path = paths[i];
        connect(recent, &QAction::triggered, this, [this, path] { OpenFile(path, DefaultEntryID()); });
    }
}

TRecentFiles& TFrameWindowForm::RecentFiles() const
{
    return *recentFiles_;
}

// ---------------------------------------------------------------------------
// New and launching entries
// ---------------------------------------------------------------------------

void TFrameWindowForm::Action_FileNewExecute()
{
    const int creators = SumCanCreateFileFlags();
    if (creators == 0) {
        ReportKernelWarning(kModule, KernelObjectOf(this), "Action_FileNewExecute: SumCanCreateFileFlags() returned 0.");
        return;
    }
    if (creators == 1) {
        GetFirstCanCreateFileEntry()->Launch(QString());
        return;
    }
    if (CountPluginEntriesByFlags(QX_FLAG_DEFAULT_NEW) == 1) {
        FindPluginEntryByFlags(QX_FLAG_DEFAULT_NEW)->Launch(QString());
        return;
    }
    TNewDocumentForm form(this, TNewDocumentForm::NewPage, QString());
    form.Run();
}

void TFrameWindowForm::showLaunchFailure(TQX_PluginEntry* entry)
{
    QMessageBox::information(this, QString::fromUtf8(kApplicationTitle),
        FrameText(FrameString::CannotLaunch).arg(entry->GetName(), entry->Plugin->GetName()));
}

void TFrameWindowForm::LaunchEntryItemClick(const QString& entryId)
{
    TQX_PluginEntry* entry = FindPluginEntryByID(entryId);
    if (entry && !entry->Launch(QString()))
        showLaunchFailure(entry);
}

void TFrameWindowForm::ChangePluginItemClick(const QString& entryId)
{
    TQX_PluginWindow* window = GetActiveDocumentWindow();
    TQX_PluginEntry* entry = FindPluginEntryByID(entryId);
    if (!window || window->FileName.isEmpty() || !entry)
        return;
    bool refused = false;
    if (!launchWithFile(entry, window->FileName, refused) && !refused)
        showLaunchFailure(entry);
}

void TFrameWindowForm::showLaunchOrChangeMenu()
{
    launchOrChangePluginSubmenu_->popup(statusBar_->mapToGlobal(QPoint(2, 2)));
}

void TFrameWindowForm::rebuildLaunchOrChangeMenu()
{
    TQX_PluginWindow* window = GetActiveDocumentWindow();
    const bool change = window && !window->FileName.isEmpty();
    launchOrChangePluginSubmenu_->clear();
    for (QAction* source : menuLaunch_->actions()) {
        if (source->isSeparator()) {
            launchOrChangePluginSubmenu_->addSeparator();
            continue;
        }
        QAction* copy = launchOrChangePluginSubmenu_->addAction(source->icon(), source->text());
        copy->setObjectName(source->objectName());
        copy->setStatusTip(source->statusTip());
        copy->setVisible(source->isVisible());
        copy->setEnabled(source->isEnabled());
        copy->setData(source->data());
        const QString entryId = source->data().toString();
        if (entryId.isEmpty())
            continue;
        if (change)
            connect(copy, &QAction::triggered, this, [this, entryId] { ChangePluginItemClick(entryId); });
        else
            connect(copy, &QAction::triggered, this, [this, entryId] { LaunchEntryItemClick(entryId); });
    }
}

void TFrameWindowForm::pluginAboutItemClick(const QString& pluginId)
{
    if (TQX_Plugin* plugin = FindPluginByID(pluginId))
        plugin->ShowAbout();
}

// ---------------------------------------------------------------------------
// Menus from the plug-in list
// ---------------------------------------------------------------------------

void TFrameWindowForm::disableDocumentActions()
{
    for (QAction* action : actions_)
        if (action->property("Tag").toInt() != 1)
            action->setEnabled(false);
}

void TFrameWindowForm::RebuildPluginMenus()
{
    disableDocumentActions();
    menuLaunch_->clear();
    menuHelpPlugins_->clear();
    newDocumentSubmenu_->clear();
    openFilter_ = AllFilesFilter();
    pluginIcons_.clear();
    auto keepIcon = [this](int index, const QIcon& icon) {
        if (index < 0)
            return;
        if (index >= int(pluginIcons_.size()))
            pluginIcons_.resize(size_t(index) + 1);
        pluginIcons_[size_t(index)] = icon;
    };

    if (GetPluginCount() == 0) {
        QAction* none = menuLaunch_->addAction(FrameText(FrameString::NoModule));
        none->setObjectName(QStringLiteral("MenuLaunchNoModule"));
        none->setEnabled(false);
    }
    for (int p = 0; p < GetPluginCount(); ++p) {
        TQX_Plugin* plugin = GetPlugin(p);
        keepIcon(plugin->ImageIndex, plugin->GetIcon());
        menuLaunch_->addSeparator()->setObjectName(plugin->ID);

        QAction* about = menuHelpPlugins_->addAction(plugin->GetIcon(), plugin->GetName());
        about->setObjectName(QStringLiteral("help") + plugin->ID);
        about->setData(plugin->ID);
        const QString pluginId = plugin->ID;
        connect(about, &QAction::triggered, this, [this, pluginId] { pluginAboutItemClick(pluginId); });

        for (int e = 0; e < plugin->GetEntryCount(); ++e) {
            TQX_PluginEntry* entry = plugin->GetEntry(e);
            keepIcon(entry->ImageIndex, entry->GetIcon());
            const QString entryId = entry->ID;
            QAction* launch = menuLaunch_->addAction(entry->GetIcon(), entry->GetName());
            launch->setObjectName(entryId);
            launch->setData(entryId);
            connect(launch, &QAction::triggered, this, [this, entryId] { LaunchEntryItemClick(entryId); });

            if (entry->CanCreateFile()) {
                QAction* create = newDocumentSubmenu_->addAction(entry->GetIcon(), entry->GetName());
                create->setObjectName(entryId);
                create->setData(entryId);
                connect(create, &QAction::triggered, this, [this, entryId] { LaunchEntryItemClick(entryId); });
                Action(A::FileNew)->setEnabled(true);
            }
            if (entry->HasFilter())
                openFilter_ += QLatin1Char('|') + entry->GetFilter();
            if (entry->GetKind() == QX_KIND_FILE_DOCUMENT)
                Action(A::FileOpen)->setEnabled(true);
        }
    }
    menuHelpPlugins_->menuAction()->setEnabled(!menuHelpPlugins_->actions().isEmpty());
    const bool scriptEditor = CountPluginEntriesByFlags(QX_FLAG_SCRIPT_EDITOR) > 0;
    Action(A::ScriptNew)->setEnabled(scriptEditor);
    Action(A::ScriptOpen)->setEnabled(scriptEditor);
}

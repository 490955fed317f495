#pragma once
// TFrameWindowForm: the host's main window. Its document area holds the
// plug-in document windows; menus, toolbars and the status bar are built from
// the action table (FrameActions.h). The frame edits nothing itself: document
// commands go to the active document window, and what the frame shows about
// the windows is recomputed by one debounced update (RequestToolbarUpdate).
//
// The frame is created once by the start-up sequence and lives until the
// process ends; FrameWindow() reaches it from anywhere on the GUI thread.
// Everything here runs on the GUI thread.
#include "backup/AutoBackup.h"
#include "frame/FrameActions.h"
#include "frame/FrameSession.h"
#include "options/DesktopOptions.h"
#include "plugins/PluginFrame.h"

#include <QIcon>
#include <QImage>
#include <QMainWindow>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QActionGroup;
class QKeyEvent;
class QDockWidget;
class QMdiArea;
class QPainter;
class QMdiSubWindow;
class QMenuBar;
class QMenu;
class QTextEdit;
class QTimer;
class QToolBar;
class QToolButton;
class TFrameStatusBar;
class TProject;
class TQX_PluginEntry;
class TQX_PluginWindow;
class TQXListView;
class TRecentFiles;
class TOutlinePanel;
class TFindInFilesPanel;
class TToolOutputPanel;
struct TExternalTool;
class TWorkspace;
struct TQX_CommandSet;

class TFrameWindowForm : public QMainWindow, public TQX_PluginFrame {
    Q_OBJECT
public:
    // Creation: builds every component, loads what belongs to creation and
    // arms the post-initialization timer. Installs itself as the frame that
    // plug-in objects and FrameWindow() reach.
    explicit TFrameWindowForm(QWidget* parent = nullptr);
    ~TFrameWindowForm() override;

    // --- What plug-in objects reach (TQX_PluginFrame) ---
    QWidget* MainWindow() const override;
    QMdiArea* DocumentArea() const override;
    // Starts the 100 ms update timer unless it runs already, so any number of
    // requests within 100 ms of the first cost one UpdateToolbars. Nothing in
    // demo mode, where the update cycle never runs.
    void RequestToolbarUpdate() override;
    // Rebuilds the Spustit menu, the plug-ins' help submenu, the New dropdown,
    // the open filter and the plug-in icons from the plug-in list; disables
    // every plug-in dependent action first and enables New, Open and the
    // script editor commands as the entries allow.
    void RebuildPluginMenus() override;
    void AttachDocumentWindow(TQX_PluginWindow* window) override;
    void AttachToolWindow(TQX_PluginWindow* window) override;
    // The close waits on a timer while the frame is busy: the start-up
    // sequence, a script run, a modal dialog or a popup menu.
    void RequestClose() override;
    // Passes a document's text change to the symbol outline.
    void DocumentTextChanged(TQX_PluginWindow* window) override;

    // --- Opening and creating documents ---
    // The entry id that lets the frame choose the entry by the file.
    static QString DefaultEntryID();
    // Opens fileName with the entry entryId (or the entry chosen by the file
    // for DefaultEntryID()) and returns the document window showing it, or
    // null: cancelled, no entry for the file, the new-document dialog had to
    // ask, or the entry made no window. An entry id naming no entry raises
    // EQX_KernelException.
    TQX_PluginWindow* OpenFile(const QString& fileName, const QString& entryId);
    // OpenFile for each file with entryId, showing the progress i of n in the
    // status bar, then clearing it.
    void OpenFiles(const QStringList& files, const QString& entryId);
    // Files another start of the program handed over: opened like files of
    // the command line (kept for the end of start-up while it still runs),
    // then the frame comes to the front.
    void OpenFilesFromOutside(const QStringList& files);
    // One file of the command line or of another start: a project file of this
    // program opens as the project, any other file as a document.
    void OpenOutsideFile(const QString& file);
    TRecentFiles& RecentFiles() const;
    // The open dialogs' filter ("Description|patterns|..."), its selected
    // position (from 1), last chosen file and initial directory.
    QString OpenFilter() const { return openFilter_; }
    int OpenFilterIndex() const { return openFilterIndex_; }
    QString InitialDir() const { return initialDir_; }
    void SetInitialDir(const QString& dir);
    // The icons of plug-ins and entries, by their ImageIndex.
    QIcon PluginIcon(int imageIndex) const;

    // --- Status bar ---
    // Shows text instead of the panels, in bold, for 5 s from this call.
    void SetStatusBarMessage(const QString& text);
    // Ends a shown message at once; nothing when none is shown.
    void CancelStatusBarMessage();
    // Nothing for true. For false: shows message as a status warning (without
    // extending one already shown) and logs it.
    void CheckPositiveResult(bool result, const QString& message);
    // Sets the progress indicator; a position above the maximum becomes the
    // maximum, negative values become 0. A progress that is not updated for
    // 20 s clears itself.
    void SetProgressBarStatus(int position, int maximum);
    void ResetProgressBar();
    void GetProgressBarStatus(int& position, int& maximum) const;
    TFrameStatusBar* StatusBarPanels() const { return statusBar_; }

    // --- Update cycle ---
    // The debounced update: actions, title, status bar and window commands
    // recomputed from the document windows. Runs when the update timer ticks.
    void UpdateToolbars();
    // How many times UpdateToolbars has run.
    int UpdateCount() const { return updateCount_; }
    void UpdateProjectActions();

    // --- Scripts, tips, feedback ---
    // Runs a procedure of the default script (scripts directory + "Default.qx").
    void ExecEventScript(const QString& procedure);
    // Runs the script on the next turn of the message loop; a second call
    // before that replaces the pair.
    void ExecScriptAsync(const QString& scriptFile, const QString& procedure);
    // --- Documents panel ---
    // The panel's own folder of file paths, in order; setting them refills
    // the panel.
    QStringList DocumentsList() const { return documentsList_; }
    void SetDocumentsList(const QStringList& files);
    // Puts path at the top of the folder unless it is there already.
    void AddDocument(const QString& path);
    // Refills the panel: the folder, then the recent files.
    void RebuildDocumentList() { rebuildDocumentList(); }
    // The style of the group pictures (0..2); an unknown style becomes 0.
    int DocumentStyleIndex() const { return documentStyleIndex_; }
    void SetDocumentStyleIndex(int index);
    // Writes the folder and the style now (they are also written a few
    // seconds after each change, and when the frame closes).
    void SaveDocuments() { saveDocuments(); }
    // The documents panel's list, made when the panel is first shown or the
    // list first wanted.
    TQXListView* DocQXListView();
    QDockWidget* DocumentsToolbar() const;
    void ShowTipOfTheDay();
    void AskForFeedback();

    // --- Desktop (FrameDesktop.cpp) ---
    // Writes the desktop record to the registry.
    void SaveDesktopSettings();
    // The record in force and the picture loaded for it (null when none).
    TDesktopRecord& DesktopRecord() { return desktop_; }
    const QImage& DesktopImage() const { return desktopImage_; }

    // --- Closing, projects ---
    // "OnClosing", then the current project or all documents are closed;
    // true when everything agreed to close. The loose documents open before
    // are noted as the session the next start may reopen.
    bool FormCloseQuery();
    // Closes the document windows from the last to the first; stops at the
    // first that refuses (false).
    bool CloseDocuments();
    bool CloseWorkspace();
    bool CloseProject();
    void SaveProject();
    void StoreWorkspaceFiles(TWorkspace* workspace);
    // Takes the project over and makes it current with its default (or first)
    // workspace open; the project already current (same file, any case) is
    // kept. False when a document refused to close; the old state stays.
    bool OpenProject(std::unique_ptr<TProject> project);
    // Stores the open documents into the current workspace, closes them and
    // opens the workspace's files; true at once for the current workspace.
    // False when a document refused to close.
    bool OpenWorkspace(TWorkspace* workspace);
    TProject* CurrentProject() const { return project_.get(); }
    TWorkspace* CurrentWorkspace() const { return workspace_; }
    // Makes project current (the frame owns it) and workspace its current
    // workspace; used by the project commands.
    void SetCurrentProject(std::unique_ptr<TProject> project);
    void SetCurrentWorkspace(TWorkspace* workspace);
    // What ends the process after the frame closed; tests replace it.
    void SetProcessEnd(std::function<void()> end) { processEnd_ = std::move(end); }
    bool Initialized() const { return initialized_; }

    // --- External tools and auto-backup (FrameTools.cpp) ---
    // The tools menu: the setup command, a separator, the placeholder shown
    // while there is no tool, then one entry per tool (caption = display
    // name, hint = command line, property "ShortCut" = shortcut code).
    QMenu* ExternalToolsMenu() const { return menuExternalTools_; }
    // Rebuilds the tool entries from the registry.
    void LoadExternalTools();
    // Replaces the registry list by the tool entries of the menu.
    void SaveExternalTools();
    // Runs the tool of a menu entry for the active document: a program in
    // the tool output panel, anything else through ExecuteFile.
    void LaunchExternalTool(QAction* entry);
    TToolOutputPanel* ToolOutputPanel() const { return toolOutput_; }
    // The next and previous error keys (F4, Shift+F4): they walk the places
    // named in the output of the tool run last started.
    QAction* NextErrorAction() const { return nextError_; }
    QAction* PreviousErrorAction() const { return previousError_; }
    // The notepad pane's text, with the notes file read into it. Made when
    // the pane is first shown or its text first wanted (Notepad.cpp).
    QTextEdit* NotepadEdit();
    // The symbol outline of the active document (FrameOutline.cpp).
    TOutlinePanel* OutlinePanel() const { return outline_; }
    // Opens the file and shows the line in its window, when the window can.
    void OpenFileAtLine(const QString& fileName, int line, int column);
    // The find-in-files results panel (FrameFindInFiles.cpp).
    TFindInFilesPanel* FindInFilesPanel() const { return findInFiles_; }
    // The folder the find-in-files dialog offers: the active document's, else
    // the project's default folder; empty when neither is known.
    QString FindInFilesFolder() const;
    // The auto-backup settings record, read and written as a whole.
    TBackupSettings& BackupSettings() { return backupSettings_; }
    void LoadBackupSettings();
    void SaveBackupSettings();
    // Copies the document file to its backup before a save; true when done
    // or when auto-backup is off; otherwise *error (may be null) names the
    // backup and says why it failed.
    bool MakeBackup(const QString& fileName, QString* error = nullptr);

    // --- Keys (FrameKeys.cpp) ---
    // Runs a pending update of the actions at once, so that a shortcut, a
    // menu or a toolbar button acts on the state of this moment, not on the
    // one the debounced update last saw.
    void BringActionsUpToDate();
    // The command a key combination (a shortcut code) runs while the focus is
    // on focus: the first enabled frame action, then external tool, with that
    // shortcut; null when none. Commands sent to the document yield to a text
    // field with the focus outside the documents (the notepad, a panel's
    // field), which does its own copying and pasting.
    QAction* KeyCommand(uint16_t code, const QWidget* focus) const;
    // The tool entries of the tools menu, in menu order.
    std::vector<QAction*> ExternalToolEntries() const;

    // --- Components ---
    QAction* Action(FrameAction id) const { return actions_[size_t(id)]; }
    // Every action, in the order of the action table.
    std::vector<QAction*> ActionList() const { return {actions_.begin(), actions_.end()}; }
    // The toolbar that holds the menu bar, the active maximized document's
    // icon and its caption buttons; it docks at the top or bottom only.
    QToolBar* MenuToolbar() const { return menuToolbar_; }
    // The menu bar strip; its menus are named "Menu" + category ("MenuFile"...),
    // the tools menu "MenuExternalTools".
    QMenuBar* MenuBar() const { return menuBar_; }
    // Every toolbar and tool window of the frame, each named by its object
    // name: the menu toolbar, the toolbars in the frame's order, then the dock
    // windows in the order they were added. The toolbar layout and the
    // toolbar dialog cover exactly these.
    std::vector<QWidget*> Panels() const;
    // Whether full-screen mode is on.
    bool FullScreenMode() const { return fullScreenSwitch_; }
    // The toolbars in the frame's component order.
    const std::vector<QToolBar*>& Toolbars() const { return toolbars_; }
    // Toolbar by the number plug-ins use (600 File .. 604 Window), or null.
    QToolBar* ToolbarByNumber(int number) const;

    // --- Action handlers (the action table refers to them) ---
    void Action_FileNewExecute();
    void Action_FileOpenExecute();
    void Action_FileSaveExecute();
    void Action_FileSaveAsExecute();
    void Action_FileSaveAllExecute();
    void Action_FilePropertiesExecute();
    void Action_FileSendMailRecipientExecute();
    void Action_FileSendDesktopExecute();
    void Action_FileSettingsAutoBackupExecute();
    void Action_FileSettingsShortcutsExecute();
    void Action_FileSettingsStartupExecute();
    void Action_FileSettingsScriptingExecute();
    void Action_FileExitExecute();
    void Action_ViewNotepadExecute();
    void Action_ViewStatusbarExecute();
    void Action_ViewDesktopOptionsExecute();
    void Action_ViewFullscreenExecute();
    void Action_ViewOutlineExecute();
    void Action_StatusBarExecute();
    void Action_ProjectNewExecute();
    void Action_ProjectOpenExecute();
    void Action_ProjectSaveExecute();
    void Action_ProjectCloseExecute();
    void Action_ProjectSetupExecute();
    void Action_ProjectNewWorkspaceExecute();
    void Action_ProjectOpenWorkspaceExecute();
    void Action_ProjectSaveWorkspaceExecute();
    void Action_ProjectDeleteWorkspaceExecute();
    void Action_DocsAddCurrFileExecute();
    void Action_DocsAddFileExecute();
    void Action_DocsArrangeExecute();
    void Action_DocsClearExecute();
    void Action_DocsCustomizeExecute();
    void Action_ScriptExecuteExecute();
    void Action_ScriptExecuteProcExecute();
    void Action_ScriptOpenExecuteExecute();
    void Action_ScriptOpenExecuteProcExecute();
    void Action_ScriptNewExecute();
    void Action_ScriptOpenExecute();
    void Action_ToolsSetupExecute();
    void Action_EditFindInFilesExecute();
    void Action_WindowNextExecute();
    void Action_WindowPreviousExecute();
    void Action_WindowCascadeExecute();
    void Action_WindowArrangeExecute();
    void Action_WindowArrangeVExecute();
    void Action_WindowArrangeIconsExecute();
    void Action_WindowMinimizeExecute();
    void Action_WindowRestoreExecute();
    void Action_WindowCloseExecute();
    void Action_WindowCloseAllExecute();
    void Action_HelpIndexExecute();
    void Action_HelpWWWExecute();
    void Action_HelpSendMessageExecute();
    void Action_HelpTipExecute();
    void Action_HelpAboutExecute();
    void Action_SubmenuNotepadClearExecute();

    // Launches the entry without a file; a failure is reported in a message box.
    void LaunchEntryItemClick(const QString& entryId);
    // Opens the active named document a second time with another entry.
    void ChangePluginItemClick(const QString& entryId);
    // The undo (true) or redo list under the toolbar button.
    void ShowUndoRedoList(bool undo);
    // Items of the project list (0-based project number), the workspace list
    // (position in the open project) and the project documents list.
    void ProjectListItemClick(int index);
    void WorkspaceListItemClick(int index);
    void ProjectDocumentItemClick(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Creation and the components (FrameWindow.cpp, FrameMenus.cpp).
    void createActions();
    void createMenuToolbar();
    void updateCaptionButtons();
    void createMenus();
    QMenu* addMenu(const char* name, const char* caption);
    void addActionItems(QMenu* menu, std::initializer_list<int> items);
    void createToolbars();
    QToolBar* addFrameToolbar(const char* name, const char* caption, Qt::ToolBarArea area, bool lineBreak);
    QToolButton* addToolbarButton(QToolBar* bar, FrameAction id, QMenu* dropdown = nullptr);
    void addCustomizeButton(QToolBar* bar);
    void showCustomizeToolbarMenu(QToolBar* bar, QToolButton* sender);
    QMenu* addListSubmenu(QMenu* parent, const char* name, const QString& caption, const QString& hint,
        const QString& title, int image);
    void createDocks();
    // Puts the notepad, when it is docked at the bottom, across the whole
    // bottom below the other bottom panels; after every panel was placed.
    void placeNotepadAcrossBottom();
    void createToolOutputPanel();
    // Saves every document that has a file name (before a tool that asks for it).
    void saveNamedDocuments();
    void createOutlinePanel();
    void createFindInFilesPanel();
    void setExternalToolEntries(const std::vector<TExternalTool>& tools);
    void createStatusBar();
    void createTimers();
    void rebuildViewToolbarsMenu(QMenu* menu);
    void drawIconPanel(QPainter& painter, const QRect& rect);
    void drawProgressPanel(QPainter& painter, const QRect& rect);
    void loadToolbars();

    // Keys (FrameKeys.cpp): whether the frame previews the keys of widget's
    // window (the frame, its docks and tool windows; not dialogs); the
    // preview of one key event, true when the frame took it; F10.
    bool ownsKeysOf(const QWidget* widget) const;
    bool previewKey(QObject* receiver, QKeyEvent* key);
    void openFirstMenu();
    // Shortcuts of the external tools (FrameKeys.cpp): the codes the
    // shortcuts dialog gave the entries, written to the tools' stored values.
    void saveExternalToolShortcuts();

    // Lifecycle (FrameWindow.cpp).
    void formShow();
    // Full-screen mode (FrameFullScreen.cpp): the steps after the close query;
    // the show that follows leaving brings the toolbar layout back.
    void enterFullScreen();
    void leaveFullScreen();
    void postInitialization();
    // The steps after a positive close query; OnShutdown does not run when the
    // frame was closed from full-screen mode.
    void formClose(bool fromFullScreen);
    // Whether the user could close the frame now (see RequestClose).
    bool mayCloseNow() const;
    void requestedCloseTick();
    void loadStoredProperties();
    void saveStoredProperties();
    void executeScript(const QString& path, const QString& procedure);
    void asyncExecScriptTick();

    // Project list submenus (FrameProjectCommands.cpp).
    void createProjectCommands();
    void rebuildProjectListMenu();
    void rebuildWorkspaceListMenu();
    void rebuildProjectDocumentMenu();

    // Script commands (FrameScripts.cpp).
    void createScriptCommands();
    void scriptSubmenuPopup();
    void scriptMenuItemClick(const QString& fileName);
    bool askProcedureName(QString& name);
    bool chooseScriptFile(QString& fileName);
    void openScriptForEditing(const QString& fileName);
    void runScriptFile(const QString& fileName, const QString& procedure);
    bool saveOpenScript(const QString& fileName);

    // The documents of the last run (FrameSession.cpp): noted by the close
    // query, stored when the frame closes, opened again at start.
    void rememberSession();
    void saveSession();
    void reopenSession();

    // Later parts of the frame, called at their place.
    void loadDocuments();
    void saveDocuments();
    void loadShortcuts();
    void saveNotepad();
    // Saves changed notes before the program closes; when that fails, asks
    // whether to close all the same. False: the program stays open.
    bool saveNotepadBeforeClose();
    void loadToolbarLayout();
    void saveToolbarLayout();
    void showSetupToolbars();
    void loadDesktopSettings();
    void rebuildDocumentList();
    void highlightDocument(const QString& fileName);
    // Documents panel (FrameDocuments.cpp).
    void createDocumentsPanel();
    void buildDocumentsPanel();
    void documentsChanged();
    // The open dialog with the frame's filter and directory; the files chosen,
    // none when cancelled. The dialog's open-with choice goes to entry (null
    // for the automatic choice) when asked for.
    QStringList chooseFilesToOpen(TQX_PluginEntry** entry = nullptr);
    void saveDocumentCookie(TQX_PluginWindow* window);
    void paintDesktop();
    void reportMissingDesktopPicture();
    void showFileProperties(const QString& fileName);
    void showMailDialog(const QString& attachment, const QString& subject, const QString& body);

    // Update cycle steps (FrameUpdate.cpp).
    void updateCommandActions(const TQX_CommandSet& commands);
    void updateDocumentPanel(TQX_PluginWindow* window);
    void updateSaveAllAction();
    void updateDocumentCaptions();
    void updateFrameTitle();
    void updateWindowActions(int windowCount);
    void updateKeyIndicators();
    void switchStatusBarTick();

    // Routing (FrameCommands.cpp).
    void forwardCommand(int code);
    void saveActive(int code);
    void saveDocument(TQX_PluginWindow* window, int code);
    QMdiSubWindow* subWindowOf(TQX_PluginWindow* window) const;
    void tileSubWindows(bool horizontal);

    // Opening (FrameOpen.cpp).
    TQX_PluginEntry* chooseEntry(const QString& fileName, bool& askUser, bool& noEntry);
    void showLaunchFailure(TQX_PluginEntry* entry);
    // Launches entry with file; a file document window that did not take the
    // file is closed again (refused set) and none is returned.
    TQX_PluginWindow* launchWithFile(TQX_PluginEntry* entry, const QString& file, bool& refused);
    bool closeDocumentWindow(TQX_PluginWindow* window, bool saveCookie);
    // Takes the window out of the lists and destroys it on the next turn of
    // the message loop, without asking it.
    void discardDocumentWindow(TQX_PluginWindow* window);
    void rebuildRecentFilesMenu();
    void rebuildLaunchOrChangeMenu();
    void showLaunchOrChangeMenu();
    void pluginAboutItemClick(const QString& pluginId);
    void disableDocumentActions();

    std::array<QAction*, kFrameActionCount> actions_ {};
    QActionGroup* alignGroup_ = nullptr;
    QMdiArea* mdiArea_ = nullptr;
    QToolBar* menuToolbar_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    QWidget* iconPaintBox_ = nullptr;
    QWidget* menuMDIButtonsPanel_ = nullptr;
    std::vector<QToolBar*> toolbars_;
    std::vector<QToolButton*> toolbarButtons_;
    QDockWidget* notepadToolWindow_ = nullptr;
    QTextEdit* notepadRichEdit_ = nullptr;
    QDockWidget* documentsToolbar_ = nullptr;
    TFrameStatusBar* statusBar_ = nullptr;

    QMenu* menuLaunch_ = nullptr;
    QMenu* menuHelpPlugins_ = nullptr;
    QMenu* menuFileOpenRecent_ = nullptr;
    QMenu* menuViewToolbars_ = nullptr;
    QMenu* newDocumentSubmenu_ = nullptr;
    QMenu* notepadSubmenu_ = nullptr;
    QMenu* customizeToolbarSubmenu_ = nullptr;
    QMenu* viewToolbarsSubmenu_ = nullptr;
    QMenu* openProjectSubmenu_ = nullptr;
    QMenu* openWorkspaceSubmenu_ = nullptr;
    QMenu* openProjectDocumentSubmenu_ = nullptr;
    QMenu* launchOrChangePluginSubmenu_ = nullptr;
    QMenu* scriptSubmenu_ = nullptr;
    QMenu* undoListMenu_ = nullptr;
    QMenu* menuExternalTools_ = nullptr;
    QAction* menuExternalToolsTemplate_ = nullptr;
    TToolOutputPanel* toolOutput_ = nullptr;
    QAction* nextError_ = nullptr;
    QAction* previousError_ = nullptr;
    TOutlinePanel* outline_ = nullptr;
    TFindInFilesPanel* findInFiles_ = nullptr;
    TBackupSettings backupSettings_;

    QTimer* loadPluginsTimer_ = nullptr;
    QTimer* toolbarUpdateTimer_ = nullptr;
    QTimer* switchStatusBarTimer_ = nullptr;
    QTimer* progressBarResetTimer_ = nullptr;
    QTimer* asyncExecScriptTimer_ = nullptr;
    QTimer* requestedCloseTimer_ = nullptr;

    std::unique_ptr<TRecentFiles> recentFiles_;
    std::vector<QIcon> pluginIcons_;
    QString openFilter_;
    int openFilterIndex_ = 1;
    QString openFileName_;
    QString initialDir_;

    std::unique_ptr<TProject> project_;
    TWorkspace* workspace_ = nullptr;
    TDocumentSession closingSession_;
    QStringList documentsList_;
    int documentStyleIndex_ = 0;
    TQXListView* docQXListView_ = nullptr;
    QList<QIcon> qxListViewImages_;
    QTimer* saveDocumentsTimer_ = nullptr;
    bool initialized_ = false;
    bool inPostInitialization_ = false;
    bool closeRequested_ = false;
    bool fullScreenSwitch_ = false;
    // The status bar's visibility when full-screen mode started.
    bool statusBarShownBeforeFullScreen_ = true;
    bool firstShow_ = true;
    int progressPosition_ = 0;
    int progressMaximum_ = 0;
    QString asyncScriptFile_, asyncScriptProcedure_;
    // The toolbar button that last opened the script drop-down menu.
    QToolButton* scriptDropdownButton_ = nullptr;
    int updateCount_ = 0;
    std::function<void()> processEnd_;
    TDesktopRecord desktop_;
    QImage desktopImage_;
};

// Gives the keyboard focus to a document window's editing part.
void FocusDocument(QWidget* window);

// The frame, or null before it is created and after it is destroyed.
TFrameWindowForm* FrameWindow();

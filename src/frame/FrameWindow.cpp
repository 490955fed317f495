// The frame's lifecycle: creation, show, the post-initialization sequence,
// the close query and closing, the one-shot timers, stored properties and the
// hand-over of plug-in windows.
#include "frame/FrameWindow.h"

#include "files/ExtOpenDialog.h"
#include "frame/AppEvents.h"
#include "frame/FrameImages.h"
#include "frame/FrameMenuStyle.h"
#include "frame/FrameStatusBar.h"
#include "frame/FrameStrings.h"
#include "frame/RecentFiles.h"
#include "kernel/AppInfo.h"
#include "kernel/CommandLine.h"
#include "kernel/Helpers.h"
#include "kernel/Kernel.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "mail/SendMail.h"
#include "platform/Registry.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/LoadPlugins.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"
#include "projects/Projects.h"
#include "scripting/Scripting.h"
#include "ui/DialogSupport.h"
#include "ui/TipOfTheDay.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

const char* const kModule = "Server\\FrameWindow";
const char* const kStoredPropertiesKey = "Software\\Quorvix\\Frame";
TFrameWindowForm* theFrame = nullptr;

void log(const char* text)
{
    LogEvent(std::string(kModule) + ": " + text);
}

QTimer* oneShot(QObject* owner, const char* name, int interval)
{
    auto* timer = new QTimer(owner);
    timer->setObjectName(QLatin1String(name));
    timer->setSingleShot(true);
    timer->setInterval(interval);
    // Ticks when due, not up to 5 % later: the message and progress times are
    // user-visible.
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}

// "Start" enables a timer that is not running; a running one keeps its tick.
void enableTimer(QTimer* timer)
{
    if (!timer->isActive())
        timer->start();
}

} // namespace

TFrameWindowForm* FrameWindow()
{
    return theFrame;
}

QString TFrameWindowForm::DefaultEntryID()
{
    return QStringLiteral("default");
}

TFrameWindowForm::TFrameWindowForm(QWidget* parent)
    : QMainWindow(parent)
    , recentFiles_(std::make_unique<TRecentFiles>())
    , processEnd_([] { UnloadPlugins(); })
{
    TAppEvents::InstallStyle();
    setObjectName(QStringLiteral("FrameWindowForm"));
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    QFont shellFont = font();
    shellFont.setFamily(QString::fromStdString(GetShellFont()));
    setFont(shellFont);
    openFilter_ = AllFilesFilter();

    log("FrameWindow -> WM_CREATE");
    log("Loading settings...");
    InitIconTheme();

    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName(QStringLiteral("ClientArea"));
    mdiArea_->setBackground(QApplication::palette().brush(QPalette::Dark));
    mdiArea_->setActivationOrder(QMdiArea::StackingOrder);
    setCentralWidget(mdiArea_);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, [this] { RequestToolbarUpdate(); });

    createActions();
    createMenus();
    createToolbars();
    createScriptCommands();
    createProjectCommands();
    createDocks();
    createDocumentsPanel();
    createToolOutputPanel();
    createOutlinePanel();
    createFindInFilesPanel();
    placeNotepadAcrossBottom();
    createStatusBar();
    InstallMenuDrawing(this);
    createTimers();
    loadDocuments();
    LoadExternalTools();
    loadShortcuts();

    recentFiles_->OnChange = [this] {
        rebuildRecentFilesMenu();
        rebuildDocumentList();
    };
    log("Loaded.");

    // The frame sees key presses before its children do, for the lock-key
    // indicators.
    qApp->installEventFilter(this);
    new TAppEvents(this);
    theFrame = this;
    // A message handed to the mail client is announced on this status bar.
    TSendMailForm::SetStatusReporter([this](const QString& text) { SetStatusBarMessage(text); });
    // The open dialog offers the current project's default folder.
    TExtOpenDialogForm::SetCurrentProjectSource([this] { return CurrentProject(); });
    SetPluginFrame(this);
    loadStoredProperties();
    loadPluginsTimer_->start();
}

TFrameWindowForm::~TFrameWindowForm()
{
    qApp->removeEventFilter(this);
    // The helpers that watch events of the application or of the frame's
    // parts go while those are whole.
    for (const char* watcher : {"AppEvents", "ScriptButtonWatcher", "AmbiguousShortcutFilter"})
        delete findChild<QObject*>(QLatin1String(watcher), Qt::FindDirectChildrenOnly);
    if (&PluginFrame() == this)
        SetPluginFrame(nullptr);
    if (theFrame == this) {
        theFrame = nullptr;
        TSendMailForm::SetStatusReporter(nullptr);
        TExtOpenDialogForm::SetCurrentProjectSource(nullptr);
    }
    // The document windows go while the frame is whole: their area reports
    // activations to it as they close.
    delete mdiArea_;
    mdiArea_ = nullptr;
    // The frame's parts still signal while QWidget takes them apart (the
    // docks report being hidden): nothing may reach the frame's handlers,
    // which need a whole frame.
    for (QObject* part : findChildren<QObject*>())
        QObject::disconnect(part, nullptr, this, nullptr);
}

void TFrameWindowForm::createTimers()
{
    loadPluginsTimer_ = oneShot(this, "_LoadPluginsTimer", 1);
    toolbarUpdateTimer_ = oneShot(this, "_ToolbarUpdateTimer", 100);
    switchStatusBarTimer_ = oneShot(this, "SwitchStatusBarTimer", 5000);
    progressBarResetTimer_ = oneShot(this, "_ProgressBarResetTimer", 20000);
    asyncExecScriptTimer_ = oneShot(this, "_AsyncExecScriptTimer", 1);
    requestedCloseTimer_ = oneShot(this, "_RequestedCloseTimer", 50);
    connect(loadPluginsTimer_, &QTimer::timeout, this, &TFrameWindowForm::postInitialization);
    connect(toolbarUpdateTimer_, &QTimer::timeout, this, &TFrameWindowForm::UpdateToolbars);
    connect(switchStatusBarTimer_, &QTimer::timeout, this, &TFrameWindowForm::switchStatusBarTick);
    connect(progressBarResetTimer_, &QTimer::timeout, this, &TFrameWindowForm::ResetProgressBar);
    connect(asyncExecScriptTimer_, &QTimer::timeout, this, &TFrameWindowForm::asyncExecScriptTick);
    connect(requestedCloseTimer_, &QTimer::timeout, this, &TFrameWindowForm::requestedCloseTick);
}

void TFrameWindowForm::loadToolbars()
{
    if (!ToolbarImagesAvailable())
        ReportKernelWarning(kModule, KernelObjectOf(this), "LoadToolbars: unable to load resource TOOLBARS.");
}

void TFrameWindowForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        formShow();
}

// What every show of the frame does; switching full-screen mode on or off
// counts as a new show.
void TFrameWindowForm::formShow()
{
    if (!fullScreenSwitch_) {
        log("FrameWindow -> WM_SHOW");
        loadToolbarLayout();
        setAcceptDrops(true);
    }
    loadDesktopSettings();
    LoadBackupSettings();
    if (initialized_)
        ExecEventScript(QStringLiteral("OnStarted"));
}

void TFrameWindowForm::postInitialization()
{
    loadPluginsTimer_->stop();
    // Cleared however the sequence ends: a kernel exception raised by one of
    // its steps leaves it for the application's handler.
    inPostInitialization_ = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave {inPostInitialization_};
    log("post-initialization sequence entered...");
    // Looks every image up: after the show, where it keeps no one waiting.
    loadToolbars();
    ExecEventScript(QStringLiteral("OnStartup"));
    if (!DemoMode()) {
        LoadPlugins();
        enableTimer(toolbarUpdateTimer_);
    }
    initialized_ = true;
    log("post-initialization sequence finished.");
    // A copy: opening a file may run scripts that touch the list.
    const std::vector<std::string> files = GetCommandLineFiles();
    for (const std::string& file : files)
        OpenOutsideFile(QString::fromStdString(file));
    // Files to open or a project opened at start are what the user asked
    // for this time; the documents of the last run come back only without.
    if (files.empty())
        reopenSession();
    UpdateProjectActions();
    ExecEventScript(QStringLiteral("OnStarted"));
    if (TipOfTheDayEnabled())
        ShowTipOfTheDay();
    if (LaunchCountdown() == 0)
        AskForFeedback();
}

bool TFrameWindowForm::FormCloseQuery()
{
    ExecEventScript(QStringLiteral("OnClosing"));
    rememberSession();
    return project_ ? CloseProject() : CloseDocuments();
}

void TFrameWindowForm::RequestClose()
{
    closeRequested_ = true;
    enableTimer(requestedCloseTimer_);
}

// A close that came in the middle of something (a plug-in's request while a
// script runs in its modal window, say) would end the process there: the
// event scripts of closing would find that script still running and be
// skipped, and the interrupted sequence would never finish.
bool TFrameWindowForm::mayCloseNow() const
{
    if (!initialized_ || inPostInitialization_ || QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return false;
    const TScriptObject* script = ScriptObject();
    return !script || !script->IsBusy();
}

void TFrameWindowForm::requestedCloseTick()
{
    requestedCloseTimer_->stop();
    if (!closeRequested_)
        return;
    if (!mayCloseNow()) {
        requestedCloseTimer_->start();
        return;
    }
    close();
}

void TFrameWindowForm::closeEvent(QCloseEvent* event)
{
    // Whoever asked, the close asked for is this one.
    closeRequested_ = false;
    requestedCloseTimer_->stop();
    if (!saveNotepadBeforeClose() || !FormCloseQuery()) {
        event->ignore();
        return;
    }
    // Closing from full-screen mode restores the normal layout first, so
    // that what is stored below is the normal placement and layout.
    const bool fromFullScreen = fullScreenSwitch_;
    if (fromFullScreen) {
        leaveFullScreen();
        loadToolbarLayout();
    }
    saveStoredProperties();
    event->accept();
    formClose(fromFullScreen);
}

void TFrameWindowForm::formClose(bool fromFullScreen)
{
    if (!fromFullScreen)
        ExecEventScript(QStringLiteral("OnShutdown"));
    log("FrameWindow -> WM_CLOSE");
    log("Saving settings...");
    {
        qx::RegistryBatch batch; // the settings below go out in one write
        saveNotepad();
        saveDocuments();
        saveSession();
        saveToolbarLayout();
    }
    processEnd_();
}

// ---------------------------------------------------------------------------
// Scripts, tip of the day, feedback
// ---------------------------------------------------------------------------

void TFrameWindowForm::ExecEventScript(const QString& procedure)
{
    // The directory text as configured, directly followed by the file name.
    executeScript(QString::fromStdString(GetScriptsDir()) + QStringLiteral("Default.qx"), procedure);
}

void TFrameWindowForm::ExecScriptAsync(const QString& scriptFile, const QString& procedure)
{
    asyncScriptFile_ = scriptFile;
    asyncScriptProcedure_ = procedure;
    enableTimer(asyncExecScriptTimer_);
}

void TFrameWindowForm::ShowTipOfTheDay()
{
    ::ShowTipOfTheDay(this);
}

void TFrameWindowForm::asyncExecScriptTick()
{
    asyncExecScriptTimer_->stop();
    executeScript(asyncScriptFile_, asyncScriptProcedure_);
}

// ---------------------------------------------------------------------------
// Stored properties
// ---------------------------------------------------------------------------

void TFrameWindowForm::loadStoredProperties()
{
    QString placement;
    try {
        qx::Registry reg;
        if (reg.OpenKey(kStoredPropertiesKey, false)) {
            auto text = [this, &reg](const std::string& name, QString& value) {
                if (!reg.ValueExists(name))
                    return;
                if (reg.GetDataType(name) != qx::RegDataType::String) {
                    // One damaged value costs only itself: the design value stays.
                    ReportKernelWarning(kModule, KernelObjectOf(this),
                        "LoadStoredProperties: the value " + name + " is not a text; its design value stays.");
                    return;
                }
                value = QString::fromStdString(reg.ReadString(name)).trimmed();
            };
            QString filterIndex, statusBar;
            text("OpenDialog_FileName", openFileName_);
            text("OpenDialog_FilterIndex", filterIndex);
            text("OpenDialog_InitialDir", initialDir_);
            text("Action_StatusBar_Checked", statusBar);
            text("TFrameWindowForm_Placement", placement);
            bool ok = false;
            int index = filterIndex.toInt(&ok);
            if (ok && index > 0)
                openFilterIndex_ = index;
            if (!statusBar.isEmpty()) {
                Action(FrameAction::StatusBar)->setChecked(statusBar == QLatin1String("True"));
                Action_StatusBarExecute();
            }
            for (QToolButton* button : toolbarButtons_) {
                QString visible;
                text(button->objectName().toStdString() + "_Visible", visible);
                if (visible.isEmpty())
                    continue;
                if (QAction* holder = button->property("qxHolder").value<QAction*>())
                    holder->setVisible(visible == QLatin1String("True"));
            }
        }
    } catch (const std::exception&) {
        // A damaged store leaves the design values.
    }
    recentFiles_->Load();

    if (placement.isEmpty() || !restoreGeometry(QByteArray::fromBase64(placement.toLatin1()))) {
        // First start: most of the screen, maximized where a window manager
        // honours it.
        if (QScreen* screen = QApplication::primaryScreen()) {
            QRect free = screen->availableGeometry();
            resize(free.width() * 4 / 5, free.height() * 4 / 5);
            move(free.center() - rect().center());
        }
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void TFrameWindowForm::saveStoredProperties()
{
    qx::RegistryBatch batch; // every value below goes out in one write
    try {
        qx::Registry reg;
        if (!reg.OpenKey(kStoredPropertiesKey, true))
            throw qx::RegistryError(reg.LastError());
        auto boolText = [](bool b) { return std::string(b ? "True" : "False"); };
        reg.WriteString("OpenDialog_FileName", openFileName_.trimmed().toStdString());
        reg.WriteString("OpenDialog_FilterIndex", std::to_string(openFilterIndex_));
        reg.WriteString("OpenDialog_InitialDir", initialDir_.trimmed().toStdString());
        reg.WriteString("Action_StatusBar_Checked", boolText(Action(FrameAction::StatusBar)->isChecked()));
        reg.WriteString("TFrameWindowForm_Placement", saveGeometry().toBase64().toStdString());
        for (QToolButton* button : toolbarButtons_) {
            auto* holder = button->property("qxHolder").value<QAction*>();
            reg.WriteString(button->objectName().toStdString() + "_Visible", boolText(!holder || holder->isVisible()));
        }
    } catch (const std::exception& e) {
        ReportKernelWarning(kModule, KernelObjectOf(this), std::string("Unable to save the frame's properties: ") + e.what());
    }
    if (!recentFiles_->Save())
        ReportKernelWarning(kModule, KernelObjectOf(this), "Unable to save the recent files list.");
    try {
        batch.Commit();
    } catch (const std::exception& e) {
        ReportKernelWarning(kModule, KernelObjectOf(this), std::string("Unable to save the frame's properties: ") + e.what());
    }
}

// ---------------------------------------------------------------------------
// Plug-in windows
// ---------------------------------------------------------------------------

QWidget* TFrameWindowForm::MainWindow() const
{
    return const_cast<TFrameWindowForm*>(this);
}

QMdiArea* TFrameWindowForm::DocumentArea() const
{
    return mdiArea_;
}

void TFrameWindowForm::RequestToolbarUpdate()
{
    if (DemoMode())
        return;
    enableTimer(toolbarUpdateTimer_);
}

void TFrameWindowForm::AttachDocumentWindow(TQX_PluginWindow* window)
{
    auto* sub = new QMdiSubWindow;
    sub->setObjectName(QStringLiteral("DocumentSubWindow"));
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWidget(window);
    if (!window->testAttribute(Qt::WA_SetWindowIcon)) {
        // The entry's icon, else a plain document (never the toolkit's logo).
        TQX_PluginEntry* entry = FindPluginEntryByID(window->EntryID);
        QIcon icon = entry ? entry->GetIcon() : QIcon();
        sub->setWindowIcon(icon.isNull() ? QIcon::fromTheme(QStringLiteral("text-x-generic"), ToolbarImage(0)) : icon);
    }
    QMdiSubWindow* active = mdiArea_->activeSubWindow();
    const bool maximized = active && active->isMaximized();
    const int earlier = int(mdiArea_->subWindowList().size());
    mdiArea_->addSubWindow(sub);
    // A document gets room to work in, whatever its own size hint says, and
    // new windows cascade from the top-left corner so that none hides another.
    const QSize area = mdiArea_->viewport()->size();
    sub->resize(sub->size().expandedTo(QSize(area.width() * 2 / 3, area.height() * 2 / 3)).boundedTo(area));
    const int step = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub) + 4;
    const int room = std::max(1, std::min(area.width() - sub->width(), area.height() - sub->height()) / step + 1);
    sub->move(QPoint(step, step) * (earlier % room));
    connect(sub, &QMdiSubWindow::windowStateChanged, this, [this] { RequestToolbarUpdate(); });
    if (maximized)
        sub->showMaximized();
    else
        sub->show();
    mdiArea_->setActiveSubWindow(sub);
    FocusDocument(window);
}

void FocusDocument(QWidget* window)
{
    // Typing goes to the document: its focus proxy, the child that had the
    // focus last, or else its first child that takes focus.
    QWidget* target = window->focusProxy() ? window : window->focusWidget();
    if (!target && window->focusPolicy() == Qt::NoFocus) {
        for (QWidget* child : window->findChildren<QWidget*>()) {
            if ((child->focusPolicy() & Qt::TabFocus) && child->isVisibleTo(window) && child->isEnabled()) {
                target = child;
                break;
            }
        }
    }
    (target ? target : window)->setFocus(Qt::OtherFocusReason);
}

void TFrameWindowForm::AttachToolWindow(TQX_PluginWindow* window)
{
    window->setParent(this, window->windowFlags() | Qt::Tool);
    window->show();
}

// ---------------------------------------------------------------------------
// Parts of the frame that come with later work, called at their place.
// ---------------------------------------------------------------------------

// Stores the window's cookie in the cookie store before it closes.
void TFrameWindowForm::saveDocumentCookie(TQX_PluginWindow*) { }


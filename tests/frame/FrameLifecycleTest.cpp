// Creation, the post-initialization sequence, the close query, closing and
// the stored properties.
#include "FrameFixture.h"

#include "QX_Exports.h"
#include "QX_Types.h"
#include "frame/FrameStatusBar.h"
#include "frame/RecentFiles.h"
#include "kernel/CommandLine.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"
#include "plugins/PluginWindowList.h"
#include "projects/Projects.h"

#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>

namespace {

class FrameLifecycleTest : public FrameFixture {
protected:
    // Event log messages (time stamps cut) that start with the frame's or the loader's source.
    static std::vector<std::string> FrameLog()
    {
        std::vector<std::string> lines;
        for (const std::string& line : GetEventLogLines()) {
            size_t space = line.find(' ');
            std::string message = space == std::string::npos ? line : line.substr(space + 1);
            if (message.rfind("Server\\FrameWindow", 0) == 0 || message.rfind("Misc\\Helpers: LoadPlugins", 0) == 0)
                lines.push_back(message);
        }
        return lines;
    }
};

TEST_F(FrameLifecycleTest, StartUpRunsInOrderAndOpensCommandLineFilesAfterLoading)
{
    InstallProbe("a.so", "entry=1,Alpha,0,0,2:.txt\n");
    const QString file = MakeFile("cmd.txt");
    GetCommandLineFiles() = {file.toStdString()};
    StartFrame();
    GetCommandLineFiles().clear();

    EXPECT_EQ(FrameLog(), (std::vector<std::string> {
                              "Server\\FrameWindow: FrameWindow -> WM_CREATE",
                              "Server\\FrameWindow: Loading settings...",
                              "Server\\FrameWindow: Loaded.",
                              "Server\\FrameWindow: FrameWindow -> WM_SHOW",
                              "Server\\FrameWindow: post-initialization sequence entered...",
                              "Misc\\Helpers: LoadPlugins()",
                              "Server\\FrameWindow: post-initialization sequence finished.",
                              "Server\\FrameWindow: document opened: " + file.toStdString(),
                          }));
    ASSERT_EQ(GetDocumentWindowCount(), 1);
    EXPECT_EQ(GetDocumentWindow(0)->FileName, file);
}

TEST_F(FrameLifecycleTest, DemoModeLoadsNothingAndKeepsEveryActionEnabled)
{
    InstallProbe("a.so", "entry=1,Alpha,0,0,2:.txt\n");
    SetDemoMode(true);
    GetCommandLineFiles() = {MakeFile("cmd.txt").toStdString()};
    StartFrame();
    GetCommandLineFiles().clear();

    for (const std::string& line : FrameLog())
        EXPECT_EQ(line.find("LoadPlugins"), std::string::npos) << line;
    for (int i = 0; i < kFrameActionCount; ++i) {
        if (FrameAction(i) != FrameAction::SubmenuNotepadClear) {
            EXPECT_TRUE(Act(FrameAction(i))->isEnabled()) << FrameActionDef(FrameAction(i)).name;
        }
    }
    QList<QAction*> launch = frame->findChild<QMenu*>(QStringLiteral("MenuLaunch"))->actions();
    ASSERT_EQ(launch.size(), 1);
    EXPECT_EQ(launch[0]->text(), QStringLiteral("(žádný modul)"));
    // The command-line file finds no entry; the update cycle never runs.
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Žádný z nainstalovaných modulů")));
    frame->RequestToolbarUpdate();
    EXPECT_FALSE(frame->findChild<QTimer*>(QStringLiteral("_ToolbarUpdateTimer"))->isActive());
    EXPECT_EQ(frame->UpdateCount(), 0);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Quorvix 2"));
}

TEST_F(FrameLifecycleTest, ARefusedCloseKeepsTheFrameOpenAndSavesNothing)
{
    InstallProbe("a.so", "entry=1,Alpha,0,0,2:.txt\n");
    StartFrame();
    TQX_PluginWindow* keeps = frame->OpenFile(MakeFile("one.txt"), TFrameWindowForm::DefaultEntryID());
    frame->OpenFile(MakeFile("two.txt"), TFrameWindowForm::DefaultEntryID());
    RefuseClose(keeps);

    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(processEnds, 0);
    // Closing stopped at the window that refused; the later one is closed.
    ASSERT_EQ(GetDocumentWindowCount(), 1);
    EXPECT_EQ(GetDocumentWindow(0), keeps);
    qx::Registry reg;
    EXPECT_FALSE(reg.KeyExists("Software\\Quorvix\\Frame"));
}

TEST_F(FrameLifecycleTest, StoredPropertiesComeBackWithTheNextFrame)
{
    InstallProbe("a.so", "entry=1,Alpha,0,0,2:.txt\n");
    StartFrame();
    const QString file = MakeFile("doc.txt");
    frame->OpenFile(file, TFrameWindowForm::DefaultEntryID());
    frame->SetInitialDir(QString::fromStdString(home.dir().path().string()));
    Act(FrameAction::ViewStatusbar)->trigger();
    frame->setGeometry(40, 50, 700, 500);
    const QRect geometry = frame->geometry();
    // Closing stores the document's cookie, the frame's values and then its
    // layout, each in one replacement of the registry file, not one per value.
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    // (Watching both ends of each rename keeps equal events from merging.)
    ASSERT_GE(inotify_add_watch(watch, home.configDir().append("/Quorvix").c_str(), IN_MOVED_FROM | IN_MOVED_TO), 0);
    ASSERT_TRUE(frame->close());
    int replacements = 0;
    alignas(inotify_event) char events[65536];
    for (ssize_t n; (n = read(watch, events, sizeof events)) > 0;) {
        for (char* p = events; p < events + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len) {
            const auto* event = reinterpret_cast<inotify_event*>(p);
            replacements += (event->mask & IN_MOVED_TO) && std::string(event->name) == "registry.reg";
        }
    }
    close(watch);
    EXPECT_GE(replacements, 2);
    EXPECT_LE(replacements, 3);
    EXPECT_EQ(processEnds, 1);
    bool closingLogged = false;
    for (const std::string& line : FrameLog())
        closingLogged |= line == "Server\\FrameWindow: Saving settings...";
    EXPECT_TRUE(closingLogged);

    DestroyFrame();
    StartFrame();
    EXPECT_EQ(frame->RecentFiles().Items(), QStringList {file});
    EXPECT_EQ(frame->InitialDir(), QString::fromStdString(home.dir().path().string()));
    EXPECT_FALSE(Act(FrameAction::StatusBar)->isChecked());
    EXPECT_FALSE(frame->StatusBarPanels()->isVisible());
    EXPECT_EQ(frame->geometry().size(), geometry.size());
}

// With the start-up option on, the loose documents open at the close come
// back at the next start in their order, the active one active again; a
// file gone since costs a log line, not a message box.
TEST_F(FrameLifecycleTest, TheDocumentsOfTheLastRunComeBackAtTheNextStart)
{
    InstallProbe("a.so", "entry=1,Alpha,0,0,2:.txt\n");
    SetReopenDocumentsEnabled(true);
    StartFrame();
    const QString one = MakeFile("one.txt"), two = MakeFile("two.txt"), gone = MakeFile("gone.txt"),
                  three = MakeFile("three.txt");
    for (const QString& file : {one, two, gone, three})
        frame->OpenFile(file, TFrameWindowForm::DefaultEntryID());
    // An untitled document has nothing to reopen.
    frame->LaunchEntryItemClick(GetDocumentWindow(0)->EntryID);
    ASSERT_EQ(GetDocumentWindowCount(), 5);
    // The second one is brought to the front: not the last one opened; the
    // windows fill the area.
    frame->OpenFile(two, TFrameWindowForm::DefaultEntryID());
    frame->DocumentArea()->activeSubWindow()->showMaximized();
    ASSERT_TRUE(frame->close());
    DestroyFrame();
    QFile::remove(gone);

    StartFrame();
    std::vector<QString> open;
    for (int i = 0; i < GetDocumentWindowCount(); ++i)
        open.push_back(GetDocumentWindow(i)->FileName);
    EXPECT_EQ(open, (std::vector<QString> {one, two, three}));
    ASSERT_NE(GetActiveDocumentWindow(), nullptr);
    EXPECT_EQ(GetActiveDocumentWindow()->FileName.toStdString(), two.toStdString());
    ASSERT_NE(frame->DocumentArea()->activeSubWindow(), nullptr);
    EXPECT_TRUE(frame->DocumentArea()->activeSubWindow()->isMaximized());
    EXPECT_TRUE(messages.empty());
    const std::vector<std::string> log = FrameLog();
    EXPECT_NE(std::find(log.begin(), log.end(),
                  "Server\\FrameWindow: document of the last session skipped, not found: " + gone.toStdString()),
        log.end());

    // Files of the command line are what the user asked for this time.
    frame->close();
    DestroyFrame();
    const QString asked = MakeFile("asked.txt");
    GetCommandLineFiles() = {asked.toStdString()};
    StartFrame();
    GetCommandLineFiles().clear();
    ASSERT_EQ(GetDocumentWindowCount(), 1);
    EXPECT_EQ(GetDocumentWindow(0)->FileName, asked);

    // The documents of a project are the project's: a close with a project
    // leaves no session behind.
    frame->SetCurrentProject(std::make_unique<TProject>());
    ASSERT_TRUE(frame->close());
    DestroyFrame();
    StartFrame();
    EXPECT_EQ(GetDocumentWindowCount(), 0);

    // Turned off, the option keeps nothing for a later start.
    frame->OpenFile(one, TFrameWindowForm::DefaultEntryID());
    SetReopenDocumentsEnabled(false);
    ASSERT_TRUE(frame->close());
    qx::Registry reg;
    EXPECT_FALSE(reg.KeyExists(kSessionKey));
    DestroyFrame();
    SetReopenDocumentsEnabled(true);
    StartFrame();
    EXPECT_EQ(GetDocumentWindowCount(), 0);
    SetReopenDocumentsEnabled(false);
}

// A plug-in asking the program to end (QXTryTerminateApp) gets what the user
// closing the main window gets: OnClosing, the documents closed, the settings
// saved, OnShutdown, the end of the process. Asked during start-up (while a
// start-up script runs, while plug-ins load), the close waits until start-up
// is over, as the user's would, instead of ending the process in the middle
// of a script whose modal window is up.
TEST_F(FrameLifecycleTest, APluginsRequestToEndClosesTheFrameAsTheUserWouldOnceStartUpIsOver)
{
    SetScriptingMode(2);
    qxtest::WriteFile(GetScriptsDir() + "Default.qx",
        "procedure OnStartup; begin Sleep(300) end;\n"
        "procedure OnStarted; begin Sleep(300) end;\n"
        "procedure OnClosing; begin end;\n"
        "procedure OnShutdown; begin end;\nbegin end.\n");
    const struct {
        const char* when;
        const char* probe; // the probe's behaviour
        bool fromTest; // the test asks 100 ms after the frame is shown, while OnStartup runs
        const char* called; // the probe's record of its call
    } cases[] = {
        {"during OnStartup", "", true, nullptr},
        {"while loading, on the loader thread", "call.QXM_INITIALIZE=QXTryTerminateApp\n",
            false, "called QXTryTerminateApp worker 1"},
        {"during OnStarted", "call.QXM_INITIALIZE=QXTryTerminateApp@100\n", false, "called QXTryTerminateApp gui 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        DestroyFrame();
        std::filesystem::remove(home.registryFile());
        const std::string probe = InstallProbe("a.so", std::string(c.probe) + "entry=1,Alpha,0,0,2:.txt\n");
        const size_t mark = GetEventLogLines().size();

        frame = std::make_unique<TFrameWindowForm>();
        frame->SetProcessEnd([this] { ++processEnds; });
        processEnds = 0;
        if (c.fromTest)
            QTimer::singleShot(100, [] { EXPECT_TRUE(QXTryTerminateApp()); });
        frame->show();
        ASSERT_TRUE(WaitFor([this] { return processEnds > 0; }, 20000));
        Spin(200);
        EXPECT_EQ(processEnds, 1);
        if (c.called) {
            EXPECT_EQ(CountLines(ProbeLog(probe), c.called), 1);
        }

        std::vector<std::string> steps;
        const std::vector<std::string> lines = GetEventLogLines();
        for (size_t i = mark; i < lines.size(); ++i)
            for (const char* step : {"script [DEFAULT].", "sequence finished.", "Saving settings..."})
                if (size_t at = lines[i].find(step); at != std::string::npos)
                    steps.push_back(lines[i].substr(at));
        EXPECT_EQ(steps, (std::vector<std::string> {"script [DEFAULT].OnStartup..", "sequence finished.",
                             "script [DEFAULT].OnStarted..", "script [DEFAULT].OnClosing..",
                             "script [DEFAULT].OnShutdown..", "Saving settings..."}));
        qx::Registry reg;
        EXPECT_TRUE(reg.KeyExists("Software\\Quorvix\\Frame"));
    }

    // Once started, the request is carried out at once; a document that
    // refuses to close keeps the frame open, and the request is spent.
    DestroyFrame();
    InstallProbe("a.so", "entry=1,Alpha,0,0,2:.txt\n");
    processEnds = 0;
    StartFrame();
    RefuseClose(frame->OpenFile(MakeFile("keep.txt"), TFrameWindowForm::DefaultEntryID()));
    const size_t mark = GetEventLogLines().size();
    EXPECT_TRUE(QXTryTerminateApp());
    Spin(400);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(processEnds, 0);
    size_t closings = 0;
    const std::vector<std::string> lines = GetEventLogLines();
    for (size_t i = mark; i < lines.size(); ++i)
        closings += lines[i].find("[DEFAULT].OnClosing..") != std::string::npos;
    EXPECT_EQ(closings, 1u);
}

} // namespace

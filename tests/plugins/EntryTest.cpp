// TQX_PluginEntry: launching windows and registering them by kind, icons,
// and the plug-in's about box.
#include "PluginTestSupport.h"

#include "kernel/Kernel.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"
#include "ui/AboutBoxes.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QMdiSubWindow>

namespace {
using Strings = std::vector<std::string>;
}

using EntryTest = PluginFixture;

TEST_F(EntryTest, LaunchRegistersTheWindowByKind)
{
    std::string path = InstallProbe(pluginDir(), "probe.so",
        "entry=0,Document,0,1,none,,,make\n"
        "entry=1,File,0,1,none,,,make\n"
        "entry=2,Kind two,0,0,none,,,make\n"
        "entry=3,Tool,0,0,none,,,make\n"
        "entry=4,Tool window,0,0,none,,,make\n"
        "entry=7,Kind seven,0,0,none,,,make\n");
    auto plugin = LoadedPlugin(path);

    struct Case {
        int entry;
        const char* file;
        bool document, tool;
        const char* command; // what the window was sent, or empty
    };
    const Case cases[] = {
        {0, "/tmp/a.txt", true, false, ""}, // kind 0 is never sent a file
        {1, "/tmp/My File.txt", true, false, "command 11 /tmp/My File.txt"},
        {1, "", true, false, ""},
        {2, "", false, false, ""},
        {3, "", false, true, ""},
        {4, "/tmp/a.txt", false, true, ""},
        {5, "", false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("entry " + std::to_string(c.entry) + " file '" + c.file + "'");
        TQX_PluginEntry* entry = plugin->GetEntry(c.entry);
        int documents = GetDocumentWindowCount(), tools = GetToolWindowCount(), refreshes = frame->refreshRequests;
        size_t logged = ProbeLog(path).size();
        size_t mark = LogMark();

        TQX_PluginWindow* window = entry->Launch(QString::fromUtf8(c.file));
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->PluginID, plugin->ID);
        EXPECT_EQ(window->EntryID, entry->ID);
        EXPECT_EQ(GetDocumentWindowCount(), documents + (c.document ? 1 : 0));
        EXPECT_EQ(GetToolWindowCount(), tools + (c.tool ? 1 : 0));
        EXPECT_EQ(c.document ? GetDocumentWindow(documents) : c.tool ? GetToolWindow(tools) : nullptr,
            c.document || c.tool ? window : nullptr);
        EXPECT_EQ(frame->refreshRequests, refreshes + (c.document ? 1 : 0));
        EXPECT_EQ(bool(window->OnStateChange), c.document);
        EXPECT_EQ(bool(window->OnDestroyNotify), c.document || c.tool);
        Strings log = ProbeLog(path);
        Strings after(log.begin() + logged, log.end());
        Strings expected {"create " + std::to_string(c.entry) + " gui 1"};
        if (*c.command)
            expected.push_back(c.command);
        EXPECT_EQ(after, expected);
        if (!c.document && !c.tool)
            EXPECT_EQ(LogMessages(mark), (Strings {"_KernelWarning: in module Kernel\\PluginManagement, raised by "
                                             + DescribeKernelObject(KernelObjectOf(entry))
                                             + ". Description: Launch: unknown plugin type."}));
        else
            EXPECT_TRUE(LogMessages(mark).empty());
        if (!c.document && !c.tool)
            delete window;
    }
    EXPECT_EQ(frame->attachedDocuments.size(), 3u);
    EXPECT_EQ(frame->attachedTools.size(), 2u);
    EXPECT_EQ(HostApplicationObject()->MainWindow, frame->MainWindow());
}

TEST_F(EntryTest, DocumentWindowsLeaveTheirListWhenDestroyed)
{
    std::string path = InstallProbe(pluginDir(), "probe.so", "entry=1,File,0,1,none,,,make\nentry=3,Tool,0,0,none,,,make\n");
    auto plugin = LoadedPlugin(path);
    TQX_PluginWindow* first = plugin->GetEntry(0)->Launch("a.txt");
    TQX_PluginWindow* second = plugin->GetEntry(0)->Launch("b.txt");
    TQX_PluginWindow* tool = plugin->GetEntry(1)->Launch("");
    ASSERT_EQ(GetDocumentWindowCount(), 2);

    // The window reports a change: the frame is asked to refresh.
    int refreshes = frame->refreshRequests;
    second->Modified = true;
    second->NotifyStateChange();
    EXPECT_EQ(frame->refreshRequests, refreshes + 1);

    frame->area->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(second->parentWidget()));
    EXPECT_EQ(GetActiveDocumentWindow(), second);

    refreshes = frame->refreshRequests;
    delete second;
    EXPECT_EQ(GetDocumentWindowCount(), 1);
    EXPECT_EQ(GetDocumentWindow(0), first);
    EXPECT_EQ(frame->refreshRequests, refreshes + 1);
    EXPECT_NE(GetActiveDocumentWindow(), second);

    delete first;
    EXPECT_EQ(GetDocumentWindowCount(), 0);
    EXPECT_EQ(GetActiveDocumentWindow(), nullptr);

    delete tool;
    EXPECT_EQ(GetToolWindowCount(), 0);
    EXPECT_EQ(GetDocumentWindow(0), nullptr);
    EXPECT_EQ(GetToolWindow(-1), nullptr);
}

TEST_F(EntryTest, LaunchWithoutAWindowReturnsNull)
{
    std::string path = InstallProbe(pluginDir(), "probe.so",
        "entry=0,No CreateWindow,0,1,none,,,none\n"
        "entry=0,Returns null,0,1,none,,,null\n"
        "entry=0,Throws,0,1,none,,,throw\n");
    auto plugin = LoadedPlugin(path);
    size_t mark = LogMark();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(plugin->GetEntry(i)->Launch("x.txt"), nullptr) << i;
    EXPECT_EQ(GetDocumentWindowCount(), 0);
    EXPECT_EQ(frame->refreshRequests, 0);
    EXPECT_EQ(LogMessages(mark), (Strings {"_KernelWarning: in module Kernel\\PluginManagement, raised by "
                                      + DescribeKernelObject(KernelObjectOf(plugin->GetEntry(2)))
                                      + ". Description: Launch: CreateWindow raised an exception: probe: cannot create window"}));
}

TEST_F(EntryTest, AWindowFailingToSetUpRaisesAKernelException)
{
    std::string path = InstallProbe(pluginDir(), "probe.so", "window.throw=11\nentry=1,File,0,1,none,,,make\n");
    auto plugin = LoadedPlugin(path);
    size_t mark = LogMark();
    EXPECT_THROW(plugin->GetEntry(0)->Launch("a.txt"), EQX_KernelException);
    EXPECT_TRUE(LogContains("Description: Launch: probe window: command failed", mark));
    EXPECT_TRUE(LogContains("Description: Launch: unable to setup plugin window handlers.", mark));
}

TEST_F(EntryTest, AnEntryWithoutIconShowsItsPluginsIcon)
{
    std::string pluginIcon = MakeIconFile("plugin.png", Qt::blue);
    std::string entryIcon = MakeIconFile("entry.png", Qt::red);
    std::string path = InstallProbe(pluginDir(), "probe.so",
        "icon=" + pluginIcon + "\nentry=0,Own icon,0,1,none," + entryIcon + ",,make\nentry=0,No icon,0,1,none,,,make\n");
    auto plugin = LoadedPlugin(path);
    auto colour = [](const QIcon& icon) { return icon.pixmap(16, 16).toImage().pixelColor(8, 8); };
    EXPECT_EQ(colour(plugin->GetIcon()), QColor(Qt::blue));
    EXPECT_EQ(colour(plugin->GetEntry(0)->GetIcon()), QColor(Qt::red));
    EXPECT_EQ(colour(plugin->GetEntry(1)->GetIcon()), QColor(Qt::blue));
}

TEST_F(EntryTest, ShowAboutUsesThePluginsOwnBoxOrTheHosts)
{
    std::string own = InstallProbe(pluginDir(), "own.so", "about=1\n");
    std::string plain = InstallProbe(pluginDir(), "plain.so", "fullname=Plain probe, version 1\n");
    auto withAbout = LoadedPlugin(own);
    auto withoutAbout = LoadedPlugin(plain);
    withAbout->ShowAbout();
    withoutAbout->ShowAbout();
    EXPECT_EQ(ProbeLog(own).back(), "about 0"); // called with a null sender
    EXPECT_EQ(frame->aboutTexts, (std::vector<QString> {QStringLiteral("Plain probe, version 1")}));
}

// Without a frame the plug-in's about box is the host's, with FullName as text.
TEST_F(EntryTest, WithoutAFrameShowAboutOpensTheHostsAboutBox)
{
    std::string path = InstallProbe(pluginDir(), "plain.so", "fullname=Plain probe, version 1\n");
    auto plugin = LoadedPlugin(path);
    SetPluginFrame(nullptr);
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<TQXAboutBoxForm*>(QApplication::activeModalWidget())) {
            shown = box->OtherStuff->text();
            box->accept();
        }
    });
    plugin->ShowAbout();
    EXPECT_EQ(shown, QStringLiteral("Plain probe, version 1"));
}

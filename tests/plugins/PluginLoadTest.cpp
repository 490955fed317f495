// TQX_Plugin: ids, the load conversation with its hooks and every failure
// path, unload, destruction and the getters, driven through real libraries.
#include "PluginTestSupport.h"

#include "kernel/Kernel.h"
#include "plugins/PluginManagement.h"

#include <dlfcn.h>
#include <filesystem>

namespace {

using Strings = std::vector<std::string>;

#define QX_TEST_STR2(x) #x
#define QX_TEST_STR(x) QX_TEST_STR2(x)

// Connects all eight hooks to a list of their names.
Strings* RecordHooks(TQX_Plugin& plugin, Strings& out)
{
    auto hook = [&out](const char* name) { return [&out, name](TQX_Plugin*) { out.push_back(name); }; };
    plugin.OnLoading = hook("Loading");
    plugin.OnAttached = hook("Attached");
    plugin.OnVerifying = hook("Verifying");
    plugin.OnInitializing = hook("Initializing");
    plugin.OnLoaded = hook("Loaded");
    plugin.OnLoadFailed = hook("LoadFailed");
    plugin.OnUnloading = hook("Unloading");
    plugin.OnUnloaded = hook("Unloaded");
    return &out;
}

const Strings kLoadedHooks {"Loading", "Attached", "Verifying", "Initializing", "Loaded"};
const Strings kCleanUpAfterAttach {"Loading", "Attached", "Verifying", "LoadFailed", "Unloading", "Unloaded"};
const Strings kCleanUpAfterInit {"Loading", "Attached", "Verifying", "Initializing", "LoadFailed", "Unloading", "Unloaded"};
const Strings kReleasedAfterVerify {"Loading", "Attached", "Verifying", "LoadFailed"};

const char* const kTwoEntries = "entry=1,First,0,1,2:.txt,,Text|*.txt,make\n"
                                "entry=0,Second,2,0,none,,,make\n";

} // namespace

TEST(PluginID, IsTheByteSumOfThePathInEightUpperCaseHexDigits)
{
    struct Case {
        const char* path;
        const char* id;
    };
    for (Case c : {Case {"", "_plugin00000000"}, Case {"A", "_plugin00000041"}, Case {"/p/a.so", "_plugin0000023F"},
             Case {"\xC3\xA9", "_plugin0000016C"}}) // é in UTF-8: two bytes
        EXPECT_EQ(TQX_Plugin::ComputeID(QString::fromUtf8(c.path)).toStdString(), c.id) << c.path;
    // Same sum, same id: the id depends on nothing else.
    EXPECT_EQ(TQX_Plugin::ComputeID("/x/ab.so"), TQX_Plugin::ComputeID("/x/ba.so"));
    std::string longPath(300, 'z');
    EXPECT_EQ(TQX_Plugin::ComputeID(QString::fromStdString(longPath)).toStdString(), "_plugin00008EF8");
}

using PluginLoadTest = PluginFixture;

TEST_F(PluginLoadTest, LoadRunsTheConversationInOrderAndKeepsTheAnswers)
{
    std::string icon = MakeIconFile("plugin.png", Qt::blue);
    std::string path = InstallProbe(pluginDir(), "probe.so",
        "name=Probe name\nfullname=The probe plug-in\nicon=" + icon + "\n" + kTwoEntries);
    Strings hooks; // outlives the plug-in, whose destructor may still fire hooks
    TQX_Plugin plugin(QString::fromStdString(path));
    RecordHooks(plugin, hooks);
    size_t mark = LogMark();

    ASSERT_EQ(plugin.Load(), TQX_Plugin::LoadOk);
    EXPECT_EQ(hooks, kLoadedHooks);
    EXPECT_EQ(ProbeMessages(path), (Strings {"QXM_ATTACH", "QXM_INITIALIZE", "QXM_QUERY_INFO", "QXM_QUERY_ENTRY_COUNT",
                                       "QXM_QUERY_ENTRY 0", "QXM_QUERY_ENTRY 1"}));
    EXPECT_TRUE(LogMessages(mark).empty()) << LogMessages(mark).front();

    EXPECT_TRUE(plugin.Loaded);
    EXPECT_NE(plugin.Handle, nullptr);
    EXPECT_NE(plugin.Proc(), nullptr);
    EXPECT_EQ(plugin.ID, TQX_Plugin::ComputeID(QString::fromStdString(path)));
    EXPECT_EQ(plugin.GetName(), QStringLiteral("Probe name"));
    EXPECT_EQ(plugin.GetFullName(), QStringLiteral("The probe plug-in"));
    EXPECT_FALSE(plugin.GetIcon().isNull());
    // The host wrote its main window into the plug-in's application object.
    ASSERT_NE(plugin.Info()->Application, nullptr);
    EXPECT_EQ(plugin.Info()->Application->MainWindow, frame->MainWindow());

    ASSERT_EQ(plugin.GetEntryCount(), 2);
    TQX_PluginEntry* first = plugin.GetEntry(0);
    TQX_PluginEntry* second = plugin.GetEntry(1);
    EXPECT_EQ(first->ID, plugin.ID + "_entry0");
    EXPECT_EQ(second->ID, plugin.ID + "_entry1");
    EXPECT_EQ(first->Plugin, &plugin);
    EXPECT_EQ(first->GetName(), QStringLiteral("First"));
    EXPECT_EQ(first->GetKind(), QX_KIND_FILE_DOCUMENT);
    EXPECT_TRUE(first->CanCreateFile());
    EXPECT_TRUE(first->HasFilter());
    EXPECT_EQ(first->GetFilter(), QStringLiteral("Text|*.txt"));
    EXPECT_EQ(first->CanOpenFile("notes.txt"), 2);
    EXPECT_EQ(first->CanOpenFile("notes.md"), 0);
    EXPECT_EQ(second->GetFlags(), QX_FLAG_DEFAULT_NEW);
    EXPECT_FALSE(second->CanCreateFile());
    // An entry without CanOpenFile answers 0 without calling the plug-in.
    EXPECT_EQ(second->CanOpenFile("notes.txt"), 0);
    EXPECT_EQ(ProbeLog(path).back(), "canopen 0 notes.md");
}

// A plug-in may answer FALSE to the two queries or give no entries at all and
// is still loaded; FALSE answers are logged with the library path.
TEST_F(PluginLoadTest, FalseAnswersAndEmptyEntryCountsStillLoad)
{
    struct Case {
        std::string behaviour;
        int entries;
        std::vector<std::string> warnings;
    };
    const std::string dir = pluginDir();
    for (const Case& c : {
             Case {"answer.QXM_QUERY_INFO=0\nentry=0,A,0,0,none,,,make\n", 1, {" returned FALSE on QXM_QUERY_INFO."}},
             Case {"answer.QXM_QUERY_ENTRY=0\n" + std::string(kTwoEntries), 2,
                 {" returned FALSE on QXM_QUERY_ENTRY.", " returned FALSE on QXM_QUERY_ENTRY."}},
             Case {"answer.QXM_QUERY_ENTRY_COUNT=0\nentry=0,A,0,0,none,,,make\n", 0, {}},
             Case {"answer.QXM_QUERY_ENTRY_COUNT=-3\n", 0, {}},
         }) {
        std::string path = InstallProbe(dir, "probe.so", c.behaviour);
        size_t mark = LogMark();
        TQX_Plugin plugin(QString::fromStdString(path));
        ASSERT_EQ(plugin.Load(), TQX_Plugin::LoadOk) << c.behaviour;
        EXPECT_EQ(plugin.GetEntryCount(), c.entries) << c.behaviour;
        Strings expected;
        for (const std::string& w : c.warnings)
            expected.push_back("_KernelWarning: in module Kernel\\PluginManagement, raised by "
                + DescribeKernelObject(KernelObjectOf(&plugin)) + ". Description: Load: Plugin " + path + w);
        EXPECT_EQ(LogMessages(mark), expected) << c.behaviour;
        EXPECT_EQ(plugin.Unload(), TQX_Plugin::UnloadOk);
        std::filesystem::remove(path + ".log");
    }
}

// Every way the conversation can fail: the hooks fired, the messages the
// plug-in got (clean-up sends QXM_DETACH only after a successful attach) and
// what the event log says.
TEST_F(PluginLoadTest, EveryConversationFailureReleasesTheLibrary)
{
    struct Case {
        const char* behaviour;
        Strings hooks;
        Strings messages;
        const char* logged; // part of a log line, or empty for none
    };
    const Case cases[] = {
        {"answer.QXM_ATTACH=0\n", kCleanUpAfterAttach, {"QXM_ATTACH", "QXM_DETACH"}, ""},
        {"answer.QXM_ATTACH=0\nthrow=QXM_DETACH\n", kCleanUpAfterAttach, {"QXM_ATTACH", "QXM_DETACH"},
            "raised an exception on QXM_DETACH: probe: thrown in QXM_DETACH"},
        {"throw=QXM_ATTACH\n", kReleasedAfterVerify, {"QXM_ATTACH"},
            "raised an exception on QXM_ATTACH: probe: thrown in QXM_ATTACH"},
        {"throwunknown=QXM_ATTACH\n", kReleasedAfterVerify, {"QXM_ATTACH"},
            "raised an exception on QXM_ATTACH: exception of unknown type"},
        {"throw=QXM_INITIALIZE\n", kCleanUpAfterAttach, {"QXM_ATTACH", "QXM_INITIALIZE", "QXM_DETACH"},
            "raised an exception on QXM_INITIALIZE"},
        {"throw=QXM_QUERY_INFO\n", kCleanUpAfterInit, {"QXM_ATTACH", "QXM_INITIALIZE", "QXM_QUERY_INFO", "QXM_DETACH"},
            "raised an exception on QXM_QUERY_INFO"},
        {"noapp=1\n", kCleanUpAfterInit, {"QXM_ATTACH", "QXM_INITIALIZE", "QXM_QUERY_INFO", "QXM_DETACH"},
            "set no application object in QXM_QUERY_INFO."},
        {"throwunknown=QXM_QUERY_ENTRY_COUNT\n", kCleanUpAfterInit,
            {"QXM_ATTACH", "QXM_INITIALIZE", "QXM_QUERY_INFO", "QXM_QUERY_ENTRY_COUNT", "QXM_DETACH"},
            "raised an exception on QXM_QUERY_ENTRY_COUNT"},
        {"answer.QXM_QUERY_ENTRY_COUNT=2000000000\n", kCleanUpAfterInit,
            {"QXM_ATTACH", "QXM_INITIALIZE", "QXM_QUERY_INFO", "QXM_QUERY_ENTRY_COUNT", "QXM_DETACH"},
            "answered 2000000000 on QXM_QUERY_ENTRY_COUNT; at most 4096 entries are supported."},
        {"throw=QXM_QUERY_ENTRY\nentry=0,A,0,0,none,,,make\nentry=0,B,0,0,none,,,make\n", kCleanUpAfterInit,
            {"QXM_ATTACH", "QXM_INITIALIZE", "QXM_QUERY_INFO", "QXM_QUERY_ENTRY_COUNT", "QXM_QUERY_ENTRY 0", "QXM_DETACH"},
            "raised an exception on QXM_QUERY_ENTRY"},
    };
    for (const Case& c : cases) {
        std::string path = InstallProbe(pluginDir(), "probe.so", c.behaviour);
        size_t mark = LogMark();
        Strings hooks; // outlives the plug-in, whose destructor may still fire hooks
        TQX_Plugin plugin(QString::fromStdString(path));
        RecordHooks(plugin, hooks);

        EXPECT_EQ(plugin.Load(), TQX_Plugin::LoadFailed) << c.behaviour;
        EXPECT_EQ(hooks, c.hooks) << c.behaviour;
        EXPECT_EQ(ProbeMessages(path), c.messages) << c.behaviour;
        EXPECT_FALSE(plugin.Loaded);
        EXPECT_EQ(plugin.Handle, nullptr);
        EXPECT_EQ(plugin.Proc(), nullptr);
        if (*c.logged)
            EXPECT_TRUE(LogContains(c.logged, mark)) << c.behaviour;
        else
            EXPECT_TRUE(LogMessages(mark).empty()) << c.behaviour;
        std::filesystem::remove(path + ".log");
    }
}

// Libraries the host must refuse before the plug-in's first message. The
// stamp fixtures leave a ".called" file if their QXPluginProc ever runs.
TEST_F(PluginLoadTest, UnusableLibrariesAreRefusedBeforeTheirFirstMessage)
{
    struct Case {
        const char* built; // file in build/tests/plugins, or null for a text file
        Strings hooks;
        Strings logged;
        uintmax_t cutTo = 0; // the copy's length when cut short, as an interrupted copy leaves it
    };
    const Case cases[] = {
        {nullptr, {"Loading", "LoadFailed"}, {"_KernelLoadLibrary: failed. GetLastError() returned [", "Library path: "}},
        // Mapped as it is, it would end the process with SIGBUS.
        {"qxprobe.so", {"Loading", "LoadFailed"},
            {"_KernelLoadLibrary: failed. GetLastError() returned [", ": truncated: loadable segment ",
                "reaches past the end of the file (8192 bytes)"},
            8192},
        {"qxfixture_unresolved.so", {"Loading", "LoadFailed"}, {"QxFixtureFunctionThatExistsNowhere"}},
        {"qxfixture_noentryproc.so", kReleasedAfterVerify,
            {"_KernelGetProcAddress: failed. GetLastError() returned [", "function \"QXPluginProc\"."}},
        {"qxfixture_stamp_none.so", kReleasedAfterVerify, {"carries no SDK version stamp (QXPluginSdkStamp)", "Plugin refused."}},
        {"qxfixture_stamp_badmagic.so", kReleasedAfterVerify, {"carries no SDK version stamp"}},
        {"qxfixture_stamp_sdk1.so", kReleasedAfterVerify, {"was built for plug-in SDK 1.0; this host runs plug-ins built for SDK 2.0 to 2." QX_TEST_STR(QX_SDK_VERSION_MINOR)
                ". Plugin refused."}},
        {"qxfixture_stamp_sdk3.so", kReleasedAfterVerify, {"was built for plug-in SDK 3.0;"}},
        {"qxfixture_stamp_newerminor.so", kReleasedAfterVerify, {"was built for plug-in SDK 2." QX_TEST_NEWER_SDK_MINOR ";"}},
        {"qxfixture_stamp_qt5.so", kReleasedAfterVerify, {"was built with Qt 5.15; the host runs Qt 6."}},
        {"qxfixture_stamp_newerqt.so", kReleasedAfterVerify, {"was built with Qt 6."}},
    };
    for (const Case& c : cases) {
        std::string path;
        if (c.built) {
            path = InstallLibrary(c.built, pluginDir(), c.built);
            if (c.cutTo)
                std::filesystem::resize_file(path, c.cutTo);
        } else {
            path = home.dir().file("notalibrary.so");
            qxtest::WriteFile(path, "This is a text file, not a shared library.\n");
        }
        size_t mark = LogMark();
        Strings hooks; // outlives the plug-in, whose destructor may still fire hooks
        TQX_Plugin plugin(QString::fromStdString(path));
        RecordHooks(plugin, hooks);
        EXPECT_EQ(plugin.Load(), TQX_Plugin::LoadFailed) << path;
        EXPECT_EQ(hooks, c.hooks) << path;
        for (const std::string& text : c.logged)
            EXPECT_TRUE(LogContains(text, mark)) << path << ": " << text;
        EXPECT_TRUE(LogContains(path, mark)) << path;
        EXPECT_FALSE(std::filesystem::exists(path + ".called")) << path;
    }

    // A stamp of the host's SDK and an older Qt minor version passes the check:
    // the procedure runs (and refuses the attach).
    std::string current = InstallLibrary("qxfixture_stamp_current.so", pluginDir(), "current.so");
    TQX_Plugin plugin(QString::fromStdString(current));
    EXPECT_EQ(plugin.Load(), TQX_Plugin::LoadFailed);
    EXPECT_TRUE(std::filesystem::exists(current + ".called"));
}

TEST_F(PluginLoadTest, LoadingTwiceWarnsAndKeepsThePlugin)
{
    std::string path = InstallProbe(pluginDir(), "probe.so", kTwoEntries);
    TQX_Plugin plugin(QString::fromStdString(path));
    ASSERT_EQ(plugin.Load(), TQX_Plugin::LoadOk);
    size_t mark = LogMark();
    EXPECT_EQ(plugin.Load(), TQX_Plugin::LoadOk);
    EXPECT_EQ(LogMessages(mark), (Strings {"_KernelWarning: in module Kernel\\PluginManagement, raised by "
                                      + DescribeKernelObject(KernelObjectOf(&plugin))
                                      + ". Description: Load: Plugin already loaded."}));
    EXPECT_EQ(ProbeMessages(path).size(), 6u);
    EXPECT_EQ(plugin.GetEntryCount(), 2);
}

TEST_F(PluginLoadTest, UnloadAsksFinalizesAndDetaches)
{
    struct Case {
        const char* behaviour;
        int result;
        bool stillLoaded;
        Strings messages; // after the load conversation
        Strings hooks;
    };
    const Case cases[] = {
        {"", TQX_Plugin::UnloadOk, false, {"QXM_QUERY_UNLOAD", "QXM_FINALIZE", "QXM_DETACH"}, {"Unloading", "Unloaded"}},
        {"answer.QXM_QUERY_UNLOAD=0\n", TQX_Plugin::UnloadRefused, true, {"QXM_QUERY_UNLOAD"}, {}},
        // An exception counts as consent; exceptions in the last two are ignored.
        {"throw=QXM_QUERY_UNLOAD\nthrow=QXM_FINALIZE\nthrow=QXM_DETACH\n", TQX_Plugin::UnloadOk, false,
            {"QXM_QUERY_UNLOAD", "QXM_FINALIZE", "QXM_DETACH"}, {"Unloading", "Unloaded"}},
    };
    for (const Case& c : cases) {
        std::string path = InstallProbe(pluginDir(), "probe.so", std::string(c.behaviour) + kTwoEntries);
        Strings hooks; // outlives the plug-in, whose destructor may still fire hooks
        TQX_Plugin plugin(QString::fromStdString(path));
        ASSERT_EQ(plugin.Load(), TQX_Plugin::LoadOk);
        RecordHooks(plugin, hooks);
        EXPECT_EQ(plugin.Unload(), c.result) << c.behaviour;
        EXPECT_EQ(plugin.Loaded, c.stillLoaded) << c.behaviour;
        EXPECT_EQ(plugin.Handle != nullptr, c.stillLoaded) << c.behaviour;
        Strings messages = ProbeMessages(path);
        EXPECT_EQ(Strings(messages.begin() + 6, messages.end()), c.messages) << c.behaviour;
        EXPECT_EQ(hooks, c.hooks) << c.behaviour;
        if (c.stillLoaded) {
            qxtest::WriteFile(path + ".probe", kTwoEntries); // let it unload now
            EXPECT_EQ(plugin.Unload(), TQX_Plugin::UnloadOk);
        }
        std::filesystem::remove(path + ".log");
    }
}

// Unloading drops the entries with the library they point into, so loading
// again does not double them.
TEST_F(PluginLoadTest, LoadAfterUnloadStartsAfresh)
{
    std::string path = InstallProbe(pluginDir(), "probe.so", kTwoEntries);
    TQX_Plugin plugin(QString::fromStdString(path));
    ASSERT_EQ(plugin.Load(), TQX_Plugin::LoadOk);
    ASSERT_EQ(plugin.Unload(), TQX_Plugin::UnloadOk);
    size_t mark = LogMark();
    EXPECT_EQ(plugin.Unload(), TQX_Plugin::UnloadOk);
    EXPECT_TRUE(LogContains("Description: Unload: Plugin NOT loaded.", mark));
    ASSERT_EQ(plugin.Load(), TQX_Plugin::LoadOk);
    EXPECT_EQ(plugin.GetEntryCount(), 2);
    EXPECT_EQ(plugin.GetEntry(1)->ID, plugin.ID + "_entry1");
}

TEST_F(PluginLoadTest, DestroyingAPluginThatRefusesToUnloadLeavesItsLibraryLoaded)
{
    std::string path = InstallProbe(pluginDir(), "probe.so", "answer.QXM_QUERY_UNLOAD=0\n");
    auto plugin = std::make_unique<TQX_Plugin>(QString::fromStdString(path));
    ASSERT_EQ(plugin->Load(), TQX_Plugin::LoadOk);
    std::string who = DescribeKernelObject(KernelObjectOf(plugin.get()));
    size_t mark = LogMark();
    plugin.reset();
    EXPECT_EQ(LogMessages(mark), (Strings {"_KernelWarning: in module Kernel\\PluginManagement, raised by " + who
                                      + ". Description: Destroy: about to destroy object with plugin attached. "
                                        "Leaving initialized plugin handle."}));
    EXPECT_EQ(ProbeMessages(path).back(), "QXM_QUERY_UNLOAD");
    // Still mapped: the library was never released.
    EXPECT_NE(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST_F(PluginLoadTest, GettersRaiseWhileNotLoaded)
{
    TQX_Plugin plugin(QStringLiteral("/nowhere/never.so"));
    const std::pair<const char*, std::function<void()>> getters[] = {
        {"GetEntry", [&] { plugin.GetEntry(0); }},
        {"GetEntryCount", [&] { plugin.GetEntryCount(); }},
        {"GetFullName", [&] { plugin.GetFullName(); }},
        {"GetName", [&] { plugin.GetName(); }},
        {"GetIcon", [&] { plugin.GetIcon(); }},
        {"ShowAbout", [&] { plugin.ShowAbout(); }},
    };
    for (const auto& [name, call] : getters) {
        size_t mark = LogMark();
        EXPECT_THROW(call(), EQX_KernelException) << name;
        EXPECT_EQ(LogMessages(mark),
            (Strings {"_KernelException: in module Kernel\\PluginManagement, raised by "
                    + DescribeKernelObject(KernelObjectOf(&plugin)) + ". Description: " + name + ": Plugin not loaded.",
                "_Kernel: execution cannot continue. Raising exception..."}));
    }

    std::string path = InstallProbe(pluginDir(), "probe.so", kTwoEntries);
    TQX_Plugin loaded(QString::fromStdString(path));
    ASSERT_EQ(loaded.Load(), TQX_Plugin::LoadOk);
    for (int bad : {-1, 2}) {
        size_t mark = LogMark();
        EXPECT_THROW(loaded.GetEntry(bad), EQX_KernelException);
        EXPECT_TRUE(LogContains("GetEntry: entry index " + std::to_string(bad) + " out of range 0..1.", mark));
    }
}

// Names longer than the contract's short strings are cut, not refused.
TEST_F(PluginLoadTest, OverlongNamesAreCutToTheirLimits)
{
    std::string longName(200, 'n');
    std::string path = InstallProbe(pluginDir(), "probe.so",
        "name=" + longName + "\nentry=0," + longName + ",0,0,none,,,make\n");
    TQX_Plugin plugin(QString::fromStdString(path));
    ASSERT_EQ(plugin.Load(), TQX_Plugin::LoadOk);
    EXPECT_EQ(plugin.GetName().size(), QX_PLUGIN_NAME_MAX);
    EXPECT_EQ(plugin.GetEntry(0)->GetName().size(), QX_ENTRY_NAME_MAX);
}

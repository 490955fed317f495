// Discovery and loading: the loader thread, its status lines in the dialog
// and the event log, pausing, the details and the end of loading.
#include "PluginTestSupport.h"

#include "kernel/Kernel.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/LoadPlugins.h"
#include "plugins/LoadPluginsThread.h"
#include "plugins/PluginManagement.h"

#include <QEventLoop>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Strings = std::vector<std::string>;

Strings Lines(const QListWidget* list)
{
    Strings lines;
    for (int i = 0; i < list->count(); ++i)
        lines.push_back(list->item(i)->text().toStdString());
    return lines;
}

// The lines of one library's load sequence, framed as the loader frames them.
Strings Sequence(const std::string& name, const Strings& stages)
{
    Strings lines {"----------begin plugin load sequence---" + name};
    for (const std::string& stage : stages)
        lines.push_back(stage + name);
    lines.push_back("----------end plugin load sequence-----" + name);
    return lines;
}

// Runs the event loop until the dialog's loader has finished (or 20 s passed).
void WaitForLoading(TLoadPluginListForm& form)
{
    if (!form.LoaderThread())
        return;
    QEventLoop loop;
    QObject::connect(&form, &TLoadPluginListForm::LoadingFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
}

void Spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

const Strings kLoaded {"loading...", "attached...", "verifying...", "plugin initialization in progress...",
    "successfully loaded, plugin ready..."};
const Strings kAttachRefused {"loading...", "attached...", "verifying...", "unable to load...", "unloading...", "unloaded..."};

} // namespace

using LoadPluginsTest = PluginFixture;

TEST_F(LoadPluginsTest, LoadsEveryLibraryOnTheLoaderThreadAndReportsEachStage)
{
    const std::string dir = pluginDir();
    InstallProbe(dir, "a.so", "answer.QXM_ATTACH=0\n");
    std::string b = InstallProbe(dir, "b.so", "entry=1,B0,0,1,none,,,make\nentry=0,B1,0,0,none,,,make\n");
    InstallProbe(dir, "c.so", "entry=3,C0,0,0,none,,,make\n");
    qxtest::WriteFile(dir + "readme.txt", "not a plug-in: the pattern skips it");
    size_t mark = LogMark();

    TLoadPluginListForm form;
    EXPECT_EQ(form.exec(), QDialog::Accepted); // closes by itself

    Strings expected {"Searching for plugins... " + dir + "...", "3 modules found."};
    for (const Strings& part : {Sequence("a.so", kAttachRefused), Sequence("b.so", kLoaded), Sequence("c.so", kLoaded)})
        expected.insert(expected.end(), part.begin(), part.end());
    for (const char* line : {"2 plugin(s) successfully loaded.", "Terminating thread...", "Finalizing...", "Thread terminated."})
        expected.push_back(line);

    EXPECT_EQ(LogMessages(mark), expected);
    expected.insert(expected.begin(), "Initializing...");
    EXPECT_EQ(Lines(form.ListBox), expected);

    EXPECT_EQ(form.Label2->text(), QStringLiteral("Dokončeno."));
    EXPECT_EQ(form.ProgressBar->maximum(), 3);
    EXPECT_EQ(form.ProgressBar->value(), 3);
    EXPECT_FALSE(form.BitBtn1->isEnabled());
    EXPECT_FALSE(form.Button1->isEnabled());
    EXPECT_FALSE(form.Animate->IsRunning());
    EXPECT_EQ(form.LoaderThread(), nullptr);

    // The plug-ins answered on the loader thread.
    for (const std::string& line : ProbeLog(b)) {
        if (line.rfind("message ", 0) == 0) {
            EXPECT_NE(line.find(" worker"), std::string::npos) << line;
        }
    }

    // Loaded plug-ins in order, hooks cleared; image indexes: each plug-in,
    // then its entries, one counter.
    ASSERT_EQ(GetPluginCount(), 2);
    TQX_Plugin* pb = GetPlugin(0);
    TQX_Plugin* pc = GetPlugin(1);
    EXPECT_EQ(pb->FileName.toStdString(), b);
    EXPECT_FALSE(pb->OnLoading || pb->OnLoaded || pb->OnLoadFailed || pb->OnUnloaded);
    EXPECT_EQ(pb->ImageIndex, 0);
    EXPECT_EQ(pb->GetEntry(0)->ImageIndex, 1);
    EXPECT_EQ(pb->GetEntry(1)->ImageIndex, 2);
    EXPECT_EQ(pc->ImageIndex, 3);
    EXPECT_EQ(pc->GetEntry(0)->ImageIndex, 4);
}

// Entries of the plug-in folder that are not libraries: each is skipped with
// its reason and never opened (opening the FIFO would block the loader for
// good), and loading goes on. A library cut short, as an interrupted copy
// leaves it, fails like any library that does not load, instead of ending
// the process with SIGBUS when its missing pages are touched.
TEST_F(LoadPluginsTest, WhatIsNotARegularFileIsSkippedAndACutLibraryRefused)
{
    namespace fs = std::filesystem;
    const std::string dir = pluginDir();
    InstallProbe(dir, "good.so", "entry=0,G,0,1,none,,,make\n");
    fs::resize_file(InstallLibrary("qxprobe.so", dir, "cut.so"), 8192);
    const std::string fifo = dir + "fifo.so";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(dir + "folder.so");
    fs::create_symlink("missing.so", dir + "dangling.so");
    fs::create_symlink("loop.so", dir + "loop.so");
    fs::create_symlink("/dev/null", dir + "null.so");
    size_t mark = LogMark();

    // A loader stuck on the FIFO fails the test instead of hanging it: a
    // writer that comes and goes releases it.
    bool stuck = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        stuck = true;
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    });
    guard.start(10000);
    TLoadPluginListForm form;
    form.show();
    WaitForLoading(form);
    EXPECT_FALSE(stuck) << "the loader blocked on the FIFO";
    ASSERT_EQ(form.LoaderThread(), nullptr);

    Strings log = LogMessages(mark);
    auto warning = std::find_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("_KernelWarning", 0) == 0; });
    ASSERT_NE(warning, log.end());
    EXPECT_NE(warning->find("_KernelLoadLibrary: failed. GetLastError() returned [" + dir + "cut.so: truncated: loadable segment "),
        std::string::npos)
        << *warning;
    log.erase(warning);
    Strings expected {"Searching for plugins... " + dir + "...",
        "not a regular file (a link whose target is missing), skipped...dangling.so",
        "not a regular file (a FIFO), skipped...fifo.so", "not a regular file (a directory), skipped...folder.so",
        "not a regular file (a link that loops), skipped...loop.so",
        "not a regular file (a character device), skipped...null.so", "2 modules found."};
    for (const Strings& part : {Sequence("cut.so", {"loading...", "unable to load..."}), Sequence("good.so", kLoaded)})
        expected.insert(expected.end(), part.begin(), part.end());
    for (const char* line : {"1 plugin(s) successfully loaded.", "Terminating thread...", "Finalizing...", "Thread terminated."})
        expected.push_back(line);
    EXPECT_EQ(log, expected);
    EXPECT_EQ(form.ProgressBar->maximum(), 2);
    ASSERT_EQ(GetPluginCount(), 1);
    EXPECT_EQ(GetPlugin(0)->FileName.toStdString(), dir + "good.so");
}

TEST_F(LoadPluginsTest, AnEmptyOrMissingDirectoryLoadsNothing)
{
    std::filesystem::remove_all(pluginDir());
    size_t mark = LogMark();
    LoadPlugins();
    EXPECT_EQ(LogMessages(mark), (Strings {"Misc\\Helpers: LoadPlugins()", "Searching for plugins... " + pluginDir() + "...",
                                      "0 modules found.", "0 plugin(s) successfully loaded.", "Terminating thread...",
                                      "Finalizing...", "Thread terminated."}));
    EXPECT_EQ(GetPluginCount(), 0);
    EXPECT_EQ(frame->menuRebuilds, 1);
}

// With PluginPause (command line) or WantPluginDetails (registry) the dialog
// opens with its details and waits for the user at the end.
TEST_F(LoadPluginsTest, AskedForDetailsTheDialogWaitsWithACloseButton)
{
    InstallProbe(pluginDir(), "a.so", "entry=0,A,0,1,none,,,make\n");
    for (int variant = 0; variant < 3; ++variant) {
        SCOPED_TRACE(variant);
        {
            qx::Registry reg;
            ASSERT_TRUE(reg.OpenKey(kRegistryRoot, true));
            reg.WriteBool("WantPluginDetails", variant == 2);
        }
        LoadSettings();
        SetPluginPause(variant == 1);
        const bool waits = variant != 0;

        TLoadPluginListForm form;
        EXPECT_EQ(form.height(), waits ? TLoadPluginListForm::kExpandedHeight : TLoadPluginListForm::kCollapsedHeight);
        EXPECT_EQ(form.Button1->text(), waits ? QStringLiteral("&Detaily <<") : QStringLiteral("&Detaily >>"));
        bool offeredClose = false;
        QObject::connect(&form, &TLoadPluginListForm::LoadingFinished, &form, [&] {
            offeredClose = form.BitBtn1->isEnabled() && form.BitBtn1->text() == QStringLiteral("&Zavřít")
                && form.BitBtn1->isDefault() && !form.Button1->isEnabled();
            if (waits)
                QTimer::singleShot(0, form.BitBtn1, &QPushButton::click);
        });
        EXPECT_EQ(form.exec(), QDialog::Accepted);
        EXPECT_EQ(offeredClose, waits);
        EXPECT_EQ(GetPluginCount(), 1);
        delete DeletePlugin(0);
    }
}

TEST_F(LoadPluginsTest, PauseStopsTheLoaderUntilContinued)
{
    for (const char* name : {"a.so", "b.so", "c.so"})
        InstallProbe(pluginDir(), name, "entry=0,E,0,1,none,,,make\n");
    TLoadPluginListForm form;
    form.show(); // starts the loader
    form.BitBtn1->click();
    EXPECT_EQ(form.BitBtn1->text(), QStringLiteral("&Pokračovat"));
    EXPECT_EQ(form.Label2->text(), QStringLiteral("Pozastaveno."));
    EXPECT_FALSE(form.Animate->IsRunning());

    Spin(300);
    ASSERT_NE(form.LoaderThread(), nullptr);
    EXPECT_TRUE(form.LoaderThread()->IsPaused());
    // At most the line that was on its way when the pause came.
    EXPECT_LE(form.ListBox->count(), 2);
    EXPECT_EQ(form.Label2->text(), QStringLiteral("Pozastaveno."));
    // The dialog cannot be closed while the loader exists.
    form.reject();
    form.close();
    EXPECT_TRUE(form.isVisible());

    form.BitBtn1->click();
    EXPECT_EQ(form.BitBtn1->text(), QStringLiteral("&Pozastavit"));
    EXPECT_TRUE(form.Animate->IsRunning());
    WaitForLoading(form);
    EXPECT_EQ(GetPluginCount(), 3);
    EXPECT_EQ(form.ListBox->item(form.ListBox->count() - 1)->text(), QStringLiteral("Thread terminated."));
    EXPECT_FALSE(form.isVisible()); // closed by itself
}

TEST_F(LoadPluginsTest, DetailsButtonTogglesTheHeight)
{
    TLoadPluginListForm form;
    EXPECT_EQ(form.height(), 255);
    form.Button1->click();
    EXPECT_EQ(form.height(), 427);
    EXPECT_EQ(form.Button1->text(), QStringLiteral("&Detaily <<"));
    form.Button1->click();
    EXPECT_EQ(form.height(), 255);
    EXPECT_EQ(form.Button1->text(), QStringLiteral("&Detaily >>"));
}

// Plug-ins already in the list when loading starts are taken out of it, but
// neither unloaded nor destroyed.
TEST_F(LoadPluginsTest, APluginListThatIsNotEmptyIsClearedWithAWarning)
{
    std::string old = InstallProbe(home.dir().file("old"), "old.so", "");
    auto* plugin = new TQX_Plugin(QString::fromStdString(old));
    ASSERT_EQ(plugin->Load(), TQX_Plugin::LoadOk);
    AddPlugin(plugin);
    size_t mark = LogMark();

    TLoadPluginListForm form;
    std::string who = DescribeKernelObject(KernelObjectOf(static_cast<QDialog*>(&form)));
    form.exec();
    Strings log = LogMessages(mark);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "_KernelWarning: in module Server\\LoadPlugins, raised by " + who
            + ". Description: FormShow: Plugin list not empty.");
    EXPECT_EQ(GetPluginCount(), 0);
    EXPECT_TRUE(plugin->Loaded);
    EXPECT_EQ(ProbeMessages(old).back(), "QXM_QUERY_ENTRY_COUNT");
}

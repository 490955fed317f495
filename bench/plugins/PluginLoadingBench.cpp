// Times plug-in loading as the program does it at start-up: the loading
// dialog is shown modally and its loader thread loads every copy of a small
// plug-in from a temporary plug-in directory, handing each status line to
// the dialog. Prints the wall time from showing the dialog to its close.
//
//   bench_plugin_loading [copies] [--grab file.png]
//
// --grab keeps the dialog open at the end (as with /PluginPause), saves a
// picture of it and closes it.
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/LoadPlugins.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    int copies = 200;
    std::string grab;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--grab" && i + 1 < argc)
            grab = argv[++i];
        else if (std::atoi(a.c_str()) > 0)
            copies = std::atoi(a.c_str());
        else {
            std::fprintf(stderr, "usage: %s [copies] [--grab file.png]\n", argv[0]);
            return 2;
        }
    }
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);

    // A private program directory and configuration, never the user's.
    std::string base = (fs::temp_directory_path() / "qxbench-XXXXXX").string();
    if (!mkdtemp(base.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    setenv("XDG_CONFIG_HOME", (base + "/config").c_str(), 1);
    fs::create_directories(base + "/prog/Plugins");
    for (int i = 0; i < copies; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "small%03d.so", i);
        fs::copy_file(QX_BENCH_PLUGIN, base + "/prog/Plugins/" + name);
    }

    QApplication app(argc, argv);
    SetProgramDirectory(base + "/prog/");
    InitEventLog("bench_plugin_loading");
    LoadSettings();
    SetPluginPause(!grab.empty());

    TLoadPluginListForm form;
    QElapsedTimer timer;
    qint64 loadedAt = 0;
    QObject::connect(&form, &TLoadPluginListForm::LoadingFinished, &form, [&] {
        loadedAt = timer.elapsed();
        if (!grab.empty()) {
            QTimer::singleShot(0, &form, [&] {
                form.grab().save(QString::fromStdString(grab));
                form.BitBtn1->click();
            });
        }
    });
    timer.start();
    form.exec();

    int loaded = GetPluginCount();
    std::printf("plug-in loading: %d of %d copies loaded in %lld ms (%.3f ms per plug-in), %zu event log lines\n",
        loaded, copies, static_cast<long long>(loadedAt), copies ? double(loadedAt) / copies : 0.0,
        GetEventLogLines().size());
    std::printf("target: under 1000 ms for 200 copies\n");
    // Plug-ins stay loaded until the process ends, as in the program.
    std::error_code ec;
    fs::remove_all(base, ec);
    std::fflush(stdout);
    _exit(loaded == copies ? 0 : 1);
}

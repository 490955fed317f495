// How long the program takes from its start to the end of the frame's
// post-initialization: each run copies the program, the shipped plug-ins and
// the probe plug-in into a fresh program folder, starts it offscreen with its
// own home and registry, and waits for the event-log line that ends the
// sequence. Prints every run and the median.
//
//   bench_startup [runs]     (default 7)
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const char* const kFinished = "Server\\FrameWindow: post-initialization sequence finished.";

bool copyInto(const QString& from, const QString& to)
{
    QFile::remove(to);
    return QFile::copy(from, to);
}

// Prepares a program folder; returns the copied program's path or empty.
QString prepare(const QString& root, int& pluginCount)
{
    const QString bin = QStringLiteral(QX_BIN_DIR);
    const QString program = root + QStringLiteral("/prog/");
    QDir().mkpath(program + QStringLiteral("Plugins"));
    if (!copyInto(bin + QStringLiteral("qxrel32"), program + QStringLiteral("qxrel32"))
        || !copyInto(bin + QStringLiteral("libqxhost.so"), program + QStringLiteral("libqxhost.so")))
        return {};
    QFile::setPermissions(program + QStringLiteral("qxrel32"),
        QFile::permissions(bin + QStringLiteral("qxrel32")));
    pluginCount = 0;
    const QDir shipped(bin + QStringLiteral("Plugins"));
    for (const QString& name : shipped.entryList({QStringLiteral("*.so")}, QDir::Files))
        pluginCount += copyInto(shipped.filePath(name), program + QStringLiteral("Plugins/") + name);
    const QString probe = QStringLiteral(QX_TEST_PLUGIN_DIR) + QStringLiteral("qxprobe.so");
    if (QFile::exists(probe))
        pluginCount += copyInto(probe, program + QStringLiteral("Plugins/qxprobe.so"));
    return program + QStringLiteral("qxrel32");
}

// Milliseconds until the line appears in the program's event log, or -1.
double runOnce(const QString& root, const QString& program)
{
    const QString log = QFileInfo(program).absolutePath() + QStringLiteral("/debug.log");
    QFile::remove(log);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/home/config"));
    process.setProcessEnvironment(env);
    process.setProgram(program);
    QElapsedTimer clock;
    clock.start();
    process.start();
    if (!process.waitForStarted(10000))
        return -1;
    double found = -1;
    while (clock.elapsed() < 60000 && process.state() == QProcess::Running) {
        QFile file(log);
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(kFinished)) {
            found = double(clock.nsecsElapsed()) / 1e6;
            break;
        }
        QThread::usleep(2000);
    }
    process.kill();
    process.waitForFinished(5000);
    return found;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    QTemporaryDir root;
    int plugins = 0;
    const QString program = prepare(root.path(), plugins);
    if (program.isEmpty()) {
        std::fprintf(stderr, "bench_startup: cannot copy the program from %s\n", QX_BIN_DIR);
        return 1;
    }
    std::printf("start-up until \"%s\" (%d plug-ins, offscreen)\n", kFinished, plugins);
    std::vector<double> times;
    // The first run warms the caches and is not counted.
    runOnce(root.path(), program);
    for (int i = 0; i < runs; ++i) {
        double ms = runOnce(root.path(), program);
        if (ms < 0) {
            std::fprintf(stderr, "bench_startup: run %d did not reach the line\n", i + 1);
            return 1;
        }
        times.push_back(ms);
        std::printf("  run %d: %.1f ms\n", i + 1, ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("median: %.1f ms over %d runs (min %.1f, max %.1f)\n", times[times.size() / 2], runs, times.front(),
        times.back());
    return 0;
}

// Opening big files in the hex editor and the image viewer plug-ins, each
// loaded into the host as the program loads it, against a plain peer
// measured in the same run.
//
//   build/bench/bench_addons [--size-mb N] [--megapixels N]
//       Writes a file of N MiB (default 1024) and a JPEG picture of about N
//       megapixels (default 20) into a temporary folder, then measures each
//       case in a process of its own (so peak memory is the case's own):
//         hex      the hex editor: open to the first paint, the jump to the
//                  end, a search that finds bytes near the end
//         readall  the peer: the same file read whole into memory
//         xxd      the peer: `xxd FILE | head -n 40`
//         viewer   the image viewer: open to the first paint (fitted)
//         qimage   the peer: a plain QImage load of the same picture
//       and prints one line per case and the ratios. The files are removed
//       at the end.
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "plugins/PluginManagement.h"

#include <QX_Types.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

const QByteArray kNeedle = "QUORVIX-BENCH-NEEDLE";

long procStatusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string name, rest;
    long value = -1;
    while (in >> name) {
        if (name == key) {
            in >> value;
            return value;
        }
        std::getline(in, rest);
    }
    return -1;
}

// Pseudo-random bytes (not compressible, not text) with the needle near the end.
bool writeBigFile(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    uint64_t x = 0x9E3779B97F4A7C15ull;
    for (qint64 written = 0; written < size;) {
        auto* words = reinterpret_cast<uint64_t*>(block.data());
        for (qsizetype i = 0; i < block.size() / 8; ++i) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            words[i] = x;
        }
        const qint64 n = std::min<qint64>(block.size(), size - written);
        if (written + n >= size)
            block.replace(int(n - 4096), kNeedle.size(), kNeedle);
        if (file.write(block.constData(), n) != n)
            return false;
        written += n;
    }
    return true;
}

bool writePicture(const QString& path, double megapixels)
{
    const int width = int(std::sqrt(megapixels * 1e6 * 3 / 2));
    const int height = int(megapixels * 1e6 / width);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 255) / width, (y * 255) / height, ((x ^ y) * 7) & 0xFF);
    }
    return image.save(path, "JPEG", 90);
}

// Runs the event loop until the widget has painted once more.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget)
        : widget_(widget)
    {
        widget_->installEventFilter(this);
    }
    void WaitForPaint()
    {
        painted_ = false;
        widget_->update();
        while (!painted_)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        QApplication::processEvents();
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (object == widget_ && event->type() == QEvent::Paint)
            painted_ = true;
        return false;
    }

private:
    QWidget* widget_;
    bool painted_ = false;
};

void printMemory()
{
    std::printf(" hwm_kb=%ld rss_anon_kb=%ld\n", procStatusKb("VmHWM:"), procStatusKb("RssAnon:"));
    std::fflush(stdout);
}

// One case in this process; prints "name ms=... hwm_kb=..." and returns 0.
int runCase(const QString& name, const QString& file, const QString& home)
{
    if (name == QLatin1String("readall")) {
        QElapsedTimer clock;
        clock.start();
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return 1;
        const QByteArray all = f.readAll();
        std::printf("readall ms=%lld bytes=%lld", static_cast<long long>(clock.elapsed()), static_cast<long long>(all.size()));
        printMemory();
        return all.isEmpty();
    }
    if (name == QLatin1String("qimage")) {
        QElapsedTimer clock;
        clock.start();
        const QImage image(file);
        std::printf("qimage ms=%lld pixels=%lld", static_cast<long long>(clock.elapsed()),
            static_cast<long long>(image.width()) * image.height());
        printMemory();
        return image.isNull();
    }
    SetProgramDirectory(home.toStdString() + "/");
    InitEventLog("bench_addons");
    LoadSettings();
    const bool hex = name == QLatin1String("hex");
    TQX_Plugin plugin(QStringLiteral("%1").arg(hex ? QX_HEXEDITOR_PLUGIN : QX_IMAGEVIEWER_PLUGIN));
    if (plugin.Load() != TQX_Plugin::LoadOk) {
        std::fprintf(stderr, "cannot load the plug-in\n");
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    TQX_PluginWindow* window = plugin.GetEntry(0)->Launch(file);
    if (!window || window->FileName.isEmpty()) {
        std::fprintf(stderr, "the plug-in did not open %s\n", qPrintable(file));
        return 1;
    }
    auto* view = window->findChild<QAbstractScrollArea*>(hex ? QStringLiteral("hexView") : QStringLiteral("imageView"));
    PaintWatch watch(view->viewport());
    window->resize(1000, 800);
    window->show();
    watch.WaitForPaint();
    const qint64 openMs = clock.elapsed();
    if (!hex) {
        std::printf("viewer ms=%lld", static_cast<long long>(openMs));
        printMemory();
        // The window's code lives in the plug-in: the window goes first.
        delete window;
        return 0;
    }
    const long openHwm = procStatusKb("VmHWM:");
    clock.restart();
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(view, &end);
    watch.WaitForPaint();
    const qint64 endMs = clock.elapsed();
    window->Command(QXC_FIND, nullptr);
    auto* text = window->findChild<QLineEdit*>(QStringLiteral("findText"));
    window->findChild<QComboBox*>(QStringLiteral("findMode"))->setCurrentIndex(0);
    text->setText(QString::fromLatin1(kNeedle));
    // From the start: the search reads the whole file.
    QKeyEvent home_(QEvent::KeyPress, Qt::Key_Home, Qt::ControlModifier);
    QApplication::sendEvent(view, &home_);
    clock.restart();
    window->findChild<QPushButton*>(QStringLiteral("findNext"))->click();
    const qint64 findMs = clock.elapsed();
    std::printf("hex ms=%lld end_ms=%lld find_ms=%lld open_hwm_kb=%ld", static_cast<long long>(openMs),
        static_cast<long long>(endMs), static_cast<long long>(findMs), openHwm);
    printMemory();
    delete window;
    return 0;
}

// Runs one case in a child process; its figures by name.
std::map<QString, double> child(const QString& self, const QStringList& args)
{
    QProcess process;
    process.start(self, args);
    process.waitForFinished(-1);
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    std::printf("%s\n", qPrintable(out));
    std::fflush(stdout);
    std::map<QString, double> figures;
    static const QRegularExpression pair(QStringLiteral("(\\w+)=([0-9.]+)"));
    for (auto it = pair.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        figures[m.captured(1)] = m.captured(2).toDouble();
    }
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir home;
    setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    QImageReader::setAllocationLimit(1024);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--case"))
        return runCase(args[2], args[3], home.path());

    qint64 sizeMb = 1024;
    double megapixels = 20;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--size-mb"))
            sizeMb = args[i + 1].toLongLong();
        else if (args[i] == QLatin1String("--megapixels"))
            megapixels = args[i + 1].toDouble();
    }
    const QString big = home.filePath(QStringLiteral("big.bin"));
    const QString picture = home.filePath(QStringLiteral("picture.jpg"));
    QElapsedTimer clock;
    clock.start();
    if (!writeBigFile(big, sizeMb << 20) || !writePicture(picture, megapixels)) {
        std::fprintf(stderr, "cannot write the files into %s\n", qPrintable(home.path()));
        return 1;
    }
    std::printf("files: %lld MiB and %.0f megapixels written in %lld ms\n", static_cast<long long>(sizeMb), megapixels,
        static_cast<long long>(clock.elapsed()));
    const QString self = app.applicationFilePath();
    auto hex = child(self, {QStringLiteral("--case"), QStringLiteral("hex"), big});
    auto readall = child(self, {QStringLiteral("--case"), QStringLiteral("readall"), big});
    clock.restart();
    QProcess xxd;
    xxd.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("xxd \"$0\" | head -n 40 >/dev/null"), big});
    const bool xxdRan = xxd.waitForFinished(-1) && xxd.exitCode() == 0;
    const qint64 xxdMs = clock.elapsed();
    if (xxdRan)
        std::printf("xxd ms=%lld (xxd FILE | head -n 40)\n", static_cast<long long>(xxdMs));
    auto viewer = child(self, {QStringLiteral("--case"), QStringLiteral("viewer"), picture});
    auto qimage = child(self, {QStringLiteral("--case"), QStringLiteral("qimage"), picture});
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("ratios: hex/readall time=%.3f peak_memory=%.3f", ratio(hex[QStringLiteral("ms")], readall[QStringLiteral("ms")]),
        ratio(hex[QStringLiteral("open_hwm_kb")], readall[QStringLiteral("hwm_kb")]));
    if (xxdRan)
        std::printf(" hex/xxd time=%.3f", ratio(hex[QStringLiteral("ms")], double(xxdMs)));
    std::printf(" viewer/qimage time=%.3f peak_memory=%.3f\n", ratio(viewer[QStringLiteral("ms")], qimage[QStringLiteral("ms")]),
        ratio(viewer[QStringLiteral("hwm_kb")], qimage[QStringLiteral("hwm_kb")]));
    return 0;
}

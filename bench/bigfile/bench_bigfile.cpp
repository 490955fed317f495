// Opening a large source file in the text editor plug-in, loaded into the
// host as the program loads it.
//
//   build/bench/bench_bigfile [FILE]
//       Measures, offscreen, one open of FILE (default: a generated 50 MiB
//       C-like file, the same text as the peer editors are measured with):
//       the time from the open command to the text being painted, memory,
//       the time per keystroke in the middle and at the end of the text,
//       the jump to the end and a save. Prints one line of name=value pairs.
//       Then opens the file in the program's frame window (the document
//       window in the frame's document area, with the frame's toolbar and
//       status updates, its plug-ins loaded from a Plugins folder) and types
//       there as well: a second line, "frame", with the keystroke figures.
//   build/bench/bench_bigfile --show FILE
//       Opens FILE in a visible editor window and keeps running, for
//       measuring from outside the way the peers are (bench/bigfile/compare.sh).
#include "frame/FrameWindow.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"

#include <QX_Types.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <Qsci/qsciscintilla.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr qint64 kDefaultSize = 50 * 1024 * 1024;


bool writeBigFile(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // One C translation unit (block.c.in, which bench/peers/mkbig.sh repeats
    // for the peers too), with numbered names until the size is reached.
    QFile templateFile(QStringLiteral(QX_BIGFILE_BLOCK));
    if (!templateFile.open(QIODevice::ReadOnly))
        return false;
    const QByteArray block = templateFile.readAll().trimmed() + "\n\n";
    qint64 total = 0;
    for (int n = 1; total < size; ++n) {
        QByteArray b = block;
        b.replace("@N@", QByteArray::number(n).rightJustified(6, '0'));
        file.write(b);
        total += b.size();
    }
    return true;
}

long procStatusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string name;
    long value = -1;
    std::string unit;
    while (in >> name) {
        if (name == key) {
            in >> value;
            return value;
        }
        std::getline(in, unit);
    }
    return -1;
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
        // The paint event seen by the filter has been handled by now.
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

// The value below which the given share of the values lie (nearest rank).
double percentile(std::vector<double> v, double share)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t rank = size_t(std::max(1.0, std::ceil(share * double(v.size()))));
    return v[std::min(rank, v.size()) - 1];
}

double median(const std::vector<double>& v)
{
    return percentile(v, 0.5);
}

void key(QWidget* target, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, code, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, code, modifiers, text);
    QApplication::sendEvent(target, &release);
}

void spin(int milliseconds)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, milliseconds - int(t.elapsed()));
}

// Typing at a line: each key (every tenth one Enter) is queued as the window
// system queues it, behind whatever the program has still to do, and timed
// until the repaint it causes; between keys the program runs on for a
// moment, as between a typist's keys, so its timers (toolbar and status
// updates) fall among the keys.
std::vector<double> typeAt(QsciScintilla* editor, PaintWatch& watch, int line, int keys)
{
    editor->setCursorPosition(line, 0);
    watch.WaitForPaint();
    std::vector<double> times;
    for (int i = 0; i < keys; ++i) {
        const bool enter = i % 10 == 9;
        QElapsedTimer t;
        t.start();
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
            QApplication::postEvent(editor, new QKeyEvent(type, enter ? Qt::Key_Return : Qt::Key_X, Qt::NoModifier,
                                                enter ? QStringLiteral("\r") : QStringLiteral("x")));
        watch.WaitForPaint();
        times.push_back(t.nsecsElapsed() / 1e6);
        spin(15);
    }
    return times;
}

constexpr int kKeys = 100;

// The same keys in the document window the program's frame shows: the
// plug-in copied into a Plugins folder of the program folder, loaded by the
// frame at its start (from the program folder of this run), and the file
// opened as the user opens it.
bool typeInFrame(const QString& fileName, std::vector<double>& times)
{
    SetTipOfTheDayEnabled(false);
    QDir().mkpath(QString::fromStdString(GetPluginsDir()));
    QFile::copy(QStringLiteral(QX_TEXTEDITOR_PLUGIN),
        QString::fromStdString(GetPluginsDir()) + QFileInfo(QStringLiteral(QX_TEXTEDITOR_PLUGIN)).fileName());
    auto frame = std::make_unique<TFrameWindowForm>();
    frame->SetProcessEnd([] {});
    frame->resize(1200, 900);
    frame->show();
    QElapsedTimer wait;
    wait.start();
    while (!frame->Initialized() && wait.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    TQX_PluginWindow* window = frame->Initialized() ? frame->OpenFile(fileName, TFrameWindowForm::DefaultEntryID()) : nullptr;
    auto* editor = window ? window->findChild<QsciScintilla*>(QStringLiteral("editor")) : nullptr;
    if (editor) {
        PaintWatch watch(editor->viewport());
        watch.WaitForPaint();
        times = typeAt(editor, watch, editor->lines() / 2, kKeys);
        const std::vector<double> atEnd = typeAt(editor, watch, editor->lines() - 1, kKeys);
        times.insert(times.end(), atEnd.begin(), atEnd.end());
        editor->SendScintilla(QsciScintillaBase::SCI_SETSAVEPOINT);
    }
    // The windows' code lives in the plug-in: they go before it.
    for (int i = GetDocumentWindowCount(); i-- > 0;)
        delete GetDocumentWindow(i);
    frame.reset();
    while (GetPluginCount() > 0)
        delete DeletePlugin(0);
    return editor != nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    const bool show = argc > 1 && std::string(argv[1]) == "--show";
    if (!show && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Settings, registry and event log in a folder of their own.
    QTemporaryDir home;
    setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    SetProgramDirectory(home.path().toStdString() + "/");
    InitEventLog("bench_bigfile");
    LoadSettings();

    QString fileName = argc > (show ? 2 : 1) ? QString::fromLocal8Bit(argv[show ? 2 : 1]) : QString();
    if (show && fileName.isEmpty()) {
        std::fprintf(stderr, "usage: bench_bigfile --show FILE\n");
        return 2;
    }
    if (!show) {
        // The benchmark types into the file and saves it: work on a copy.
        const QString copy = home.filePath(QStringLiteral("big.c"));
        if (fileName.isEmpty() ? !writeBigFile(copy, kDefaultSize) : !QFile::copy(fileName, copy)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(copy));
            return 1;
        }
        fileName = copy;
    }
    {
        // From the page cache, as for the peers: measure the editor, not the disk.
        QFile warm(fileName);
        if (warm.open(QIODevice::ReadOnly))
            while (!warm.read(1 << 20).isEmpty()) {
            }
    }

    TQX_Plugin plugin(QStringLiteral(QX_TEXTEDITOR_PLUGIN));
    if (plugin.Load() != TQX_Plugin::LoadOk) {
        std::fprintf(stderr, "cannot load %s\n", QX_TEXTEDITOR_PLUGIN);
        return 1;
    }
    TQX_PluginEntry* entry = plugin.GetEntry(0);

    const long rssBefore = procStatusKb("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    TQX_PluginWindow* window = entry->Launch(fileName);
    if (!window || window->FileName.isEmpty()) {
        std::fprintf(stderr, "the editor did not open %s\n", qPrintable(fileName));
        return 1;
    }
    auto* editor = window->findChild<QsciScintilla*>(QStringLiteral("editor"));
    PaintWatch watch(editor->viewport());
    window->resize(1000, 800);
    window->show();
    const qint64 loadMs = clock.elapsed();
    watch.WaitForPaint();
    const qint64 openMs = clock.elapsed();
    if (show)
        return app.exec();

    const long rssOpen = procStatusKb("VmRSS:");
    const int lines = editor->lines();

    // Keystrokes with the repaint they cause, in the middle and at the end.
    const std::vector<double> middle = typeAt(editor, watch, lines / 2, kKeys);

    // Word completion: the third letter of a word opens the list of the
    // words around the caret (here some thousand names) and the keywords.
    std::vector<double> completing;
    int listsShown = 0;
    editor->setCursorPosition(lines / 2, 0);
    key(editor, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    for (int i = 0; i < 15; ++i) {
        key(editor, Qt::Key_I, Qt::NoModifier, QStringLiteral("i"));
        key(editor, Qt::Key_N, Qt::NoModifier, QStringLiteral("n"));
        watch.WaitForPaint();
        QElapsedTimer t;
        t.start();
        key(editor, Qt::Key_S, Qt::NoModifier, QStringLiteral("s"));
        watch.WaitForPaint();
        completing.push_back(t.nsecsElapsed() / 1e6);
        listsShown += editor->isListActive();
        key(editor, Qt::Key_Escape);
        for (int k = 0; k < 3; ++k)
            key(editor, Qt::Key_Backspace);
    }
    clock.restart();
    key(editor, Qt::Key_End, Qt::ControlModifier);
    watch.WaitForPaint();
    const qint64 endMs = clock.elapsed();
    const std::vector<double> atEnd = typeAt(editor, watch, editor->lines() - 1, kKeys);
    std::vector<double> all = middle;
    all.insert(all.end(), atEnd.begin(), atEnd.end());

    clock.restart();
    window->Command(QXC_SAVE, nullptr);
    const qint64 saveMs = clock.elapsed();
    const bool saved = !window->Modified;

    std::printf("bigfile bytes=%lld lines=%d load_ms=%lld open_ms=%lld rss_kb=%ld rss_added_kb=%ld hwm_kb=%ld "
                "key_median_ms=%.2f key_p99_ms=%.2f key_max_ms=%.2f key_end_median_ms=%.2f complete_ms=%.2f "
                "complete_vs_key=%.2f lists=%d ctrl_end_ms=%lld save_ms=%lld saved=%d\n",
        static_cast<long long>(QFile(fileName).size()), lines, static_cast<long long>(loadMs),
        static_cast<long long>(openMs), rssOpen, rssOpen - rssBefore, procStatusKb("VmHWM:"), median(all),
        percentile(all, 0.99), *std::max_element(all.begin(), all.end()), median(atEnd), median(completing),
        median(completing) / std::max(median(all), 0.01), listsShown, static_cast<long long>(endMs),
        static_cast<long long>(saveMs), saved ? 1 : 0);
    delete window;
    plugin.Unload();

    std::vector<double> framed;
    if (!typeInFrame(fileName, framed)) {
        std::fprintf(stderr, "the frame did not open %s\n", qPrintable(fileName));
        return 1;
    }
    std::printf("frame key_median_ms=%.2f key_p99_ms=%.2f key_max_ms=%.2f (goal: median under 10, 99th percentile under 30)\n",
        median(framed), percentile(framed, 0.99), *std::max_element(framed.begin(), framed.end()));
    return saved ? 0 : 1;
}

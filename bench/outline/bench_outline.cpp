// The symbol outline on large C++ documents, against Universal Ctags run
// alone on the same file in the same run.
//
// For each size the panel reads a generated C++ document of that many MiB
// from a stand-in document window (which converts its text from UTF-8, as
// the text editor does) and shows its symbols. Measured: the time from the
// request to the shown list, the bare parser run on the same text
// (ctags -f - FILE, output read and thrown away), their ratio, and the
// longest pause of the GUI thread meanwhile (a 1 ms timer notes the largest
// gap between its ticks): what a user typing at that moment would wait,
// as the median and the worst of the runs (a busy machine adds its own).
// A document over the panel's limit (50 MiB) is refused without a copy.
//
//   bench_outline [MiB...]     (default 1 4 7 50)
#include "outline/OutlinePanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

class Document : public TQX_PluginWindow {
public:
    explicit Document(QByteArray utf8)
        : utf8_(std::move(utf8))
    {
        FileName = QStringLiteral("/bench/big.cpp");
        Commands.Set(QXC_GETTEXT);
    }
    void Command(uint8_t code, void* param) override
    {
        if (code != QXC_GETTEXT)
            return;
        auto* text = static_cast<TQX_DocumentText*>(param);
        text->Length = utf8_.size();
        text->TooLong = text->MaxLength > 0 && text->Length > text->MaxLength;
        text->Text = text->TooLong ? QString() : QString::fromUtf8(utf8_);
        text->Language = QStringLiteral("cpp");
    }

private:
    QByteArray utf8_;
};

// Classes with members, free functions, enums and macros, repeated.
QByteArray generate(qint64 bytes)
{
    QByteArray text;
    text.reserve(bytes + 4096);
    for (int n = 0; text.size() < bytes; ++n) {
        const QByteArray i = QByteArray::number(n);
        text += "#define LIMIT_" + i + " " + i + "\n"
            "namespace module" + i + " {\n"
            "enum class State" + i + " { Idle, Running, Stopped };\n"
            "class Worker" + i + " {\n"
            "public:\n"
            "    explicit Worker" + i + "(int id);\n"
            "    ~Worker" + i + "();\n"
            "    void Start(const char* name, int priority);\n"
            "    bool Stop();\n"
            "    int Count() const { return count_; }\n"
            "private:\n"
            "    int count_ = 0;\n"
            "    State" + i + " state_ = State" + i + "::Idle;\n"
            "};\n"
            "Worker" + i + "::Worker" + i + "(int id) : count_(id) { }\n"
            "bool Worker" + i + "::Stop()\n{\n    // Stop the worker and report whether it ran.\n"
            "    const bool was = state_ == State" + i + "::Running;\n    state_ = State" + i + "::Stopped;\n"
            "    return was;\n}\n"
            "static int helper" + i + "(int a, int b)\n{\n    return a * b + LIMIT_" + i + ";\n}\n"
            "} // namespace module" + i + "\n\n";
    }
    return text;
}

double bareParser(const QByteArray& text)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("big.cpp")));
    file.open(QIODevice::WriteOnly);
    file.write(text);
    file.close();
    QElapsedTimer clock;
    clock.start();
    QProcess ctags;
    ctags.start(FindCtagsProgram(), {QStringLiteral("--options=NONE"), QStringLiteral("--output-format=json"),
                                        QStringLiteral("--fields=+nKSe"), QStringLiteral("--kinds-C++=+p"),
                                        QStringLiteral("-f"), QStringLiteral("-"), file.fileName()});
    ctags.waitForFinished(-1);
    ctags.readAllStandardOutput();
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (FindCtagsProgram().isEmpty()) {
        std::fprintf(stderr, "bench_outline: Universal Ctags is missing (scripts/install-deps)\n");
        return 1;
    }
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::max(1, std::atoi(argv[i])));
    if (sizes.empty())
        sizes = {1, 4, 7, 50};

    const int runs = 5;
    std::printf("symbol outline of generated C++ documents: median of %d runs (ms)\n", runs);
    std::printf("  %5s %8s %9s %12s %12s %7s %17s\n", "MiB", "symbols", "panel", "worker part", "ctags alone",
        "ratio", "GUI wait med/max");
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    for (int mib : sizes) {
        const QByteArray text = generate(qint64(mib) << 20);
        std::vector<double> ours, worker, theirs;
        std::vector<double> waits;
        int symbols = 0;
        QString message, note;
        for (int run = 0; run < runs; ++run) {
            Document document(text);
            TOutlinePanel panel;
            panel.resize(300, 800);
            panel.show();
            QApplication::processEvents();

            // The GUI thread's pauses, as a key press would meet them.
            qint64 longest = 0;
            QElapsedTimer tick;
            QTimer beat;
            beat.setInterval(1);
            QObject::connect(&beat, &QTimer::timeout, [&] {
                longest = std::max(longest, tick.elapsed());
                tick.restart();
            });
            QEventLoop loop;
            QObject::connect(&panel, &TOutlinePanel::Updated, &loop, &QEventLoop::quit);
            QElapsedTimer clock;
            tick.start();
            beat.start();
            clock.start();
            panel.SetDocument(&document);
            if (panel.IsReading())
                loop.exec();
            QApplication::processEvents();
            ours.push_back(double(clock.nsecsElapsed()) / 1e6);
            longest = std::max(longest, tick.elapsed());
            beat.stop();
            waits.push_back(double(longest));
            message = panel.MessageText();
            note = panel.NoteText();
            if (!message.isEmpty())
                break;
            symbols = 0;
            std::vector<QModelIndex> pending {QModelIndex()};
            while (!pending.empty()) {
                const QModelIndex parent = pending.back();
                pending.pop_back();
                for (int row = 0; row < panel.Model()->rowCount(parent); ++row) {
                    ++symbols;
                    pending.push_back(panel.Model()->index(row, 0, parent));
                }
            }
            // What the worker thread does: the copy on disk, the parser,
            // reading its output.
            TOutlineRequest request;
            request.Text = QString::fromUtf8(text);
            request.Language = QStringLiteral("cpp");
            std::atomic_bool cancel = false;
            clock.restart();
            RunOutlineParser(request, cancel);
            worker.push_back(double(clock.nsecsElapsed()) / 1e6);
            theirs.push_back(bareParser(text));
        }
        if (!message.isEmpty()) {
            std::printf("  %5d %8s %9.1f %12s %12s %7s %8.0f/%-8.0f   %s\n", mib, "-", ours.front(), "-", "-", "-",
                waits.front(), waits.front(), message.toUtf8().constData());
            continue;
        }
        std::printf("  %5d %8d %9.1f %12.1f %12.1f %7.2f %8.0f/%-8.0f%s\n", mib, symbols, median(ours),
            median(worker), median(theirs), median(ours) / median(theirs), median(waits),
            *std::max_element(waits.begin(), waits.end()), note.isEmpty() ? "" : "   (list cut)");
    }
    std::fflush(stdout);
    return 0;
}

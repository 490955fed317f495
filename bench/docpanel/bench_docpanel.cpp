// How long the documents panel takes to refill itself and repaint with
// thousands of entries, against a plain QListWidget filled with the same rows
// in the same run.
//
// Each run does what the panel does on every change of its lists: clear,
// the "Dokumenty" group with N file items (caption, path as hint, system
// icon), the "Historie" group with 15 recent files, unfold everything, mark
// the active file in bold, end the update, and paint the control once. The
// peer clears a QListWidget, adds the same rows (bold headers, one shared
// file icon, the path as tooltip) and paints once. Both widgets have the size
// of a sidebar and are painted synchronously. The files exist, so the icon
// and existence lookups of the rows on screen are real.
//
//   bench_docpanel [documents] [runs]     (defaults 5000 and 31)
#include "frame/RecentFiles.h"
#include "ui/QXListView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kHistory = 15;
const char* const kSuffixes[] = {"txt", "cpp", "h", "py", "md", "ini", "xml", "qx"};

struct Figures {
    double first = 0, median = 0, worst = 0;
};

Figures measure(int runs, const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        run();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    Figures f;
    f.first = times.front();
    std::sort(times.begin(), times.end());
    f.median = times[times.size() / 2];
    f.worst = times.back();
    return f;
}

void rebuildPanel(TQXListView& list, const QStringList& documents, const QStringList& history, const QString& active)
{
    list.BeginUpdate();
    list.Clear();
    for (const auto& [caption, paths, image] :
        {std::tuple(QStringLiteral("Dokumenty"), &documents, 1), std::tuple(QStringLiteral("Historie"), &history, 0)}) {
        const int group = list.AddGroup(caption, image);
        for (const QString& path : *paths) {
            const int item = list.AddItem(group, QFileInfo(path).fileName(), -1);
            list.SetItemHint(item, path);
            list.SetItemSystemIcon(item);
        }
    }
    list.ExpandAll();
    list.BeginUpdate();
    for (int i = 0; i < list.Count(); ++i)
        if (!list.Item(i).IsGroup)
            list.SetItemBold(i, SameDocumentPath(list.Item(i).Hint, active));
    list.EndUpdate(false);
    list.EndUpdate(true);
    list.repaint();
}

void rebuildPeer(QListWidget& peer, const QStringList& documents, const QStringList& history, const QIcon& icon)
{
    peer.setUpdatesEnabled(false);
    peer.clear();
    QFont bold = peer.font();
    bold.setBold(true);
    for (const auto& [caption, paths] :
        {std::pair(QStringLiteral("Dokumenty"), &documents), std::pair(QStringLiteral("Historie"), &history)}) {
        auto* header = new QListWidgetItem(caption, &peer);
        header->setFont(bold);
        for (const QString& path : *paths) {
            auto* item = new QListWidgetItem(icon, QFileInfo(path).fileName(), &peer);
            item->setToolTip(path);
        }
    }
    peer.setUpdatesEnabled(true);
    peer.repaint();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    const int runs = argc > 2 ? std::max(3, std::atoi(argv[2])) : 31;

    QTemporaryDir dir;
    QStringList documents, history;
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QStringLiteral("document %1.%2").arg(i).arg(QLatin1String(kSuffixes[i % 8])));
        QFile(path).open(QIODevice::WriteOnly);
        documents.append(path);
    }
    for (int i = 0; i < kHistory; ++i)
        history.append(documents[(i * 37) % count]);
    const QString active = history.first();

    const QSize sidebar(220, 900);
    TQXListView list;
    list.resize(sidebar);
    list.show();
    QListWidget peer;
    peer.resize(sidebar);
    peer.show();
    QApplication::processEvents();
    const QIcon icon = QFileIconProvider().icon(QFileInfo(documents.first()));

    const Figures ours = measure(runs, [&] { rebuildPanel(list, documents, history, active); });
    const Figures theirs = measure(runs, [&] { rebuildPeer(peer, documents, history, icon); });

    std::printf("documents panel, %d documents + %d recent files, %d runs each (ms)\n", count, kHistory, runs);
    std::printf("  %-34s first %7.2f  median %7.2f  worst %7.2f\n", "TQXListView rebuild + repaint", ours.first,
        ours.median, ours.worst);
    std::printf("  %-34s first %7.2f  median %7.2f  worst %7.2f\n", "QListWidget same rows + repaint", theirs.first,
        theirs.median, theirs.worst);
    std::printf("  ratio (median, ours / QListWidget): %.2f\n", ours.median / theirs.median);
    std::printf("  target 16 ms: %s (median %.2f ms; the first run also loads the file type database for the icons)\n",
        ours.median < 16.0 ? "met" : "NOT met", ours.median);
    std::fflush(stdout);
    return 0;
}

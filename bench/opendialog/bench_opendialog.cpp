// The open dialog going into a large folder, measured from outside: how long
// its event loop leaves the window manager's ping unanswered while the folder
// is listed (and the user scrolls the list as it fills), and how long the
// listing takes against `ls -l` and a bare readdir of the same folder.
//
//   bench_opendialog --folder DIR --view list|details --meter "PYTHON STALL.PY" [--seconds S]
//
// run.sh builds the folder, starts a display and calls this once per view.
// The dialog opens in the computer folder; the stall meter starts pinging
// its window; half a second later the dialog goes to DIR while a timer
// scrolls the list by a page every 40 ms while it fills (and for two seconds
// in all); the details of the rows then on screen are waited for. Last, the
// dialog goes into the folder once more and Esc is pressed 20 ms later (the
// time until the listing stops, and the rows kept, are printed). One line of
// key=value figures is printed.
#include "files/ExtOpenDialog.h"
#include "files/ShellItemModel.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QListView>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// `ls -l` of the folder, output thrown away: what a user's shell does.
double lsLongMs(const QString& folder)
{
    QElapsedTimer clock;
    clock.start();
    QProcess ls;
    ls.setStandardOutputFile(QProcess::nullDevice());
    ls.start(QStringLiteral("ls"), {QStringLiteral("-l"), folder});
    ls.waitForFinished(-1);
    return double(clock.nsecsElapsed()) / 1e6;
}

// Names only, as the kernel hands them out.
double readdirMs(const QString& folder)
{
    QElapsedTimer clock;
    clock.start();
    long count = 0;
    if (DIR* dir = ::opendir(QFile::encodeName(folder).constData())) {
        while (::readdir(dir))
            ++count;
        ::closedir(dir);
    }
    return count > 0 ? double(clock.nsecsElapsed()) / 1e6 : -1;
}

// True when every row the view shows has its details.
bool visibleDetailsRead(QAbstractItemView* view, TShellItemModel* model)
{
    const QRect area = view->viewport()->rect();
    for (int y = 2; y < area.height(); y += 8)
        for (int x = 2; x < area.width(); x += 40) {
            const QModelIndex index = view->indexAt(QPoint(x, y));
            if (index.isValid() && model->ItemAt(index.row()).Details != TShellItemModel::Item::DetailsRead)
                return false;
        }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QString folder, view = QStringLiteral("list"), meterCommand;
    double seconds = 6;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--folder"))
            folder = args[i + 1];
        else if (args[i] == QLatin1String("--view"))
            view = args[i + 1];
        else if (args[i] == QLatin1String("--meter"))
            meterCommand = args[i + 1];
        else if (args[i] == QLatin1String("--seconds"))
            seconds = args[i + 1].toDouble();
    }
    if (folder.isEmpty() || meterCommand.isEmpty()) {
        std::fprintf(stderr, "usage: bench_opendialog --folder DIR --view list|details --meter \"PYTHON STALL.PY\" [--seconds S]\n");
        return 2;
    }
    QTemporaryDir programDir;
    SetProgramDirectory(programDir.path().toStdString() + "/");
    InitEventLog("bench");
    LoadSettings();

    TExtOpenDialogForm dialog;
    dialog.Request.InitialDir.clear();
    dialog.show();
    dialog.SetView(view == QLatin1String("details") ? TExtOpenDialogForm::Details : TExtOpenDialogForm::List);
    TShellItemModel* model = dialog.Model();
    const int files = int(QDir(folder).count()) - 2;

    QProcess meter;
    QString meterLine;
    QElapsedTimer clock;
    double listMs = -1, detailsMs = -1, escMs = -1;
    QElapsedTimer escClock;
    bool escListing = false;
    int escRows = -1;
    int scrolls = 0;
    QTimer scroller;
    scroller.setInterval(40);
    QObject::connect(&scroller, &QTimer::timeout, [&] {
        QAbstractItemView* active = view == QLatin1String("details") ? static_cast<QAbstractItemView*>(dialog.DetailsView)
                                                                     : static_cast<QAbstractItemView*>(dialog.ListView);
        // The list view runs in columns, the details view in rows.
        QScrollBar* bar = active == dialog.ListView ? active->horizontalScrollBar() : active->verticalScrollBar();
        // Scrolls while the folder fills and for two seconds in all, through
        // rows whose details are not read yet.
        if (listMs < 0 || clock.elapsed() < 2000) {
            bar->setValue(bar->value() + bar->pageStep());
            ++scrolls;
            return;
        }
        if (detailsMs < 0 && visibleDetailsRead(active, model))
            detailsMs = double(clock.nsecsElapsed()) / 1e6;
        if (detailsMs < 0)
            return;
        scroller.stop();
        // Then once more into the folder, with Esc pressed 20 ms later.
        QTimer::singleShot(200, [&] {
            escClock.start();
            dialog.GoToFolder(folder);
            QTimer::singleShot(20, [&] {
                // Esc with nothing under way would close the dialog the
                // meter pings.
                escListing = dialog.Listing();
                if (!escListing)
                    return;
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(&dialog, &esc);
            });
        });
    });
    QObject::connect(model, &TShellItemModel::Finished, [&](bool cancelled) {
        if (escClock.isValid() && escMs < 0) {
            escMs = double(escClock.nsecsElapsed()) / 1e6;
            escRows = cancelled ? model->rowCount() : -1;
        }
    });
    QObject::connect(model, &TShellItemModel::Finished, [&] {
        if (clock.isValid() && listMs < 0 && !model->FolderPath().isEmpty() && !escClock.isValid())
            listMs = double(clock.nsecsElapsed()) / 1e6;
    });
    QObject::connect(&meter, &QProcess::finished, [&] {
        meterLine = QString::fromLocal8Bit(meter.readAllStandardOutput()).trimmed();
        app.quit();
    });
    QTimer::singleShot(300, [&] {
        QStringList parts = QProcess::splitCommand(meterCommand);
        const QString program = parts.takeFirst();
        meter.start(program, parts + QStringList {QString::number(dialog.winId()), QString::number(seconds)});
    });
    QTimer::singleShot(800, [&] {
        clock.start();
        dialog.GoToFolder(folder);
        scroller.start();
    });
    app.exec();

    std::vector<double> ls, names;
    for (int i = 0; i < 3; ++i) {
        ls.push_back(lsLongMs(folder));
        names.push_back(readdirMs(folder));
    }
    const double lsMs = median(ls), readdir = median(names);
    int stallMax = -1;
    for (const QString& field : meterLine.split(QLatin1Char(' ')))
        if (field.startsWith(QLatin1String("max_ms=")))
            stallMax = field.mid(7).toInt();
    std::printf("view=%s files=%d list_ms=%.0f details_on_screen_ms=%.0f scrolls=%d esc=%s esc_ms=%.0f esc_rows=%d %s "
                "ls_l_ms=%.0f readdir_ms=%.1f ratio_list_to_ls_l=%.2f ratio_list_to_readdir=%.1f\n",
        qPrintable(view), files, listMs, detailsMs, scrolls, escListing ? "during-listing" : "after-listing", escMs, escRows,
        qPrintable(meterLine.isEmpty() ? QStringLiteral("stall max_ms=-1") : meterLine), lsMs, readdir,
        lsMs > 0 ? listMs / lsMs : 0, readdir > 0 ? listMs / readdir : 0);
    std::fflush(stdout);
    return listMs < 0 || stallMax < 0 ? 1 : 0;
}

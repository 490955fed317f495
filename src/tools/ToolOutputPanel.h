#pragma once
// The tool output panel: a dock of the frame with one tab per tool run. Each
// run shows its tool's standard output and error as they come, then its exit
// status and run time, with its own stop button; several tools may run at
// once. Lines that begin with a "file:line:" reference to an existing file
// are links; clicking one, or walking them with the next and previous error
// keys, calls OnOpenLocation.
#include "tools/ToolRun.h"

#include <QDockWidget>

#include <functional>
#include <vector>

class QLabel;
class QStackedWidget;
class QTabWidget;

class TToolOutputPanel : public QDockWidget {
    Q_OBJECT
public:
    explicit TToolOutputPanel(QWidget* parent = nullptr);
    ~TToolOutputPanel() override;

    // Starts program with its arguments in folder (empty: the current
    // folder), in a tab of its own, or in the tab of an ended run of the
    // same title. False, with the system's reason in *error, when the
    // program did not start.
    bool Run(const QString& title, const QString& program, const QStringList& arguments, const QString& folder,
        QString* error);
    bool Run(const QString& title, const QString& program, const QStringList& arguments, QString* error)
    {
        return Run(title, program, arguments, QString(), error);
    }
    // Whether any tool of the panel runs.
    bool IsRunning() const;
    int RunCount() const;
    // The run of the shown tab, or null before the first run.
    TToolRun* CurrentRun() const;
    // The shown run's operations; nothing before the first run.
    void Stop();
    QString OutputText() const;
    QString StatusText() const;
    const std::vector<TToolOutputLocation>& Locations() const;
    void OpenLocation(int index);
    // Opens the next (step 1) or previous (step -1) place named in the
    // output of the run last started; false when there is none that way.
    bool OpenNextLocation(int step);

    static bool ParseLocation(const QString& line, const QString& folder, TToolOutputLocation& location)
    {
        return TToolRun::ParseLocation(line, folder, location);
    }

    std::function<void(const TToolOutputLocation& location)> OnOpenLocation;

signals:
    // A tool ended: its exit code, or crashed for a signal or a kill.
    void Finished(int exitCode, bool crashed);

private:
    void closeTab(int index);

    QStackedWidget* body_ = nullptr;
    QLabel* empty_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    TToolRun* last_ = nullptr; // the run last started
};

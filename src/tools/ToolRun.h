#pragma once
// One run of an external tool, shown as a tab of the tool output panel: its
// status line, its stop, save and clear buttons and its output.
//
// The tool is an independent program: its output goes to a spool file, not a
// pipe, and nothing ends it when this program closes; it keeps running and
// writing. The run reads the file in batches on a timer, with a time budget
// per batch, so the window keeps answering whatever the tool prints. The view
// keeps the newest lines only and says at its top how many older ones were
// left out; the whole output stays in the spool file and can be saved.
#include "tools/ToolOutputBuffer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QTemporaryFile;
class QTimer;
class QToolButton;

// A place named at the start of an output line.
struct TToolOutputLocation {
    QString File; // absolute
    int Line = 0; // from 1
    int Column = 0; // from 1; 0 when not given
    int Span = 0; // characters of the reference at the start of its line
    qint64 Block = 0; // the output line it is on, counted over the run from 0
};

class TToolRun : public QWidget {
    Q_OBJECT
public:
    // Lines the view keeps, and the characters of a line it shows.
    static constexpr int kMaxLines = 10000;
    static constexpr int kMaxLineChars = 4000;

    explicit TToolRun(QWidget* parent = nullptr);
    ~TToolRun() override;

    // Starts program in folder. False, with the system's reason in *error,
    // when it did not start.
    bool Start(const QString& title, const QString& program, const QStringList& arguments, const QString& folder,
        QString* error);
    bool IsRunning() const { return pid_ > 0; }
    // Asks the tool (and what it started) to end; kills them after 3 s.
    void Stop();
    QString Title() const { return title_; }
    QString OutputText() const;
    QString StatusText() const;
    // Lines left out of the view at its top.
    qint64 DroppedLines() const { return dropped_; }
    const std::vector<TToolOutputLocation>& Locations() const { return locations_; }
    // Opens the place of a linked line (by its position in Locations()) and
    // marks the line in the view.
    void OpenLocation(int index);
    // The next (step 1) or previous (step -1) linked line after the last one
    // opened; false when there is none that way.
    bool OpenNextLocation(int step);
    // Writes everything the tool wrote so far to fileName, atomically.
    bool SaveOutput(const QString& fileName, QString* error) const;

    // Reads a "file:line:" or "file:line:column:" reference at the start of a
    // line; a relative file name is taken in folder. True only when the file
    // exists.
    static bool ParseLocation(const QString& line, const QString& folder, TToolOutputLocation& location);

    std::function<void(const TToolOutputLocation& location)> OnOpenLocation;

signals:
    // The tool ended: its exit code, or crashed for a signal or a kill.
    void Finished(int exitCode, bool crashed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Style { Command, Output, Status };
    void poll();
    void show(const std::vector<TToolOutputLine>& lines);
    void appendLine(const QString& line, Style style);
    void finish(int exitCode, bool crashed);
    void setStatus(const QString& text, const QColor& colour);
    void updateDroppedNote();
    // Lines in the view (an empty view has one empty block).
    int shownBlocks() const;
    void saveClick();

    QLabel* status_ = nullptr;
    QLabel* droppedNote_ = nullptr;
    QToolButton* stop_ = nullptr;
    QToolButton* save_ = nullptr;
    QToolButton* clear_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QTimer* poll_ = nullptr;
    QTimer* killTimer_ = nullptr;
    std::unique_ptr<QTemporaryFile> spool_;
    QFile reader_;
    TToolOutputBuffer buffer_ {kMaxLines, kMaxLineChars};
    QElapsedTimer clock_;
    QElapsedTimer shown_; // since the view last caught up with the output
    QString folder_, title_;
    qint64 pid_ = -1;
    bool ended_ = false, stopping_ = false;
    int exitCode_ = 0;
    bool crashed_ = false;
    qint64 blocks_ = 0;  // lines put into the view over the run
    qint64 dropped_ = 0; // of those, the ones gone from its top
    int current_ = -1;   // the last location opened
    std::vector<TToolOutputLocation> locations_;
};

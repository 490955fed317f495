#pragma once
// The tool output panel: a dock of the frame that runs one external tool at a
// time and shows its standard output and error as they come, then its exit
// status and run time. Lines that begin with a "file:line:" reference to an
// existing file are links; clicking one calls OnOpenLocation.
#include <QDockWidget>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringDecoder>

#include <functional>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QTimer;
class QToolButton;

// A place named at the start of an output line.
struct TToolOutputLocation {
    QString File; // absolute
    int Line = 0; // from 1
    int Column = 0; // from 1; 0 when not given
    int Span = 0; // characters of the reference at the start of its line
};

class TToolOutputPanel : public QDockWidget {
    Q_OBJECT
public:
    explicit TToolOutputPanel(QWidget* parent = nullptr);
    ~TToolOutputPanel() override;

    // Starts program with its arguments in the current folder, replacing the
    // output of an earlier run. A tool still running is killed first. False,
    // with the system's reason in *error, when the program did not start.
    bool Run(const QString& title, const QString& program, const QStringList& arguments, QString* error);
    bool IsRunning() const;
    // Asks the running tool to end and kills it when it has not ended in 3 s.
    void Stop();
    // The shown output, one line each, as plain text.
    QString OutputText() const;
    // The status line: running, or how the last run ended.
    QString StatusText() const;
    // The location of every linked line, in output order.
    const std::vector<TToolOutputLocation>& Locations() const { return locations_; }
    // Follows the link of a linked line (by its position in Locations()).
    void OpenLocation(int index);

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
    void showEvent(QShowEvent* event) override;

private:
    enum class Style { Command, Output, Error, Status };
    // Makes the status line, the buttons and the output view, once: when the
    // panel is first shown or a tool is first run.
    void build();
    void readChannel(QProcess::ProcessChannel channel);
    void appendLine(QString line, Style style);
    void flushPending();
    void finished(int exitCode, QProcess::ExitStatus status);
    void setStatus(const QString& text, const QColor& colour);

    QLabel* status_ = nullptr;
    QToolButton* stop_ = nullptr;
    QToolButton* clear_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QProcess* process_ = nullptr;
    QTimer* killTimer_ = nullptr;
    QElapsedTimer clock_;
    QString folder_;
    QString title_;
    bool stopping_ = false;
    QStringDecoder decoders_[2];
    QString pending_[2];
    std::vector<TToolOutputLocation> locations_;
};

#pragma once
// Plug-in loading at start-up: the modal loading dialog that runs the loader
// thread and shows its progress, and LoadPlugins(), the frame's entry to it.
#include <QDialog>
#include <QStringList>
#include <QWidget>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;
class TLoadPluginsThread;

// A small rotating busy indicator, shown while the loader works.
class TBusyIndicator : public QWidget {
    Q_OBJECT
public:
    explicit TBusyIndicator(QWidget* parent = nullptr);
    void Start();
    void Stop();
    bool IsRunning() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer* timer_;
    int step_ = 0;
};

class TLoadPluginListForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCollapsedHeight = 255;
    static constexpr int kExpandedHeight = 427;

    // The dialog's texts, by index.
    enum Text { TextPaused, TextPause, TextContinue, TextClose, TextFinished };
    static QString LoadPluginListStrings(Text index);

    explicit TLoadPluginListForm(QWidget* parent = nullptr);
    ~TLoadPluginListForm() override;

    QLabel* Label1 = nullptr;         // explanation
    TBusyIndicator* Animate = nullptr;
    QLabel* Label2 = nullptr;         // status label: the flagged status lines
    QProgressBar* ProgressBar = nullptr;
    QPushButton* BitBtn1 = nullptr;   // Pause / Continue / Close
    QPushButton* Button1 = nullptr;   // details toggle
    QListWidget* ListBox = nullptr;   // every status line

    // The display step of one status line, on the GUI thread: logs it, shows
    // it in Label2 when flagged, appends it to the details and moves the
    // progress bar to index + 1 of count.
    Q_INVOKABLE void DisplayStatus(const QString& text, bool flagged, int index, int count);

    // The loader thread while it exists (between the dialog being shown and
    // its end), else null.
    TLoadPluginsThread* LoaderThread() const { return thread_; }
    bool DetailsShown() const;

signals:
    // Emitted once the loader has ended and image indexes are assigned, just
    // before the dialog closes by itself or offers its Close button.
    void LoadingFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void startLoader();
    void loaderFinished();
    void bitBtn1Clicked();
    void button1Clicked();

    TLoadPluginsThread* thread_ = nullptr;
    int lastIndex_ = 0;
    int lastCount_ = 0;
    bool started_ = false;
    bool finished_ = false;
};

// Gives every loaded plug-in and entry its image index: one counter from 0,
// each plug-in followed by its entries, in list order.
void AssignPluginImageIndexes();

// Logs the call, shows the loading dialog modally over the frame's main
// window and then has the frame rebuild its plug-in menus.
void LoadPlugins();

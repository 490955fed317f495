#pragma once
// The find-in-files results panel: a dock of the frame that runs one search
// at a time on a worker thread and lists its lines as they are found, as
// "file:line: text" with the matches marked. A click on a line, or Enter,
// calls OnOpenLocation with its file, line and column. The GUI thread only
// polls the search a few times a second and adds a bounded number of lines
// each time, so the program stays responsive however much is found.
#include <QDockWidget>
#include <QElapsedTimer>

#include <functional>
#include <memory>

#include "search/FileSearch.h"

class QLabel;
class QListView;
class QTimer;
class QToolButton;
class TFindInFilesModel;

class TFindInFilesPanel : public QDockWidget {
    Q_OBJECT
public:
    explicit TFindInFilesPanel(QWidget* parent = nullptr);
    // Stops a running search and waits for its thread.
    ~TFindInFilesPanel() override;

    // Starts a search, ending a running one and clearing the list first.
    // False, with the reason in Czech in *error, when it cannot start.
    bool Start(const TFileSearchOptions& options, QString* error);
    bool IsRunning() const;
    // Asks the search to end; the panel shows what it found until then.
    void Stop();
    // Stops and empties the list.
    void Clear();

    // The status line: what is searched and how far, or how it ended.
    QString StatusText() const;
    // The listed lines: "file:line: text" (the file relative to the folder
    // searched), and the place each one opens.
    int ResultCount() const;
    QString ResultText(int row) const;
    void OpenResult(int row);
    // Made with the panel's first show or the first search.
    QListView* ResultView() const { return view_; }

    std::function<void(const QString& file, int line, int column)> OnOpenLocation;

signals:
    // The search ended, completed or stopped; every line found is listed.
    void Finished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Makes the status line, the buttons and the list, once: when the panel
    // is first shown or a search first starts.
    void build();
    void poll();
    void showStatus();

    QLabel* status_ = nullptr;
    QToolButton* stop_ = nullptr;
    QToolButton* clear_ = nullptr;
    QListView* view_ = nullptr;
    TFindInFilesModel* model_ = nullptr;
    QTimer* poll_ = nullptr;
    QElapsedTimer clock_;
    qint64 elapsed_ = 0;
    std::unique_ptr<TFileSearch> search_;
    // Found lines taken from the search and not yet listed.
    std::vector<TFileSearchMatch> waiting_;
    size_t waitingFrom_ = 0;
    QString folder_;
    QString what_;
};

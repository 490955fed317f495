#pragma once
// The program's own help viewer: a window with the contents tree, back and
// forward, full-text search, links between pages and printing, showing the
// pages that the help file names (HelpContents.h). No browser is needed.
#include <QString>
#include <QUrl>
#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class QAction;

namespace qx::help {

class THelpIndex;

// The help file the frame names: "Qxrel32.hlp" in the program's directory.
QString ApplicationHelpFile();
// True for a file this viewer shows: an existing file with the extension
// ".hlp" (letter case ignored).
bool IsHelpFile(const QString& path);

// Shows the viewer for the help file at its start page (the first entry of
// the contents), raising the window when it is open already. False when the
// help file cannot be read.
bool ShowHelpFile(const QString& helpFile);
// Shows the program's help at the page of a script word (a host function,
// a keyword, a built-in routine); for a word no page names, the search
// results for it; for an empty topic, the start page. False when the help
// file cannot be read.
bool ShowHelpTopic(const QString& topic);

class THelpViewerForm : public QWidget {
    Q_OBJECT
public:
    explicit THelpViewerForm(const QString& helpFile, QWidget* parent = nullptr);
    ~THelpViewerForm() override;

    // The open viewer, or null.
    static THelpViewerForm* Instance();

    const QString& HelpFile() const { return helpFile_; }
    QUrl Source() const;
    void ShowUrl(const QUrl& url);
    void ShowStartPage();
    // Fills the search field, runs the search and shows its first hit; the
    // number of hits.
    int Search(const QString& query);
    // See ShowHelpTopic.
    void ShowTopic(const QString& topic);
    // Reads the help file and its pages again (after a rebuild).
    void Reload();

    QTextBrowser* Browser() const { return browser_; }
    QTreeWidget* ContentsTree() const { return tree_; }
    QListWidget* SearchResults() const { return results_; }

private:
    void buildTree();
    void sourceChanged(const QUrl& url);
    void runSearch();
    void openHit(int row);
    void highlightSearchWords();
    void print();

    QString helpFile_;
    std::unique_ptr<THelpIndex> index_;
    QTextBrowser* browser_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLineEdit* searchEdit_ = nullptr;
    QListWidget* results_ = nullptr;
    QLabel* resultLabel_ = nullptr;
    QAction* back_ = nullptr;
    QAction* forward_ = nullptr;
    QString lastQuery_;
};

} // namespace qx::help

#pragma once
// The symbol outline: a dock of the frame listing the functions, classes with
// their members, structs, enums, namespaces, macros and sections of one
// document window, read from the window's text (QXC_GETTEXT) by the parser of
// OutlineParser.h on a worker thread. A change of the text (DocumentTextChanged)
// reads it again once the changes pause; a newer read, another document or
// the document's closing cancels a read still running. A click on a symbol,
// or Enter, shows its line in the document (QXC_GOTOLINE).
#include "QX_Types.h"
#include "outline/OutlineParser.h"

#include <QDockWidget>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QModelIndex;
class QSortFilterProxyModel;
class QStackedWidget;
class QStandardItem;
class QStandardItemModel;
class QThread;
class QTimer;
class QTreeView;

class TOutlinePanel : public QDockWidget {
    Q_OBJECT
public:
    explicit TOutlinePanel(QWidget* parent = nullptr);
    // Cancels a running read and waits for its thread.
    ~TOutlinePanel() override;

    // The wait after the last change before the text is read again.
    static constexpr int kUpdateDelayMs = 500;
    // A read of a newly shown document running longer than this says so.
    static constexpr int kBusyMessageDelayMs = 300;
    // Longer texts are not read (UTF-16 code units): the parser would need
    // seconds and the list would be too long to be of use.
    static constexpr qint64 kDefaultMaxTextLength = qint64(8) << 20;

    // The document the panel shows (null: none). Read at once while the
    // panel is visible, else when it is shown.
    void SetDocument(TQX_PluginWindow* window);
    TQX_PluginWindow* Document() const { return document_; }
    // The window's text or language changed; nothing for another window.
    void DocumentTextChanged(TQX_PluginWindow* window);
    // Reads the document again now.
    void Refresh();

    // The parser program; empty: Universal Ctags found on PATH.
    void SetProgram(const QString& program) { program_ = program; }
    void SetMaxTextLength(qint64 length) { maxTextLength_ = length; }

    // What the panel shows: a message instead of the list (empty while the
    // list is shown), the note under a cut list, the symbols' model (one
    // item per symbol, members under their parent; Qt::UserRole holds the
    // line) and the view with its filter (made when the panel is first
    // shown or given a document; null before).
    QString MessageText() const;
    QString NoteText() const;
    QStandardItemModel* Model() const { return model_; }
    QTreeView* View() const { return view_; }
    QLineEdit* FilterEdit() const { return filter_; }
    // A read of the parser is running.
    bool IsReading() const { return reading_; }
    // How many reads were started (a read that was cancelled counts).
    int ReadCount() const { return serial_; }

    // Shows the line of the symbol at a view index in the document; with
    // focus, the document takes the keyboard focus.
    void JumpTo(const QModelIndex& viewIndex, bool focus);

    // Brings the document window forward and, with focus, gives it the
    // keyboard focus; set by the frame.
    std::function<void(TQX_PluginWindow* window, bool focus)> OnShowDocument;

signals:
    // A read ended and its result (symbols or a message) is shown.
    void Updated();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Makes the filter, the list and the message lines, once.
    void build();
    struct Job {
        int serial;
        std::shared_ptr<std::atomic_bool> cancel;
        QThread* thread;
    };
    void startRead();
    void cancelReads();
    void applyResult(int serial, const TOutlineResult& result);
    void showMessage(const QString& text);
    void fillModel(const std::vector<TOutlineSymbol>& symbols);
    QString keyOf(const QModelIndex& sourceIndex) const;
    QModelIndex firstMatch() const;

    QLineEdit* filter_ = nullptr;
    QTreeView* view_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QLabel* message_ = nullptr;
    QLabel* note_ = nullptr;
    QStandardItemModel* model_ = nullptr;
    QSortFilterProxyModel* proxy_ = nullptr;
    QTimer* delay_ = nullptr;
    QTimer* busy_ = nullptr;
    QPointer<TQX_PluginWindow> document_;
    QMetaObject::Connection documentGone_;
    QString program_;
    qint64 maxTextLength_ = kDefaultMaxTextLength;
    std::vector<Job> jobs_;
    // What the newest read was asked, and what the shown list was read from.
    TOutlineRequest pending_;
    std::optional<TOutlineRequest> shown_;
    int serial_ = 0;
    bool reading_ = false;
    // The shown result is older than the document's text.
    bool stale_ = true;
};

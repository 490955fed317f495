#include "outline/OutlinePanel.h"

#include "outline/OutlineItem.h"

#include "QX_Types.h"
#include "platform/Shell.h"
#include "ui/WindowLifetime.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScrollBar>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

const QString kNoDocument = QStringLiteral("Není otevřen žádný dokument.");
const QString kNoText = QStringLiteral("Aktivní dokument nedává svůj text k rozboru, přehled symbolů pro něj není.");
const QString kNoLanguage = QStringLiteral("Pro tento druh dokumentu přehled symbolů není.");
const QString kNoSymbols = QStringLiteral("V dokumentu nejsou žádné symboly.");
const QString kProgramMissing = QStringLiteral(
    "Přehled symbolů potřebuje program Universal Ctags, který není nainstalován. Nainstalujte balík "
    "universal-ctags (sudo apt install universal-ctags) a zobrazte panel znovu.");
const QString kTooLarge = QStringLiteral("Dokument je pro přehled symbolů příliš velký (%1, nejvýše %2).");
const QString kFailed = QStringLiteral("Rozbor dokumentu se nezdařil: %1");
const QString kTimedOut = QStringLiteral("Rozbor dokumentu trval příliš dlouho a byl zastaven.");
const QString kTextFailed = QStringLiteral("Dokument nevydal svůj text.");
const QString kReading = QStringLiteral("Hledám symboly v dokumentu…");

} // namespace

TOutlinePanel::TOutlinePanel(QWidget* parent)
    : QDockWidget(QStringLiteral("Přehled symbolů"), parent)
{
    setObjectName(QStringLiteral("OutlineToolWindow"));
    model_ = new QStandardItemModel(this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setRecursiveFilteringEnabled(true);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);

    delay_ = new QTimer(this);
    delay_->setSingleShot(true);
    delay_->setInterval(kUpdateDelayMs);
    connect(delay_, &QTimer::timeout, this, &TOutlinePanel::Refresh);
    // A first read that takes a while says so; a read after an edit keeps
    // the list it replaces until it is done.
    busy_ = new QTimer(this);
    busy_->setSingleShot(true);
    busy_->setInterval(kBusyMessageDelayMs);
    connect(busy_, &QTimer::timeout, this, [this] {
        if (reading_ && model_->rowCount() == 0)
            showMessage(kReading);
    });
}

// The panel is hidden at most starts: its widgets wait until it is shown or
// has a document.
void TOutlinePanel::build()
{
    if (view_)
        return;
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);

    filter_ = new QLineEdit(body);
    filter_->setObjectName(QStringLiteral("OutlineFilter"));
    filter_->setPlaceholderText(QStringLiteral("Filtrovat symboly"));
    // The clear button comes with the first show (showEvent): its image is
    // read from the icon theme, which the start of a hidden panel need not wait for.
    filter_->setToolTip(QStringLiteral("Zobrazit jen symboly, jejichž jméno obsahuje zadaný text (Esc filtr smaže)"));
    filter_->installEventFilter(this);
    layout->addWidget(filter_);

    view_ = new QTreeView(body);
    view_->setObjectName(QStringLiteral("OutlineView"));
    view_->setModel(proxy_);
    view_->setHeaderHidden(true);
    view_->setUniformRowHeights(true);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setIconSize(QSize(16, 16));
    view_->header()->setStretchLastSection(true);
    view_->installEventFilter(this);
    // The list and the message take turns in one place, which keeps the
    // panel's size when one replaces the other.
    pages_ = new QStackedWidget(body);
    pages_->addWidget(view_);
    layout->addWidget(pages_, 1);

    message_ = new QLabel(body);
    message_->setObjectName(QStringLiteral("OutlineMessage"));
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    message_->setMargin(6);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pages_->addWidget(message_);
    note_ = new QLabel(body);
    note_->setObjectName(QStringLiteral("OutlineNote"));
    note_->setWordWrap(true);
    note_->hide();
    layout->addWidget(note_);
    setWidget(body);

    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) {
        proxy_->setFilterFixedString(text);
        view_->expandAll();
    });
    // A click shows the place and leaves the keyboard in the list; Enter
    // (or a double click) takes the keyboard to the document as well.
    connect(view_, &QTreeView::clicked, this, [this](const QModelIndex& index) { JumpTo(index, false); });
    connect(view_, &QTreeView::activated, this, [this](const QModelIndex& index) { JumpTo(index, true); });
    showMessage(kNoDocument);
}

TOutlinePanel::~TOutlinePanel()
{
    StopWatchingChildren(this);
    cancelReads();
    for (Job& job : jobs_) {
        job.thread->wait();
        delete job.thread;
    }
}

void TOutlinePanel::SetDocument(TQX_PluginWindow* window)
{
    if (window && window == document_)
        return;
    build();
    disconnect(documentGone_);
    document_ = window;
    delay_->stop();
    cancelReads();
    model_->clear();
    shown_.reset();
    filter_->clear();
    stale_ = true;
    if (window) {
        // A closing document takes its running read with it.
        documentGone_ = connect(window, &QObject::destroyed, this, [this] { SetDocument(nullptr); });
        if (isVisible())
            Refresh();
    } else {
        stale_ = false;
        showMessage(kNoDocument);
    }
}

void TOutlinePanel::DocumentTextChanged(TQX_PluginWindow* window)
{
    if (!window || window != document_)
        return;
    stale_ = true;
    if (isVisible())
        delay_->start();
}

void TOutlinePanel::showEvent(QShowEvent* event)
{
    build();
    QDockWidget::showEvent(event);
    filter_->setClearButtonEnabled(true);
    if (stale_ && document_)
        Refresh();
}

void TOutlinePanel::Refresh()
{
    delay_->stop();
    if (!document_) {
        SetDocument(nullptr);
        return;
    }
    stale_ = false;
    startRead();
}

void TOutlinePanel::startRead()
{
    cancelReads();
    TQX_PluginWindow* window = document_;
    if (!window->Commands.Contains(QXC_GETTEXT)) {
        showMessage(kNoText);
        return;
    }
    TQX_DocumentText text;
    text.MaxLength = maxTextLength_;
    try {
        window->Command(QXC_GETTEXT, &text);
    } catch (...) {
        showMessage(kTextFailed);
        return;
    }
    if (text.TooLong || (maxTextLength_ > 0 && text.Text.size() > maxTextLength_)) {
        const qint64 length = std::max<qint64>(text.Length, text.Text.size());
        showMessage(kTooLarge.arg(qx::FileSizeText(length), qx::FileSizeText(maxTextLength_)));
        return;
    }

    TOutlineRequest request;
    request.Text = text.Text;
    request.Language = text.Language;
    request.FileName = window->FileName;
    request.Program = program_;
    // A window may report changes that left the text as it was (a large
    // document's editor reports its display updates): the list stays.
    if (shown_ && request.Text == shown_->Text && request.Language == shown_->Language
        && request.FileName == shown_->FileName && request.Program == shown_->Program)
        return;
    pending_ = request;
    auto cancel = std::make_shared<std::atomic_bool>(false);
    const int serial = ++serial_;
    reading_ = true;
    QThread* thread = QThread::create([this, request, cancel, serial] {
        TOutlineResult result = RunOutlineParser(request, *cancel);
        // The panel waits for its threads before it goes, so it is here to
        // receive the call.
        QMetaObject::invokeMethod(
            this, [this, serial, result = std::move(result)] { applyResult(serial, result); }, Qt::QueuedConnection);
    });
    thread->setObjectName(QStringLiteral("OutlineReader"));
    connect(thread, &QThread::finished, this, [this, thread] {
        for (auto it = jobs_.begin(); it != jobs_.end(); ++it) {
            if (it->thread == thread) {
                jobs_.erase(it);
                break;
            }
        }
        thread->deleteLater();
    });
    jobs_.push_back({serial, cancel, thread});
    thread->start();
    busy_->start();
}

void TOutlinePanel::cancelReads()
{
    reading_ = false;
    for (Job& job : jobs_)
        *job.cancel = true;
}

void TOutlinePanel::applyResult(int serial, const TOutlineResult& result)
{
    // Only the newest read counts; older ones were cancelled or overtaken.
    if (serial != serial_ || !document_)
        return;
    build();
    reading_ = false;
    using S = TOutlineStatus;
    switch (result.Status) {
    case S::Cancelled:
        return;
    case S::Ok:
        if (result.Symbols.empty()) {
            showMessage(kNoSymbols);
        } else {
            fillModel(result.Symbols);
            shown_ = pending_;
            note_->setText(result.Truncated
                    ? QStringLiteral("Zobrazeno prvních %1 symbolů.").arg(QLocale(QLocale::Czech).toString(kMaxOutlineSymbols))
                    : QString());
            note_->setVisible(result.Truncated);
        }
        break;
    case S::NoLanguage:
        showMessage(kNoLanguage);
        break;
    case S::ProgramMissing:
        showMessage(kProgramMissing);
        // Showing the panel again tries again (once the program is installed).
        stale_ = true;
        break;
    case S::Failed:
        showMessage(kFailed.arg(result.Error));
        stale_ = true;
        break;
    case S::TimedOut:
        showMessage(kTimedOut);
        stale_ = true;
        break;
    }
    emit Updated();
}

void TOutlinePanel::showMessage(const QString& text)
{
    build();
    shown_.reset();
    model_->clear();
    message_->setText(text);
    pages_->setCurrentWidget(message_);
    filter_->setEnabled(false);
    note_->hide();
    note_->clear();
}

QString TOutlinePanel::MessageText() const
{
    if (!view_)
        return kNoDocument;
    return pages_->currentWidget() == message_ ? message_->text() : QString();
}

QString TOutlinePanel::NoteText() const
{
    return note_ && !note_->isHidden() ? note_->text() : QString();
}

QString TOutlinePanel::keyOf(const QModelIndex& sourceIndex) const
{
    return sourceIndex.data(kOutlineKeyRole).toString();
}

void TOutlinePanel::fillModel(const std::vector<TOutlineSymbol>& symbols)
{
    // What the user had arranged survives the new list: the folded
    // branches, the chosen symbol and the scroll position, each found again
    // by its path of names.
    QSet<QString> collapsed;
    for (int row = 0; row < model_->rowCount(); ++row) {
        std::vector<QStandardItem*> pending {model_->item(row)};
        while (!pending.empty()) {
            QStandardItem* item = pending.back();
            pending.pop_back();
            if (item->hasChildren()) {
                const QModelIndex shown = proxy_->mapFromSource(item->index());
                if (shown.isValid() && !view_->isExpanded(shown))
                    collapsed.insert(item->data(kOutlineKeyRole).toString());
                for (int child = 0; child < item->rowCount(); ++child)
                    pending.push_back(item->child(child));
            }
        }
    }
    QString current = keyOf(proxy_->mapToSource(view_->currentIndex()));
    const int scroll = view_->verticalScrollBar()->value();

    // The new tree is built in a model no view watches yet and handed over
    // whole: rows added to the shown model would each be reported on their
    // own. (Parents go into the model before their members: members added
    // to a parent outside any model do not learn the model.)
    auto* fresh = new QStandardItemModel(this);
    std::vector<TOutlineItem*> items;
    items.reserve(symbols.size());
    for (const TOutlineSymbol& symbol : symbols) {
        auto* item = new TOutlineItem(symbol);
        if (symbol.Parent >= 0)
            items[size_t(symbol.Parent)]->appendRow(item);
        else
            fresh->appendRow(item);
        items.push_back(item);
    }
    proxy_->setSourceModel(fresh);
    delete model_;
    model_ = fresh;
    pages_->setCurrentWidget(view_);
    filter_->setEnabled(true);
    view_->expandAll();
    if (!collapsed.isEmpty() || !current.isEmpty()) {
        for (TOutlineItem* item : items) {
            const bool folds = item->hasChildren() && !collapsed.isEmpty();
            if (!folds && current.isEmpty())
                continue;
            const QString key = item->Key();
            if (folds && collapsed.contains(key))
                view_->collapse(proxy_->mapFromSource(item->index()));
            if (key == current) {
                view_->setCurrentIndex(proxy_->mapFromSource(item->index()));
                current.clear();
            }
        }
    }
    view_->verticalScrollBar()->setValue(scroll);
}

QModelIndex TOutlinePanel::firstMatch() const
{
    // Depth first through what the filter left: the first symbol whose own
    // name holds the filter text (its parents are shown only to place it).
    const QString text = filter_->text();
    std::vector<QModelIndex> pending;
    for (int row = proxy_->rowCount() - 1; row >= 0; --row)
        pending.push_back(proxy_->index(row, 0));
    while (!pending.empty()) {
        const QModelIndex index = pending.back();
        pending.pop_back();
        if (index.data().toString().contains(text, Qt::CaseInsensitive))
            return index;
        for (int row = proxy_->rowCount(index) - 1; row >= 0; --row)
            pending.push_back(proxy_->index(row, 0, index));
    }
    return {};
}

void TOutlinePanel::JumpTo(const QModelIndex& viewIndex, bool focus)
{
    TQX_PluginWindow* window = document_;
    const int line = viewIndex.data(kOutlineLineRole).toInt();
    if (!window || line <= 0)
        return;
    if (OnShowDocument)
        OnShowDocument(window, focus);
    if (!window->Commands.Contains(QXC_GOTOLINE))
        return;
    TQX_TextPosition position;
    position.Line = line;
    window->Command(QXC_GOTOLINE, &position);
}

bool TOutlinePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Esc in the filter clears it; Down or Enter go to the list.
        if (watched == filter_) {
            if (key->key() == Qt::Key_Escape && !filter_->text().isEmpty()) {
                filter_->clear();
                return true;
            }
            if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                view_->setFocus();
                if (!view_->currentIndex().isValid() || !filter_->text().isEmpty())
                    view_->setCurrentIndex(firstMatch());
                if (key->key() != Qt::Key_Down)
                    JumpTo(view_->currentIndex(), true);
                return true;
            }
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

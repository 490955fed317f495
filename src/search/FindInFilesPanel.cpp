#include "search/FindInFilesPanel.h"

#include "ui/PanelSupport.h"
#include "ui/WindowLifetime.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <climits>

namespace {

// How often the GUI looks at a running search, sooner while found lines
// wait to be listed, and how long it may spend listing them each time: a
// turn of the event loop stays short however much is found.
const int kPollMs = 50;
const int kBacklogPollMs = 15;
const qint64 kListingBudgetNs = 4'000'000;
// Lines converted between two looks at the clock.
const size_t kRowsPerBatch = 32;

QString number(uint64_t n)
{
    return QLocale(QLocale::Czech, QLocale::CzechRepublic).toString(qulonglong(n));
}

QString seconds(qint64 ms)
{
    return QLocale(QLocale::Czech, QLocale::CzechRepublic).toString(double(ms) / 1000.0, 'f', 2)
        + QStringLiteral(" s");
}

// Line breaks, tabs and other control characters would upset one row of
// text; each becomes one blank, so offsets stay as they are.
void blankControls(QString& text)
{
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
}

const QString kHowToStart = QStringLiteral("Hledání v souborech spustíte klávesami Ctrl+Shift+F.");
const QString kEllipsis = QStringLiteral("…");

} // namespace

// One listed line.
struct TFindInFilesRow {
    QString File; // the full path
    QString Prefix; // "relative/path:line:"
    QString Text; // the line as shown, with "…" where it was cut
    int Line = 0;
    int Column = 0;
    std::vector<std::pair<int, int>> Spans; // start and length in Text
};

class TFindInFilesModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(rows_.size()); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= int(rows_.size()))
            return {};
        const TFindInFilesRow& row = rows_[size_t(index.row())];
        if (role == Qt::DisplayRole)
            return row.Prefix + QLatin1Char(' ') + row.Text;
        if (role == Qt::ToolTipRole)
            return row.File + QLatin1Char(':') + QString::number(row.Line);
        return {};
    }

    const TFindInFilesRow& Row(int row) const { return rows_[size_t(row)]; }

    void Append(std::vector<TFindInFilesRow>&& rows)
    {
        if (rows.empty())
            return;
        beginInsertRows({}, int(rows_.size()), int(rows_.size() + rows.size()) - 1);
        std::move(rows.begin(), rows.end(), std::back_inserter(rows_));
        endInsertRows();
    }

    void Clear()
    {
        beginResetModel();
        rows_.clear();
        endResetModel();
    }

private:
    std::vector<TFindInFilesRow> rows_;
};

namespace {

// Draws a row as its reference in the link colour, then the line with the
// matches on a marker background. A match beyond the right edge is brought
// into view by leaving out the start of the line.
class TResultDelegate : public QStyledItemDelegate {
public:
    TResultDelegate(const TFindInFilesModel* model, QObject* parent)
        : QStyledItemDelegate(parent)
        , model_(model)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        const TFindInFilesRow& row = model_->Row(index.row());
        const QFontMetrics metrics(opt.font);
        const QRect area = opt.rect.adjusted(4, 0, -4, 0);
        const bool selected = opt.state.testFlag(QStyle::State_Selected);
        const QColor textColour = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        const QColor linkColour = selected ? textColour : opt.palette.color(QPalette::Link);
        const int baseline = area.top() + (area.height() - metrics.height()) / 2 + metrics.ascent();

        painter->save();
        painter->setClipRect(opt.rect);
        painter->setFont(opt.font);
        int x = area.left();
        painter->setPen(linkColour);
        painter->drawText(x, baseline, row.Prefix);
        x += metrics.horizontalAdvance(row.Prefix + QLatin1Char(' '));

        QString text = row.Text;
        std::vector<std::pair<int, int>> spans = row.Spans;
        if (!spans.empty()) {
            const int matchEnd = x + metrics.horizontalAdvance(text.left(spans[0].first + spans[0].second));
            if (matchEnd > area.right()) {
                // Start a third of the free width before the match.
                const int keep = (area.right() - x) / 3;
                int from = spans[0].first;
                while (from > 0 && metrics.horizontalAdvance(text.mid(from - 1, spans[0].first - from + 1)) < keep)
                    --from;
                text = kEllipsis + text.mid(from);
                for (auto& [start, length] : spans) {
                    const int shifted = std::max(start - from, 0);
                    length = std::max(0, start + length - from - shifted);
                    start = shifted + int(kEllipsis.size());
                }
            }
        }
        int done = 0;
        const QColor marker(255, 214, 0, selected ? 170 : 200);
        for (const auto& [start, length] : spans) {
            if (start < done)
                continue;
            const QString plain = text.mid(done, start - done);
            painter->setPen(textColour);
            painter->drawText(x, baseline, plain);
            x += metrics.horizontalAdvance(plain);
            const QString found = text.mid(start, length);
            const int width = metrics.horizontalAdvance(found);
            painter->fillRect(QRect(x, area.top() + 1, std::max(width, 2), area.height() - 2), marker);
            painter->setPen(selected ? textColour : QColor(Qt::black));
            painter->drawText(x, baseline, found);
            x += width;
            done = start + length;
        }
        painter->setPen(textColour);
        painter->drawText(x, baseline, text.mid(done));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return {100, QFontMetrics(option.font).height() + 4};
    }

private:
    const TFindInFilesModel* model_;
};

TFindInFilesRow makeRow(const TFileSearchMatch& match, const std::string& folder)
{
    TFindInFilesRow row;
    row.File = QFile::decodeName(QByteArray::fromStdString(match.File));
    const std::string within = folder.back() == '/' ? folder : folder + '/';
    const QString shown = match.File.compare(0, within.size(), within) == 0
        ? QFile::decodeName(QByteArray::fromStdString(match.File.substr(within.size())))
        : row.File;
    row.Line = int(std::min<int64_t>(match.Line, INT_MAX));
    row.Column = int(std::min<int64_t>(match.Column, INT_MAX));
    row.Prefix = shown + QLatin1Char(':') + QString::number(match.Line) + QLatin1Char(':');

    // The line is decoded piece by piece so that the marked matches keep
    // their places in characters.
    if (match.CutBefore)
        row.Text = kEllipsis;
    size_t done = 0;
    const char* bytes = match.Text.data();
    for (const auto& [offset, length] : match.Spans) {
        if (offset < done || offset + length > match.Text.size())
            continue;
        row.Text += QString::fromUtf8(bytes + done, qsizetype(offset - done));
        const int start = int(row.Text.size());
        row.Text += QString::fromUtf8(bytes + offset, qsizetype(length));
        row.Spans.emplace_back(start, int(row.Text.size()) - start);
        done = offset + length;
    }
    row.Text += QString::fromUtf8(bytes + done, qsizetype(match.Text.size() - done));
    if (match.CutAfter)
        row.Text += kEllipsis;
    blankControls(row.Text);
    return row;
}

} // namespace

TFindInFilesPanel::TFindInFilesPanel(QWidget* parent)
    : QDockWidget(QStringLiteral("Výsledky hledání"), parent)
{
    setObjectName(QStringLiteral("FindInFilesToolWindow"));
    model_ = new TFindInFilesModel(this);
    poll_ = new QTimer(this);
    poll_->setInterval(kPollMs);
    connect(poll_, &QTimer::timeout, this, &TFindInFilesPanel::poll);
}

// The panel is hidden at most starts; its list with the fixed font and its
// buttons with their theme images wait until it is wanted.
void TFindInFilesPanel::build()
{
    if (view_)
        return;
    auto* body = new QWidget(this);
    status_ = new QLabel(kHowToStart, body);
    status_->setObjectName(QStringLiteral("FindInFilesStatus"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setMinimumWidth(100);
    // A long status (a search with everything to report) takes a second line.
    status_->setWordWrap(true);
    stop_ = NewPanelButton(body, "FindInFilesStop", QStringLiteral("Zastavit"), QStringLiteral("Zastavit hledání"), "process-stop");
    stop_->setEnabled(false);
    clear_ = NewPanelButton(body, "FindInFilesClear", QStringLiteral("Vymazat"), QStringLiteral("Vymazat výsledky hledání"),
        "edit-clear");

    view_ = new QListView(body);
    view_->setObjectName(QStringLiteral("FindInFilesList"));
    view_->setModel(model_);
    view_->setItemDelegate(new TResultDelegate(model_, view_));
    view_->setUniformItemSizes(true);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view_->installEventFilter(this);

    LayOutResultsPanel(this, body, status_, stop_, clear_, view_);

    connect(stop_, &QToolButton::clicked, this, &TFindInFilesPanel::Stop);
    connect(clear_, &QToolButton::clicked, this, &TFindInFilesPanel::Clear);
    connect(view_, &QListView::clicked, this, [this](const QModelIndex& index) { OpenResult(index.row()); });
}

TFindInFilesPanel::~TFindInFilesPanel()
{
    StopWatchingChildren(this);
}

void TFindInFilesPanel::showEvent(QShowEvent* event)
{
    build();
    QDockWidget::showEvent(event);
}

bool TFindInFilesPanel::Start(const TFileSearchOptions& options, QString* error)
{
    auto search = std::make_unique<TFileSearch>(options);
    std::string reason;
    if (!search->Prepare(reason)) {
        if (error)
            *error = QString::fromStdString(reason);
        return false;
    }
    build();
    Clear();
    search_ = std::move(search);
    folder_ = QFile::decodeName(QByteArray::fromStdString(search_->Options().Folder));
    what_ = QString::fromStdString(options.Match.Text);
    QString tip = QStringLiteral("Složka: %1").arg(folder_);
    if (!options.Patterns.empty())
        tip += QStringLiteral("\nSoubory: %1").arg(QString::fromStdString(options.Patterns));
    status_->setToolTip(tip);
    clock_.start();
    search_->Start();
    poll_->start();
    stop_->setEnabled(true);
    showStatus();
    return true;
}

bool TFindInFilesPanel::IsRunning() const
{
    return poll_->isActive();
}

void TFindInFilesPanel::Stop()
{
    if (search_)
        search_->Stop();
}

void TFindInFilesPanel::Clear()
{
    build();
    if (search_) {
        // The search is finished or stopped before it goes.
        poll_->stop();
        search_->Stop();
        search_->Wait();
        search_.reset();
        stop_->setEnabled(false);
    }
    waiting_.clear();
    waitingFrom_ = 0;
    model_->Clear();
    status_->setText(QString());
    status_->setToolTip(QString());
}

QString TFindInFilesPanel::StatusText() const
{
    return status_ ? status_->text() : kHowToStart;
}

int TFindInFilesPanel::ResultCount() const
{
    return model_->rowCount();
}

QString TFindInFilesPanel::ResultText(int row) const
{
    return model_->data(model_->index(row), Qt::DisplayRole).toString();
}

void TFindInFilesPanel::OpenResult(int row)
{
    if (row < 0 || row >= model_->rowCount() || !OnOpenLocation)
        return;
    const TFindInFilesRow& result = model_->Row(row);
    OnOpenLocation(result.File, result.Line, result.Column);
}

bool TFindInFilesPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            OpenResult(view_->currentIndex().row());
            return true;
        }
        if (key->matches(QKeySequence::Copy)) {
            QModelIndexList rows = view_->selectionModel()->selectedRows();
            std::sort(rows.begin(), rows.end());
            QStringList lines;
            for (const QModelIndex& index : rows) {
                const TFindInFilesRow& row = model_->Row(index.row());
                lines << row.File + QLatin1Char(':') + QString::number(row.Line) + QStringLiteral(": ") + row.Text;
            }
            if (!lines.isEmpty())
                QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

void TFindInFilesPanel::poll()
{
    if (!search_) {
        poll_->stop();
        return;
    }
    // Whatever the search found before it finished is taken after this check.
    const bool finished = search_->Finished();
    std::vector<TFileSearchMatch> taken = search_->TakeMatches();
    if (!taken.empty()) {
        if (waitingFrom_ >= waiting_.size()) {
            waiting_ = std::move(taken);
            waitingFrom_ = 0;
        } else {
            std::move(taken.begin(), taken.end(), std::back_inserter(waiting_));
        }
    }
    if (waitingFrom_ < waiting_.size()) {
        QElapsedTimer budget;
        budget.start();
        std::vector<TFindInFilesRow> rows;
        while (waitingFrom_ < waiting_.size() && budget.nsecsElapsed() < kListingBudgetNs) {
            const size_t end = std::min(waiting_.size(), waitingFrom_ + kRowsPerBatch);
            for (; waitingFrom_ < end; ++waitingFrom_)
                rows.push_back(makeRow(waiting_[waitingFrom_], search_->Options().Folder));
        }
        model_->Append(std::move(rows));
    }
    const bool listed = waitingFrom_ >= waiting_.size();
    poll_->setInterval(listed ? kPollMs : kBacklogPollMs);
    if (listed) {
        waiting_.clear();
        waitingFrom_ = 0;
    }
    if (finished && listed) {
        search_->Wait();
        elapsed_ = clock_.elapsed();
        poll_->stop();
        stop_->setEnabled(false);
    }
    showStatus();
    if (finished && listed)
        emit Finished();
}

void TFindInFilesPanel::showStatus()
{
    if (!search_)
        return;
    build();
    const TFileSearchProgress p = search_->Progress();
    QStringList parts {QStringLiteral("prohledáno souborů: %1").arg(number(p.FilesSearched)),
        QStringLiteral("shod: %1 v souborech: %2").arg(number(p.Matches), number(p.FilesMatched))};
    if (p.BinarySkipped)
        parts << QStringLiteral("binárních vynecháno: %1").arg(number(p.BinarySkipped));
    if (p.Unreadable)
        parts << QStringLiteral("nečitelných: %1").arg(number(p.Unreadable));
    if (p.TooComplex)
        parts << QStringLiteral("řádků příliš složitých pro výraz: %1").arg(number(p.TooComplex));
    if (p.Matches > search_->Options().MaxResults)
        parts << QStringLiteral("zobrazeno prvních %1").arg(number(search_->Options().MaxResults));
    QString head;
    if (IsRunning())
        head = QStringLiteral("Hledá se „%1“…").arg(what_);
    else if (search_->WasStopped())
        head = QStringLiteral("Hledání „%1“ zastaveno (%2):").arg(what_, seconds(elapsed_));
    else
        head = QStringLiteral("Hledání „%1“ dokončeno (%2):").arg(what_, seconds(elapsed_));
    status_->setText(head + QLatin1Char(' ') + parts.join(QStringLiteral(", ")));
    if (!IsRunning() && p.Unreadable) {
        QString tip = QStringLiteral("Složka: %1\nNelze číst:").arg(folder_);
        for (const std::string& path : search_->UnreadablePaths())
            tip += QLatin1Char('\n') + QFile::decodeName(QByteArray::fromStdString(path));
        if (p.Unreadable > search_->UnreadablePaths().size())
            tip += QStringLiteral("\n…");
        status_->setToolTip(tip);
    }
}

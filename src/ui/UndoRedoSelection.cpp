#include "ui/UndoRedoSelection.h"

#include "kernel/Settings.h"
#include "ui/RaisedFrame.h"
#include "ui/WindowLifetime.h"

#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char* const kStrings[] = {"Zpět 1 akci", "Opakovat 1 akci", "Storno", "Zpět %1 akcí", "Opakovat %1 akcí"};

QString text(int i)
{
    return QString::fromUtf8(kStrings[i]);
}

// Items up to the selected one are drawn highlighted, so the selection always
// reads as "this many steps from the top".
class RunDelegate : public QStyledItemDelegate {
public:
    explicit RunDelegate(QListWidget* list)
        : QStyledItemDelegate(list)
        , list_(list)
    {
    }
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        bool inRun = index.row() <= list_->currentRow();
        const QPalette& pal = option.palette;
        p->fillRect(option.rect, inRun ? pal.highlight() : pal.base());
        p->setPen(inRun ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
        p->drawText(option.rect.adjusted(5, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, index.data().toString());
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        // 13 pixels fit the classic 8-point dialog font; a larger font gets
        // the rows it needs instead of clipped text.
        return {QStyledItemDelegate::sizeHint(option, index).width(), std::max(13, option.fontMetrics.height() + 2)};
    }

private:
    QListWidget* list_;
};

} // namespace

TUndoRedoSelectionForm::~TUndoRedoSelectionForm()
{
    StopWatchingChildren(this);
}

TUndoRedoSelectionForm::TUndoRedoSelectionForm(Mode mode, const QStringList& steps, std::function<void(int)> perform, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
    , mode_(mode)
    , perform_(std::move(perform))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(QFont(QString::fromStdString(GetShellFont())));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(1);
    ListBox = new QListWidget(this);
    ListBox->setItemDelegate(new RunDelegate(ListBox));
    ListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox->setMouseTracking(true);
    ListBox->addItems(steps);
    ListBox->viewport()->installEventFilter(this);
    layout->addWidget(ListBox);
    StatusBar = new QLabel(this);
    StatusBar->setAlignment(Qt::AlignCenter);
    StatusBar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar->setFixedHeight(20);
    StatusBar->installEventFilter(this);
    layout->addWidget(StatusBar);
    setFixedSize(237, 163);

    if (ListBox->count() > 0)
        ListBox->setCurrentRow(0);
    lastIndex_ = 0;
    StatusBar->setText(text(mode_ == Mode::Undo ? 0 : 1));
}

QString TUndoRedoSelectionForm::StatusText() const
{
    int count = ListBox->count() == 0 ? 0 : ListBox->currentRow() + 1;
    return text(mode_ == Mode::Undo ? 3 : 4).arg(count);
}

void TUndoRedoSelectionForm::selectionMoved(int index)
{
    if (index >= 0)
        ListBox->setCurrentRow(index);
    ListBox->viewport()->update();
    StatusBar->setText(StatusText());
    lastIndex_ = ListBox->currentRow();
}

void TUndoRedoSelectionForm::Choose(int index)
{
    if (index >= 0 && index < ListBox->count())
        ListBox->setCurrentRow(index);
    int count = ListBox->currentRow() >= 0 ? ListBox->currentRow() + 1 : 0;
    auto perform = perform_;
    close();
    if (perform && count > 0)
        perform(count);
}

bool TUndoRedoSelectionForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListBox->viewport()) {
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(event);
            int row = ListBox->indexAt(me->position().toPoint()).row();
            if (event->type() == QEvent::MouseButtonPress || (row >= 0 && row != lastIndex_))
                selectionMoved(row);
            return event->type() == QEvent::MouseButtonPress;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* me = static_cast<QMouseEvent*>(event);
            int row = ListBox->indexAt(me->position().toPoint()).row();
            if (row >= 0)
                Choose(row);
            return true;
        }
    } else if (watched == StatusBar) {
        if (event->type() == QEvent::Enter)
            StatusBar->setText(text(2));
        else if (event->type() == QEvent::Leave)
            StatusBar->setText(StatusText());
        else if (event->type() == QEvent::MouseButtonRelease)
            close();
    }
    return QWidget::eventFilter(watched, event);
}

void TUndoRedoSelectionForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintRaisedDoubleFrame(p, *this);
}

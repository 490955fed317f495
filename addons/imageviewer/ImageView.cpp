#include "ImageView.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMinZoom = 1.0 / 64, kMaxZoom = 64;
// Each zoom step multiplies or divides by this.
constexpr double kZoomStep = 1.25;

QBrush checkerBrush()
{
    QImage tile(16, 16, QImage::Format_RGB32);
    tile.fill(QColor(0xff, 0xff, 0xff));
    QPainter p(&tile);
    p.fillRect(0, 0, 8, 8, QColor(0xdd, 0xdd, 0xdd));
    p.fillRect(8, 8, 8, 8, QColor(0xdd, 0xdd, 0xdd));
    return QBrush(tile);
}

} // namespace

TImageView::TImageView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("imageView"));
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
}

TImageView::~TImageView() = default;

void TImageView::SetImage(const QImage& image, bool keepView)
{
    drawing_.reset();
    image_ = image;
    scaled_ = QImage();
    scaledZoom_ = 0;
    if (!keepView)
        fit_ = true;
    applyZoom(fit_ ? fitZoom() : zoom_, QPointF());
}

void TImageView::SetDrawing(std::unique_ptr<QSvgRenderer> renderer, bool keepView)
{
    image_ = QImage();
    scaled_ = QImage();
    drawing_ = std::move(renderer);
    if (!keepView)
        fit_ = true;
    applyZoom(fit_ ? fitZoom() : zoom_, QPointF());
}

void TImageView::Clear()
{
    image_ = QImage();
    scaled_ = QImage();
    drawing_.reset();
    updateScrollBars();
    viewport()->update();
}

bool TImageView::IsEmpty() const
{
    return image_.isNull() && !drawing_;
}

QImage TImageView::Picture() const
{
    if (!drawing_)
        return image_;
    QImage picture(drawing_->defaultSize(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    drawing_->render(&painter);
    return picture;
}

QSize TImageView::PictureSize() const
{
    if (drawing_)
        return drawing_->defaultSize();
    return image_.size();
}

double TImageView::fitZoom() const
{
    const QSize picture = PictureSize();
    if (picture.isEmpty())
        return 1;
    const double zoom = std::min(double(viewport()->width()) / picture.width(), double(viewport()->height()) / picture.height());
    // Small raster images keep their pixels; drawings scale up as well.
    return std::clamp(drawing_ ? zoom : std::min(zoom, 1.0), kMinZoom, kMaxZoom);
}

void TImageView::SetZoom(double zoom)
{
    fit_ = false;
    applyZoom(zoom, QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
}

void TImageView::ZoomIn()
{
    SetZoom(zoom_ * kZoomStep);
}

void TImageView::ZoomOut()
{
    SetZoom(zoom_ / kZoomStep);
}

void TImageView::SetFit(bool fit)
{
    fit_ = fit;
    if (fit)
        applyZoom(fitZoom(), QPointF());
    else
        emit ZoomChanged();
}

void TImageView::SetBackground(TBackground background)
{
    background_ = background;
    viewport()->update();
}

// Changes the zoom keeping the picture point under anchor (viewport
// coordinates) where it is.
void TImageView::applyZoom(double zoom, const QPointF& anchor)
{
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    const QRectF before = pictureRect();
    const QPointF point = before.width() > 0 ? (anchor - before.topLeft()) / zoom_ : QPointF();
    zoom_ = zoom;
    updateScrollBars();
    if (!anchor.isNull()) {
        const QPointF target = point * zoom_ - anchor;
        horizontalScrollBar()->setValue(int(std::lround(target.x())));
        verticalScrollBar()->setValue(int(std::lround(target.y())));
    }
    viewport()->update();
    emit ZoomChanged();
}

void TImageView::updateScrollBars()
{
    const QSize picture = PictureSize();
    const QSize shown(int(std::ceil(picture.width() * zoom_)), int(std::ceil(picture.height() * zoom_)));
    const QSize area = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, shown.width() - area.width()));
    verticalScrollBar()->setRange(0, std::max(0, shown.height() - area.height()));
    horizontalScrollBar()->setPageStep(area.width());
    verticalScrollBar()->setPageStep(area.height());
    horizontalScrollBar()->setSingleStep(24);
    verticalScrollBar()->setSingleStep(24);
}

QRectF TImageView::pictureRect() const
{
    const QSize picture = PictureSize();
    const QSizeF shown(picture.width() * zoom_, picture.height() * zoom_);
    const QSize area = viewport()->size();
    // Centred when smaller than the window, scrolled when larger.
    const double x = shown.width() < area.width() ? (area.width() - shown.width()) / 2 : -horizontalScrollBar()->value();
    const double y = shown.height() < area.height() ? (area.height() - shown.height()) / 2 : -verticalScrollBar()->value();
    return QRectF(QPointF(x, y), shown);
}

void TImageView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const QColor around = background_ == TBackground::Dark ? QColor(0x2d, 0x33, 0x3b) : QColor(0xf6, 0xf8, 0xfa);
    painter.fillRect(viewport()->rect(), around);
    if (IsEmpty())
        return;
    const QRectF target = pictureRect();
    const QRectF visible = target.intersected(QRectF(viewport()->rect()));
    if (visible.isEmpty())
        return;
    if (background_ == TBackground::Checker)
        painter.fillRect(visible, checkerBrush());
    else
        painter.fillRect(visible, background_ == TBackground::Dark ? QColor(0x1c, 0x21, 0x28) : Qt::white);
    if (drawing_) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipRect(visible);
        drawing_->render(&painter, target);
        return;
    }
    if (zoom_ < 1) {
        // Scaled once per zoom, smoothly; painting then copies pixels.
        if (scaledZoom_ != zoom_ || scaled_.isNull()) {
            scaled_ = image_.scaled(QSize(std::max(1, int(std::lround(target.width()))), std::max(1, int(std::lround(target.height())))),
                Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            scaledZoom_ = zoom_;
        }
        const QRectF source(visible.topLeft() - target.topLeft(), visible.size());
        painter.drawImage(visible, scaled_, source);
        return;
    }
    // 100 % and above: only the visible pixels are drawn, unsmoothed.
    const QRectF source((visible.left() - target.left()) / zoom_, (visible.top() - target.top()) / zoom_,
        visible.width() / zoom_, visible.height() / zoom_);
    painter.drawImage(visible, image_, source);
}

void TImageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (fit_)
        applyZoom(fitZoom(), QPointF());
    else
        updateScrollBars();
}

void TImageView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TImageView::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier))
        return QAbstractScrollArea::wheelEvent(event);
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return;
    fit_ = false;
    applyZoom(zoom_ * std::pow(kZoomStep, steps), event->position());
    event->accept();
}

void TImageView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomIn();
        return;
    case Qt::Key_Minus:
        ZoomOut();
        return;
    case Qt::Key_0:
    case Qt::Key_1:
        SetZoom(1);
        return;
    case Qt::Key_F:
    case Qt::Key_Asterisk:
        SetFit(!fit_);
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void TImageView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        dragFrom_ = event->position().toPoint();
        dragging_ = true;
        viewport()->setCursor(Qt::ClosedHandCursor);
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void TImageView::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    const QPoint delta = event->position().toPoint() - dragFrom_;
    dragFrom_ = event->position().toPoint();
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - delta.x());
    verticalScrollBar()->setValue(verticalScrollBar()->value() - delta.y());
}

void TImageView::mouseReleaseEvent(QMouseEvent* event)
{
    dragging_ = false;
    viewport()->unsetCursor();
    QAbstractScrollArea::mouseReleaseEvent(event);
}

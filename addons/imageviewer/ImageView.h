#pragma once
// The image viewer's view: a raster image or an SVG drawing at a zoom
// factor, centred when smaller than the window, scrolled when larger, or
// fitted to the window. Shrunk raster images are scaled smoothly once per
// zoom; enlarged ones show their pixels.
#include <QAbstractScrollArea>
#include <QImage>

#include <memory>

class QSvgRenderer;

class TImageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class TBackground { Checker, Light, Dark };

    explicit TImageView(QWidget* parent = nullptr);
    ~TImageView() override;

    // Shows a raster image, or (renderer not null) an SVG drawing; keeps the
    // zoom and the scroll position when keepView is set (a reload).
    void SetImage(const QImage& image, bool keepView);
    void SetDrawing(std::unique_ptr<QSvgRenderer> renderer, bool keepView);
    void Clear();
    bool IsEmpty() const;
    // The picture at 100 % (a drawing rendered at its own size).
    QImage Picture() const;
    // Size of the picture at 100 %.
    QSize PictureSize() const;

    double Zoom() const { return zoom_; }
    // Sets the zoom (clipped to 1/64 .. 64) and leaves fitting.
    void SetZoom(double zoom);
    void ZoomIn();
    void ZoomOut();
    bool Fit() const { return fit_; }
    // Fitting follows the window's size: shrinks big pictures to the window
    // and shows small raster images at 100 %.
    void SetFit(bool fit);
    void SetBackground(TBackground background);

signals:
    void ZoomChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    double fitZoom() const;
    void applyZoom(double zoom, const QPointF& anchor);
    void updateScrollBars();
    QRectF pictureRect() const;

    QImage image_;
    std::unique_ptr<QSvgRenderer> drawing_;
    // The image scaled smoothly to the current zoom (below 100 % only).
    QImage scaled_;
    double scaledZoom_ = 0;
    double zoom_ = 1;
    bool fit_ = true;
    TBackground background_ = TBackground::Checker;
    QPoint dragFrom_;
    bool dragging_ = false;
};

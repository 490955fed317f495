#include "ui/RaisedFrame.h"

#include <QPainter>
#include <QWidget>

void PaintRaisedDoubleFrame(QPainter& p, const QWidget& w)
{
    const QPalette& pal = w.palette();
    QRect r = w.rect().adjusted(0, 0, -1, -1);
    auto frame = [&](const QRect& rc, const QColor& topLeft, const QColor& bottomRight) {
        p.setPen(topLeft);
        p.drawLine(rc.topLeft(), rc.topRight());
        p.drawLine(rc.topLeft(), rc.bottomLeft());
        p.setPen(bottomRight);
        p.drawLine(rc.bottomLeft(), rc.bottomRight());
        p.drawLine(rc.topRight(), rc.bottomRight());
    };
    frame(r, pal.color(QPalette::Light), pal.color(QPalette::Shadow));
    frame(r.adjusted(1, 1, -1, -1), pal.color(QPalette::Midlight), pal.color(QPalette::Dark));
}

#include "ui/LogoBanner.h"

#include <QLinearGradient>
#include <QPainter>

namespace {

// The logo's background runs diagonally from the first colour to the second;
// its right edge goes from the middle colour at the top to the second colour
// at the bottom, and the banner continues it from there.
const QColor kFrom(0x1d, 0x35, 0x57);
const QColor kTo(0x2a, 0x6f, 0x97);

QColor mix(double t)
{
    return QColor::fromRgbF(kFrom.redF() + (kTo.redF() - kFrom.redF()) * t,
        kFrom.greenF() + (kTo.greenF() - kFrom.greenF()) * t, kFrom.blueF() + (kTo.blueF() - kFrom.blueF()) * t);
}

} // namespace

TLogoBanner::TLogoBanner(QWidget* parent)
    : QWidget(parent)
    , logo_(QStringLiteral(":/images/DIALOG_LOGO_400X90"))
{
    setObjectName(QStringLiteral("Logo"));
    setFixedHeight(logo_.height());
    setMinimumWidth(logo_.width());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TLogoBanner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (width() > logo_.width()) {
        QLinearGradient rest(0, 0, 0, height());
        rest.setColorAt(0, mix(0.5));
        rest.setColorAt(1, mix(1.0));
        p.fillRect(QRect(logo_.width(), 0, width() - logo_.width(), height()), rest);
    }
    p.drawPixmap(0, 0, logo_);
}

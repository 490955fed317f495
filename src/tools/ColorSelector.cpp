#include "tools/ColorSelector.h"

#include "kernel/Settings.h"
#include "tools/RaisedFrame.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

const QList<QColor>& TColorSelectorForm::Palette()
{
    static const QList<QColor> colors = [] {
        QList<QColor> list;
        for (const char* name : {"#000000", "#993300", "#333300", "#003300", "#003366", "#000080", "#333399", "#333333",
                 "#800000", "#ff6600", "#808000", "#008000", "#008080", "#0000ff", "#666699", "#808080",
                 "#ff0000", "#ff9900", "#99cc00", "#339966", "#33cccc", "#3366ff", "#800080", "#969696",
                 "#ff00ff", "#ffcc00", "#ffff00", "#00ff00", "#00ffff", "#00ccff", "#993366", "#c0c0c0",
                 "#ff99cc", "#ffcc99", "#ffff99", "#ccffcc", "#ccffff", "#99ccff", "#cc99ff", "#ffffff"})
            list << QColor(QString::fromLatin1(name));
        return list;
    }();
    return colors;
}

QString TColorSelectorForm::ColorHint(const QColor& c)
{
    return QStringLiteral("#%1%2%3 (RGB: %4, %5, %6)")
        .arg(c.red(), 2, 16, QLatin1Char('0'))
        .arg(c.green(), 2, 16, QLatin1Char('0'))
        .arg(c.blue(), 2, 16, QLatin1Char('0'))
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue());
}

TColorSelectorForm::TColorSelectorForm(const QColor& color, QWidget* parent)
    : QDialog(parent, Qt::Popup | Qt::FramelessWindowHint)
    , color_(color)
{
    setFont(QFont(QString::fromStdString(GetShellFont())));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(1);
    bool pressed = false;
    for (int i = 0; i < Palette().size(); ++i) {
        const QColor& c = Palette()[i];
        QPixmap swatch(12, 12);
        swatch.fill(c);
        QPainter p(&swatch);
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(0, 0, 11, 11);
        p.end();
        auto* b = new QToolButton(this);
        b->setIcon(QIcon(swatch));
        b->setIconSize(QSize(12, 12));
        b->setFixedSize(19, 18);
        b->setAutoRaise(true);
        b->setCheckable(true);
        b->setToolTip(ColorHint(c));
        if (!pressed && c.rgb() == color.rgb()) {
            b->setChecked(true);
            pressed = true;
        }
        connect(b, &QToolButton::clicked, this, [this, c] {
            color_ = c;
            accept();
        });
        grid->addWidget(b, i / 8, i % 8);
        Buttons << b;
    }
    Panel = new QLabel(QStringLiteral("Storno"), this);
    Panel->setAlignment(Qt::AlignCenter);
    Panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel->setFixedHeight(22);
    Panel->installEventFilter(this);
    grid->addWidget(Panel, 5, 0, 1, 8);
    setFixedSize(167, 148);
}

bool TColorSelectorForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Panel && event->type() == QEvent::MouseButtonRelease) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TColorSelectorForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintRaisedDoubleFrame(p, *this);
}

bool ShowColorSelector(int left, int top, QColor& color)
{
    TColorSelectorForm form(color);
    form.move(left, top);
    if (form.exec() != QDialog::Accepted)
        return false;
    color = form.Color();
    return true;
}

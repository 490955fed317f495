#include "ui/ColorSelector.h"

#include "kernel/Settings.h"
#include "platform/Registry.h"
#include "ui/RaisedFrame.h"
#include "ui/WindowLifetime.h"

#include <QColorDialog>
#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

namespace {

const char* const kRecentKey = "Software\\Quorvix\\ColorSelector";
const char* const kRecentValue = "Recent";

QToolButton* colorButton(QWidget* parent, const QColor& c)
{
    QPixmap swatch(12, 12);
    swatch.fill(c);
    QPainter p(&swatch);
    p.setPen(parent->palette().color(QPalette::Dark));
    p.drawRect(0, 0, 11, 11);
    p.end();
    auto* b = new QToolButton(parent);
    b->setIcon(QIcon(swatch));
    b->setIconSize(QSize(12, 12));
    b->setFixedSize(19, 18);
    b->setAutoRaise(true);
    b->setCheckable(true);
    b->setToolTip(TColorSelectorForm::ColorHint(c));
    return b;
}

} // namespace

QList<QColor> TColorSelectorForm::RecentColors()
{
    QList<QColor> colors;
    try {
        qx::Registry reg;
        if (!reg.OpenKey(kRecentKey, false) || !reg.ValueExists(kRecentValue))
            return colors;
        for (const QString& name : QString::fromStdString(reg.ReadString(kRecentValue)).split(QLatin1Char(';'))) {
            const QColor color(name);
            if (color.isValid() && colors.size() < kRecentCount)
                colors << color;
        }
    } catch (const std::exception&) {
        // A damaged list is an empty one.
    }
    return colors;
}

void TColorSelectorForm::RememberColor(const QColor& color)
{
    QList<QColor> colors = RecentColors();
    colors.removeIf([&](const QColor& c) { return c.rgb() == color.rgb(); });
    colors.prepend(color);
    QStringList names;
    for (int i = 0; i < colors.size() && i < kRecentCount; ++i)
        names << colors[i].name();
    try {
        qx::Registry reg;
        if (reg.OpenKey(kRecentKey, true))
            reg.WriteString(kRecentValue, names.join(QLatin1Char(';')).toStdString());
    } catch (const std::exception&) {
        // Only a convenience: the colour itself is chosen all the same.
    }
}

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

TColorSelectorForm::~TColorSelectorForm()
{
    StopWatchingChildren(this);
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
    auto choose = [this](const QColor& c) {
        color_ = c;
        RememberColor(c);
        accept();
    };
    for (int i = 0; i < Palette().size(); ++i) {
        const QColor& c = Palette()[i];
        QToolButton* b = colorButton(this, c);
        if (!pressed && c.rgb() == color.rgb()) {
            b->setChecked(true);
            pressed = true;
        }
        connect(b, &QToolButton::clicked, this, [choose, c] { choose(c); });
        grid->addWidget(b, i / 8, i % 8);
        Buttons << b;
    }
    int row = 5;
    const QList<QColor> recent = RecentColors();
    if (!recent.isEmpty()) {
        auto* line = new QFrame(this);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        grid->addWidget(line, row++, 0, 1, 8);
        for (int i = 0; i < recent.size(); ++i) {
            const QColor c = recent[i];
            QToolButton* b = colorButton(this, c);
            connect(b, &QToolButton::clicked, this, [choose, c] { choose(c); });
            grid->addWidget(b, row, i);
            RecentButtons << b;
        }
        ++row;
    }
    OtherButton = new QToolButton(this);
    OtherButton->setText(QStringLiteral("Další barvy..."));
    OtherButton->setAutoRaise(true);
    OtherButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    OtherButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(OtherButton, &QToolButton::clicked, this, [this] { done(kOtherColor); });
    grid->addWidget(OtherButton, row++, 0, 1, 8);
    Panel = new QLabel(QStringLiteral("Storno"), this);
    Panel->setAlignment(Qt::AlignCenter);
    Panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel->setFixedHeight(22);
    Panel->installEventFilter(this);
    grid->addWidget(Panel, row, 0, 1, 8);
    setFixedSize(167, sizeHint().height());
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
    const int result = form.exec();
    if (result == TColorSelectorForm::kOtherColor) {
        // The pop-up is gone; the colour dialog belongs to the window behind it.
        const QColor other = QColorDialog::getColor(color, QApplication::activeWindow(), QStringLiteral("Barva"));
        if (!other.isValid())
            return false;
        TColorSelectorForm::RememberColor(other);
        color = other;
        return true;
    }
    if (result != QDialog::Accepted)
        return false;
    color = form.Color();
    return true;
}

#include "frame/FrameStatusBar.h"

#include <QMouseEvent>
#include <QPainter>

#include <cfenv>
#include <cmath>

namespace {

struct PanelRow {
    int width; // 0: takes the remaining width
    const char* hint;
};

const PanelRow kPanels[TFrameStatusBar::PanelCount] = {
    {24, "Spustit nebo změnit modul"},
    {44, "Stav programu"},
    {150, "Upravovaný dokument"},
    {44, "Operace s okny"},
    {65, "Indikátory"},
    {100, "Ukazatel průběhu"},
    {0, "(zde se zobrazuje nápověda)"},
};

} // namespace

TStatusPanel::TStatusPanel(int width, const QString& hint, QWidget* parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setToolTip(hint);
    if (width > 0)
        setFixedWidth(width);
    else
        setMinimumWidth(60);
    setMinimumHeight(fontMetrics().height() + 4);
}

void TStatusPanel::SetText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    ++writes_;
    update();
}

void TStatusPanel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    QRect inside = contentsRect();
    if (Painter) {
        Painter(painter, rect());
        return;
    }
    painter.setPen(palette().color(QPalette::WindowText));
    QString shown = fontMetrics().elidedText(text_, Qt::ElideRight, inside.width() - 2);
    painter.drawText(inside.adjusted(1, 0, -1, 0), Qt::AlignVCenter | Qt::AlignLeft, shown);
}

void TStatusPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Clicked();
    QFrame::mouseReleaseEvent(event);
}

TFrameStatusBar::TFrameStatusBar(QWidget* parent)
    : QStatusBar(parent)
{
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(true);
    for (int i = 0; i < PanelCount; ++i) {
        panels_[size_t(i)] = new TStatusPanel(kPanels[i].width, QString::fromUtf8(kPanels[i].hint), this);
        panels_[size_t(i)]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        addWidget(panels_[size_t(i)], kPanels[i].width > 0 ? 0 : 1);
    }
}

void TFrameStatusBar::ShowSimpleMessage(const QString& text)
{
    QFont f = font();
    f.setBold(true);
    setFont(f);
    simple_ = true;
    showMessage(text);
}

void TFrameStatusBar::ShowPanels()
{
    QFont f = font();
    f.setBold(false);
    setFont(f);
    simple_ = false;
    clearMessage();
}

int TFrameStatusBar::ProgressFillWidth(int position, int maximum, int panelWidth)
{
    if (maximum == 0)
        return 0;
    double share = double(position) / double(maximum) * double(panelWidth - 6);
    // Round to nearest with ties to even, whatever the current mode is.
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    double rounded = std::nearbyint(share);
    std::fesetround(mode);
    return int(rounded);
}

#include "frame/AppEvents.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QProxyStyle>
#include <QToolTip>

namespace {

// The application's own style with the hint pause; Qt asks the style how
// long the mouse must rest before it sends a widget its hint event.
class THintPauseStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
        QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return TAppEvents::kHintPause;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// The hint a menu shows for an item: only one given to the action, not the
// one Qt derives from its caption.
QString givenToolTip(const QAction* action)
{
    const QString tip = action->toolTip();
    QAction plain;
    plain.setText(action->text());
    return tip == plain.toolTip() ? QString() : tip;
}

} // namespace

TAppEvents::TAppEvents(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("AppEvents"));
    InstallStyle();
    qApp->installEventFilter(this);
}

void TAppEvents::InstallStyle()
{
    if (!dynamic_cast<THintPauseStyle*>(QApplication::style()))
        QApplication::setStyle(new THintPauseStyle(QApplication::style()->name()));
}

TAppEvents::~TAppEvents()
{
    qApp->removeEventFilter(this);
}

bool TAppEvents::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
        return false;
    // A menu would show its items' hints itself, for Qt's own time; shown
    // here, they stay for the hide pause like every other hint.
    if (auto* menu = qobject_cast<QMenu*>(watched); menu && menu->toolTipsVisible()) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QAction* action = menu->actionAt(help->pos());
        const QString tip = action ? givenToolTip(action) : QString();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, menu, QRect(), kHintHidePause);
        return true;
    }
    // Every other widget shows its own hint for as long as it says.
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->toolTipDuration() < 0)
        widget->setToolTipDuration(kHintHidePause);
    return false;
}

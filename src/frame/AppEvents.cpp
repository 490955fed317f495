#include "frame/AppEvents.h"

#include "ui/LazyIcon.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOption>
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

    // Every toolbar, the menu bar and every dock ask for these images when
    // they are made, and the style reads them from its picture files then,
    // which waits for the toolkit's image plug-ins. They are shown only when
    // a toolbar runs out of room or a dock is on the screen: read then.
    QIcon standardIcon(StandardPixmap image, const QStyleOption* option, const QWidget* widget) const override
    {
        switch (image) {
        case SP_ToolBarHorizontalExtensionButton:
        case SP_ToolBarVerticalExtensionButton:
        case SP_TitleBarNormalButton:
        case SP_TitleBarCloseButton:
        case SP_DockWidgetCloseButton: {
            // The arrows point the way the widget's text runs.
            QStyleOption given;
            if (option)
                given.direction = option->direction;
            else if (widget)
                given.direction = widget->layoutDirection();
            else
                given.direction = QGuiApplication::layoutDirection();
            return LazyIcon([base = QPointer<QStyle>(baseStyle()), image, given] {
                QStyle* style = base ? base.data() : QApplication::style();
                return style->standardIcon(image, &given, nullptr);
            });
        }
        default:
            return QProxyStyle::standardIcon(image, option, widget);
        }
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

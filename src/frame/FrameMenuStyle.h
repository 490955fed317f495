#pragma once
// The frame's own menu drawing: separators 10 pixels high with an engraved
// line inset 15 pixels from either side, and the Spustit menu's entries 21
// pixels high, the selected one with its image in a raised frame and the
// rest of the row in the highlight colour.
#include <QProxyStyle>

class QMenu;
class QWidget;

class TFrameMenuStyle : public QProxyStyle {
public:
    // The object name of the menu whose items are drawn as entries.
    static constexpr const char* kEntryMenu = "MenuLaunch";
    static constexpr int kSeparatorHeight = 10;
    static constexpr int kEntryHeight = 21;

    TFrameMenuStyle();

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
        const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget) const override;
};

// Gives every menu of the frame that keeps the common style (the menu bar's
// menus and their submenus, the popups) the frame's menu drawing.
void InstallMenuDrawing(QWidget* frame);

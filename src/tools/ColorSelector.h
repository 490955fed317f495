#pragma once
// The 40-colour selector offered to plug-ins: a borderless pop-up with one
// toggle button per colour and a "Storno" panel.
#include <QColor>
#include <QDialog>
#include <QList>

class QLabel;
class QToolButton;

class TColorSelectorForm : public QDialog {
    Q_OBJECT
public:
    TColorSelectorForm(const QColor& color, QWidget* parent = nullptr);

    static const QList<QColor>& Palette();
    // "#993300 (RGB: 153, 51, 0)"
    static QString ColorHint(const QColor& color);

    QColor Color() const { return color_; }
    QList<QToolButton*> Buttons;
    QLabel* Panel = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QColor color_;
};

// Shows the selector with its top-left corner at (left, top); true and the
// chosen colour when one was clicked.
bool ShowColorSelector(int left, int top, QColor& color);

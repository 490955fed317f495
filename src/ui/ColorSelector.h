#pragma once
// The 40-colour selector offered to plug-ins: a borderless pop-up with one
// toggle button per colour, a row of the colours chosen lately, a button for
// any other colour and a "Storno" panel.
#include <QColor>
#include <QDialog>
#include <QList>

class QLabel;
class QToolButton;

class TColorSelectorForm : public QDialog {
    Q_OBJECT
public:
    TColorSelectorForm(const QColor& color, QWidget* parent = nullptr);
    ~TColorSelectorForm() override;

    static const QList<QColor>& Palette();
    // "#993300 (RGB: 153, 51, 0)"
    static QString ColorHint(const QColor& color);

    // The result when the user asked for another colour than these.
    static constexpr int kOtherColor = 2;
    // The colours chosen lately, the last first; kept across runs.
    static QList<QColor> RecentColors();
    static void RememberColor(const QColor& color);
    static constexpr int kRecentCount = 8;

    QColor Color() const { return color_; }
    QList<QToolButton*> Buttons;
    QList<QToolButton*> RecentButtons;
    QToolButton* OtherButton = nullptr;
    QLabel* Panel = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QColor color_;
};

// Shows the selector with its top-left corner at (left, top); true and the
// chosen colour when one was clicked or picked in the colour dialog.
bool ShowColorSelector(int left, int top, QColor& color);

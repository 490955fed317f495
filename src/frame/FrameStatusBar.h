#pragma once
// The frame's status bar: seven panels, or one simple panel with a message in
// bold while a message is shown. Panel 0 (the active document's icon) and
// panel 5 (the progress indicator) are drawn by their painters; the other
// panels show texts, which are written only when they change.
#include <QFrame>
#include <QStatusBar>

#include <array>
#include <functional>

class TStatusPanel : public QFrame {
    Q_OBJECT
public:
    TStatusPanel(int width, const QString& hint, QWidget* parent);

    QString Text() const { return text_; }
    // Repaints only when the text differs from the shown one.
    void SetText(const QString& text);
    // How many times the text was actually changed.
    int TextWrites() const { return writes_; }
    // Draws the panel instead of the text; the rectangle is the panel's inside.
    std::function<void(QPainter& painter, const QRect& rect)> Painter;

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString text_;
    int writes_ = 0;
};

class TFrameStatusBar : public QStatusBar {
    Q_OBJECT
public:
    enum Panel { IconPanel, StatePanel, DocumentPanel, WindowPanel, IndicatorPanel, ProgressPanel, HintPanel, PanelCount };

    explicit TFrameStatusBar(QWidget* parent = nullptr);

    TStatusPanel* PanelAt(int index) const { return panels_[size_t(index)]; }
    void SetPanelText(int index, const QString& text) { panels_[size_t(index)]->SetText(text); }
    QString PanelText(int index) const { return panels_[size_t(index)]->Text(); }

    // The simple panel with text in bold, hiding the seven panels.
    void ShowSimpleMessage(const QString& text);
    // Back to the seven panels, bold off.
    void ShowPanels();
    bool SimpleMessageShown() const { return simple_; }
    QString SimpleMessage() const { return currentMessage(); }

    // Width in pixels of the progress fill for a panel of panelWidth: the
    // share position / maximum of (panelWidth - 6), rounded to the nearest
    // integer with halves to even; 0 when maximum is 0.
    static int ProgressFillWidth(int position, int maximum, int panelWidth);

private:
    std::array<TStatusPanel*, PanelCount> panels_ {};
    bool simple_ = false;
};

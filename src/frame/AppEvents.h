#pragma once
// The frame's application events: how long the mouse rests on a control
// before its hint appears, and how long the hint stays. The frame creates one
// (object name "AppEvents"); it serves every window of the program.
#include <QObject>

class TAppEvents : public QObject {
    Q_OBJECT
public:
    static constexpr int kHintPause = 200;      // ms before a hint appears
    static constexpr int kHintHidePause = 5000; // ms a hint stays

    // Watches the application's events and gives the application a style
    // with the hint pause (once: later frames find it in place).
    explicit TAppEvents(QObject* parent);
    ~TAppEvents() override;

    // Gives the application the style with the hint pause, if it has not got
    // it yet. Cheapest before the first widgets exist: a new style polishes
    // every widget again.
    static void InstallStyle();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

#pragma once
// The tip of the day: one tool window at a time that walks through the tips
// and remembers, across starts, the tip after the last one seen.
#include <QDialog>

class QCheckBox;
class QLabel;

class TTipOfTheDayForm : public QDialog {
    Q_OBJECT
public:
    explicit TTipOfTheDayForm(QWidget* mainWindow = nullptr);
    ~TTipOfTheDayForm() override;

    // Each tip is a title and a text separated by the first "|".
    static const QStringList& Tips();

    void ShowTip();
    void NextTip();
    void PreviousTip();
    int CurrentIndex() const { return index_; }

    QLabel* Label3 = nullptr; // title
    QLabel* Label2 = nullptr; // text
    QLabel* Image2 = nullptr; // next
    QLabel* Image4 = nullptr; // previous
    QLabel* Image3 = nullptr; // close
    QCheckBox* CheckBox1 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int index_ = 0;
};

// Creates the tip window when none exists, shows it and brings it to the front.
void ShowTipOfTheDay(QWidget* mainWindow);
// The open tip window, if any.
TTipOfTheDayForm* CurrentTipWindow();

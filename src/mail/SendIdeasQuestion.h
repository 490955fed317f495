#pragma once
// The feedback question asked at the start the countdown selects: four
// answers, each setting how many starts pass before it is asked again.
#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;

class TSendIdeasQuestionForm : public QDialog {
    Q_OBJECT
public:
    explicit TSendIdeasQuestionForm(QWidget* owner = nullptr);
    ~TSendIdeasQuestionForm() override;

    // The countdown stored for choice 1..4: -1 (write now; never ask
    // again), 5, 25, -1 (never).
    static int CountdownFor(int choice);

    QLabel* Label1 = nullptr; // the start number line
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QPushButton* Button1 = nullptr; // enabled once a choice is made

    // Stores the chosen choice's countdown and closes with OK.
    void Button1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

#pragma once
// The scripting options: off, safe (the functions that change files are
// refused) or full. OK stores the chosen mode at once.
#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class TSetupScriptingForm : public QDialog {
    Q_OBJECT
public:
    // Checks the button of the current scripting mode (none for a value
    // other than 0, 1 or 2).
    explicit TSetupScriptingForm(QWidget* owner = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr; // 0: off
    QRadioButton* RadioButton2 = nullptr; // 1: safe
    QRadioButton* RadioButton3 = nullptr; // 2: full
    QPushButton* Button1 = nullptr;       // OK
    QPushButton* Button2 = nullptr;       // Cancel

private:
    void button1Click();
};

#pragma once
// TAutoBackupSetupForm ("Nastavení automatického zálohování"): whether backups
// are made, where they go and how they are named. It shows a settings record
// and, on OK, stores the choices back into it; it refuses a choice that would
// make the backup overwrite the document, a missing or too long folder or
// pattern, and keeps itself open.
#include "backup/AutoBackup.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

class TAutoBackupSetupForm : public QDialog {
    Q_OBJECT
public:
    TAutoBackupSetupForm(TBackupSettings& settings, QWidget* owner = nullptr);

    QLabel* Image = nullptr;
    QLabel* Label1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QLineEdit* DirectoryEdit1 = nullptr;
    QToolButton* DirectoryBrowse = nullptr;
    QLabel* Label3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QRadioButton* RadioButton5 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Button1 = nullptr; // OK
    QPushButton* Button2 = nullptr; // Cancel

    // What OK would refuse, or an empty text when it would store the choices.
    QString Refusal() const;

private:
    void updateEnabled();
    void updatePreview();
    void browseClick();
    void button1Click();

    TBackupSettings& settings_;
    QButtonGroup* targets_ = nullptr;
    QButtonGroup* names_ = nullptr;
};

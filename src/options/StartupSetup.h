#pragma once
// The start-up options: the general values the program reads once when it
// starts (event log, exit mode, pause after loading, the three folders) and
// whether the documents of the last run are reopened. The dialog shows the
// values in force and writes new ones to the registry root; they take effect
// at the next start.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TDirectoryEdit;

class TStartupSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TStartupSetupForm(QWidget* owner = nullptr);

    QTabWidget* PageControl1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* CheckBox1 = nullptr; // logger enabled
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;     // log file
    QCheckBox* CheckBox2 = nullptr; // the default log file is used
    QLabel* Label2 = nullptr;
    QComboBox* ComboBox1 = nullptr; // exit mode after an error
    QGroupBox* GroupBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr; // pause after plug-in loading
    QCheckBox* CheckBox4 = nullptr; // reopen the last documents at start
    QGroupBox* GroupBox3 = nullptr;
    TDirectoryEdit* DirectoryEdit1 = nullptr; // plug-ins
    TDirectoryEdit* DirectoryEdit2 = nullptr; // projects
    TDirectoryEdit* DirectoryEdit3 = nullptr; // scripts
    QPushButton* Button1 = nullptr; // OK
    QPushButton* Button2 = nullptr; // Cancel
    QPushButton* Button3 = nullptr; // refill from the values in force

    // Fills every field from the values in force.
    void Fill();
    // Writes the seven values (folders completed with a separator) and the
    // reopen switch, and closes with OK. A registry failure raises qx::RegistryError.
    void Button1Click();

private:
    void updateEnabled();
};

#pragma once
// TEditExternalToolForm ("Upravit nástroj"): the program path, the menu
// caption, the shortcut (shown, not editable) and the parameters of one tool.
#include "tools/ExternalTools.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class TEditExternalToolForm : public QDialog {
    Q_OBJECT
public:
    explicit TEditExternalToolForm(QWidget* owner = nullptr);

    // Fills the fields from a tool: the command line's program (without its
    // quotes) and parameters, the caption, the shortcut and whether the
    // documents are saved first.
    void SetTool(const TExternalTool& tool);
    // The tool the fields describe: the program quoted, the parameters after
    // one blank, the caption and the shortcut.
    TExternalTool Tool() const;
    uint16_t ShortCut() const { return shortCut_; }

    // Asks for the program file; the default shows the open dialog. Returns
    // the chosen path or an empty text.
    std::function<QString(QWidget* parent)> OnChooseFile;

    QLabel* Label3 = nullptr;
    QLineEdit* FilenameEdit = nullptr;
    QToolButton* FilenameBrowse = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* HotKey = nullptr; // shows the shortcut; never editable
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* ParamsEdit = nullptr;
    QCheckBox* SaveDocumentsCheckBox = nullptr; // "Uložit dokumenty před spuštěním"
    QLabel* Label5 = nullptr;
    QLabel *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr, *Label9 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;

private:
    void updateOkButton();
    void browseClick();
    void appendMacro(const QString& macro);

    uint16_t shortCut_ = 0;
};

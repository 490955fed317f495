#pragma once
// The editor's user settings, shared by all its windows. They live in the
// plug-in's own file, "<config>/Quorvix/TextEditor.ini", and are read again
// when a window is told to reload its settings.
#include <QDialog>
#include <QFont>
#include <QString>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QSpinBox;

struct TEditorSettings {
    // Empty: the system's fixed-pitch font.
    QString FontFamily;
    double FontSize = 10;
    int TabWidth = 4;
    bool UseSpaces = true;
    // Take tabs or spaces and the indent width from the file when it shows a
    // clear preference.
    bool DetectIndentation = true;
    bool AutoIndent = true;
    // The completion list opens by itself while a word is typed (Ctrl+Space
    // asks for it either way).
    bool AutoCompletion = true;
    bool WrapLines = false;
    bool ShowWhitespace = false;
    bool ShowIndentGuides = true;
    bool ShowLineEnds = false;
    // "light", "dark", or "auto": the dark one on a dark desktop.
    QString ColorScheme = QStringLiteral("auto");
    // Column of the long-line marker; 0 for none.
    int EdgeColumn = 0;
    // Changes made to the text when it is saved.
    bool TrimOnSave = false;
    bool FinalLineBreakOnSave = false;

    // Values outside their range are replaced by the defaults.
    static TEditorSettings Load();
    void Save() const;
    QFont Font() const;

    bool operator==(const TEditorSettings&) const = default;
};

// The settings dialog: edits a copy, which Result() returns after OK.
class TEditorSettingsDialog : public QDialog {
public:
    TEditorSettingsDialog(const TEditorSettings& settings, QWidget* parent);
    TEditorSettings Result() const;

private:
    TEditorSettings initial_;
    QFontComboBox* font_;
    QDoubleSpinBox* fontSize_;
    QSpinBox* tabWidth_;
    QSpinBox* edge_;
    QCheckBox* useSpaces_;
    QCheckBox* detect_;
    QCheckBox* autoIndent_;
    QCheckBox* autoCompletion_;
    QCheckBox* wrap_;
    QCheckBox* whitespace_;
    QCheckBox* guides_;
    QCheckBox* lineEnds_;
    QComboBox* scheme_;
    QCheckBox* trimOnSave_;
    QCheckBox* finalBreak_;
};

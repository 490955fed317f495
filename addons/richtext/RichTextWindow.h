#pragma once
// The rich-text document window: HTML and Markdown files edited formatted,
// saved as HTML, Markdown or OpenDocument text. It answers the host's edit,
// find, format, print, mail and save commands, names its undo steps and
// keeps the caret in the document's cookie.
#include "RichTextFormat.h"

#include <QX_Types.h>

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QTextEdit>

class QLabel;
class QFontComboBox;
class QDoubleSpinBox;
class TRichFindDialog;

// The editor's settings, shared by all its windows, kept in the plug-in's
// own file "<config>/Quorvix/RichText.ini".
struct TRichTextSettings {
    // Empty: the system's font.
    QString FontFamily;
    double FontSize = 11;
    // The format Save As offers first for a new document.
    TRichFormat NewFormat = TRichFormat::Html;

    static TRichTextSettings Load();
    void Save() const;
    QFont Font() const;
};

class TRichTextSettingsDialog : public QDialog {
public:
    TRichTextSettingsDialog(const TRichTextSettings& settings, QWidget* parent);
    TRichTextSettings Result() const;

private:
    TRichTextSettings initial_;
    QFontComboBox* font_;
    QDoubleSpinBox* size_;
};

// The editing component with the window's commands in its context menu.
class TRichTextView : public QTextEdit {
public:
    using QTextEdit::QTextEdit;
    std::function<void(QMenu*)> ExtendContextMenu;
    // Undo and redo from the keyboard and the context menu go through the
    // window, which names the steps.
    std::function<void()> OnUndo, OnRedo;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

class TRichTextWindow : public TQX_PluginWindow {
    Q_OBJECT
public:
    explicit TRichTextWindow(QWidget* parent = nullptr);
    ~TRichTextWindow() override;

    void LoadCookie(const QString& cookie) override;
    void SaveCookie(QString& cookie) override;
    void Command(uint8_t code, void* param) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Files
    bool openFile(const QString& fileName);
    bool save();
    bool saveAs();
    bool writeTo(const QString& fileName, TRichFormat format);
    bool maybeSave();
    void sendMail();
    void print();

    // Formatting of the selection (or the word at the caret)
    void toggleCharFormat(QTextFormat::Property property);
    void setAlignment(int code);
    void toggleList(QTextListFormat::Style style, const QString& stepName);
    void indent(int delta);
    void chooseColor(bool background);

    // Undo step names, oldest first: one per step the document adds to its
    // undo stack (the next gets pendingStep_); undo and redo move them
    // between the two lists.
    void stepAdded();
    void nameNextStep(const QString& name) { pendingStep_ = name; }
    void undo();
    void redo();
    QStringList undoSteps() const;
    QStringList redoSteps() const;

    void setFileName(const QString& fileName);
    void updateState();
    void updateStatus();
    TQX_CommandSet currentCommands() const;
    void applySettings();
    void editSettings();
    void fillContextMenu(QMenu* menu);

    int ask(const QString& text, int buttons, int defaultButton);
    void tell(const QString& text, bool error = true);

    TRichTextView* editor_;
    QLabel* status_;
    QPointer<TRichFindDialog> find_;
    TRichTextSettings settings_;
    TRichFormat format_ = TRichFormat::Html;
    QStringList undo_, redo_;
    QString pendingStep_;
    bool readOnlyFile_ = false;
    // The last hand-over to the mail client and when it started.
    QPointer<QObject> mailProcess_;
    QElapsedTimer mailClock_;
};

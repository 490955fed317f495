#pragma once
// The document window of both entries: a code editor for one text file, or
// the script editor (script lexer, completion of the host's script
// functions, script errors shown in place). It answers the host's commands,
// keeps Commands, Modified and FileName up to date and tells the host about
// every change.
#include "EditorSettings.h"
#include "ScriptSupport.h"
#include "TextFileFormat.h"

#include <QX_Types.h>

#include <QDateTime>
#include <QPointer>

#include <Qsci/qsciscintilla.h>

#include <functional>
#include <optional>

class QAction;
class QLabel;
class QMdiSubWindow;
class QMenu;
class QToolButton;
class TFindReplaceDialog;
class TUndoSteps;
class TWordCompletion;
struct TColorScheme;

// The editor component with the window's own context menu and a lighter
// accessibility interface for large documents.
class TEditorView : public QsciScintilla {
public:
    explicit TEditorView(QWidget* parent);
    // Adds the window's commands below the standard editing ones.
    std::function<void(QMenu*)> ExtendContextMenu;

    // The component's own accessibility interface converts the caret
    // position to a character count from the start of the text at every
    // display update, which makes typing in a document of many megabytes
    // take hundreds of milliseconds per key. For such documents the view
    // describes itself as a plain editable widget instead.
    void SetLightAccessibility(bool light);
    bool LightAccessibility() const { return light_; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool light_ = false;
};

// Takes the view's accessibility factory out of Qt before the library goes.
void RemoveEditorAccessibility();

class TTextEditorWindow : public TQX_PluginWindow {
    Q_OBJECT
public:
    enum class TKind { Text, Script };

    explicit TTextEditorWindow(TKind kind, QWidget* parent = nullptr);
    ~TTextEditorWindow() override;

    void LoadCookie(const QString& cookie) override;
    void SaveCookie(QString& cookie) override;
    void Command(uint8_t code, void* param) override;

    // The largest file the editor opens; the text is held several times
    // over while it loads.
    static constexpr qint64 kMaxFileSize = qint64(1) << 30;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Files
    bool openFile(const QString& fileName);
    // Reads the file into the editor; with an encoding, decodes as that one.
    bool loadFromDisk(const QString& fileName, std::optional<TTextEncoding> encoding);
    bool save();
    bool saveAs();
    // The folder Save As starts in for a document without a file.
    QString newFileFolder() const;
    bool writeTo(const QString& fileName);
    // The close query: true when the document may be discarded.
    bool maybeSave();
    // Reads the file again, keeping the caret, the scroll position and the
    // bookmarks.
    bool reload(std::optional<TTextEncoding> encoding);
    // Asks whether to reload when the file changed on disk since it was read.
    void checkDisk();
    void scheduleDiskCheck();
    void rememberDisk();

    // State
    void setFileName(const QString& fileName);
    void updateState();
    void updateStatusBar();
    void updateLineNumberMargin();
    // Whether the component reports every text change (small documents).
    void setChangeReports(bool full);
    TQX_CommandSet currentCommands() const;
    // Answers QXC_GETTEXT.
    void handOverText(TQX_DocumentText& text) const;

    // Presentation
    void applySettings();
    // The colour scheme on the text, margins, markers and status strip.
    void applyColours();
    void applyIndentation();
    void applyIndentationOverride();
    void detectIndentation();
    void setLanguage(const QString& id);
    void setupScriptSupport();

    // Commands
    void toggleBookmark();
    void gotoBookmark(bool forward);
    void removeBookmarks();
    // Recomputes whether any bookmark exists after bookmarks were changed.
    void refreshBookmarks();
    QList<int> bookmarkLines() const;
    void print();
    void showScriptError(qint64 position);
    void clearScriptError();
    void goToLine();
    void showPosition(const TQX_TextPosition& position);
    void indentSelection(bool increase);
    void setLineEnd(TLineEnd lineEnd);
    void setEncoding(TTextEncoding encoding, bool bom);
    void reopenAs(TTextEncoding encoding);
    void editSettings();
    TFindReplaceDialog* findDialog();
    // Comment and line commands with their keys.
    void setupLineCommands();

    // Menus
    void fillContextMenu(QMenu* menu);
    void buildStatusMenus();

    // Questions with Czech buttons; the chosen QMessageBox::StandardButton.
    int ask(const QString& text, int buttons, int defaultButton, bool warning = false);
    void tell(const QString& text, bool error = true);

    const TKind kind_;
    TEditorView* editor_;
    TUndoSteps* steps_;
    QPointer<TFindReplaceDialog> find_;
    QAction* goToLine_;
    TWordCompletion* completion_;
    QObject* scriptHelp_ = nullptr;
    QAction* completeWord_;
    QAction* lineComment_ = nullptr;
    QAction* blockComment_ = nullptr;
    QList<QAction*> lineActions_;
    TEditorSettings settings_;
    const TColorScheme* scheme_ = nullptr;

    // How the file is stored and how it was stored when last read or saved.
    TTextFormat format_;
    TTextFormat savedFormat_;
    QString languageId_;
    QList<TScriptRoutine> scriptRoutines_;
    // Indentation in effect, and what the file showed (or the user chose
    // for this document, which then wins over the settings).
    bool useTabs_ = false;
    int indentWidth_ = 4;
    std::optional<bool> detectedTabs_;
    int detectedWidth_ = 0;
    bool indentOverride_ = false;

    struct TDiskStamp {
        bool Exists = false;
        QDateTime Modified;
        QDateTime Changed;
        qint64 Size = -1;
        bool operator==(const TDiskStamp&) const = default;
    };
    static TDiskStamp stampOf(const QString& fileName);
    TDiskStamp disk_;
    // The editor holds text that is not what the file on disk holds (the
    // file vanished, or the user kept the text over a changed file): the
    // document counts as unsaved.
    bool outOfSync_ = false;
    bool bookmarks_ = false;
    bool fullChangeReports_ = true;
    bool clipboardHasText_ = false;
    bool diskCheckPending_ = false;
    bool checkingDisk_ = false;
    QPointer<QMdiSubWindow> subWindow_;

    int errorLine_ = -1;
    int pendingFirstLine_ = -1;
    int lineDigits_ = 0;

    // Status bar
    QWidget* statusStrip_;
    QLabel* position_;
    QLabel* readOnly_;
    QToolButton* language_;
    QToolButton* encoding_;
    QToolButton* lineEnd_;
    QToolButton* indent_;
};

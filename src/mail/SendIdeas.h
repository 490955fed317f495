#pragma once
// The feedback wizard: five pages (welcome, sender, six questions, comments,
// the composed message), then the message is saved to a text file or handed
// to the mail dialog. It asks before discarding what was written.
#include <QDialog>
#include <QStringList>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

class TSendIdeasForm : public QDialog {
    Q_OBJECT
public:
    enum Page { Welcome, Sender, ProgramInfo, Comments, Finish };
    // The indexes of the wizard's string table.
    enum StringIndex {
        QuitQuestion, Anonymous, CancelCaption, CloseCaption, NameMissing, EmailInvalid, OtherAnswer,
        OtherAnswerCaption, OtherAnswerPrompt, CommentsLine, CreatedBy, FeedbackAddress
    };

    explicit TSendIdeasForm(QWidget* owner = nullptr);

    QStackedWidget* Pages = nullptr;
    QLineEdit* FirstNameEdit = nullptr;
    QLineEdit* LastNameEdit = nullptr;
    QLineEdit* EmailEdit = nullptr;
    QCheckBox* AnonymousEmailCheckBox = nullptr;
    QComboBox* GeneralRattingComboBox = nullptr;
    QComboBox* PluginsComboBox = nullptr;
    QComboBox* ScriptingComboBox = nullptr;
    QComboBox* MissingComboBox = nullptr;
    QComboBox* ShitComboBox = nullptr;
    QComboBox* LinuxComboBox = nullptr;
    QPlainTextEdit* CommentsMemo = nullptr;
    QPlainTextEdit* FinalMemo = nullptr;
    QPushButton* Button1 = nullptr; // next
    QPushButton* Button2 = nullptr; // back
    QPushButton* Button3 = nullptr; // cancel / close
    QPushButton* Button4 = nullptr; // save
    QPushButton* Button5 = nullptr; // mail; shown only when the build has a feedback address
    QLabel* NoAddressLabel = nullptr; // says why there is no mail button
    QStringList Strings;

    int CurrentPage() const;
    bool Pristine() const { return pristine_; }
    bool Saved() const { return saved_; }
    // The question lists in the order of the message, with their labels.
    QList<QComboBox*> Questions() const;
    static QStringList QuestionLabels();
    // The message from the fields, line by line.
    QStringList ComposeMessage() const;
    // A file name as it is saved: ".txt" appended unless it already ends so
    // (in any letter case).
    static QString TextFileName(const QString& chosen);

    void NextClick();
    void BackClick();
    // Asks for a file, writes the message and closes with OK; false when
    // cancelled or the file could not be written (the wizard stays open).
    bool SaveClick();
    void MailClick();

    // Tests answer the other-answer box (nullopt: cancelled) and the save
    // dialog (empty: cancelled) instead of a user.
    static void SetOtherAnswerPrompt(std::function<std::optional<QString>()> prompt);
    static void SetSaveFileChooser(std::function<QString()> chooser);

protected:
    void reject() override;

private:
    void setPage(int page);
    void updateButtons();
    void anonymousClick();
    void questionChanged(QComboBox* list, int index);

    bool pristine_ = true;
    bool saved_ = false;
};

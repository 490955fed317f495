#pragma once
// TSendMailForm: composing a message for the mail client. Recipient, copy and
// attachment fields hold their items separated by ";". The dialog ends with
// OK exactly when the message was handed to the mail client. The hand-over
// runs on a worker thread: the window keeps answering while the mail client
// starts, and a second click while one message is on its way does nothing.
#include <QDialog>
#include <QStringList>

#include <functional>
#include <future>

class QLabel;
class QLineEdit;
class QTimer;
class QPlainTextEdit;
class QPushButton;
struct TMailMessage;

class TSendMailForm : public QDialog {
    Q_OBJECT
public:
    explicit TSendMailForm(QWidget* owner = nullptr);

    QLineEdit* EmailEdit = nullptr;
    QLineEdit* CcEdit = nullptr;
    QLineEdit* SubjectEdit = nullptr;
    QLineEdit* AttEdit = nullptr;
    QPushButton* Button3 = nullptr;  // adds an attachment
    QPlainTextEdit* MessageMemo = nullptr;
    QPushButton* Button1 = nullptr;  // send
    QPushButton* Button2 = nullptr;  // cancel (asks first)
    // The dialog's messages, in order: the cancel question, the hand-over
    // notice, the failure report (%1 the result code).
    QStringList Strings;

    // The message the fields describe: list fields split at ";" with empty
    // pieces skipped and the pieces kept as typed.
    TMailMessage Message() const;

    // True while a message is being handed to the mail client.
    bool IsSending() const { return sending_; }

    // Tests replace the hand-over to the mail client; it runs on a worker
    // thread.
    static void SetTransport(std::function<int(const TMailMessage&)> transport);

    // Where a message handed over is announced (the main window's status
    // bar); the main window sets it while it exists.
    static void SetStatusReporter(std::function<void(const QString&)> report);

protected:
    void reject() override;

private:
    void cleanUp(QLineEdit* edit);
    void button1Click();
    void button3Click();
    void handedOver(int result);

    QLabel* sendingLabel_ = nullptr;
    QTimer* poll_ = nullptr;
    bool sending_ = false;
    std::future<int> result_;
};

// The fields a caller fills before the dialog is shown.
struct TMailFields {
    QString To, Cc, Attachments, Subject, Text;
};
// Shows the dialog with the fields, modal to owner; true when the message
// was handed to the mail client.
bool ComposeMail(QWidget* owner, const TMailFields& fields);

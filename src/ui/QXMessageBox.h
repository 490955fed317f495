#pragma once
// The host's own message box: a message, an optional link under it and one or
// two buttons, captioned with the application title.
#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

class TQXMessageBoxForm : public QDialog {
    Q_OBJECT
public:
    enum Result { Ok = 1, Cancel = 2, Retry = 4, Ignore = 5 };
    static constexpr int kHeight = 137;
    static constexpr int kHeightWithLink = 157;

    explicit TQXMessageBoxForm(QWidget* owner = nullptr);

    QLabel* Label1 = nullptr;      // the message
    QLabel* Image1 = nullptr;      // the picture
    QLabel* Label2 = nullptr;      // the link
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    enum class Variant { Ok, IgnoreCancel, RetryCancel };
    // Sets the texts and buttons; link may be empty.
    void Prepare(Variant variant, const QString& message, const QString& link, const QString& linkCaption);

protected:
    void reject() override;
    void showEvent(QShowEvent* event) override;

private:
    int cancelResult_ = Ok;
};

// The window a host dialog opened without an owner is centred on: the modal
// dialog in front, else the frame's main window, else the active window.
// (A window that has just closed may still be reported active for a moment.)
QWidget* DefaultDialogOwner();

// Each returns the result of the button chosen (TQXMessageBoxForm::Result).
int MessageBoxOk(const QString& message, const QString& link = {}, const QString& linkCaption = {});
int MessageBoxIgnoreCancel(const QString& message, const QString& link = {}, const QString& linkCaption = {});
int MessageBoxRetryCancel(const QString& message, const QString& link = {}, const QString& linkCaption = {});

// Tests answer the boxes instead of a user: the presenter gets the prepared
// form and returns the result.
void SetMessageBoxPresenter(std::function<int(TQXMessageBoxForm&)> presenter);

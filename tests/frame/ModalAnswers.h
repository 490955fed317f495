#pragma once
// Answers the modal dialogs a command shows, as a user would: every 10 ms the
// active modal widget (other than the plug-in loading dialog) is recorded and
// given the next queued answer, or cancelled when none is left.
#include "FrameFixture.h"

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>
#include <vector>

class QTimer;
class QWidget;

class ModalAnswers {
public:
    using Answer = std::function<void(QWidget*)>;

    // Texts of the modal dialogs shown: the title, and for message boxes "|"
    // and the message.
    std::vector<QString> shown;
    // Each dialog shown takes the next answer; without one it is cancelled.
    std::deque<Answer> answers;

    void StartAnswering();
    void StopAnswering();

    // Clicks that button of a message box.
    static Answer Button(QMessageBox::StandardButton button);
    // Enters text in an input dialog and accepts it; a null text cancels.
    static Answer Text(const QString& text);
    // Chooses that file in a file dialog and accepts it.
    static Answer File(const QString& path);

private:
    void answerDialog();
    QTimer* watcher_ = nullptr;
    QPointer<QWidget> last_;
};

// A frame whose tests have the dialogs they show answered.
class AnsweredFrameFixture : public FrameFixture {
protected:
    // Answers the dialogs a command shows; any without an answer is cancelled.
    ModalAnswers modal;

    void SetUp() override
    {
        FrameFixture::SetUp();
        modal.StartAnswering();
    }

    void TearDown() override
    {
        modal.StopAnswering();
        FrameFixture::TearDown();
    }
};

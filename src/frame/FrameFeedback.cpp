// Feedback: the question asked at the start the countdown selects, and the
// wizard that writes the message to the author.
#include "frame/FrameWindow.h"

#include "mail/SendIdeas.h"
#include "mail/SendIdeasQuestion.h"

#include <QAction>
#include <QRadioButton>

void TFrameWindowForm::AskForFeedback()
{
    bool writeNow = false;
    {
        TSendIdeasQuestionForm question(this);
        question.exec();
        writeNow = question.RadioButton1->isChecked();
    }
    if (writeNow)
        Action(FrameAction::HelpSendMessage)->trigger();
}

void TFrameWindowForm::Action_HelpSendMessageExecute()
{
    TSendIdeasForm wizard(this);
    wizard.exec();
}

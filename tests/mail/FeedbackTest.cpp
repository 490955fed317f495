// The feedback question's countdown and the feedback wizard: its pages, the
// question lists, the composed message, saving it and mailing it.
#include "kernel/Logging.h"
#include "kernel/ProductAddresses.h"
#include "kernel/Settings.h"
#include "mail/Mapi.h"
#include "mail/SendIdeas.h"
#include "mail/SendIdeasQuestion.h"
#include "mail/SendMail.h"

#include "TestEnv.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

class Feedback : public ::testing::Test {
protected:
    qxtest::ScopedHome home;
    void SetUp() override
    {
        SetProgramDirectory(home.programDir());
        InitEventLog("test");
        LoadSettings();
    }
    void TearDown() override
    {
        TSendIdeasForm::SetOtherAnswerPrompt(nullptr);
        TSendIdeasForm::SetSaveFileChooser(nullptr);
        TSendMailForm::SetTransport(nullptr);
    }
};

// Answers every message box that appears while it lives, recording its text.
class BoxAnswerer {
public:
    explicit BoxAnswerer(QMessageBox::StandardButton answer)
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this, answer] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts.push_back(box->text());
                if (QAbstractButton* button = box->button(answer))
                    button->click();
                else
                    box->close();
            }
        });
        timer_.start();
    }
    std::vector<QString> texts;

private:
    QTimer timer_;
};

TEST_F(Feedback, EachAnswerSetsTheStartsUntilTheQuestionReturns)
{
    // Starts after the answer until the countdown reaches 0 again (0: never).
    const std::pair<int, int> answers[] = {{1, 0}, {2, 5}, {3, 25}, {4, 0}};
    for (const auto& [choice, startsUntilAsked] : answers) {
        {
            TSendIdeasQuestionForm form;
            EXPECT_EQ(form.windowTitle(), "Quorvix 2");
            EXPECT_EQ(form.Label1->text(), QStringLiteral("...při svém spuštění číslo %1!").arg(LaunchCount()));
            EXPECT_FALSE(form.Button1->isEnabled());
            QRadioButton* radios[] = {form.RadioButton1, form.RadioButton2, form.RadioButton3, form.RadioButton4};
            radios[choice - 1]->setChecked(true);
            ASSERT_TRUE(form.Button1->isEnabled());
            form.Button1->click();
            EXPECT_EQ(form.result(), QDialog::Accepted);
        }
        int asked = 0;
        for (int start = 1; start <= 30; ++start) {
            LoadSettings();
            if (LaunchCountdown() == 0 && !asked)
                asked = start;
        }
        EXPECT_EQ(asked, startsUntilAsked) << "choice " << choice;
    }
    // Closed without OK: nothing is written, the question comes next time.
    SetLaunchCountdown(0);
    {
        TSendIdeasQuestionForm form;
        form.RadioButton3->setChecked(true);
        form.close();
    }
    LoadSettings();
    EXPECT_EQ(LaunchCountdown(), 0);
}

TEST_F(Feedback, WizardPagesButtonsAndTheSenderChecks)
{
    TSendIdeasForm form;
    form.show();
    EXPECT_EQ(form.windowTitle(), "Průvodce zprávou autorovi");
    auto state = [&] {
        return std::tuple(form.CurrentPage(), form.Button1->isEnabled(), form.Button2->isEnabled(), form.Button3->text());
    };
    EXPECT_EQ(state(), std::tuple(0, true, false, QString("&Zavřít")));
    form.Button1->click();
    EXPECT_EQ(state(), std::tuple(1, true, true, QString("&Storno")));
    {
        // Neither name: a message, and the last name field gets the focus.
        BoxAnswerer boxes(QMessageBox::Ok);
        form.Button1->click();
        EXPECT_EQ(form.CurrentPage(), 1);
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_EQ(boxes.texts[0], "Vyplňte prosím alespoň jméno...");
        // An address without "@" is refused.
        form.LastNameEdit->setText("Nováková");
        form.EmailEdit->setText("jana.example.org");
        form.Button1->click();
        EXPECT_EQ(form.CurrentPage(), 1);
        ASSERT_EQ(boxes.texts.size(), 2u);
        EXPECT_EQ(boxes.texts[1], "Vaše e-mailová adresa je nesprávná.");
    }
    // An empty address ticks "Nechci uvést" and the wizard goes on.
    form.EmailEdit->clear();
    form.Button1->click();
    EXPECT_TRUE(form.AnonymousEmailCheckBox->isChecked());
    EXPECT_FALSE(form.EmailEdit->isEnabled());
    EXPECT_EQ(form.EmailEdit->text(), "(nechci uvést)");
    EXPECT_EQ(state(), std::tuple(2, true, true, QString("&Storno")));
    form.Button1->click();
    form.Button1->click();
    EXPECT_EQ(state(), std::tuple(4, false, true, QString("&Zavřít")));
    form.Button2->click();
    EXPECT_EQ(form.CurrentPage(), 3);

    // Unticking gives the address field back, empty.
    form.AnonymousEmailCheckBox->click();
    EXPECT_TRUE(form.EmailEdit->isEnabled());
    EXPECT_TRUE(form.EmailEdit->text().isEmpty());

    // Something was written: closing asks, and No keeps the wizard.
    {
        BoxAnswerer no(QMessageBox::No);
        form.Button3->click();
        ASSERT_EQ(no.texts.size(), 1u);
        EXPECT_TRUE(no.texts[0].startsWith("Vaše zpráva nebude uložena"));
        EXPECT_TRUE(form.isVisible());
    }
    BoxAnswerer yes(QMessageBox::Yes);
    form.Button3->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST_F(Feedback, EscapeOnTheWelcomePageClosesWithoutAQuestion)
{
    TSendIdeasForm form;
    form.show();
    BoxAnswerer boxes(QMessageBox::No);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_FALSE(form.isVisible());
}

TEST_F(Feedback, QuestionListsRejectSeparatorsAndTakeTheUsersOwnAnswer)
{
    TSendIdeasForm form;
    for (QComboBox* list : form.Questions()) {
        EXPECT_EQ(list->currentText(), "(vyberte možnost)");
        EXPECT_EQ(list->itemText(1), "----------------");
        EXPECT_EQ(list->itemText(list->count() - 2), "----------------");
        EXPECT_EQ(list->itemText(list->count() - 1), "jiná odpověď...");
    }
    QComboBox* rating = form.GeneralRattingComboBox;
    for (const char* rejected : {"----------------", ":-)  6 z 5ti ****** ", ":-(  0 z 5ti "}) {
        rating->setCurrentIndex(rating->findText(QString::fromUtf8(rejected)));
        EXPECT_EQ(rating->currentIndex(), 0) << rejected;
    }
    rating->setCurrentIndex(rating->findText("4 z 5ti ****"));
    EXPECT_EQ(rating->currentText(), "4 z 5ti ****");

    QComboBox* missing = form.MissingComboBox;
    const int last = missing->count() - 1;
    std::optional<QString> typed;
    TSendIdeasForm::SetOtherAnswerPrompt([&] { return typed; });
    // Cancelled: the last entry stays selected and unchanged.
    missing->setCurrentIndex(last);
    EXPECT_EQ(missing->currentIndex(), last);
    EXPECT_EQ(missing->currentText(), "jiná odpověď...");
    // Confirmed empty: counts as no answer.
    missing->setCurrentIndex(0);
    typed = QString();
    missing->setCurrentIndex(last);
    EXPECT_EQ(missing->currentIndex(), 0);
    EXPECT_EQ(missing->itemText(last), "jiná odpověď...");
    // A typed answer takes the last entry's place, hyphens and all.
    typed = QStringLiteral("Náhled e-mailů");
    missing->setCurrentIndex(last);
    EXPECT_EQ(missing->currentIndex(), last);
    EXPECT_EQ(missing->currentText(), "Náhled e-mailů");
}

TEST_F(Feedback, ComposedMessageLineByLine)
{
    TSendIdeasForm form;
    form.FirstNameEdit->setText("Jana");
    form.LastNameEdit->setText("Nováková");
    form.EmailEdit->setText("jana@example.org");
    form.GeneralRattingComboBox->setCurrentIndex(form.GeneralRattingComboBox->findText("5 z 5ti *****"));
    form.LinuxComboBox->setCurrentIndex(form.LinuxComboBox->findText("Ano, co nejdříve"));
    TSendIdeasForm::SetOtherAnswerPrompt([] { return std::optional<QString>("Ladicí výpisy"); });
    form.MissingComboBox->setCurrentIndex(form.MissingComboBox->count() - 1);
    form.CommentsMemo->setPlainText("První řádek\n\nTřetí řádek");
    const QStringList expected = {
        "Quorvix 2",
        "v2.0.1",
        "",
        "Jméno: Jana",
        "Přijmení: Nováková",
        "E-mail: jana@example.org",
        "",
        "----- form ----",
        "Q: Jak hodnotíte program?",
        "A: 5 z 5ti *****",
        "Q: Co Vám v programu chybí?",
        "A: Ladicí výpisy",
        "Q: Uvítali byste verzi pro Linux?",
        "A: Ano, co nejdříve",
        "----- form ----",
        "",
        "Komentáře:",
        "První řádek",
        "",
        "Třetí řádek",
        "",
        "----- ",
        "Vytvořeno průvodcem zprávou autorovi",
    };
    EXPECT_EQ(form.ComposeMessage(), expected);

    // The last page shows it, composed when leaving the comments page.
    form.show();
    for (int i = 0; i < 4; ++i)
        form.Button1->click();
    ASSERT_EQ(form.CurrentPage(), 4);
    EXPECT_EQ(form.FinalMemo->toPlainText(), expected.join('\n'));
}

TEST_F(Feedback, SavingWritesTheEditedMessageAsATextFile)
{
    for (const auto& [chosen, written] : std::vector<std::pair<std::string, std::string>> {
             {"zprava", "zprava.txt"}, {"zprava.TXT", "zprava.TXT"}, {"zprava.doc", "zprava.doc.txt"}}) {
        EXPECT_EQ(TSendIdeasForm::TextFileName(QString::fromStdString(home.dir().file(chosen))).toStdString(),
            home.dir().file(written));
    }

    TSendIdeasForm form;
    form.show();
    for (int i = 0; i < 4; ++i) {
        if (form.CurrentPage() == 1)
            form.FirstNameEdit->setText("Jan");
        form.Button1->click();
    }
    ASSERT_EQ(form.CurrentPage(), 4);
    form.FinalMemo->setPlainText("Upravená zpráva\ndruhý řádek");

    // A file that cannot be written: the wizard stays with its text.
    TSendIdeasForm::SetSaveFileChooser([&] { return QString::fromStdString(home.dir().file("chybi/zprava")); });
    {
        BoxAnswerer boxes(QMessageBox::Ok);
        EXPECT_FALSE(form.SaveClick());
        EXPECT_EQ(boxes.texts.size(), 1u);
    }
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.Saved());

    TSendIdeasForm::SetSaveFileChooser([&] { return QString::fromStdString(home.dir().file("zprava")); });
    EXPECT_TRUE(form.SaveClick());
    EXPECT_TRUE(form.Saved());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(qxtest::ReadFile(home.dir().file("zprava.txt")), "Upravená zpráva\ndruhý řádek\n");
}

TEST_F(Feedback, MailingHandsTheMessageToTheMailDialog)
{
    std::vector<TMailMessage> sent;
    TSendMailForm::SetTransport([&](const TMailMessage& m) {
        sent.push_back(m);
        return 0;
    });
    TSendIdeasForm form;
    // The build's address; the test's own, as a build may set any.
    form.Strings[TSendIdeasForm::FeedbackAddress] = "zpravy@quorvix.example.org";
    form.show();
    form.FinalMemo->setPlainText("řádek 1\nřádek 2");
    QTimer::singleShot(0, [] {
        if (auto* mail = qobject_cast<TSendMailForm*>(QApplication::activeModalWidget()))
            mail->Button1->click();
    });
    form.MailClick();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].To, QStringList {"zpravy@quorvix.example.org"});
    EXPECT_EQ(sent[0].Subject, "Quorvix 2");
    EXPECT_EQ(sent[0].Text, "řádek 1\r\nřádek 2");
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(Feedback, WithoutAFeedbackAddressTheWizardOnlySavesAndSaysWhy)
{
    // The build sets no address by default: mail would go nowhere.
    TSendIdeasForm form;
    EXPECT_EQ(form.Strings[TSendIdeasForm::FeedbackAddress], ::FeedbackAddress());
    form.show();
    for (const char* address : {"", "zpravy@quorvix.example.org"}) {
        form.Strings[TSendIdeasForm::FeedbackAddress] = address;
        form.Button2->click(); // back and on again: the finish page shows the choice
        while (form.CurrentPage() != TSendIdeasForm::Finish) {
            if (form.CurrentPage() == TSendIdeasForm::Sender)
                form.FirstNameEdit->setText("Jan");
            form.Button1->click();
        }
        const bool mailable = *address != 0;
        EXPECT_EQ(form.Button5->isVisible(), mailable) << address;
        EXPECT_EQ(form.NoAddressLabel->isVisible(), !mailable) << address;
        EXPECT_TRUE(form.Button4->isVisible());
    }
    if (::FeedbackAddress().isEmpty()) {
        form.Strings[TSendIdeasForm::FeedbackAddress] = ::FeedbackAddress();
        bool dialogShown = false;
        QTimer::singleShot(0, [&] { dialogShown = QApplication::activeModalWidget() != nullptr; });
        form.MailClick();
        EXPECT_FALSE(dialogShown);
    }
}

} // namespace

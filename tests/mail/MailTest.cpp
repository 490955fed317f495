// The hand-over to the mail client: a recording stand-in for xdg-email first
// on PATH keeps every argument it receives and answers with a chosen status.
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "mail/Mapi.h"
#include "mail/SendMail.h"

#include "TestEnv.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

namespace {

class Mail : public ::testing::Test {
protected:
    qxtest::ScopedHome home;
    std::string oldPath;
    std::string bin, log;

    void SetUp() override
    {
        SetProgramDirectory(home.programDir());
        InitEventLog("test");
        LoadSettings();
        bin = home.dir().file("bin");
        log = home.dir().file("xdg-email.args");
        std::filesystem::create_directories(bin);
        // Each argument ends with a NUL byte: bodies hold line breaks.
        // QX_MAIL_STAY makes it stay running, as where it runs the mail
        // client itself; every start leaves a line in the .starts file.
        qxtest::WriteFile(bin + "/xdg-email",
            "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$QX_MAIL_LOG\"\necho $$ >> \"$QX_MAIL_LOG.starts\"\n"
            "[ -n \"$QX_MAIL_STAY\" ] && exec sleep \"$QX_MAIL_STAY\"\nexit \"${QX_MAIL_EXIT:-0}\"\n");
        std::filesystem::permissions(bin + "/xdg-email", std::filesystem::perms::owner_all);
        oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", (bin + ":" + oldPath).c_str(), 1);
        setenv("QX_MAIL_LOG", log.c_str(), 1);
        unsetenv("QX_MAIL_EXIT");
        unsetenv("QX_MAIL_STAY");
    }
    void TearDown() override { setenv("PATH", oldPath.c_str(), 1); }

    QStringList Starts() const
    {
        return QString::fromStdString(qxtest::ReadFile(log + ".starts")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // Runs the event loop until the dialog has an answer from the hand-over.
    static bool waitHandedOver(TSendMailForm& form)
    {
        QElapsedTimer clock;
        clock.start();
        while (form.IsSending() && clock.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return !form.IsSending();
    }

    QStringList Arguments() const
    {
        QStringList args = QString::fromStdString(qxtest::ReadFile(log)).split(QChar(0));
        args.removeLast(); // after the last terminator
        return args;
    }
};

TEST_F(Mail, EveryFieldReachesTheMailClientInItsArgument)
{
    TMailMessage m;
    m.To = {"a@example.org", " b@example.org"};
    m.Cc = {"c@example.org", "d@example.org"};
    m.Attachments = {"/tmp/dva soubory/a.txt", "/tmp/b.txt"};
    m.Subject = "Předmět; s \"uvozovkami\"";
    m.Text = "Řádek 1\r\n\r\n--subject nic";
    EXPECT_EQ(SendMailMessage(m), 0);
    EXPECT_EQ(Arguments(), (QStringList {"--utf8", "--cc", "c@example.org", "--cc", "d@example.org", "--subject",
                               "Předmět; s \"uvozovkami\"", "--body", "Řádek 1\n\n--subject nic", "--attach",
                               "/tmp/dva soubory/a.txt", "--attach", "/tmp/b.txt", "a@example.org", " b@example.org"}));

    // Nothing but the flag when every field is empty: the client decides.
    EXPECT_EQ(SendMailMessage(TMailMessage {}), 0);
    EXPECT_EQ(Arguments(), QStringList {"--utf8"});
}

TEST_F(Mail, TheClientsStatusIsTheResultAndNoClientIsErrorOne)
{
    setenv("QX_MAIL_EXIT", "4", 1);
    EXPECT_EQ(SendMailMessage(TMailMessage {}), 4);
    setenv("PATH", home.dir().file("nowhere").c_str(), 1);
    EXPECT_EQ(SendMailMessage(TMailMessage {}), 1);
}

TEST_F(Mail, DialogSplitsItsFieldsAndStaysOpenWithThemWhenTheHandOverFails)
{
    TSendMailForm form;
    form.show();
    // Runs of ";" collapse and leading blanks go as the user types.
    QTest::keyClicks(form.EmailEdit, "  a@example.org;;; b@example.org;");
    EXPECT_EQ(form.EmailEdit->text(), "a@example.org; b@example.org;");
    form.CcEdit->setText("c@example.org");
    form.AttEdit->setText("/tmp/a.txt;/tmp/b.txt");
    form.SubjectEdit->setText("Předmět");
    form.MessageMemo->setPlainText("řádek 1\nřádek 2");

    setenv("QX_MAIL_EXIT", "5", 1);
    std::vector<QString> boxes;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxes.push_back(box->text());
            box->accept();
        }
    });
    answer.start(5);
    form.Button1->click();
    ASSERT_TRUE(waitHandedOver(form));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Při pokusu o předání zprávy poštovnímu klientovi došlo k chybě [5]. Zpráva nemůže být odeslána.");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.EmailEdit->text(), "a@example.org; b@example.org;");
    EXPECT_EQ(form.MessageMemo->toPlainText(), "řádek 1\nřádek 2");
    EXPECT_EQ(Arguments(), (QStringList {"--utf8", "--cc", "c@example.org", "--subject", "Předmět", "--body",
                               "řádek 1\nřádek 2", "--attach", "/tmp/a.txt", "--attach", "/tmp/b.txt",
                               "a@example.org", " b@example.org"}));

    // Handed over: the dialog closes with OK.
    unsetenv("QX_MAIL_EXIT");
    form.Button1->click();
    ASSERT_TRUE(waitHandedOver(form));
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(Mail, OnlyAHandedOverMessageIsAnnounced)
{
    std::vector<QString> announced;
    TSendMailForm::SetStatusReporter([&](const QString& text) { announced.push_back(text); });
    TSendMailForm form;
    form.show();
    form.EmailEdit->setText("a@example.org");
    setenv("QX_MAIL_EXIT", "5", 1);
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->accept();
    });
    answer.start(5);
    form.Button1->click();
    ASSERT_TRUE(waitHandedOver(form));
    EXPECT_TRUE(announced.empty());
    unsetenv("QX_MAIL_EXIT");
    form.Button1->click();
    ASSERT_TRUE(waitHandedOver(form));
    TSendMailForm::SetStatusReporter(nullptr);
    EXPECT_EQ(announced, std::vector<QString> {form.Strings[1]});
}

TEST_F(Mail, AClientThatStaysOpenGetsTheMessageOnceWithoutHoldingTheWindow)
{
    // xdg-email that runs the client itself returns when the user closes it.
    setenv("QX_MAIL_STAY", "30", 1);
    TSendMailForm form;
    form.show();
    form.EmailEdit->setText("a@example.org");
    form.MessageMemo->setPlainText("první\ndruhý");
    form.Button1->click();
    // The click returns while the helper runs; the dialog says it is sending,
    // and neither a second click nor Esc starts or ends anything.
    EXPECT_TRUE(form.IsSending());
    EXPECT_FALSE(form.Button1->isEnabled());
    form.Button1->click();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    ASSERT_TRUE(waitHandedOver(form));
    EXPECT_EQ(form.result(), QDialog::Accepted);
    ASSERT_EQ(Starts().size(), 1);
    // Handed over, the client keeps running: it is not ours to end.
    const QString pid = Starts().first();
    EXPECT_TRUE(std::filesystem::exists("/proc/" + pid.toStdString()));
    EXPECT_EQ(Arguments(), (QStringList {"--utf8", "--body", "první\ndruhý", "a@example.org"}));
    ::kill(pid.toInt(), SIGTERM);
}

} // namespace

#include "KernelFixture.h"

#include "kernel/Application.h"
#include "kernel/ExceptionForm.h"
#include "kernel/Kernel.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

using ExceptionFormTest = KernelFixture;

TEST_F(ExceptionFormTest, DetailsToggleAndLogPageFilledOnce)
{
    TExceptionHandlerForm form;
    EXPECT_EQ(form.height(), TExceptionHandlerForm::kCollapsedHeight);
    form.Button3->click();
    EXPECT_EQ(form.Button3->text(), "&Detaily <<");
    EXPECT_EQ(form.height(), TExceptionHandlerForm::kExpandedHeight);
    form.Button3->click();
    EXPECT_EQ(form.Button3->text(), "&Detaily >>");
    EXPECT_EQ(form.height(), TExceptionHandlerForm::kCollapsedHeight);

    LogEvent("before the switch");
    form.PageControl1->setCurrentIndex(1);
    QString log = form.LogMemo->toPlainText();
    EXPECT_TRUE(log.startsWith("Quorvix 2 Event Log"));
    EXPECT_TRUE(log.contains("before the switch"));
    LogEvent("after the switch");
    form.PageControl1->setCurrentIndex(0);
    form.PageControl1->setCurrentIndex(1);
    EXPECT_EQ(form.LogMemo->toPlainText(), log);
}

TEST_F(ExceptionFormTest, HandlerLogsTheExceptionAndRecovers)
{
    TQX_Kernel kernel;
    QString shown;
    kernel.SetChoiceProvider([&](TExceptionHandlerForm& form) {
        shown = form.DescriptionMemo->toPlainText();
        return TQX_Kernel::Choice::Recover;
    });
    kernel.HandleException(nullptr, EQX_KernelException("_Kernel exception raised. See debug.log for details."));
    EXPECT_NE(GetEventLogLines().back().find("_Kernel: Exception raised: \"_Kernel exception raised. See debug.log for details.\""),
        std::string::npos);
    EXPECT_EQ(shown, QStringList({"Předaná zpráva:", "_Kernel exception raised. See debug.log for details.", "",
                         "Třída: EQX_KernelException", "Popis:"}).join(u'\n'));
}

TEST_F(ExceptionFormTest, DialogIsCentredOnTheMainWindowWhateverWindowIsActive)
{
    QWidget frame;
    frame.setGeometry(100, 80, 900, 700);
    frame.show();
    QWidget other;
    other.setGeometry(700, 500, 200, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));

    TQX_Kernel kernel;
    kernel.SetMainWindow(&frame);
    QRect shownAt;
    kernel.SetChoiceProvider([&](TExceptionHandlerForm& form) {
        EXPECT_EQ(form.windowTitle(), "Quorvix rel. 2");
        form.show();
        shownAt = form.frameGeometry();
        form.hide();
        return TQX_Kernel::Choice::Recover;
    });
    kernel.HandleException(nullptr, std::runtime_error("failure"));
    const QRect f = frame.frameGeometry();
    EXPECT_EQ(shownAt.left(), f.left() + f.width() / 2 - shownAt.width() / 2);
    EXPECT_EQ(shownAt.top(), f.top() + f.height() / 2 - shownAt.height() / 2);
}

} // namespace

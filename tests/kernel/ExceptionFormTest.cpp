#include "KernelFixture.h"

#include "kernel/Application.h"
#include "kernel/ExceptionForm.h"
#include "kernel/Kernel.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

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
    QStringList shown;
    kernel.SetChoiceProvider([&](const QStringList& lines) {
        shown = lines;
        return TQX_Kernel::Choice::Recover;
    });
    kernel.HandleException(nullptr, EQX_KernelException("_Kernel exception raised. See debug.log for details."));
    EXPECT_NE(GetEventLogLines().back().find("_Kernel: Exception raised: \"_Kernel exception raised. See debug.log for details.\""),
        std::string::npos);
    EXPECT_EQ(shown, (QStringList {"Předaná zpráva:", "_Kernel exception raised. See debug.log for details.", "",
                         "Třída: EQX_KernelException", "Popis:"}));
}

} // namespace

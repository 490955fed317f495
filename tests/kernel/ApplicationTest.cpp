// An exception escaping an event handler reaches the kernel's handler through
// the application object, and the program runs on after Recover.
#include "KernelFixture.h"

#include "kernel/Application.h"
#include "kernel/Kernel.h"

#include <QTimer>

namespace {

using ApplicationTest = KernelFixture;

TEST_F(ApplicationTest, ExceptionInAnEventHandlerIsShownAndRecovered)
{
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    TQXApplication app(argc, argv);
    InitKernelHandler();
    int shown = 0;
    Kernel()->SetChoiceProvider([&](const QStringList&) {
        ++shown;
        return TQX_Kernel::Choice::Recover;
    });
    bool ranOn = false;
    QTimer::singleShot(0, [] { RaiseKernelException("Server\\FrameWindow", std::nullopt, "test failure"); });
    QTimer::singleShot(0, [] { throw std::runtime_error("plain failure"); });
    QTimer::singleShot(20, [&] {
        ranOn = true;
        app.quit();
    });
    app.exec();
    EXPECT_EQ(shown, 2);
    EXPECT_TRUE(ranOn);
    auto lines = GetEventLogLines();
    std::string all;
    for (const auto& l : lines)
        all += l + "\n";
    EXPECT_NE(all.find("_Kernel: Exception raised: \"_Kernel exception raised. See debug.log for details.\""), std::string::npos);
    EXPECT_NE(all.find("_Kernel: Exception raised: \"plain failure\""), std::string::npos);
    FinalizeKernelHandler();
}

} // namespace

// The application object: an exception escaping an event handler reaches the
// kernel's handler and the program runs on after Recover; the start-up
// preparation leaves window titles alone and makes the standard dialogs Czech.
#include "KernelFixture.h"

#include "app/Startup.h"
#include "kernel/Application.h"
#include "kernel/ExceptionForm.h"
#include "kernel/Kernel.h"
#include "kernel/Language.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include <clocale>
#include <memory>

namespace {

class ApplicationTest : public KernelFixture {
protected:
    static inline std::unique_ptr<TQXApplication> app;
    static inline int argc = 1;
    static inline char name[] = "test";
    static inline char* argv[] = {name, nullptr};

    static void SetUpTestSuite() { app = std::make_unique<TQXApplication>(argc, argv); }
    static void TearDownTestSuite() { app.reset(); }

    void TearDown() override
    {
        for (QTranslator* t : app->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    }

    static QStringList buttonTexts(QDialogButtonBox* box)
    {
        QStringList texts;
        for (QAbstractButton* b : box->buttons())
            texts << b->text();
        return texts;
    }
};

TEST_F(ApplicationTest, ExceptionInAnEventHandlerIsShownAndRecovered)
{
    InitKernelHandler();
    int shown = 0;
    Kernel()->SetChoiceProvider([&](TExceptionHandlerForm&) {
        ++shown;
        return TQX_Kernel::Choice::Recover;
    });
    bool ranOn = false;
    QTimer::singleShot(0, [] { RaiseKernelException("Server\\FrameWindow", std::nullopt, "test failure"); });
    QTimer::singleShot(0, [] { throw std::runtime_error("plain failure"); });
    QTimer::singleShot(20, [&] {
        ranOn = true;
        app->quit();
    });
    app->exec();
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

// Qt appends an application display name to every window title it passes to
// the window system; without one, the display name follows the application
// name. The C library reads numbers with a point whatever the user's locale.
TEST_F(ApplicationTest, PreparationKeepsTitlesExactAndNumbersWithADecimalPoint)
{
    // (A user's locale, as the application object sets it from the environment.)
    std::setlocale(LC_NUMERIC, "C.UTF-8");
    PrepareApplication(*app);
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    EXPECT_EQ(QCoreApplication::applicationName(), "Quorvix 2");
    QCoreApplication::setApplicationName(QStringLiteral("probe"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe");
    QCoreApplication::setApplicationName(QStringLiteral("Quorvix 2"));
}

TEST_F(ApplicationTest, StandardButtonsAreCzechWithoutATranslationFile)
{
    qxtest::TempDir empty;
    EXPECT_FALSE(InstallCzechTranslations(*app, QString::fromStdString(empty.path().string())));

    QMessageBox question(QMessageBox::Question, QStringLiteral("Quorvix 2"), QStringLiteral("?"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(question.button(QMessageBox::Yes)->text(), "&Ano");
    EXPECT_EQ(question.button(QMessageBox::No)->text(), "&Ne");
    EXPECT_EQ(question.button(QMessageBox::Cancel)->text(), "&Storno");

    QInputDialog input;
    input.show(); // builds its controls
    auto* box = input.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->button(QDialogButtonBox::Ok)->text(), "&OK");
    EXPECT_EQ(box->button(QDialogButtonBox::Cancel)->text(), "&Storno");

    const std::pair<const char*, const char*> more[] = {
        {"Save All", "Uložit &vše"}, {"&Close", "&Zavřít"}, {"Retry", "&Opakovat"}, {"Select All", ""}};
    for (const auto& [english, czech] : more)
        EXPECT_EQ(CzechStandardButtonText(QString::fromUtf8(english)), QString::fromUtf8(czech)) << english;
}

TEST_F(ApplicationTest, QtsOwnCzechTranslationCoversTheFileDialog)
{
    ASSERT_TRUE(InstallCzechTranslations(*app)) << "Qt's Czech translation (qt6-translations-l10n) is not installed";
    QFileDialog dialog(nullptr, QStringLiteral("Otevřít"), QDir::tempPath());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* box = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    const QStringList buttons = buttonTexts(box);
    EXPECT_TRUE(buttons.contains("&Storno")) << buttons.join(", ").toStdString();
    EXPECT_FALSE(buttons.contains("&Open")) << buttons.join(", ").toStdString();
    QStringList labels;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_FALSE(labels.contains("Look in:")) << labels.join(", ").toStdString();
    EXPECT_FALSE(labels.contains("File &name:")) << labels.join(", ").toStdString();
    // The type column names folders in Czech too.
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"), "Složka");
}

} // namespace

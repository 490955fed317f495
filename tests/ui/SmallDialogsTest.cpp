#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "plugins/PluginFrame.h"
#include "ui/AboutBoxes.h"
#include "ui/ColorSelector.h"
#include "ui/QXMessageBox.h"
#include "ui/TipOfTheDay.h"
#include "ui/UndoRedoSelection.h"

#include "KernelFixture.h"
#include "TestEnv.h"

#include <QCheckBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class SmallDialogs : public qxtest::KernelFixture { };

TEST_F(SmallDialogs, MessageBoxVariantsSetButtonsDefaultsAndEscape)
{
    struct Case {
        TQXMessageBoxForm::Variant variant;
        QString button1, button2;
        bool secondVisible;
        int escResult;
    };
    const std::vector<Case> cases = {
        {TQXMessageBoxForm::Variant::Ok, "&OK", "", false, TQXMessageBoxForm::Ok},
        {TQXMessageBoxForm::Variant::IgnoreCancel, "&Ignorovat", "&Storno", true, TQXMessageBoxForm::Cancel},
        {TQXMessageBoxForm::Variant::RetryCancel, "&Storno", "&Opakovat", true, TQXMessageBoxForm::Cancel},
    };
    for (const auto& c : cases) {
        TQXMessageBoxForm form;
        form.Prepare(c.variant, "Zpráva", {}, {});
        EXPECT_EQ(form.windowTitle(), "Quorvix 2");
        EXPECT_EQ(form.Button1->text(), c.button1);
        EXPECT_EQ(form.Button2->isVisibleTo(&form), c.secondVisible);
        if (c.secondVisible) {
            EXPECT_EQ(form.Button2->text(), c.button2);
        }
        EXPECT_EQ(form.height(), TQXMessageBoxForm::kHeight);
        EXPECT_FALSE(form.Label2->isVisibleTo(&form));
        form.show();
        QTest::keyClick(&form, Qt::Key_Escape);
        EXPECT_EQ(form.result(), c.escResult);
    }
    TQXMessageBoxForm retry;
    retry.Prepare(TQXMessageBoxForm::Variant::RetryCancel, "x", {}, {});
    EXPECT_TRUE(retry.Button2->isDefault());
    retry.show();
    EXPECT_EQ(retry.focusWidget(), retry.Button2);
    retry.Button2->click();
    EXPECT_EQ(retry.result(), TQXMessageBoxForm::Retry);
}

TEST_F(SmallDialogs, MessageBoxLinkShowsCaptionOrTarget)
{
    TQXMessageBoxForm withCaption;
    withCaption.Prepare(TQXMessageBoxForm::Variant::Ok, "x", "https://example.org/", "Stáhnout nové moduly");
    EXPECT_TRUE(withCaption.Label2->text().contains("Stáhnout nové moduly"));
    EXPECT_EQ(withCaption.Label2->toolTip(), "https://example.org/");
    EXPECT_EQ(withCaption.height(), TQXMessageBoxForm::kHeightWithLink);

    TQXMessageBoxForm bare;
    bare.Prepare(TQXMessageBoxForm::Variant::Ok, "x", "https://example.org/", {});
    EXPECT_TRUE(bare.Label2->text().contains(">https://example.org/<"));
}

// A frame stand-in: the main window host dialogs belong to.
class MainWindowFrame : public TQX_PluginFrame {
public:
    explicit MainWindowFrame(QWidget* main) : main_(main) { SetPluginFrame(this); }
    ~MainWindowFrame() override { SetPluginFrame(nullptr); }
    QWidget* MainWindow() const override { return main_; }

private:
    QWidget* main_;
};

TEST_F(SmallDialogs, HostBoxesBelongToTheModalDialogOrTheMainWindowNotAStaleActiveWindow)
{
    QWidget main;
    main.setGeometry(100, 100, 800, 600);
    main.show();
    MainWindowFrame frame(&main);
    // Another window is active (as a dialog that has just closed may still be).
    QWidget other;
    other.setGeometry(900, 700, 100, 50);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));

    TQXMessageBoxForm box;
    box.Prepare(TQXMessageBoxForm::Variant::Ok, "Zpráva", {}, {});
    EXPECT_EQ(box.parentWidget(), &main);
    box.show();
    const QRect m = main.frameGeometry(), b = box.frameGeometry();
    EXPECT_EQ(b.left(), m.left() + m.width() / 2 - b.width() / 2);
    EXPECT_EQ(b.top(), m.top() + m.height() / 2 - b.height() / 2);
    box.hide();
    TAboutAppForm about;
    EXPECT_EQ(about.parentWidget(), &main);

    // Inside a modal dialog, the box belongs to that dialog.
    QDialog modal(&main);
    modal.setModal(true);
    modal.show();
    EXPECT_EQ(DefaultDialogOwner(), &modal);
}

TEST_F(SmallDialogs, CaptionsAreExactlyTheProgramsOwn)
{
    TAboutAppForm about;
    TQXAboutBoxForm pluginAbout;
    TTipOfTheDayForm tip;
    TQXMessageBoxForm box;
    const std::pair<QWidget*, const char*> captions[] = {
        {&about, "Quorvix 2"}, {&pluginAbout, "Quorvix rel. 2"}, {&tip, "Tip pro tento den"}, {&box, "Quorvix 2"}};
    for (const auto& [window, caption] : captions)
        EXPECT_EQ(window->windowTitle(), QString::fromUtf8(caption));
}

TEST_F(SmallDialogs, ColorSelectorHintsPressedButtonAndChoice)
{
    EXPECT_EQ(TColorSelectorForm::ColorHint(TColorSelectorForm::Palette()[1]), "#993300 (RGB: 153, 51, 0)");
    auto pressed = [](const QColor& c) {
        TColorSelectorForm form(c);
        int index = -1;
        for (int i = 0; i < form.Buttons.size(); ++i)
            if (form.Buttons[i]->isChecked())
                index = i;
        return index;
    };
    EXPECT_EQ(pressed(QColor("#ffffff")), 39);
    EXPECT_EQ(pressed(QColor("#123456")), -1);

    TColorSelectorForm form(QColor("#000000"));
    form.Buttons[9]->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.Color(), QColor("#ff6600"));
}

TEST_F(SmallDialogs, ColorSelectorOffersTheColoursChosenLately)
{
    EXPECT_TRUE(TColorSelectorForm(QColor("#000000")).RecentButtons.isEmpty());
    // Nine choices, one of them twice: the last eight distinct, newest first.
    for (int index : {1, 2, 3, 4, 5, 6, 7, 8, 2, 9}) {
        TColorSelectorForm form(QColor("#000000"));
        form.Buttons[index]->click();
    }
    TColorSelectorForm form(QColor("#000000"));
    QStringList hints;
    for (QToolButton* button : form.RecentButtons)
        hints << button->toolTip().left(7);
    EXPECT_EQ(hints, (QStringList {"#ff6600", "#333300", "#800000", "#333333", "#333399", "#000080", "#003366", "#003300"}));
    form.RecentButtons[1]->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.Color(), QColor("#333300"));
    // Asking for another colour ends the pop-up with its own result.
    TColorSelectorForm other(QColor("#000000"));
    other.OtherButton->click();
    EXPECT_EQ(other.result(), TColorSelectorForm::kOtherColor);
}

TEST_F(SmallDialogs, UndoListPerformsTheStepsUpToTheClickedOne)
{
    int performed = 0;
    auto* form = new TUndoRedoSelectionForm(TUndoRedoSelectionForm::Mode::Undo, {"psaní", "mazání", "vložení", "psaní", "odsazení"},
        [&](int count) { performed = count; });
    form->show();
    EXPECT_EQ(form->StatusBar->text(), "Zpět 1 akci");
    QRect fourth = form->ListBox->visualItemRect(form->ListBox->item(3));
    QTest::mousePress(form->ListBox->viewport(), Qt::LeftButton, {}, fourth.center());
    EXPECT_EQ(form->StatusBar->text(), "Zpět 4 akcí");
    QTest::mouseRelease(form->ListBox->viewport(), Qt::LeftButton, {}, fourth.center());
    EXPECT_EQ(performed, 4);

    performed = 0;
    auto* redo = new TUndoRedoSelectionForm(TUndoRedoSelectionForm::Mode::Redo, {}, [&](int count) { performed = count; });
    redo->show();
    EXPECT_EQ(redo->StatusText(), "Opakovat 0 akcí");
    QTest::mouseClick(redo->StatusBar, Qt::LeftButton);
    EXPECT_EQ(performed, 0);
}

TEST_F(SmallDialogs, TipWindowWrapsAndRemembersTheNextTip)
{
    const int count = static_cast<int>(TTipOfTheDayForm::Tips().size());
    SetCurrentTip(count - 1);
    ShowTipOfTheDay(nullptr);
    TTipOfTheDayForm* tip = CurrentTipWindow();
    ASSERT_NE(tip, nullptr);
    ShowTipOfTheDay(nullptr);
    EXPECT_EQ(CurrentTipWindow(), tip);
    EXPECT_EQ(tip->CurrentIndex(), count - 1);
    tip->NextTip();
    EXPECT_EQ(tip->CurrentIndex(), 0);
    tip->PreviousTip();
    EXPECT_EQ(tip->CurrentIndex(), count - 1);
    tip->CheckBox1->setChecked(false);
    tip->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(CurrentTipWindow(), nullptr);
    EXPECT_EQ(CurrentTip(), 0);
    EXPECT_FALSE(TipOfTheDayEnabled());
}

TEST_F(SmallDialogs, PluginAboutBoxKeepsItsDefaultCaption)
{
    TQXAboutBoxForm box;
    EXPECT_EQ(box.windowTitle(), "Quorvix rel. 2");
    EXPECT_TRUE(box.DescriptionMemo->toPlainText().isEmpty());
}

} // namespace

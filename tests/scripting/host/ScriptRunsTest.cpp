// Script runs in the program: the progress window, the reports at the end of
// a run, safe mode, stopping a run, closing the frame during a run, the
// frame's script commands and the event scripts.
#include "HostScriptFixture.h"

#include "QX_Types.h"
#include "kernel/Settings.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"
#include "scripting/ExecutingScript.h"
#include "scripting/Scripting.h"
#include "scripting/ScriptingSetup.h"
#include "scripting/SelectScript.h"

#include <QApplication>
#include <QElapsedTimer>
#include "files/ExtOpenDialog.h"
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using ScriptRunsTest = HostScriptFixture;

// Clicks the abort button as a user does: through the window system, so a
// window blocked by a modal dialog would not receive the click.
void clickAbortButton()
{
    TExecutingScriptForm* form = ScriptObject()->ExecutingForm();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(form->isVisible());
    QWindow* window = form->windowHandle();
    ASSERT_NE(window, nullptr);
    const QPoint centre = form->SpeedButton1->mapTo(form, form->SpeedButton1->rect().center());
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centre);
}

std::vector<std::string> messagesOf(const std::vector<std::string>& lines)
{
    // Without the time stamp.
    std::vector<std::string> out;
    for (const std::string& l : lines)
        out.push_back(l.substr(l.find(' ') + 1));
    return out;
}

TEST_F(ScriptRunsTest, ARunIsLoggedAndShowsItsName)
{
    QString shownName;
    After(0, [&] {
        if (TExecutingScriptForm* form = ScriptObject()->ExecutingForm())
            shownName = form->ScriptID->text();
    });
    const QString path = WriteScript("tools.qx", "begin Sleep(200) end.");
    RunFile(path);
    EXPECT_EQ(shownName, "[TOOLS]...");
    EXPECT_EQ(messagesOf(LogLines("Server\\Scripting")),
        std::vector<std::string>({"Server\\Scripting: Loading and executing script [TOOLS]...",
            "Server\\Scripting: Script terminated, no errors.", "Server\\Scripting: Terminating thread...",
            "Server\\Scripting: Script execution thread terminated."}));
    EXPECT_FALSE(ScriptObject()->ExecutingForm()->isVisible());
    EXPECT_EQ(TScriptObject::ScriptDisplayName("/s/Default.qx", "OnStartup"), "[DEFAULT].OnStartup..");
}

TEST_F(ScriptRunsTest, AnErrorIsReportedAndShownInTheScriptEditor)
{
    const std::string probe = InstallEditorProbe();
    StartFrame();
    const std::string text = "var x: integer;\nbegin\n  x := 1;\n  Nonsense\nend.\n";
    Run(text);
    EXPECT_EQ(runError, 3);
    // A position in the text as the interpreter reads it, lines ending in CR LF.
    EXPECT_EQ(ScriptObject()->LastErrorPosition(),
        int32_t(qx::JoinScriptLines(qx::SplitScriptLines(text)).find("Nonsense")));
    ASSERT_EQ(dialogTexts.size(), 1);
    // Below the text, the place as compilers give it (line 4, column 3), so
    // that editors and the tool output panel can follow it.
    EXPECT_EQ(dialogTexts[0],
        "Quorvix 2|Ve skriptu došlo k této chybě: Neznámý identifikátor.|" + QString::fromStdString(GetScriptsDir())
            + "run.qx:4:3: error 3 at 37: Neznámý identifikátor");
    EXPECT_EQ(LogLines("Script terminated, error 3").size(), 1u);
    // The script opened with the script editor entry, which was asked to show
    // the error's place.
    const std::vector<std::string> log = ProbeLog(probe);
    EXPECT_EQ(CountLines(log, "command 11 " + GetScriptsDir() + "run.qx"), 1);
    EXPECT_EQ(CountLines(log, "command 35"), 1);
}

TEST_F(ScriptRunsTest, NothingRunsWithScriptingOffOrWithoutAFile)
{
    SetScriptingMode(0);
    Run("var x: integer; begin x := 1 end.");
    EXPECT_TRUE(LogLines("Loading and executing").empty());
    EXPECT_TRUE(globals.empty());

    SetScriptingMode(2);
    RunFile(QString::fromStdString(GetScriptsDir() + "missing.qx"));
    EXPECT_EQ(LogLines("Server\\Scripting: Loading and executing script [MISSING]...").size(), 1u);
    EXPECT_EQ(LogLines("Unable to load script file.").size(), 1u);
    EXPECT_TRUE(LogLines("Script terminated").empty());
}

TEST_F(ScriptRunsTest, SafeModeRefusesFileChangesWithOneWarningPerRun)
{
    StartFrame();
    SetScriptingMode(1);
    const QString a = MakeFile("a.txt"), b = MakeFile("b.txt");
    const std::string script = "var d1, d2, c, r, safe: boolean;\n"
                               "begin\n"
                               "  d1 := DeleteFile('" + a.toStdString() + "'); d2 := DeleteFile('" + b.toStdString() + "');\n"
                               "  c := CopyFile('" + a.toStdString() + "', '" + a.toStdString() + ".copy', FALSE);\n"
                               "  r := RenameFile('" + b.toStdString() + "', '" + b.toStdString() + ".new');\n"
                               "  safe := IsSafeScriptingEnabled\n"
                               "end.\n";
    Run(script);
    EXPECT_EQ(globals["D1"] + globals["D2"] + globals["C"] + globals["R"] + globals["SAFE"], "FALSEFALSEFALSEFALSETRUE");
    ASSERT_EQ(dialogTexts.size(), 1);
    EXPECT_TRUE(dialogTexts[0].contains("nepovolenou operaci DELETEFILE, která")) << dialogTexts[0].toStdString();
    EXPECT_TRUE(fs::exists(a.toStdString()) && fs::exists(b.toStdString()));
    EXPECT_FALSE(fs::exists(a.toStdString() + ".copy") || fs::exists(b.toStdString() + ".new"));

    Run(script); // a new run warns again
    EXPECT_EQ(dialogTexts.size(), 2);
}

TEST_F(ScriptRunsTest, TheAbortButtonEndsARunWithoutAMessage)
{
    StartFrame();
    After(200, [] { clickAbortButton(); });
    Run("var n: integer; begin repeat n := n + 1; until false end.");
    EXPECT_EQ(runError, 65535);
    EXPECT_TRUE(dialogTexts.isEmpty());
    EXPECT_EQ(LogLines("Server\\Scripting: Terminating script...").size(), 1u);
    EXPECT_FALSE(ScriptObject()->ExecutingForm()->isVisible());
}

TEST_F(ScriptRunsTest, TheAbortButtonWorksWhileAHostFunctionShowsADialog)
{
    StartFrame();
    onDialog = [](QWidget* dialog) {
        clickAbortButton();
        // The run ends only when the dialog has closed.
        EXPECT_TRUE(ScriptObject()->IsScriptRunning());
        static_cast<QMessageBox*>(dialog)->button(QMessageBox::Ok)->click();
    };
    Run("var written: boolean; begin ShowMessage('Wait'); written := RegWriteInt('After', 1) end.");
    EXPECT_EQ(runError, 65535);
    EXPECT_EQ(dialogTexts.size(), 1);
    EXPECT_EQ(qxtest::ReadFile(home.registryFile()).find("\"After\""), std::string::npos);
}

TEST_F(ScriptRunsTest, SleepWaitsInStepsAndEndsEarlyOnAStop)
{
    StartFrame();
    // Requests below 100 ms do not wait: fifty of them take no time worth
    // measuring, where waiting steps would take seconds.
    QElapsedTimer clock;
    clock.start();
    Run("var i: integer; begin for i := 1 to 50 do Sleep(99) end.");
    EXPECT_LT(clock.elapsed(), 2000);

    After(300, [] { clickAbortButton(); });
    clock.restart();
    Run("var done: integer; begin Sleep(20000); done := 1 end.");
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(runError, 65535);
    EXPECT_EQ(globals["DONE"], "0");

    // Halt stops the run at the next statement, without a message.
    Run("var before, after: integer; begin before := 1; Halt; after := 1 end.");
    EXPECT_EQ(runError, 65535);
    EXPECT_EQ(globals["BEFORE"] + globals["AFTER"], "10");
    EXPECT_TRUE(dialogTexts.isEmpty());
}

TEST_F(ScriptRunsTest, ClosingTheFrameDuringARunNeitherHangsNorCrashes)
{
    InstallEditorProbe();
    StartFrame();
    const QString doc = MakeFile("doc.txt");
    // The script closes the program's window; the event scripts of closing
    // are skipped while it runs, and the run goes on to its end.
    WriteScript("Default.qx", "procedure OnClosing; begin RegWriteInt('Closing', 1) end;\n"
                              "procedure OnShutdown; begin RegWriteInt('Shutdown', 1) end;\nbegin end.\n");
    Run("var exited, opened: boolean; begin exited := Menu_FileExit; opened := OpenFile('" + doc.toStdString()
        + "') end.");
    EXPECT_EQ(runError, 0);
    EXPECT_EQ(processEnds, 1);
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(globals["EXITED"], "TRUE");
    const std::string registry = qxtest::ReadFile(home.registryFile());
    EXPECT_EQ(registry.find("\"Closing\""), std::string::npos);
    EXPECT_EQ(registry.find("\"Shutdown\""), std::string::npos);

    // The frame destroyed while the script waits: the functions that need it
    // fail, the run still ends.
    After(100, [this] { DestroyFrame(); });
    Run("var opened, isProject: boolean; n: integer; h: array of integer;\n"
        "begin Sleep(400); opened := OpenFile('" + doc.toStdString() + "'); isProject := IsProjectOpened;\n"
        "  SetStatusBarMessage('gone'); EnumWindows(h); n := GetArrayLength(h) end.");
    EXPECT_EQ(runError, 0);
    EXPECT_EQ(frame, nullptr);
    EXPECT_EQ(globals["OPENED"] + globals["ISPROJECT"] + globals["N"], "FALSEFALSE0");
}

TEST_F(ScriptRunsTest, ARunStartedFromAScriptIsIgnored)
{
    StartFrame();
    WriteScript("other.qx", "begin RegWriteInt('Other', 1) end.");
    onDialog = [](QWidget* dialog) {
        auto* form = qobject_cast<TSelectScriptForm*>(dialog);
        ASSERT_NE(form, nullptr);
        form->ListView->setCurrentItem(form->ListView->findItems("other.qx", Qt::MatchExactly).value(0));
        form->Button1->click();
    };
    Run("var shown: boolean; begin shown := Menu_ScriptExecute; Sleep(300) end.");
    EXPECT_EQ(globals["SHOWN"], "TRUE");
    Spin(100);
    EXPECT_EQ(dialogTexts.size(), 1);
    EXPECT_TRUE(LogLines("[OTHER]").empty());
}

TEST_F(ScriptRunsTest, ScriptListIsAlphabeticalWithoutRegardToCase)
{
    for (const char* name : {"beta.qx", "Alpha.qx", "gamma.qx", "Delta.qx", "alpha.qx", "_tools.qx"})
        WriteScript(name, "begin end.");
    TSelectScriptForm form;
    QStringList listed;
    for (int i = 0; i < form.ListView->topLevelItemCount(); ++i)
        listed << form.ListView->topLevelItem(i)->text(0);
    EXPECT_EQ(listed, QStringList({"_tools.qx", "Alpha.qx", "alpha.qx", "beta.qx", "Delta.qx", "gamma.qx"}));
    EXPECT_EQ(form.windowTitle(), "Vybrat skript");
}

TEST_F(ScriptRunsTest, ScriptCommandsStartTheChosenScriptOrProcedure)
{
    StartFrame();
    WriteScript("b.qx", "procedure Proc; begin RegWriteString('Ran', 'b.Proc') end;\nbegin end.");
    WriteScript("a.qx", "begin RegWriteString('Ran', 'a') end.");
    fs::create_directories(GetScriptsDir() + "folder.qx");
    WriteScript("notes.txt", "");

    QStringList listed;
    onDialog = [&](QWidget* dialog) {
        if (auto* form = qobject_cast<TSelectScriptForm*>(dialog)) {
            for (int i = 0; i < form->ListView->topLevelItemCount(); ++i)
                listed << form->ListView->topLevelItem(i)->text(0);
            EXPECT_FALSE(form->Button1->isEnabled());
            form->ListView->setCurrentItem(form->ListView->topLevelItem(1));
            EXPECT_EQ(form->Edit1->text().toStdString(), GetScriptsDir() + "b.qx");
            form->Button1->click();
        } else if (auto* query = qobject_cast<QInputDialog*>(dialog)) {
            EXPECT_EQ(query->windowTitle(), "Jméno procedury");
            EXPECT_EQ(query->labelText(), "Procedura:");
            query->setTextValue("Proc");
            query->accept();
        }
    };
    frame->Action(FrameAction::ScriptExecuteProc)->trigger();
    ASSERT_TRUE(WaitFor([] { return !LogLines("Script execution thread terminated.").empty(); }));
    // The list holds the script files only, sorted.
    EXPECT_EQ(listed, QStringList({"a.qx", "b.qx"}));
    EXPECT_EQ(LogLines("Loading and executing script [B].Proc..").size(), 1u);
    EXPECT_NE(qxtest::ReadFile(home.registryFile()).find("\"Ran\"=\"b.Proc\""), std::string::npos);

    // From a file: the open dialog starts in the scripts folder with the
    // script filter chosen.
    onDialog = [](QWidget* dialog) {
        auto* chooser = qobject_cast<TExtOpenDialogForm*>(dialog);
        ASSERT_NE(chooser, nullptr);
        EXPECT_EQ(chooser->ComboBox1->currentText(), "Skripty (*.qx)");
        EXPECT_EQ(chooser->CurrentPath().toStdString(), GetScriptsDir());
        ChooseInOpenDialog(chooser, QString::fromStdString(GetScriptsDir()), "a.qx");
    };
    frame->Action(FrameAction::ScriptOpenExecute)->trigger();
    ASSERT_TRUE(WaitFor([] { return LogLines("Script execution thread terminated.").size() == 2; }));
    EXPECT_NE(qxtest::ReadFile(home.registryFile()).find("\"Ran\"=\"a\""), std::string::npos);
}

TEST_F(ScriptRunsTest, TheScriptMenuListsScriptFilesAndRunsThemByButton)
{
    const std::string probe = InstallEditorProbe();
    StartFrame();
    WriteScript("one&two.qx", "begin RegWriteString('Ran', 'one&two') end.");
    WriteScript("notes.txt", "");
    fs::create_directories(GetScriptsDir() + "folder.qx");
    auto* menu = frame->findChild<QMenu*>("ScriptSubmenu");
    ASSERT_NE(menu, nullptr);
    auto pick = [&](const char* buttonName) {
        // The drop-down remembers the button that opened it.
        auto* button = frame->findChild<QToolButton*>(buttonName);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
        QCoreApplication::sendEvent(button, &press);
        emit menu->aboutToShow();
        const QList<QAction*> items = menu->actions();
        EXPECT_EQ(items.size(), 1);
        if (!items.isEmpty()) {
            EXPECT_EQ(items[0]->text(), "one&&two.qx");
            items[0]->trigger();
        }
    };
    pick("ToolbarButtonScriptExecute");
    ASSERT_TRUE(WaitFor([] { return !LogLines("Script execution thread terminated.").empty(); }));
    EXPECT_EQ(LogLines("Loading and executing script [ONE&TWO]...").size(), 1u);
    EXPECT_NE(qxtest::ReadFile(home.registryFile()).find("\"Ran\"=\"one&two\""), std::string::npos);

    pick("ToolbarButtonScriptOpen");
    EXPECT_EQ(CountLines(ProbeLog(probe), "command 11 " + GetScriptsDir() + "one&two.qx"), 1);
    EXPECT_EQ(LogLines("Loading and executing script [ONE&TWO]").size(), 1u);

    // A new script is an empty document of the script editor entry.
    ASSERT_TRUE(frame->Action(FrameAction::ScriptNew)->isEnabled());
    frame->Action(FrameAction::ScriptNew)->trigger();
    EXPECT_EQ(CountLines(ProbeLog(probe), "create 1 gui 1"), 2);
}

TEST_F(ScriptRunsTest, AScriptWithUnsavedChangesIsSavedOnlyIfTheUserWants)
{
    InstallEditorProbe();
    StartFrame();
    const QString path = WriteScript("edited.qx", "begin RegWriteString('Ran', 'disk') end.");
    const std::string savedText = "begin RegWriteString('Ran', 'saved') end.";
    TQX_PluginEntry* editor = FindPluginEntryByFlags(QX_FLAG_SCRIPT_EDITOR);
    ASSERT_NE(editor, nullptr);
    QPointer<TQX_PluginWindow> window = frame->OpenFile(path, editor->ID);
    ASSERT_NE(window, nullptr);
    window->Modified = true;

    QString answer;
    QStringList buttons;
    auto answerQuestionOr = [&](std::function<void(QWidget*)> other) {
        onDialog = [&, other](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            if (!box || box->objectName() != "SaveScriptBeforeRunQuestion")
                return other(dialog);
            EXPECT_EQ(box->windowTitle(), "Quorvix 2");
            EXPECT_TRUE(box->text().contains("edited.qx")) << box->text().toStdString();
            buttons.clear();
            for (QAbstractButton* b : box->buttons())
                buttons << b->text().remove('&');
            for (QAbstractButton* b : box->buttons())
                if (b->text().remove('&') == answer)
                    return b->click();
            ADD_FAILURE() << "no button " << answer.toStdString();
            box->reject();
        };
    };
    auto ranText = [&] {
        const std::string reg = qxtest::ReadFile(home.registryFile());
        return reg.find("\"Ran\"=\"saved\"") != std::string::npos ? "saved"
            : reg.find("\"Ran\"=\"disk\"") != std::string::npos   ? "disk"
                                                                     : "";
    };
    auto runs = [] { return LogLines("Loading and executing script [EDITED]...").size(); };

    // Storno, from the script menu: nothing runs, nothing is saved.
    answer = "Storno";
    answerQuestionOr([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    auto* button = frame->findChild<QToolButton*>("ToolbarButtonScriptExecute");
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
    QCoreApplication::sendEvent(button, &press);
    auto* menu = frame->findChild<QMenu*>("ScriptSubmenu");
    emit menu->aboutToShow();
    QAction* item = nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == "edited.qx")
            item = a;
    ASSERT_NE(item, nullptr);
    item->trigger();
    ASSERT_TRUE(WaitFor([&] { return !buttons.isEmpty() && !QApplication::activeModalWidget(); }));
    Spin(100);  // a run would start on the next timer tick
    buttons.sort();  // their order follows the platform's button layout
    EXPECT_EQ(buttons, QStringList({"Ano", "Ne", "Storno"}));
    EXPECT_EQ(dialogTexts.size(), 1);
    EXPECT_EQ(runs(), 0u);
    EXPECT_TRUE(window->Modified);

    // Ne, from the script list: the file runs as it is on disk.
    auto chooseInList = [](QWidget* dialog) {
        auto* form = qobject_cast<TSelectScriptForm*>(dialog);
        ASSERT_NE(form, nullptr);
        form->ListView->setCurrentItem(form->ListView->findItems("edited.qx", Qt::MatchExactly).value(0));
        form->Button1->click();
    };
    answer = "Ne";
    answerQuestionOr(chooseInList);
    frame->Action(FrameAction::ScriptExecute)->trigger();
    ASSERT_TRUE(WaitFor([&] { return !LogLines("Script execution thread terminated.").empty(); }));
    EXPECT_EQ(ranText(), "disk");
    EXPECT_TRUE(window->Modified);

    // Ano while the document cannot be saved: it stays modified and nothing runs.
    answer = "Ano";
    const qsizetype seen = dialogTexts.size();
    frame->Action(FrameAction::ScriptExecute)->trigger();
    ASSERT_TRUE(WaitFor([&] { return dialogTexts.size() == seen + 2 && !QApplication::activeModalWidget(); }));
    Spin(100);
    EXPECT_EQ(runs(), 1u);
    EXPECT_TRUE(window->Modified);

    // Ano, from a file: the editor saves, and the saved text runs.
    window->setProperty("probeText", QString::fromStdString(savedText));
    answerQuestionOr([&](QWidget* dialog) {
        ChooseInOpenDialog(qobject_cast<TExtOpenDialogForm*>(dialog), QString::fromStdString(GetScriptsDir()), "edited.qx");
    });
    frame->Action(FrameAction::ScriptOpenExecute)->trigger();
    ASSERT_TRUE(WaitFor([&] { return runs() == 2; }));
    ASSERT_TRUE(WaitFor([] { return LogLines("Script execution thread terminated.").size() == 2; }));
    EXPECT_EQ(qxtest::ReadFile(path.toStdString()), savedText);
    EXPECT_EQ(ranText(), "saved");
    EXPECT_FALSE(window->Modified);

    // Saved: the next run asks nothing.
    const qsizetype asked = dialogTexts.filter("neuložené změny").size();
    onDialog = chooseInList;
    frame->Action(FrameAction::ScriptExecute)->trigger();
    ASSERT_TRUE(WaitFor([] { return LogLines("Script execution thread terminated.").size() == 3; }));
    EXPECT_EQ(dialogTexts.filter("neuložené změny").size(), asked);
}

TEST_F(ScriptRunsTest, TheOptionsDialogShowsAndStoresTheMode)
{
    for (int stored : {0, 1, 2, 7}) {
        SetScriptingMode(stored);
        TSetupScriptingForm form;
        const QRadioButton* buttons[] = {form.RadioButton1, form.RadioButton2, form.RadioButton3};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(buttons[i]->isChecked(), i == stored) << stored;
    }
    SetScriptingMode(1);
    {
        TSetupScriptingForm form;
        form.RadioButton3->setChecked(true);
        form.Button2->click();
    }
    EXPECT_EQ(ScriptingMode(), 1);
    {
        TSetupScriptingForm form;
        form.RadioButton3->setChecked(true);
        form.Button1->click();
        EXPECT_EQ(form.result(), QDialog::Accepted);
    }
    EXPECT_EQ(ScriptingMode(), 2);
    EXPECT_NE(qxtest::ReadFile(home.registryFile()).find("\"ScriptingMode\"=dword:00000002"), std::string::npos);
}

TEST_F(ScriptRunsTest, EventScriptsAtStartAndClose)
{
    // Without Default.qx start-up goes on; each event leaves one warning.
    StartFrame();
    EXPECT_EQ(LogLines("Unable to load script file.").size(), 2u);
    DestroyFrame();

    // A default script lacking OnClosing reports error 3 when the frame closes.
    WriteScript("Default.qx", "procedure OnStartup; begin RegWriteInt('Startup', 1) end;\n"
                              "procedure OnStarted; begin RegWriteInt('Started', 1) end;\n"
                              "procedure OnShutdown; begin RegWriteInt('Shutdown', 1) end;\nbegin end.\n");
    StartFrame();
    frame->close();
    EXPECT_EQ(processEnds, 1);
    EXPECT_EQ(dialogTexts.join('\n').toStdString(),
        "Quorvix 2|Ve skriptu došlo k této chybě: Neznámý identifikátor.|" + GetScriptsDir()
            + "Default.qx:4:1: error 3 at 179: Neznámý identifikátor");
    const std::string registry = qxtest::ReadFile(home.registryFile());
    for (const char* value : {"\"Startup\"=dword:00000001", "\"Started\"=dword:00000001", "\"Shutdown\"=dword:00000001"})
        EXPECT_NE(registry.find(value), std::string::npos) << value;
    DestroyFrame();

    // Scripting off: no event script runs.
    SetScriptingMode(0);
    const size_t before = LogLines("Loading and executing").size();
    StartFrame();
    EXPECT_EQ(LogLines("Loading and executing").size(), before);
}

} // namespace

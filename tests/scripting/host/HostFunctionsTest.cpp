// Host functions called from scripts, group by group, with their effects on
// the frame, the plug-in lists, files, projects and the registry.
#include "HostScriptFixture.h"

#include "QX_Exports.h"
#include "frame/FrameStatusBar.h"
#include "kernel/Settings.h"
#include "mail/Mapi.h"
#include "mail/SendMail.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"
#include "scripting/HostFunctions.h"
#include "scripting/ScriptListDialog.h"
#include "scripting/Scripting.h"

#include <QFileDialog>
#include "files/ExtOpenDialog.h"
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using HostFunctionsTest = HostScriptFixture;

std::string quoted(const QString& text)
{
    return "'" + text.toStdString() + "'";
}

TEST_F(HostFunctionsTest, HostFunctionListKeepsRegistrationOrderAndCase)
{
    const QStringList& list = ScriptObject()->HostFunctionList();
    ASSERT_EQ(list.size(), 47 + 78 + 30);
    EXPECT_EQ(list.first(), "14 AskUser Question 8");
    EXPECT_EQ(list[32], "0 GetVersionEx !Major  6 !Minor 6 !Release 6");
    EXPECT_EQ(list[46], "8 LowerCase S 8");
    EXPECT_EQ(list[47], "14 Menu_DocsAddCurrFile");
    EXPECT_EQ(list[47 + 77], "14 Menu_WindowRestore");
    EXPECT_EQ(list[47 + 78], "14 OpenFile FileName 8");
    EXPECT_EQ(list.last(), "14 WindowToPluginEntryID Handle 6 !PluginEntryID 8");
    // Scripts find the functions by their upper-case names.
    const std::vector<std::string>& procs = ScriptObject()->Runner().ExternalProcs;
    ASSERT_EQ(procs.size(), size_t(list.size()));
    EXPECT_EQ(procs[32], "0 GETVERSIONEX !MAJOR  6 !MINOR 6 !RELEASE 6");

    // Plug-ins receive the same list through the export.
    QStringList tokens {"stale"};
    ASSERT_TRUE(QXGetValidScriptTokens(&tokens));
    EXPECT_EQ(tokens, list);
}

TEST_F(HostFunctionsTest, ProgramSettingsAndSmallFunctions)
{
    Run("var maj, mi, rel, i, j, r: integer; low, scr, sd, pd, prd, e, n, p: string; safe: boolean;\n"
        "begin\n"
        "  GetVersionEx(maj, mi, rel);\n"
        "  i := 2147483647; Inc(i); j := 0; Dec(j);\n"
        "  low := LowerCase('AbC');\n"
        "  Randomize; r := Random(1);\n"
        "  scr := GetCurrentScript;\n"
        "  sd := GetScriptsDirectory; pd := GetPluginsDirectory; prd := GetProjectsDirectory;\n"
        "  safe := IsSafeScriptingEnabled;\n"
        "  e := ExtractFileExt('/a/b.c/d.txt'); n := ExtractFileName('/a/b.c/d.txt'); p := ExtractFilePath('/a/b.c/d.txt')\n"
        "end.\n");
    EXPECT_EQ(runError, 0);
    EXPECT_EQ(globals["MAJ"] + "." + globals["MI"] + "." + globals["REL"], "2.0.1");
    EXPECT_EQ(globals["I"], "-2147483648");
    EXPECT_EQ(globals["J"], "-1");
    EXPECT_EQ(globals["LOW"], "abc");
    EXPECT_EQ(globals["R"], "0");
    EXPECT_EQ(globals["SCR"], GetScriptsDir() + "run.qx");
    EXPECT_EQ(globals["SD"], GetScriptsDir());
    EXPECT_EQ(globals["PD"], GetPluginsDir());
    EXPECT_EQ(globals["PRD"], GetProjectsDir());
    EXPECT_EQ(globals["SAFE"], "FALSE");
    EXPECT_EQ(globals["E"] + "|" + globals["N"] + "|" + globals["P"], ".txt|d.txt|/a/b.c/");
}

TEST_F(HostFunctionsTest, FileNamePartsSplitAtTheLastSlash)
{
    struct Case {
        const char *path, *ext, *name, *dir;
    };
    for (const Case& c : std::initializer_list<Case> {
             {"/a/b.c/readme", "", "readme", "/a/b.c/"},
             {"name.tar.gz", ".gz", "name.tar.gz", ""},
             {"/dir/", "", "", "/dir/"},
             {".profile", ".profile", ".profile", ""},
             {"C:\\x.y", ".y", "C:\\x.y", ""},
             {"", "", "", ""},
         }) {
        EXPECT_EQ(qx::host::ExtractFileExt(c.path), c.ext) << c.path;
        EXPECT_EQ(qx::host::ExtractFileName(c.path), c.name) << c.path;
        EXPECT_EQ(qx::host::ExtractFilePath(c.path), c.dir) << c.path;
    }
}

TEST_F(HostFunctionsTest, FileFunctionsCopyRenameAndDelete)
{
    const QString a = MakeFile("a.txt", "alpha\n"), b = MakeFile("b.txt", "beta\n");
    const QString c = QString::fromStdString(home.dir().file("c.txt"));
    const QString d = QString::fromStdString(home.dir().file("d.txt"));
    const QString folder = QString::fromStdString(home.dir().path().string());
    Run("var ex, exDir, exNone, cpKeep, cpOver, cpNew, cpMissing, rnTaken, rn, delDir, del, delAgain: boolean;\n"
        "begin\n"
        "  ex := FileExists(" + quoted(a) + "); exDir := FileExists(" + quoted(folder) + ");\n"
        "  exNone := FileExists(" + quoted(c) + ");\n"
        "  cpKeep := CopyFile(" + quoted(a) + ", " + quoted(b) + ", TRUE);\n"
        "  cpOver := CopyFile(" + quoted(a) + ", " + quoted(b) + ", FALSE);\n"
        "  cpNew := CopyFile(" + quoted(a) + ", " + quoted(c) + ", TRUE);\n"
        "  cpMissing := CopyFile(" + quoted(d) + ", " + quoted(a) + ", FALSE);\n"
        "  rnTaken := RenameFile(" + quoted(c) + ", " + quoted(a) + ");\n"
        "  rn := RenameFile(" + quoted(c) + ", " + quoted(d) + ");\n"
        "  delDir := DeleteFile(" + quoted(folder) + ");\n"
        "  del := DeleteFile(" + quoted(d) + "); delAgain := DeleteFile(" + quoted(d) + ")\n"
        "end.\n");
    EXPECT_EQ(runError, 0);
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>> {{"EX", "TRUE"},
             {"EXDIR", "FALSE"}, {"EXNONE", "FALSE"}, {"CPKEEP", "FALSE"}, {"CPOVER", "TRUE"}, {"CPNEW", "TRUE"},
             {"CPMISSING", "FALSE"}, {"RNTAKEN", "FALSE"}, {"RN", "TRUE"}, {"DELDIR", "FALSE"}, {"DEL", "TRUE"},
             {"DELAGAIN", "FALSE"}})
        EXPECT_EQ(globals[name], value) << name;
    EXPECT_EQ(qxtest::ReadFile(b.toStdString()), "alpha\n");
    EXPECT_EQ(qxtest::ReadFile(a.toStdString()), "alpha\n");
    EXPECT_FALSE(fs::exists(c.toStdString()));
    EXPECT_FALSE(fs::exists(d.toStdString()));
    EXPECT_TRUE(fs::exists(folder.toStdString()));
}

TEST_F(HostFunctionsTest, RegistryValuesOfScripts)
{
    Run("var missing, n, wrongType: integer; s, absent, wrongKind: string; w1, w2: boolean;\n"
        "begin\n"
        "  missing := RegReadInt('Missing', 5);\n"
        "  w1 := RegWriteInt('N', 7); n := RegReadInt('N', 0);\n"
        "  w2 := RegWriteString('S', 'text'); s := RegReadString('S', 'dflt');\n"
        "  absent := RegReadString('Nothing', 'dflt');\n"
        "  wrongType := RegReadInt('S', 9); wrongKind := RegReadString('N', 'dflt')\n"
        "end.\n");
    EXPECT_EQ(globals["MISSING"], "0");
    EXPECT_EQ(globals["W1"] + globals["W2"], "TRUETRUE");
    EXPECT_EQ(globals["N"], "7");
    EXPECT_EQ(globals["S"], "text");
    EXPECT_EQ(globals["ABSENT"], "");
    EXPECT_EQ(globals["WRONGTYPE"], "9");
    EXPECT_EQ(globals["WRONGKIND"], "dflt");
    const std::string registry = qxtest::ReadFile(home.registryFile());
    EXPECT_NE(registry.find("[HKEY_CURRENT_USER\\Software\\Quorvix\\Scripting]\n\"N\"=dword:00000007\n\"S\"=\"text\""),
        std::string::npos)
        << registry;
}

TEST_F(HostFunctionsTest, StatusBarAndProgress)
{
    StartFrame();
    Run("var p, m, p2, m2: integer;\n"
        "begin\n"
        "  SetStatusBarMessage('Working');\n"
        "  SetProgressBarStatus(3, 10); GetProgressBarStatus(p, m);\n"
        "  ResetProgressBar; GetProgressBarStatus(p2, m2)\n"
        "end.\n");
    EXPECT_EQ(globals["P"] + "/" + globals["M"], "3/10");
    EXPECT_EQ(globals["P2"] + "/" + globals["M2"], "0/0");
    EXPECT_EQ(frame->StatusBarPanels()->SimpleMessage(), "Working");
    Run("begin CancelStatusBarMessage end.");
    EXPECT_FALSE(frame->StatusBarPanels()->SimpleMessageShown());
}

TEST_F(HostFunctionsTest, DocumentWindowsByHandle)
{
    InstallEditorProbe();
    StartFrame();
    const QString file = MakeFile("doc.txt");
    ASSERT_TRUE(frame->OpenFile(file, TFrameWindowForm::DefaultEntryID()));
    GetPlugin(0)->GetEntry(0)->Launch(QString()); // a document without a file
    ASSERT_EQ(GetDocumentWindowCount(), 2);
    FlushUpdate();

    Run("var h: array of integer; f: array of string; n, cur, top: integer; fname, pid, eid, none: string;\n"
        "    isw, gone, okF, okP, okE, okBad, brought: boolean;\n"
        "begin\n"
        "  EnumWindows(h); n := GetArrayLength(h); EnumFiles(f);\n"
        "  cur := GetCurrentWindow;\n"
        "  isw := IsWindow(h[0]); gone := IsWindow(12345);\n"
        "  okF := WindowToFileName(h[0], fname); okP := WindowToPluginID(h[0], pid);\n"
        "  okE := WindowToPluginEntryID(h[0], eid); okBad := WindowToFileName(0, none);\n"
        "  brought := BringWindowToTop(h[0]); top := GetCurrentWindow\n"
        "end.\n");
    ASSERT_EQ(runError, 0);
    EXPECT_EQ(globals["N"], "2");
    // The window without a file is left out.
    EXPECT_EQ(globals["F"], "[" + file.toStdString() + "]");
    EXPECT_EQ(globals["ISW"] + globals["GONE"], "TRUEFALSE");
    EXPECT_EQ(globals["OKF"] + globals["OKP"] + globals["OKE"] + globals["OKBAD"], "TRUETRUETRUEFALSE");
    EXPECT_EQ(globals["FNAME"], file.toStdString());
    EXPECT_EQ(globals["PID"], GetPlugin(0)->ID.toStdString());
    EXPECT_EQ(globals["EID"], GetPlugin(0)->GetEntry(0)->ID.toStdString());
    EXPECT_NE(globals["CUR"], globals["TOP"]); // the unnamed window was active
    EXPECT_EQ(globals["BROUGHT"], "TRUE");
    EXPECT_EQ(GetActiveDocumentWindow(), GetDocumentWindow(0));
    // Handles stay with their windows from run to run.
    const std::string top = globals["TOP"];
    Run("var h: array of integer; first: integer; begin EnumWindows(h); first := h[0] end.");
    EXPECT_EQ(globals["FIRST"], top);
}

TEST_F(HostFunctionsTest, PluginsAndEntriesByID)
{
    InstallEditorProbe();
    StartFrame();
    Run("var ids, entries, none: array of string; full, short, ename, x: string;\n"
        "    okE, okBad, okF, okS, okN, okNBad: boolean;\n"
        "begin\n"
        "  EnumPluginIDs(ids);\n"
        "  okE := EnumPluginEntryIDs(ids[0], entries); okBad := EnumPluginEntryIDs('_plugin00000000', none);\n"
        "  okF := PluginIDToFullName(ids[0], full); okS := PluginIDToShortName(ids[0], short);\n"
        "  okN := PluginEntryIDToName(entries[1], ename); okNBad := PluginEntryIDToName('default', x)\n"
        "end.\n");
    ASSERT_EQ(runError, 0);
    TQX_Plugin* plugin = GetPlugin(0);
    EXPECT_EQ(globals["IDS"], "[" + plugin->ID.toStdString() + "]");
    EXPECT_EQ(globals["ENTRIES"],
        "[" + plugin->GetEntry(0)->ID.toStdString() + ", " + plugin->GetEntry(1)->ID.toStdString() + "]");
    EXPECT_EQ(globals["OKE"] + globals["OKBAD"], "TRUEFALSE");
    EXPECT_EQ(globals["OKF"] + globals["OKS"] + globals["OKN"] + globals["OKNBAD"], "TRUETRUETRUEFALSE");
    EXPECT_EQ(globals["FULL"], "Probe plug-in");
    EXPECT_EQ(globals["SHORT"], "Probe");
    EXPECT_EQ(globals["ENAME"], "Probe script");
}

TEST_F(HostFunctionsTest, DocumentsListAndArraysOfAnotherType)
{
    StartFrame();
    Run("var docs, back: array of string; nums: array of integer; n: integer;\n"
        "begin\n"
        "  SetArrayLength(docs, 2); docs[0] := '/x/one.txt'; docs[1] := '/x/two.txt';\n"
        "  SetDocuments(docs); EnumDocuments(back);\n"
        "  EnumDocuments(nums); n := GetArrayLength(nums)\n"
        "end.\n");
    EXPECT_EQ(frame->DocumentsList(), QStringList({"/x/one.txt", "/x/two.txt"}));
    EXPECT_EQ(globals["BACK"], "[/x/one.txt, /x/two.txt]");
    // An array of integers gets the length but keeps zeroed elements.
    EXPECT_EQ(globals["N"], "2");
    EXPECT_EQ(globals["NUMS"], "[0, 0]");
}

TEST_F(HostFunctionsTest, MenuCommandsRunEnabledActionsOnly)
{
    const std::string probe = InstallEditorProbe();
    StartFrame();
    Run("var copyNone: boolean; begin copyNone := Menu_EditCopy end.");
    EXPECT_EQ(globals["COPYNONE"], "FALSE");

    ASSERT_TRUE(frame->OpenFile(MakeFile("doc.txt"), TFrameWindowForm::DefaultEntryID()));
    FlushUpdate();
    const bool statusBarShown = frame->Action(FrameAction::ViewStatusbar)->isChecked();
    Run("var copied, bar: boolean; begin copied := Menu_EditCopy; bar := Menu_ViewStatusBar end.");
    EXPECT_EQ(globals["COPIED"] + globals["BAR"], "TRUETRUE");
    EXPECT_EQ(CountLines(ProbeLog(probe), "command 4"), 1);
    // Menu_ViewStatusBar runs the action spelled Action_ViewStatusbar.
    EXPECT_NE(frame->Action(FrameAction::ViewStatusbar)->isChecked(), statusBarShown);
}

TEST_F(HostFunctionsTest, ProjectsAndWorkspacesThroughTheFrame)
{
    InstallEditorProbe();
    StartFrame();
    const QString doc = MakeFile("doc.txt");
    Run("var cp, cw, wc, n: integer; opened: boolean;\n"
        "begin cp := GetCurrentProject; cw := CreateWorkspace('W', 'd'); wc := GetWorkspaceCount;\n"
        "  opened := IsProjectOpened; n := GetProjectCount end.\n");
    EXPECT_EQ(globals["CP"] + globals["CW"] + globals["WC"] + globals["OPENED"] + globals["N"], "-1-10FALSE0");

    Run("var p, p2, n, cp, cur, w, ws, fc, wcEx, ex, cur2, fcEx: integer;\n"
        "    okInfo, okBad, okSet, okFiles, okOpen, okW, okWBad, okOW, okWEx: boolean;\n"
        "    fn, nm, ds, fn2, nm2, ds2, f0, fBad, wn, wd, xn, xd, fEx: string; lst, files: array of string;\n"
        "begin\n"
        "  p := CreateProject('Alpha', 'First'); p2 := CreateProject('Beta', ''); n := GetProjectCount;\n"
        "  okInfo := GetProjectInfo(0, fn, nm, ds); okBad := GetProjectInfo(2, fn2, nm2, ds2);\n"
        "  SetArrayLength(lst, 2); lst[0] := '/p/x.txt'; lst[1] := '/p/y.txt';\n"
        "  okSet := SetProjectFiles(1, lst); okFiles := EnumProjectFiles(1, files);\n"
        "  okOpen := OpenProject(0); cp := GetCurrentProject; cur := GetCurrentWorkspace;\n"
        "  w := CreateWorkspace('Second', 'desc2'); ws := GetWorkspaceCount;\n"
        "  OpenFile(" + quoted(doc) + ");\n"
        "  f0 := GetWorkspaceFile(0, 0); fBad := GetWorkspaceFile(0, 1);\n"
        "  okW := GetWorkspaceInfo(0, wn, wd, fc); okWBad := GetWorkspaceInfo(5, xn, xd, fc);\n"
        "  wcEx := GetWorkspaceCountEx(1); ex := CreateWorkspaceEx(1, 'Extra', 'e');\n"
        "  okWEx := GetWorkspaceInfoEx(0, 0, xn, xd, fcEx); fEx := GetWorkspaceFileEx(0, 0, 0);\n"
        "  okOW := OpenWorkspace(1); cur2 := GetCurrentWorkspace\n"
        "end.\n");
    ASSERT_EQ(runError, 0);
    const std::string dir = GetProjectsDir();
    EXPECT_EQ(globals["P"] + globals["P2"] + globals["N"], "012");
    EXPECT_EQ(globals["OKINFO"] + globals["OKBAD"], "TRUEFALSE");
    EXPECT_EQ(globals["FN"], dir + "proj1.ini");
    EXPECT_EQ(globals["NM"] + "|" + globals["DS"], "Alpha|First");
    EXPECT_EQ(globals["OKSET"] + globals["OKFILES"], "TRUETRUE");
    EXPECT_EQ(globals["FILES"], "[/p/x.txt, /p/y.txt]");
    EXPECT_EQ(globals["OKOPEN"] + globals["CP"] + globals["CUR"], "TRUE00");
    EXPECT_EQ(globals["W"] + globals["WS"], "12");
    // The save-workspace command ran first: the open document is listed.
    EXPECT_EQ(globals["F0"], doc.toStdString());
    EXPECT_EQ(globals["FBAD"], "");
    EXPECT_EQ(globals["OKW"] + globals["OKWBAD"], "TRUEFALSE");
    EXPECT_EQ(globals["WN"] + "|" + globals["FC"], "Plocha 1|1");
    EXPECT_EQ(globals["WCEX"] + globals["EX"], "11");
    // The stored project has not seen the document yet.
    EXPECT_EQ(globals["OKWEX"] + globals["FCEX"] + globals["FEX"], "TRUE0");
    EXPECT_EQ(globals["OKOW"] + globals["CUR2"], "TRUE1");
    EXPECT_EQ(GetDocumentWindowCount(), 0);

    // Switching workspaces wrote the project with the document in Plocha 1.
    const std::string proj1 = qxtest::ReadFile(dir + "proj1.ini");
    EXPECT_NE(proj1.find("Name=Plocha 1\r\nDescription=\r\nFiles=1\r\nFile1=" + doc.toStdString()),
        std::string::npos)
        << proj1;
    EXPECT_NE(proj1.find("Name=Second\r\nDescription=desc2"), std::string::npos) << proj1;
    const std::string proj2 = qxtest::ReadFile(dir + "proj2.ini");
    EXPECT_NE(proj2.find("Name=Extra\r\nDescription=e"), std::string::npos) << proj2;
    EXPECT_NE(proj2.find("File2=/p/y.txt"), std::string::npos) << proj2;

    Run("var closed, opened: boolean; begin closed := CloseProject; opened := IsProjectOpened end.");
    EXPECT_EQ(globals["CLOSED"] + globals["OPENED"], "TRUEFALSE");
    EXPECT_EQ(frame->CurrentProject(), nullptr);
}

TEST_F(HostFunctionsTest, MessagesAndInputBoxes)
{
    StartFrame();
    onDialog = [](QWidget* dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            // Modal to the frame only, so the progress window stays usable.
            EXPECT_EQ(box->windowModality(), Qt::WindowModal);
            (box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes) : box->button(QMessageBox::Ok))->click();
        } else if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
            if (input->labelText() == "Cancel me") {
                input->setTextValue("ignored");
                input->reject();
            } else {
                input->setTextValue("typed " + input->labelText());
                input->accept();
            }
        }
    };
    Run("var yes, okQ, okQ2: boolean; a, b, q, q2: string;\n"
        "begin\n"
        "  yes := AskUser('Continue?');\n"
        "  a := InputBox('Cap', 'First', 'dflt'); b := InputBox('Cap', 'Cancel me', 'dflt');\n"
        "  q := 'orig'; okQ := InputQuery('Cap', 'Second', q);\n"
        "  q2 := 'orig'; okQ2 := InputQuery('Cap', 'Cancel me', q2);\n"
        "  ShowMessage('Hello')\n"
        "end.\n");
    ASSERT_EQ(runError, 0);
    EXPECT_EQ(globals["YES"], "TRUE");
    EXPECT_EQ(globals["A"] + "|" + globals["B"], "typed First|dflt");
    EXPECT_EQ(globals["OKQ"] + "|" + globals["Q"], "TRUE|typed Second");
    EXPECT_EQ(globals["OKQ2"] + "|" + globals["Q2"], "FALSE|orig");
    ASSERT_EQ(dialogTexts.size(), 6) << dialogTexts.join(" / ").toStdString();
    EXPECT_EQ(dialogTexts.first(), "Quorvix 2|Continue?");
    EXPECT_EQ(dialogTexts.last(), "Quorvix 2|Hello");
}

TEST_F(HostFunctionsTest, ListDialogsAndCheckBoxes)
{
    StartFrame();
    onDialog = [](QWidget* dialog) {
        auto* form = qobject_cast<TScriptListDialogForm*>(dialog);
        ASSERT_NE(form, nullptr);
        if (form->windowTitle() == "Pick") {
            EXPECT_EQ(form->Label1->text(), "Choose one");
            EXPECT_FALSE(form->Button1->isEnabled());
            form->ListView->setCurrentItem(form->ListView->topLevelItem(1));
            EXPECT_TRUE(form->Button1->isEnabled());
            form->Button1->click();
        } else if (form->windowTitle() == "Empty") {
            EXPECT_EQ(form->ListView->topLevelItemCount(), 0);
            EXPECT_FALSE(form->Button1->isEnabled());
            form->Button2->click();
        } else {
            // Fewer check boxes than lines: the rest start unchecked.
            EXPECT_EQ(form->ListView->topLevelItemCount(), 3);
            EXPECT_TRUE(form->IsChecked(0));
            EXPECT_FALSE(form->IsChecked(1));
            EXPECT_FALSE(form->IsChecked(2));
            form->SetChecked(0, false);
            form->SetChecked(2, true);
            form->ListView->setCurrentItem(form->ListView->topLevelItem(2));
            form->Button2->click();
        }
    };
    Run("var lines, none: array of string; checks: array of boolean; sel, selEmpty, selCheck, n: integer;\n"
        "begin\n"
        "  SetArrayLength(lines, 3); lines[0] := 'a'; lines[1] := 'b'; lines[2] := 'c';\n"
        "  sel := ShowListDialog('Pick', 'Choose one', lines);\n"
        "  selEmpty := ShowListDialog('Empty', 'Nothing', none);\n"
        "  SetArrayLength(checks, 1); checks[0] := TRUE;\n"
        "  selCheck := ShowCheckListDialog('Checks', 'Tick', lines, checks); n := GetArrayLength(checks)\n"
        "end.\n");
    ASSERT_EQ(runError, 0);
    EXPECT_EQ(globals["SEL"] + "|" + globals["SELEMPTY"] + "|" + globals["SELCHECK"], "1|-1|-1");
    // Only the first state is written back, cancelled or not.
    EXPECT_EQ(globals["CHECKS"], "[FALSE]");
    EXPECT_EQ(globals["N"], "1");
}

TEST_F(HostFunctionsTest, FileAndFolderChoosers)
{
    StartFrame();
    const QString a = MakeFile("a.txt"), b = MakeFile("b.txt");
    const QString folder = QString::fromStdString(home.dir().path().string());
    QStringList filters;
    onDialog = [&](QWidget* dialog) {
        if (auto* chooser = qobject_cast<QFileDialog*>(dialog)) {
            ChooseInFileDialog(chooser, folder, QString());
        } else if (auto* files = qobject_cast<TExtOpenDialogForm*>(dialog)) {
            filters.append(files->ComboBox1->currentText());
            ChooseInOpenDialog(files, folder, "\"a.txt\" \"b.txt\"");
        } else {
            ADD_FAILURE() << "unexpected dialog";
            static_cast<QDialog*>(dialog)->reject();
        }
    };
    Run("var files, plain: array of string; ok, okPlain, okDir: boolean; dir: string;\n"
        "begin\n"
        "  ok := SelectFiles(" + quoted(folder) + ", 'Texty (*.txt)|*.txt', files);\n"
        "  okPlain := SelectFiles(" + quoted(folder) + ", '', plain);\n"
        "  dir := 'ignored'; okDir := SelectDirectory('Folder', dir)\n"
        "end.\n");
    ASSERT_EQ(runError, 0);
    EXPECT_EQ(globals["OK"] + globals["OKPLAIN"] + globals["OKDIR"], "TRUETRUETRUE");
    EXPECT_EQ(globals["FILES"], "[" + a.toStdString() + ", " + b.toStdString() + "]");
    // The script's filter is preselected; without one the first filter is.
    EXPECT_EQ(filters, QStringList({"Texty (*.txt)", "Všechny soubory (*.*)"}));
    EXPECT_EQ(globals["DIR"], folder.toStdString() + "/");

    onDialog = nullptr; // cancelled: the arrays stay, the folder is emptied
    Run("var files: array of string; ok, okDir: boolean; dir: string;\n"
        "begin SetArrayLength(files, 1); files[0] := 'kept'; ok := SelectFiles('', '', files);\n"
        "  dir := 'ignored'; okDir := SelectDirectory('Folder', dir) end.\n");
    EXPECT_EQ(globals["OK"] + globals["OKDIR"] + globals["FILES"] + "|" + globals["DIR"], "FALSEFALSE[kept]|");
}

TEST_F(HostFunctionsTest, MailDialogGetsTheJoinedLists)
{
    StartFrame();
    std::vector<TMailMessage> sent;
    TSendMailForm::SetTransport([&](const TMailMessage& m) {
        sent.push_back(m);
        return 0;
    });
    QStringList fields;
    onDialog = [&](QWidget* dialog) {
        auto* form = qobject_cast<TSendMailForm*>(dialog);
        ASSERT_NE(form, nullptr);
        fields << form->EmailEdit->text() << form->CcEdit->text() << form->AttEdit->text()
               << form->SubjectEdit->text() << form->MessageMemo->toPlainText();
        form->Button1->click();
    };
    Run("var tos, cc, att: array of string; ok, okSimple: boolean;\n"
        "begin\n"
        "  SetArrayLength(tos, 2); tos[0] := 'a@x.cz'; tos[1] := 'b@x.cz';\n"
        "  SetArrayLength(cc, 1); cc[0] := 'c@x.cz';\n"
        "  ok := SendMailEx(tos, cc, att, 'Subject', 'Body');\n"
        "  okSimple := SendMail('d@x.cz', 'S2', 'T2')\n"
        "end.\n");
    TSendMailForm::SetTransport(nullptr);
    EXPECT_EQ(globals["OK"] + globals["OKSIMPLE"], "TRUETRUE");
    EXPECT_EQ(fields, QStringList({"a@x.cz;b@x.cz", "c@x.cz", "", "Subject", "Body", "d@x.cz", "", "", "S2", "T2"}));
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].To, QStringList({"a@x.cz", "b@x.cz"}));
    EXPECT_EQ(sent[0].Cc, QStringList({"c@x.cz"}));
}

} // namespace

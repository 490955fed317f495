// External tools: the macros, the command line's parts, the registry list
// with its gaps, the shortcut codes, and the setup and edit dialogs.
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"
#include "platform/ShortcutCode.h"
#include "tools/EditExternalTool.h"
#include "tools/ExternalToolSetup.h"
#include "tools/ExternalTools.h"

#include "KernelFixture.h"
#include "TestEnv.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class ExternalTools : public qxtest::KernelFixture {
protected:
    // Writes the values of tool n; a null text leaves that value out.
    static void writeTool(int n, const char* name, const char* command, const int* shortcut)
    {
        qx::Registry reg;
        ASSERT_TRUE(reg.OpenKey(kExternalToolsKey, true));
        const std::string prefix = "tool " + std::to_string(n) + ", ";
        if (name)
            reg.WriteString(prefix + "display name", name);
        if (command)
            reg.WriteString(prefix + "command", command);
        if (shortcut)
            reg.WriteInteger(prefix + "shortcut", *shortcut);
    }
};

TEST_F(ExternalTools, MacrosExpandInOnePassWithoutQuotes)
{
    struct Case {
        const char* text;
        const char* file;
        const char* dir;
        const char* expected;
    } cases[] = {
        {"\"/usr/bin/gcc\" -c %file%", "/a b/x.c", "/a b/", "\"/usr/bin/gcc\" -c /a b/x.c"},
        {"%dir%%file%|%dir%", "/p/q.txt", "/p/", "/p//p/q.txt|/p/"},
        // An inserted value is never expanded again, whichever macro it holds.
        {"[%file%]", "/t/%file%%dir%.c", "/t/", "[/t/%file%%dir%.c]"},
        // Case matters; a broken macro stays as typed.
        {"%FILE% %file %dir", "f", "d", "%FILE% %file %dir"},
        // Without a document both macros are empty and the rest stays.
        {"\"tool\" %file% %dir% end", "", "", "\"tool\"   end"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandToolMacros(QString::fromUtf8(c.text), QString::fromUtf8(c.file), QString::fromUtf8(c.dir)),
            QString::fromUtf8(c.expected))
            << c.text;
    EXPECT_EQ(FolderOfFile(QStringLiteral("/a b/x.txt")), QStringLiteral("/a b/"));
    EXPECT_EQ(FolderOfFile(QStringLiteral("x.txt")), QString());
}

TEST_F(ExternalTools, CommandLineSplitsAndBuildsWithOnePairOfQuotes)
{
    struct Split {
        const char* text;
        const char* program;
        const char* parameters;
    } splits[] = {
        {"\"/usr/bin/gcc\" -Wall %file%", "/usr/bin/gcc", "-Wall %file%"},
        {"\"/opt/my tool/run\"", "/opt/my tool/run", ""},
        // Not quoted: the whole text is the program, nothing is passed.
        {"gcc -Wall x.c", "gcc -Wall x.c", ""},
        // An opening quote without a partner names no program.
        {"\"gcc -Wall", "", ""},
    };
    for (const Split& s : splits) {
        QString program, parameters;
        SplitCommandText(QString::fromUtf8(s.text), program, parameters);
        EXPECT_EQ(program, QString::fromUtf8(s.program)) << s.text;
        EXPECT_EQ(parameters, QString::fromUtf8(s.parameters)) << s.text;
    }
    EXPECT_EQ(BuildToolCommandLine(QStringLiteral("/usr/bin/gcc"), QStringLiteral("%file%")),
        QStringLiteral("\"/usr/bin/gcc\" %file%"));
    EXPECT_EQ(BuildToolCommandLine(QStringLiteral("\"/opt/my tool/run\""), QString()),
        QStringLiteral("\"/opt/my tool/run\""));
    EXPECT_EQ(BuildToolCommandLine(QStringLiteral("\"/half"), QString()), QStringLiteral("\"/half\""));
}

TEST_F(ExternalTools, ToolArgumentsKeepFileNamesWithBlanksAndQuotesWhole)
{
    const QString file = QStringLiteral("/tmp/a b/it's \"q\".c");
    const TToolCommand plain = PrepareToolCommand(QStringLiteral("\"/usr/bin/gcc\" -c %file% -o %dir%out.o"), file,
        FolderOfFile(file));
    EXPECT_EQ(plain.Program, QStringLiteral("/usr/bin/gcc"));
    EXPECT_EQ(plain.Arguments,
        QStringList({QStringLiteral("-c"), file, QStringLiteral("-o"), QStringLiteral("/tmp/a b/out.o")}));
    // Quotes the user put around a macro group the argument, as before.
    const TToolCommand quoted = PrepareToolCommand(QStringLiteral("\"lint\" \"--in=%file%\" x"), file, QString());
    EXPECT_EQ(quoted.Arguments, QStringList({QStringLiteral("--in=") + file, QStringLiteral("x")}));
    EXPECT_EQ(quoted.Text, QStringLiteral("\"lint\" \"--in=") + file + QStringLiteral("\" x"));
}

TEST_F(ExternalTools, RegistryListStopsAtTheFirstGapAndTheWriterClearsTheKey)
{
    // A fresh installation offers the build tool, on F9, saving first; the
    // key is not written by reading.
    EXPECT_FALSE(ExternalToolListStored());
    ASSERT_EQ(LoadExternalToolList(), DefaultExternalTools());
    ASSERT_EQ(DefaultExternalTools().size(), 1u);
    EXPECT_EQ(DefaultExternalTools()[0].DisplayName, QStringLiteral("Sestavit"));
    EXPECT_EQ(DefaultExternalTools()[0].ShortCut, 0x0078);
    EXPECT_TRUE(DefaultExternalTools()[0].SaveDocuments);
    EXPECT_FALSE(ExternalToolListStored());
    const int zero = 0, f5 = 0x0074, ctrlShiftB = 0x6042;
    writeTool(1, "gcc", "\"/usr/bin/gcc\" %file%", &f5);
    writeTool(2, "lint", "\"/usr/bin/lint\"", nullptr); // shortcut missing
    writeTool(3, "make", "\"/usr/bin/make\"", &zero);
    std::vector<TExternalTool> tools = LoadExternalToolList();
    ASSERT_EQ(tools.size(), 1u);
    EXPECT_EQ(tools[0], (TExternalTool {QStringLiteral("\"/usr/bin/gcc\" %file%"), QStringLiteral("gcc"), 0x0074}));

    // A shortcut of another type costs that tool its shortcut, not the tool
    // and the ones after it (which the next save would drop); a name of
    // another type is a gap.
    {
        qx::Registry reg;
        ASSERT_TRUE(reg.OpenKey(kExternalToolsKey, true));
        reg.WriteString("tool 2, shortcut", "F6");
        reg.WriteString("stray", "x");
    }
    const std::vector<TExternalTool> damaged = LoadExternalToolList();
    ASSERT_EQ(damaged.size(), 3u);
    EXPECT_EQ(damaged[1], (TExternalTool {QStringLiteral("\"/usr/bin/lint\""), QStringLiteral("lint"), 0}));
    {
        qx::Registry reg;
        ASSERT_TRUE(reg.OpenKey(kExternalToolsKey, true));
        reg.WriteInteger("tool 2, display name", 7);
    }
    EXPECT_EQ(LoadExternalToolList().size(), 1u);

    tools.push_back({QStringLiteral("\"/opt/x y/z\" -q"), QStringLiteral("Ž&luťoučký"), uint16_t(ctrlShiftB), true});
    SaveExternalToolList(tools);
    EXPECT_EQ(LoadExternalToolList(), tools);
    qx::Registry reg;
    ASSERT_TRUE(reg.OpenKey(kExternalToolsKey, false));
    std::vector<std::string> names = reg.GetValueNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> {"tool 1, command", "tool 1, display name", "tool 1, save documents",
                         "tool 1, shortcut", "tool 2, command", "tool 2, display name", "tool 2, save documents",
                         "tool 2, shortcut"}));
    EXPECT_EQ(reg.ReadInteger("tool 2, shortcut"), ctrlShiftB);
    EXPECT_EQ(reg.ReadInteger("tool 2, save documents"), 1);

    // An emptied list stays empty: the ready tools come only with a fresh key.
    SaveExternalToolList({});
    EXPECT_TRUE(reg.GetValueNames().empty());
    EXPECT_TRUE(LoadExternalToolList().empty());
}

TEST_F(ExternalTools, ShortcutsOfTheOfferedToolsKeepTheTools)
{
    // A key given to the offered build tool before any tool list was saved
    // stores the whole tool with it, not a shortcut value without its tool.
    const uint16_t ctrlF9 = 0x4078;
    SaveExternalToolShortcuts({ctrlF9});
    ASSERT_TRUE(ExternalToolListStored());
    std::vector<TExternalTool> expected = DefaultExternalTools();
    expected[0].ShortCut = ctrlF9;
    EXPECT_EQ(LoadExternalToolList(), expected);

    // Once stored, only the shortcut values change.
    SaveExternalToolShortcuts({0});
    expected[0].ShortCut = 0;
    EXPECT_EQ(LoadExternalToolList(), expected);
}

TEST_F(ExternalTools, ShortcutCodesMapToKeysBothWays)
{
    struct Case {
        uint16_t code;
        const char* keys;
    } cases[] = {{0x404E, "Ctrl+N"}, {0x8073, "Alt+F4"}, {0xC054, "Ctrl+Alt+T"}, {0x0075, "F6"},
        {0x602E, "Ctrl+Shift+Del"}, {0x40BC, "Ctrl+,"}, {0x0000, ""}};
    for (const Case& c : cases) {
        EXPECT_EQ(ShortcutCodeToKeys(c.code).toString(QKeySequence::PortableText), QLatin1String(c.keys)) << c.keys;
        EXPECT_EQ(ShortcutCodeFromKeys(QKeySequence(QLatin1String(c.keys), QKeySequence::PortableText)), c.code)
            << c.keys;
    }
    EXPECT_TRUE(ShortcutCodeToKeys(0x40FF).isEmpty()); // no such key
}

TEST_F(ExternalTools, EditDialogEnablesOkInsertsMacrosAndQuotesABrowsedPathOnce)
{
    TEditExternalToolForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Upravit nástroj"));
    EXPECT_FALSE(form.Button3->isEnabled());
    EXPECT_FALSE(form.HotKey->isEnabled());
    form.FilenameEdit->setText(QStringLiteral("/usr/bin/gcc"));
    EXPECT_FALSE(form.Button3->isEnabled());
    form.Edit->setText(QStringLiteral("GCC"));
    EXPECT_TRUE(form.Button3->isEnabled());
    form.FilenameEdit->clear();
    EXPECT_FALSE(form.Button3->isEnabled());

    form.Button1->click();
    EXPECT_EQ(form.ParamsEdit->text(), QStringLiteral("%file%"));
    form.Button2->click();
    EXPECT_EQ(form.ParamsEdit->text(), QStringLiteral("%file% %dir%"));

    form.OnChooseFile = [](QWidget*) { return QStringLiteral("/opt/my tools/lint"); };
    form.FilenameBrowse->click();
    EXPECT_EQ(form.FilenameEdit->text(), QStringLiteral("\"/opt/my tools/lint\""));
    EXPECT_EQ(form.Tool().CommandLine, QStringLiteral("\"/opt/my tools/lint\" %file% %dir%"));

    // Editing keeps the shortcut the user cannot change and the program's path.
    TEditExternalToolForm edit;
    edit.SetTool({QStringLiteral("\"/opt/my tools/lint\" -v"), QStringLiteral("Lint"), 0x4074, true});
    EXPECT_TRUE(edit.SaveDocumentsCheckBox->isChecked());
    EXPECT_EQ(edit.SaveDocumentsCheckBox->text(), QStringLiteral("U&ložit dokumenty před spuštěním"));
    edit.SaveDocumentsCheckBox->setChecked(false);
    EXPECT_EQ(edit.FilenameEdit->text(), QStringLiteral("/opt/my tools/lint"));
    EXPECT_EQ(edit.ParamsEdit->text(), QStringLiteral("-v"));
    EXPECT_EQ(edit.HotKey->text(), QStringLiteral("Ctrl+F5"));
    EXPECT_TRUE(edit.Button3->isEnabled());
    edit.OnChooseFile = [](QWidget*) { return QStringLiteral("/opt/new place/lint"); };
    edit.FilenameBrowse->click();
    EXPECT_EQ(edit.Tool(),
        (TExternalTool {QStringLiteral("\"/opt/new place/lint\" -v"), QStringLiteral("Lint"), 0x4074}));
}

TEST_F(ExternalTools, SetupDialogAddsEditsRemovesAndMovesWithItsButtonRules)
{
    const int zero = 0;
    writeTool(1, "first", "\"/bin/one\"", &zero);
    TExternalToolSetupForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Nastavit externí nástroje"));
    QTreeWidgetItem* root = form.TreeView->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), QStringLiteral("Nástroje"));
    EXPECT_TRUE(root->isExpanded());
    ASSERT_EQ(root->childCount(), 1);

    auto buttons = [&] {
        return std::vector<bool> {form.Button4->isEnabled(), form.Button5->isEnabled(), form.BitBtn2->isEnabled(),
            form.BitBtn1->isEnabled()};
    };
    EXPECT_EQ(buttons(), (std::vector<bool> {false, false, false, false}));
    form.SelectTool(-1); // the root
    EXPECT_EQ(buttons(), (std::vector<bool> {false, false, false, false}));
    form.SelectTool(0); // the only tool: no moves
    EXPECT_EQ(buttons(), (std::vector<bool> {true, true, false, false}));

    // Add: the editor's fields make the tool, appended at the end.
    form.OnRunEditor = [](TEditExternalToolForm& editor) {
        editor.FilenameEdit->setText(QStringLiteral("/usr/bin/gcc"));
        editor.Edit->setText(QStringLiteral("second"));
        editor.ParamsEdit->setText(QStringLiteral("%file%"));
        return true;
    };
    form.Button3->click();
    ASSERT_EQ(form.Tools().size(), 2u);
    EXPECT_EQ(form.Tools()[1], (TExternalTool {QStringLiteral("\"/usr/bin/gcc\" %file%"), QStringLiteral("second"), 0}));
    EXPECT_EQ(form.SelectedTool(), -1);

    form.SelectTool(1);
    EXPECT_EQ(buttons(), (std::vector<bool> {true, true, true, false}));
    form.BitBtn2->click();
    EXPECT_EQ(form.Tools()[0].DisplayName, QStringLiteral("second"));
    EXPECT_EQ(form.SelectedTool(), 0); // the moved tool stays selected
    EXPECT_EQ(form.TreeView->topLevelItem(0)->child(0)->text(0), QStringLiteral("second"));
    EXPECT_EQ(buttons(), (std::vector<bool> {true, true, false, true}));

    // Edit keeps the position; a cancelled edit changes nothing.
    form.OnRunEditor = [](TEditExternalToolForm& editor) {
        EXPECT_EQ(editor.Edit->text(), QStringLiteral("second"));
        editor.Edit->setText(QStringLiteral("renamed"));
        return false;
    };
    form.Button4->click();
    EXPECT_EQ(form.Tools()[0].DisplayName, QStringLiteral("second"));
    form.SelectTool(0);
    form.OnRunEditor = [](TEditExternalToolForm& editor) {
        editor.Edit->setText(QStringLiteral("renamed"));
        return true;
    };
    form.Button4->click();
    EXPECT_EQ(form.Tools()[0].DisplayName, QStringLiteral("renamed"));
    EXPECT_EQ(form.Tools()[0].CommandLine, QStringLiteral("\"/usr/bin/gcc\" %file%"));

    form.SelectTool(1);
    form.Button5->click();
    ASSERT_EQ(form.Tools().size(), 1u);
    EXPECT_EQ(form.TreeView->topLevelItem(0)->childCount(), 1);
    // The dialog writes nothing itself.
    EXPECT_EQ(LoadExternalToolList().size(), 1u);
    EXPECT_EQ(LoadExternalToolList()[0].DisplayName, QStringLiteral("first"));
}

} // namespace

namespace {

TEST(ExecuteFile, SplitsQuotedProgramsAndFailsSilently)
{
    struct Case {
        QString text, program, parameters;
    };
    for (const auto& c : std::vector<Case> {
             {"notepad.exe", "notepad.exe", ""},
             {"\"/opt/my tool/run\" --file a.txt", "/opt/my tool/run", "--file a.txt"},
             {"\"/usr/bin/env\"", "/usr/bin/env", ""},
             {"\"unterminated", "", ""},
         }) {
        QString program, parameters;
        SplitCommandText(c.text, program, parameters);
        EXPECT_EQ(program, c.program) << c.text.toStdString();
        EXPECT_EQ(parameters, c.parameters) << c.text.toStdString();
    }
    EXPECT_FALSE(ExecuteFile("\"/nonexistent/program\" x", true));
    EXPECT_FALSE(ExecuteFile("\"unterminated", true));
    EXPECT_TRUE(ExecuteFile("\"/bin/true\" --ignored", true));

    // The failure message names the command without a stray quote.
    for (const auto& [text, shown] : std::vector<std::pair<QString, QString>> {
             {"\"/opt/Qxrel32.hlp\"", "/opt/Qxrel32.hlp"},
             {"\"/opt/my tool/run\" --file a.txt", "/opt/my tool/run --file a.txt"},
             {"\"unterminated", "unterminated"},
             {"plain.txt", "plain.txt"},
         })
        EXPECT_EQ(ExecuteFileFailureText(text, "chyba"),
            QStringLiteral("Program nebo dokument %1 není možné otevřít.\n\nchyba").arg(shown))
            << text.toStdString();
}

} // namespace

// The program driven end to end by its event script: qxrel32 runs as a
// process (offscreen) in a temporary program folder with the probe plug-in;
// the script's OnStarted opens documents, creates a project and a workspace,
// saves and ends the program. The event log, the project file and the
// registry tell what happened.
#include "TestEnv.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

class ProgramScriptTest : public ::testing::Test {
protected:
    qxtest::ScopedHome home;
    std::string program;

    void SetUp() override
    {
        // The program folder is the executable's folder: a copy of the
        // program beside a link to the host library, and the probe in its
        // plug-in folder.
        const std::string dir = home.programDir();
        fs::create_directories(dir + "Plugins");
        fs::create_directories(dir + "Scripts");
        program = dir + "qxrel32";
        fs::copy_file(QX_BIN_DIR "/qxrel32", program);
        fs::create_symlink(QX_BIN_DIR "/libqxhost.so", dir + "libqxhost.so");
        fs::copy_file(QX_TEST_PLUGIN_DIR "qxprobe.so", dir + "Plugins/probe.so");
        qxtest::WriteFile(dir + "Plugins/probe.so.probe", "entry=1,Probe text,0,1,2:.txt,,Texty|*.txt\n");
    }

    // Runs the program until it ends by itself; its exit code.
    int runProgram()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(QString::fromStdString(program), {});
        EXPECT_TRUE(p.waitForStarted());
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            ADD_FAILURE() << "the program did not end; log:\n" << qxtest::ReadFile(home.programDir() + "debug.log");
            return -1;
        }
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    // Finds lines in order in text; an empty text when all were found, else
    // the first missing line.
    static std::string missingInOrder(const std::string& text, const std::vector<std::string>& lines)
    {
        size_t at = 0;
        for (const std::string& line : lines) {
            const size_t next = text.find(line, at);
            if (next == std::string::npos)
                return line;
            at = next + line.size();
        }
        return {};
    }
};

TEST_F(ProgramScriptTest, TheEventScriptDrivesTheProgramToItsEnd)
{
    const std::string a = home.dir().file("a.txt"), b = home.dir().file("b.txt");
    qxtest::WriteFile(a, "alpha\n");
    qxtest::WriteFile(b, "beta\n");
    qxtest::WriteFile(home.programDir() + "Scripts/Default.qx",
        "procedure OnStartup;\n"
        "begin RegWriteString('Stage', 'startup') end;\n"
        "\n"
        "procedure OnStarted;\n"
        "var p, w: integer; okP, okA, okB, okS: boolean; ids: array of string;\n"
        "begin\n"
        "  EnumPluginIDs(ids); RegWriteInt('Plugins', GetArrayLength(ids));\n"
        "  p := CreateProject('E2E', 'Made by a script');\n"
        "  okP := OpenProject(p);\n"
        "  okA := OpenFile('" + a + "'); okB := OpenFile('" + b + "');\n"
        "  w := CreateWorkspace('Second', 'Empty');\n"
        "  okS := Menu_ProjectSave;\n"
        "  RegWriteInt('Workspace', w);\n"
        "  if okP and okA and okB and okS then RegWriteString('Stage', 'started');\n"
        "  Menu_FileExit;\n"
        "  RegWriteString('AfterExit', 'never')\n"
        "end;\n"
        "\n"
        "procedure OnClosing; begin RegWriteString('Closing', 'yes') end;\n"
        "procedure OnShutdown; begin RegWriteString('Shutdown', 'yes') end;\n"
        "begin end.\n");

    EXPECT_EQ(runProgram(), 0);

    const std::string log = qxtest::ReadFile(home.programDir() + "debug.log");
    EXPECT_EQ(missingInOrder(log,
                  {"Server\\Scripting: Loading and executing script [DEFAULT].OnStartup..",
                      "Server\\Scripting: Script terminated, no errors.",
                      "Server\\Scripting: Script execution thread terminated.",
                      "Server\\FrameWindow: post-initialization sequence finished.",
                      "Server\\Scripting: Loading and executing script [DEFAULT].OnStarted..",
                      "Server\\FrameWindow: FrameWindow -> WM_CLOSE", "Misc\\Helpers: UnloadPlugins()"}),
        "")
        << log;
    // The program ended inside OnStarted: the closing events were skipped
    // while it ran, and nothing after Menu_FileExit ran.
    EXPECT_EQ(log.find("[DEFAULT].OnStarted.." "\r\n"), log.rfind("[DEFAULT].OnStarted.." "\r\n"));
    EXPECT_EQ(log.find("Script terminated, error"), std::string::npos) << log;

    const std::string project = qxtest::ReadFile(home.programDir() + "Projects/proj1.ini");
    EXPECT_EQ(missingInOrder(project,
                  {"[Owner]\r\nApp=Quorvix 2\r\n", "Name=E2E\r\nDescription=Made by a script\r\n",
                      "DefaultWorkspace=Plocha 1\r\n", "[Workspaces]\r\nCount=2\r\n",
                      "[Workspace1]\r\nName=Plocha 1\r\nDescription=\r\nFiles=2\r\nFile1=" + a + "\r\nFile2=" + b + "\r\n",
                      "[Workspace2]\r\nName=Second\r\nDescription=Empty\r\nFiles=0\r\n"}),
        "")
        << project;

    const std::string registry = qxtest::ReadFile(home.registryFile());
    EXPECT_EQ(missingInOrder(registry,
                  {"[HKEY_CURRENT_USER\\Software\\Quorvix\\Scripting]", "\"Stage\"=\"started\"",
                      "\"Plugins\"=dword:00000001", "\"Workspace\"=dword:00000001"}),
        "")
        << registry;
    for (const char* never : {"AfterExit", "Closing", "Shutdown"})
        EXPECT_EQ(registry.find(std::string("\"") + never + "\""), std::string::npos) << never;
}

#ifdef QX_TEXTEDITOR_PLUGIN
// The program closed with two documents open and started again: with the
// start-up option on, the text editor's documents come back in their order,
// the active one active, each with its caret, scroll position and
// bookmarks (the second start saves them again as it found them).
TEST_F(ProgramScriptTest, TheDocumentsOfTheLastRunComeBackWithCaretAndBookmarks)
{
    // The entry and, in its folder beside it, the windows' library, as a
    // program folder holds them.
    fs::copy_file(QX_TEXTEDITOR_PLUGIN, home.programDir() + "Plugins/texteditor.so");
    fs::copy(fs::path(QX_TEXTEDITOR_PLUGIN).parent_path() / "texteditor", home.programDir() + "Plugins/texteditor");
    std::string text;
    for (int i = 1; i <= 300; ++i)
        text += "int value_" + std::to_string(i) + " = " + std::to_string(i) + ";\n";
    const std::string a = home.dir().file("first.c"), b = home.dir().file("second.py");
    qxtest::WriteFile(a, text);
    qxtest::WriteFile(b, "# python\n" + text);
    const std::string cookieA = "caret=120:4;anchor=120:4;top=100;x=0;bookmarks=10,130";
    const std::string cookieB = "caret=7:0;anchor=7:2;top=0;x=0;bookmarks=3";
    // How the first run's documents were left, in the editor's cookies.
    qxtest::WriteFile(home.registryFile(),
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quorvix]\r\n\"ReopenDocuments\"=dword:00000001\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Quorvix\\Cookies\\TTextEditorWindow]\r\n\"" + a + "\"=\"" + cookieA + "\"\r\n\"" + b +
            "\"=\"" + cookieB + "\"\r\n");
    const std::string events =
        "procedure OnClosing; begin end;\n"
        "procedure OnShutdown; begin end;\n"
        "begin end.\n";

    // First run: the second file, then the first, the second one brought
    // to the front again.
    qxtest::WriteFile(home.programDir() + "Scripts/Default.qx",
        "procedure OnStartup; begin end;\n"
        "procedure OnStarted;\n"
        "begin\n"
        "  OpenFile('" + b + "'); OpenFile('" + a + "'); OpenFile('" + b + "');\n"
        "  Menu_FileExit\n"
        "end;\n" + events);
    ASSERT_EQ(runProgram(), 0);
    std::string registry = qxtest::ReadFile(home.registryFile());
    EXPECT_EQ(missingInOrder(registry,
                  {"[HKEY_CURRENT_USER\\Software\\Quorvix\\Session]", "\"document 1\"=\"" + b + "\"",
                      "\"document 2\"=\"" + a + "\"", "\"Active\"=dword:00000001"}),
        "")
        << registry;

    // Second run: nothing opened by hand; the script notes what is open.
    qxtest::WriteFile(home.programDir() + "Scripts/Default.qx",
        "procedure OnStartup; begin end;\n"
        "procedure OnStarted;\n"
        "var handles: array of integer; i: integer; name, all: string;\n"
        "begin\n"
        "  EnumWindows(handles);\n"
        "  all := '';\n"
        "  for i := 0 to GetArrayLength(handles) - 1 do begin\n"
        "    WindowToFileName(handles[i], name); all := all + name + '|'\n"
        "  end;\n"
        "  RegWriteString('Open', all);\n"
        "  WindowToFileName(GetCurrentWindow, name); RegWriteString('Active', name);\n"
        "  Menu_FileExit\n"
        "end;\n" + events);
    ASSERT_EQ(runProgram(), 0);
    registry = qxtest::ReadFile(home.registryFile());
    EXPECT_EQ(missingInOrder(registry,
                  {"[HKEY_CURRENT_USER\\Software\\Quorvix\\Cookies\\TTextEditorWindow]", "\"" + a + "\"=\"" + cookieA + "\"",
                      "\"" + b + "\"=\"" + cookieB + "\""}),
        "")
        << registry;
    EXPECT_EQ(missingInOrder(registry,
                  {"[HKEY_CURRENT_USER\\Software\\Quorvix\\Scripting]", "\"Open\"=\"" + b + "|" + a + "|\"",
                      "\"Active\"=\"" + b + "\""}),
        "")
        << registry;
    const std::string log = qxtest::ReadFile(home.programDir() + "debug.log");
    EXPECT_EQ(missingInOrder(log,
                  {"Server\\FrameWindow: reopening 2 document(s) of the last session",
                      "Server\\FrameWindow: document opened: " + b, "Server\\FrameWindow: document opened: " + a}),
        "")
        << log;
}
#endif

// A plug-in asks the program to end while the start-up script still runs: the
// program waits for the script, then closes as when the user closes it, with
// the closing event scripts and the settings saved.
TEST_F(ProgramScriptTest, APluginAskingToEndDuringStartUpEndsTheProgramAsTheUserWould)
{
    qxtest::WriteFile(home.programDir() + "Plugins/probe.so.probe",
        "call.QXM_INITIALIZE=QXTryTerminateApp@200\nentry=1,Probe text,0,1,2:.txt,,Texty|*.txt\n");
    qxtest::WriteFile(home.programDir() + "Scripts/Default.qx",
        "procedure OnStartup; begin end;\n"
        "procedure OnStarted; begin Sleep(1000); RegWriteString('Started', 'done') end;\n"
        "procedure OnClosing; begin RegWriteString('Closing', 'yes') end;\n"
        "procedure OnShutdown; begin RegWriteString('Shutdown', 'yes') end;\n"
        "begin end.\n");

    EXPECT_EQ(runProgram(), 0);

    const std::string log = qxtest::ReadFile(home.programDir() + "debug.log");
    EXPECT_EQ(missingInOrder(log,
                  {"[DEFAULT].OnStarted..", "Script terminated, no errors.", "[DEFAULT].OnClosing..",
                      "[DEFAULT].OnShutdown..", "Server\\FrameWindow: Saving settings...", "Misc\\Helpers: UnloadPlugins()"}),
        "")
        << log;
    const std::string registry = qxtest::ReadFile(home.registryFile());
    EXPECT_EQ(missingInOrder(registry,
                  {"[HKEY_CURRENT_USER\\Software\\Quorvix\\Scripting]", "\"Started\"=\"done\"", "\"Closing\"=\"yes\"",
                      "\"Shutdown\"=\"yes\""}),
        "")
        << registry;
    EXPECT_NE(registry.find("[HKEY_CURRENT_USER\\Software\\Quorvix\\Frame]"), std::string::npos);
}

} // namespace

// The outline's parser runs: the language names, the tree built from ctags'
// JSON lines, real documents through the installed Universal Ctags, and what
// happens without it, with a broken one and with a slow one.
#include "outline/OutlineParser.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <thread>

namespace {

// One line per symbol, indented by its depth: "kind name(signature) line".
QString Render(const std::vector<TOutlineSymbol>& symbols)
{
    QStringList lines;
    std::vector<int> depth;
    for (const TOutlineSymbol& s : symbols) {
        const int d = s.Parent < 0 ? 0 : depth[size_t(s.Parent)] + 1;
        depth.push_back(d);
        lines << QString(d * 2, u' ') + QStringLiteral("%1 %2%3 %4").arg(s.Kind, s.Name, s.Signature).arg(s.Line);
    }
    return lines.join(u'\n');
}

std::string Show(const QString& text)
{
    return "\n" + text.toStdString() + "\n";
}

// An executable shell script in folder.
QString Script(const qxtest::TempDir& folder, const std::string& name, const std::string& body)
{
    const std::string path = folder.file(name);
    qxtest::WriteFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(QString::fromStdString(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QString::fromStdString(path);
}

// Answers --version as Universal Ctags does, then does what body says.
std::string FakeCtags(const std::string& body)
{
    return "case \"$*\" in *--version*) echo 'Universal Ctags 5.9.0'; exit 0;; esac\n" + body;
}

} // namespace

TEST(OutlineLanguage, DocumentNamesBecomeParserNames)
{
    struct Case {
        const char* language;
        const char* file;
        const char* expected;
    } cases[] = {
        {"cpp", "/src/shape.cpp", "C++"},
        {"cpp", "/src/shape.h", "C++"},
        {"cpp", "/src/main.c", "C"}, // C and C++ share the editor's type
        {"CPP", "", "C++"},
        {"python", "x.py", "Python"},
        {"shell", "run", "Sh"},
        {"markdown", "README.md", "Markdown"},
        {"qxscript", "Default.qx", "Pascal"},
        {"javascript", "app.ts", "TypeScript"},
        {"javascript", "app.js", "JavaScript"},
        {"ini", "a.ini", "Iniconf"},
        {"", "main.cpp", ""},
        {"klingon", "a.kl", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CtagsLanguage(QString::fromUtf8(c.language), QString::fromUtf8(c.file)), QLatin1String(c.expected))
            << c.language << " " << c.file;
}

TEST(OutlineJson, ScopesBecomeTheTree)
{
    struct Case {
        const char* what;
        const char* json;
        const char* expected;
    } cases[] = {
        {"members under their class, a definition outside the body too, and document order",
            R"j({"_type": "tag", "name": "area", "line": 9, "kind": "function", "signature": "()", "scope": "ns::Shape", "scopeKind": "class"}
{"_type": "tag", "name": "Shape", "line": 2, "kind": "class", "scope": "ns", "scopeKind": "namespace", "end": 6}
{"_type": "tag", "name": "ns", "line": 1, "kind": "namespace", "end": 10}
{"_type": "tag", "name": "w", "line": 3, "kind": "member", "scope": "ns::Shape", "scopeKind": "class"})j",
            "namespace ns 1\n  class Shape 2\n    member w 3\n    function area() 9"},
        {"a scope no tag names groups its members",
            R"j({"_type": "tag", "name": "draw", "line": 4, "kind": "function", "scope": "Widget", "scopeKind": "class"}
{"_type": "tag", "name": "main", "line": 8, "kind": "function"}
{"_type": "tag", "name": "size", "line": 2, "kind": "function", "scope": "Widget", "scopeKind": "class"})j",
            "class Widget 2\n  function size 2\n  function draw 4\nfunction main 8"},
        {"headings with odd separators and dots in their names",
            R"j({"_type": "tag", "name": "Úvod", "line": 1, "kind": "chapter", "end": 9}
{"_type": "tag", "name": "Verze 1.2", "line": 3, "kind": "section", "scope": "Úvod", "scopeKind": "chapter"}
{"_type": "tag", "name": "Detail", "line": 4, "kind": "subsection", "scope": "Úvod\"\"Verze 1.2", "scopeKind": "section"}
{"_type": "tag", "name": "Konec", "line": 6, "kind": "section", "scope": "Úvod", "scopeKind": "chapter"})j",
            "chapter Úvod 1\n  section Verze 1.2 3\n    subsection Detail 4\n  section Konec 6"},
        {"two parents of one name: the one whose body holds the member",
            R"j({"_type": "tag", "name": "A", "line": 1, "kind": "struct", "end": 3}
{"_type": "tag", "name": "x", "line": 2, "kind": "member", "scope": "A", "scopeKind": "struct"}
{"_type": "tag", "name": "A", "line": 5, "kind": "struct", "end": 7}
{"_type": "tag", "name": "y", "line": 6, "kind": "member", "scope": "A", "scopeKind": "struct"})j",
            "struct A 1\n  member x 2\nstruct A 5\n  member y 6"},
        {"a tag naming itself as its scope stays at the top",
            R"j({"_type": "tag", "name": "loop", "line": 1, "kind": "class", "scope": "loop", "scopeKind": "class"})j",
            "class loop 1\n  class loop 1"},
        {"what is not a tag is skipped",
            "ctags: Warning: something\n{\"_type\": \"ptag\", \"name\": \"JSON_OUTPUT_VERSION\"}\n{broken json\n"
            R"j({"_type": "tag", "name": "", "line": 3, "kind": "function"}
{"_type": "tag", "name": "nowhere", "kind": "function"}
{"_type": "tag", "name": "ok", "line": 5, "kind": "function"})j",
            "function ok 5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Show(Render(ParseCtagsJson(QByteArray(c.json)))), Show(QString::fromUtf8(c.expected))) << c.what;
}

TEST(OutlineJson, AVeryLongListIsCut)
{
    QByteArray json;
    for (int i = 1; i <= kMaxOutlineSymbols + 5; ++i)
        json += "{\"_type\": \"tag\", \"name\": \"f" + QByteArray::number(i) + "\", \"line\": " + QByteArray::number(i)
            + ", \"kind\": \"function\"}\n";
    bool truncated = false;
    const std::vector<TOutlineSymbol> symbols = ParseCtagsJson(json, &truncated);
    EXPECT_TRUE(truncated);
    EXPECT_EQ(int(symbols.size()), kMaxOutlineSymbols);
    EXPECT_EQ(symbols.back().Name, QStringLiteral("f%1").arg(kMaxOutlineSymbols));
}

// The real parser on small documents of several languages.
TEST(OutlineCtags, ReadsRealDocuments)
{
    ASSERT_FALSE(FindCtagsProgram().isEmpty()) << "Universal Ctags is missing: run scripts/install-deps";
    struct Case {
        const char* language;
        const char* file;
        const char* text;
        const char* expected;
    } cases[] = {
        {"cpp", "/w/shape.cpp",
            "#define MAX(a,b) ((a)>(b)?(a):(b))\n"
            "namespace outer {\n"
            "struct Point { int x; int y; };\n"
            "enum class Colour { Red, Green };\n"
            "class Shape {\n"
            "public:\n"
            "    Shape(int n);\n"
            "    double area() const;\n"
            "private:\n"
            "    int sides_;\n"
            "};\n"
            "double Shape::area() const { return 0; }\n"
            "}\n"
            "int main() { return 0; }\n",
            "macro MAX(a,b) 1\n"
            "namespace outer 2\n"
            "  struct Point 3\n"
            "    member x 3\n"
            "    member y 3\n"
            "  enum Colour 4\n"
            "    enumerator Red 4\n"
            "    enumerator Green 4\n"
            "  class Shape 5\n"
            "    prototype Shape(int n) 7\n"
            "    prototype area() const 8\n"
            "    member sides_ 10\n"
            "    function area() const 12\n"
            "function main() 14"},
        // C words that C++ reserves: the file is read as C.
        {"cpp", "/w/k.c", "struct s { int new; };\nint try(void) { return 0; }\n",
            "struct s 1\n  member new 1\nfunction try(void) 2"},
        {"python", "/w/foo.py",
            "import os\nCONST = 1\nclass Foo(Base):\n    def method(self, a):\n        def inner():\n"
            "            pass\n        return a\ndef top(x, y=2):\n    pass\n",
            "variable CONST 2\nclass Foo 3\n  member method(self, a) 4\n    function inner() 5\nfunction top(x, y=2) 8"},
        {"markdown", "/w/README.md", "# Title\nText\n## Usage 1.2\n### Detail\n## Usage two\nSetext\n======\n",
            "chapter Title 1\n  section Usage 1.2 3\n    subsection Detail 4\n  section Usage two 5\nchapter Setext 6"},
        {"shell", "", "#!/bin/sh\ngreet() {\n  echo hi\n}\nfunction other {\n  :\n}\n",
            "function greet 2\nfunction other 5"},
        // A language the document does not name: the file's name decides.
        {"", "/w/Makefile", "all: x\nx:\n\techo\n", "target all 1\ntarget x 2"},
        {"", "/w/notes.txt", "nothing to see\n", ""},
    };
    std::atomic_bool cancel = false;
    for (const Case& c : cases) {
        TOutlineRequest request;
        request.Language = QString::fromUtf8(c.language);
        request.FileName = QString::fromUtf8(c.file);
        request.Text = QString::fromUtf8(c.text);
        const TOutlineResult result = RunOutlineParser(request, cancel);
        EXPECT_EQ(result.Status, TOutlineStatus::Ok) << c.file << " " << result.Error.toStdString();
        EXPECT_EQ(Show(Render(result.Symbols)), Show(QString::fromUtf8(c.expected))) << c.language << " " << c.file;
    }

    // Neither a language nor a file name: nothing to ask the parser.
    TOutlineRequest unnamed;
    unnamed.Text = QStringLiteral("int main() {}\n");
    EXPECT_EQ(RunOutlineParser(unnamed, cancel).Status, TOutlineStatus::NoLanguage);
}

TEST(OutlineCtags, WithoutUniversalCtagsSaysSo)
{
    qxtest::TempDir folder;
    std::atomic_bool cancel = false;
    TOutlineRequest request;
    request.Language = QStringLiteral("cpp");
    request.Text = QStringLiteral("int main() {}\n");

    // A path that does not exist, and a ctags of another kind.
    request.Program = QStringLiteral("/no/such/ctags");
    EXPECT_EQ(RunOutlineParser(request, cancel).Status, TOutlineStatus::ProgramMissing);
    request.Program = Script(folder, "ctags", "echo 'Exuberant Ctags 5.8'\n");
    EXPECT_EQ(RunOutlineParser(request, cancel).Status, TOutlineStatus::ProgramMissing);

    // Nothing on PATH.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(folder.file("empty")));
    request.Program.clear();
    const TOutlineStatus status = RunOutlineParser(request, cancel).Status;
    qputenv("PATH", path);
    EXPECT_EQ(status, TOutlineStatus::ProgramMissing);
}

TEST(OutlineCtags, AFailingParserIsReportedAndASlowOneCanBeStopped)
{
    qxtest::TempDir folder;
    TOutlineRequest request;
    request.Language = QStringLiteral("cpp");
    request.Text = QStringLiteral("int main() {}\n");
    std::atomic_bool cancel = false;

    request.Program = Script(folder, "broken", FakeCtags("echo 'ctags: cannot parse' >&2\nexit 3\n"));
    const TOutlineResult failed = RunOutlineParser(request, cancel);
    EXPECT_EQ(failed.Status, TOutlineStatus::Failed);
    EXPECT_EQ(failed.Error, QStringLiteral("ctags: cannot parse"));

    // The slow parser notes its process id; cancelling kills it at once.
    const std::string pidFile = folder.file("pid");
    request.Program = Script(folder, "slow", FakeCtags("echo $$ > " + pidFile + "\nexec sleep 30\n"));
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel = true;
    });
    QElapsedTimer clock;
    clock.start();
    const TOutlineResult stopped = RunOutlineParser(request, cancel);
    stopper.join();
    EXPECT_EQ(stopped.Status, TOutlineStatus::Cancelled);
    EXPECT_LT(clock.elapsed(), 5000);
    const int pid = QString::fromStdString(qxtest::ReadFile(pidFile)).trimmed().toInt();
    ASSERT_GT(pid, 0);
    // Killed and reaped: the process is gone.
    EXPECT_FALSE(QFile::exists(QStringLiteral("/proc/%1").arg(pid))) << "the stopped parser still runs";
}

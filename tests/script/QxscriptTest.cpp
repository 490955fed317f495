// The command-line runner as script authors use it: its output lines and
// exit statuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

#include "TestEnv.h"

namespace {

struct Result {
    int status;
    std::string out;
};

Result RunQxscript(const std::string& args) {
    Result r{-1, {}};
    FILE* p = popen((std::string(QX_QXSCRIPT) + " " + args + " 2>/dev/null").c_str(), "r");
    if (!p) return r;
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, p)) r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

TEST(Qxscript, PrintsMessagesAndGlobals) {
    qxtest::TempDir dir;
    qxtest::WriteFile(dir.file("ok.qx"),
                      "var n: integer; s: string; x: extended; b: boolean; c: char; a: array of integer;\n"
                      "procedure Other; begin n := 5 end;\n"
                      "begin\n  ShowMessage('hi there');\n  n := 42; s := 'a b'; x := 1 / 3; b := true; c := 'z';\n"
                      "  SetArrayLength(a, 3); a[1] := 7\nend.\n");
    Result r = RunQxscript(dir.file("ok.qx"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "hi there\n");
    r = RunQxscript("--globals " + dir.file("ok.qx"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "hi there\nN=42\nS=a b\nX=0.333333333333333333\nB=TRUE\nC=z\nA=[0, 7, 0]\n");
    r = RunQxscript(dir.file("ok.qx") + " other --globals");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, 4), "N=5\n");
}

// An error is one line as compilers write them, FILE:LINE:COLUMN:, with the
// code and the position in the text after it.
TEST(Qxscript, ReportsAnErrorWithPlaceCodePositionAndText) {
    qxtest::TempDir dir;
    qxtest::WriteFile(dir.file("bad.qx"), "var n: integer;\nbegin\n  n := 1;\n  n := n div 0\nend.\n");
    Result r = RunQxscript("--globals " + dir.file("bad.qx"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, dir.file("bad.qx") + ":5:1: error 100 at 51: Celočíselné dělení nulou\nN=1\n");
    qxtest::WriteFile(dir.file("unknown.qx"), "begin\r\n  foo\r\nend.\r\n");
    r = RunQxscript(dir.file("unknown.qx"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, dir.file("unknown.qx") + ":2:3: error 3 at 9: Neznámý identifikátor\n");
    r = RunQxscript(dir.file("unknown.qx") + " Missing");
    EXPECT_EQ(r.out, dir.file("unknown.qx") + ":1:1: error 3 at 0: Neznámý identifikátor\n");
    // Columns count characters: "ž" is two bytes of the file.
    qxtest::WriteFile(dir.file("utf8.qx"), "var s: string;\nbegin\n  s := 'ž'; foo\nend.\n");
    r = RunQxscript(dir.file("utf8.qx"));
    EXPECT_EQ(r.out, dir.file("utf8.qx") + ":3:13: error 3 at 36: Neznámý identifikátor\n");
}

TEST(Qxscript, RefusesWhatItCannotRun) {
    EXPECT_EQ(RunQxscript("/nonexistent/file.qx").status, 2);
    EXPECT_EQ(RunQxscript("").status, 2);
}

}  // namespace

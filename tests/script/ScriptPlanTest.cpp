// Expressions on typed values run as typed plans; everything else on cells.
// Both must give the same outcome: values, error codes and positions. Random
// expressions over every numeric type, BOOLEAN and CHAR, run both ways.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "script/ScriptConsole.h"
#include "script/ScriptEngine.h"
#include "script/ScriptInterpreter.h"

namespace {

using namespace qx;

struct Var {
    const char* name;
    const char* type;
    const char* value;
};

const Var kVars[] = {
    {"b", "byte", "200"},         {"si", "shortint", "-100"},   {"w", "word", "65000"},
    {"sm", "smallint", "-30000"}, {"c", "cardinal", "2147483000"}, {"l", "longint", "-7"},
    {"z", "integer", "0"},        {"r", "real", "2.5"},         {"f", "single", "0.1"},
    {"d", "double", "1.5"},       {"e", "extended", "3.25"},    {"cp", "comp", "1234567"},
    {"t", "boolean", "true"},     {"ch", "char", "'x'"},
};
const char* const kIntVars[] = {"b", "si", "w", "sm", "c", "l", "z", "ai[1]", "ai[b - 198]", "ai[z]", "ai[c]", "Twice(si)",
                                "Mix(z)", "At(z)", "At(b - 199)", "At(c)", "Ord(ch)", "Length('ab')"};
const char* const kRealVars[] = {"r", "f", "d", "e", "cp", "ar[0]", "Half(e)"};
const char* const kIntLiterals[] = {"0", "1", "2", "7", "255", "300", "2147483647", "$FF", "$FFFFFFFF"};
const char* const kRealLiterals[] = {"0.5", "1.25", "3.", "1000000000.0", "0.0"};
const char* const kIntOperators[] = {"+", "-", "*", "div", "mod", "and", "or", "xor", "shl", "shr"};
const char* const kRealOperators[] = {"+", "-", "*", "/"};
const char* const kComparisons[] = {"=", "<>", "<", ">", "<=", ">="};
const char* const kAnyOperators[] = {"+", "-", "*", "/", "div", "mod", "and", "or", "xor", "shl", "shr", "=", "<>", "<", ">", "<=", ">="};
const char* const kDests[] = {"rb", "rl", "rw", "re", "rd", "rf", "rc", "rt", "rh", "ai[z]"};

template <size_t N>
const char* PickFrom(std::mt19937& rng, const char* const (&list)[N]) {
    return list[rng() % N];
}

// Mostly well-typed expressions of one kind, with a few wild picks that make
// operators and assignments fail (the failures must match too).
class Generator {
public:
    enum Kind { Int, Real, Bool, Char };
    explicit Generator(uint32_t seed) : rng_(seed) {}
    Kind RandomKind() { return static_cast<Kind>(rng_() % 4); }
    std::string Expression(Kind k, int depth) {
        if (k == Bool) {
            switch (Pick(4)) {
            case 0: return "(" + Expression(Int, depth - 1) + ") " + PickFrom(rng_, kComparisons) + " (" + Expression(Pick(2) ? Int : Real, depth - 1) + ")";
            case 1: return "(" + Expression(Real, depth - 1) + ") " + PickFrom(rng_, kComparisons) + " (" + Expression(Int, depth - 1) + ")";
            case 2: return Prefix(true) + "t " + (Pick(2) ? "and" : Pick(2) ? "or" : "xor") + " " + Prefix(true) + "(ch " + PickFrom(rng_, kComparisons) + " ch)";
            default: return "t";
            }
        }
        if (k == Char) return "ch";
        std::string s = Operand(k, depth);
        const int n = Pick(4);
        for (int i = 0; i < n; ++i) {
            const char* op = Wild() ? PickFrom(rng_, kAnyOperators) : k == Int ? PickFrom(rng_, kIntOperators) : PickFrom(rng_, kRealOperators);
            s += std::string(" ") + op + " " + Operand(k == Real && Pick(3) == 0 ? Int : k, depth);
        }
        return s;
    }

private:
    int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
    bool Wild() { return Pick(12) == 0; }
    std::string Prefix(bool boolean) {
        switch (Pick(8)) {
        case 0: return boolean || Pick(2) ? "not " : "-";
        case 1: return "- -";
        case 2: return Wild() ? "not " : "";
        default: return "";
        }
    }
    std::string Operand(Kind k, int depth) {
        std::string prefix = Prefix(false);
        if (k == Real && prefix == "not ") prefix = "-";
        if (depth > 0 && Pick(4) == 0) return prefix + "(" + Expression(Wild() ? RandomKind() : k, depth - 1) + ")";
        if (Wild()) return prefix + (Pick(2) ? "t" : "ch");
        if (k == Int) return prefix + (Pick(3) ? PickFrom(rng_, kIntVars) : PickFrom(rng_, kIntLiterals));
        return prefix + (Pick(3) ? PickFrom(rng_, kRealVars) : PickFrom(rng_, kRealLiterals));
    }
    std::mt19937 rng_;
};

const char kRoutines[] =
    "function Twice(n: integer): integer; begin result := n * 2 end;\r\n"
    "function Half(x: extended): extended; begin result := x / 2 end;\r\n"
    "function Mix(n: integer): integer; var k: integer; begin k := n + 1; if n < k then result := k * n - ai[k] + k end;\r\n"
    // Elements indexed by a local, alone and with a step on a variable.
    "function At(n: integer): integer; begin result := ai[n]; if ai[n] < n then result := ai[n] - l end;\r\n";

struct Outcome {
    uint16_t error;
    int32_t pos;
    std::string globals;
};

Outcome RunOneWay(const std::string& text, bool plans) {
    detail::SetPlansEnabled(plans);
    TQXScriptInterpreter interp;
    interp.OnUnitUsed = [](void*, TQXScriptInterpreter& in, const std::string&) -> uint16_t {
        RegisterBuiltins(in);
        return 0;
    };
    interp.LoadScript(text);
    interp.RunMainBlock();
    Outcome o{interp.LastError(), interp.LastErrorPos(), {}};
    TVariableManager& g = interp.GlobalVariables();
    for (int i = 0; i < g.Count(); ++i) o.globals += g.Name(i) + "=" + FormatScriptValue(g.Variable(i)) + ";";
    detail::SetPlansEnabled(true);
    return o;
}

TEST(ScriptPlans, TypedPlansMatchCellEvaluation) {
    std::string head = "var rb: byte; rl: integer; re: extended; rd: double; rf: single; rc: comp; rt: boolean; rh: char; rw: word;\r\n"
                       "  ai: array of smallint; ar: array of double;\r\n";
    std::string init = "  SetArrayLength(ai, 3); ai[1] := -5; ai[2] := 9; SetArrayLength(ar, 1); ar[0] := 0.25;\r\n";
    for (const Var& v : kVars) {
        head += std::string("  ") + v.name + ": " + v.type + ";\r\n";
        init += std::string("  ") + v.name + " := " + v.value + ";\r\n";
    }
    // QX_PLAN_TEST_SEED explores other expressions; the default is fixed.
    const char* seed = std::getenv("QX_PLAN_TEST_SEED");
    Generator gen(seed ? static_cast<uint32_t>(std::strtoul(seed, nullptr, 10)) : 20261210u);
    std::mt19937 pick(7);
    int compared = 0, succeeded = 0;
    for (int i = 0; i < 3000; ++i) {
        const Generator::Kind kind = gen.RandomKind();
        const std::string expr = gen.Expression(kind, 2);
        // Two destinations that fit the kind, one at random.
        static const std::vector<const char*> fit[] = {{"rb", "rl", "rw", "re", "ai[z]"}, {"re", "rd", "rf", "rc"}, {"rt"}, {"rh"}};
        const std::vector<const char*>& f = fit[kind];
        for (const char* dest : {f[pick() % f.size()], f[pick() % f.size()], kDests[pick() % (sizeof kDests / sizeof *kDests)]}) {
            std::string text = head + kRoutines + "begin\r\n" + init + "  " + dest + " := " + expr + ";\r\n";
            if (kind == Generator::Int) text += "  case " + expr + " of 1: rl := 5; 255: rl := 6 else rl := 7 end;\r\n";
            if (kind == Generator::Bool)
                text += "  if " + expr + " then rl := 1;\r\n  while t and (" + expr + ") do t := false;\r\n"
                        "  rl := 0; repeat rl := rl + 1 until (" + expr + ") or (rl > 3);\r\n";
            text += "end.\r\n";
            const Outcome cells = RunOneWay(text, false);
            const Outcome plans = RunOneWay(text, true);
            ++compared;
            if (cells.error == 0) ++succeeded;
            ASSERT_EQ(plans.error, cells.error) << dest << " := " << expr;
            ASSERT_EQ(plans.pos, cells.pos) << dest << " := " << expr;
            ASSERT_EQ(plans.globals, cells.globals) << dest << " := " << expr;
        }
    }
    // Enough of them must get through to the end to mean something.
    EXPECT_GT(succeeded, compared / 3) << succeeded << " of " << compared;
}

}  // namespace

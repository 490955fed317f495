// The interpreter through its host interface: hooks, external routine
// handlers, running a routine with prepared arguments, loading and limits.
// The language itself is tested by the scripts of cases/.
#include <gtest/gtest.h>

#include <cfloat>
#include <string>
#include <vector>

#include "script/ScriptInterpreter.h"

namespace {

using namespace qx;

// Offsets just after each "{N}" marker comment of text, by N.
std::vector<int32_t> Markers(const std::string& text) {
    std::vector<int32_t> at;
    for (int n = 0;; ++n) {
        const std::string m = "{" + std::to_string(n) + "}";
        size_t p = text.find(m);
        if (p == std::string::npos) return at;
        at.push_back(static_cast<int32_t>(p + m.size()));
    }
}

TEST(ScriptInterpreter, StatementHookRunsBeforeEachStatementAndIteration) {
    const std::string text =
        "var x, i: integer;\r\n"
        "begin\r\n"
        "  {0}x := 1;\r\n"
        "  {1}if x = 1 then {2}x := 2 {3}else x := 3;\r\n"
        "  {4}if x = 5 then x := 0 else {5}x := 4;\r\n"
        "  for i := 1 to 2 do {6}x := x + 1;\r\n"
        "  while x < 7 do {7}x := x + 1;\r\n"
        "  repeat {8}x := x - 1; until x = 6;\r\n"
        "  case x of {9}1: x := 1; {10}6: {11}x := 2; {12}7: x := 3 end\r\n"
        "end.\r\n";
    const std::vector<int32_t> m = Markers(text);
    std::vector<int32_t> seen;
    TQXScriptInterpreter interp;
    interp.OnStatement = [&](void*, TQXScriptInterpreter&, int32_t pos) -> uint16_t {
        seen.push_back(pos);
        return 0;
    };
    interp.LoadScript(text);
    interp.RunMainBlock();
    ASSERT_EQ(interp.LastError(), 0);
    const std::vector<int> order = {0, 1, 2, 3, 4, 5, 5, 6, 6, 6, 6, 7, 7, 8, 8, 9, 10, 11, 12};
    std::vector<int32_t> expected;
    for (int i : order) expected.push_back(m[static_cast<size_t>(i)]);
    EXPECT_EQ(seen, expected);
}

TEST(ScriptInterpreter, StatementHookResultStopsTheRun) {
    const std::string text = "var x: integer;\r\nbegin\r\n  while true do {0}x := x + 1\r\nend.\r\n";
    TQXScriptInterpreter interp;
    int calls = 0;
    interp.OnStatement = [&](void*, TQXScriptInterpreter&, int32_t) -> uint16_t { return ++calls == 7 ? 65535 : 0; };
    interp.LoadScript(text);
    interp.RunMainBlock();
    EXPECT_EQ(interp.LastError(), 65535);
    EXPECT_EQ(interp.LastErrorPos(), Markers(text)[0]);
    EXPECT_EQ(ValueAsInteger(interp.GlobalVariables().Find("X")), 3);
}

TEST(ScriptInterpreter, UnitHookSeesSystemThenTheUsesClause) {
    std::vector<std::string> units;
    void* data = nullptr;
    int token = 0;
    TQXScriptInterpreter interp(&token);
    interp.OnUnitUsed = [&](void* userData, TQXScriptInterpreter&, const std::string& unit) -> uint16_t {
        data = userData;
        units.push_back(unit);
        return unit == "BAD" ? 42 : 0;
    };
    interp.LoadScript("uses Forms, Classes;\r\nbegin end.");
    EXPECT_EQ(interp.LastError(), 0);
    EXPECT_EQ(units, (std::vector<std::string>{"SYSTEM", "FORMS", "CLASSES"}));
    EXPECT_EQ(interp.UsedUnits(), (std::vector<std::string>{"SYSTEM", "FORMS", "CLASSES"}));
    EXPECT_EQ(data, &token);

    const std::string bad = "uses Good, {0}Bad;\r\nbegin end.";
    interp.LoadScript(bad);
    EXPECT_EQ(interp.LastError(), 42);
    EXPECT_EQ(interp.LastErrorPos(), Markers(bad)[0]);

    TQXScriptInterpreter noHook;
    const std::string forms = "uses {0}Forms;\r\nbegin end.";
    noHook.LoadScript(forms);
    EXPECT_EQ(noHook.LastError(), seUnknownIdentifier);
    EXPECT_EQ(noHook.LastErrorPos(), Markers(forms)[0]);
}

TEST(ScriptInterpreter, ExternalHandlerGetsTypedArgumentsAndResult) {
    const std::string text =
        "var flag: boolean; r: integer; s: string;\r\n"
        "begin\r\n"
        "  s := 'abc';\r\n"
        "  r := Probe(2.9 > 1, flag, s + 'd') + 1;\r\n"
        "  Probe(false, flag, 'stop'){0};\r\n"
        "end.\r\n";
    TQXScriptInterpreter interp;
    int calls = 0;
    // LoadScript clears the routine lists; hosts register from the unit hook.
    interp.OnUnitUsed = [&](void*, TQXScriptInterpreter& in, const std::string&) -> uint16_t {
      in.ExternalRoutines().AddRoutine(
        "6 PROBE A 14 !B 14 C 8",
        [&](TQXExternalCall& call) -> uint16_t {
            ++calls;
            EXPECT_EQ(call.Name, "PROBE");
            EXPECT_EQ(call.Tag, 99);
            EXPECT_EQ(call.Interpreter, &interp);
            EXPECT_EQ(call.Args.Count(), 3);
            EXPECT_EQ(call.Args.Name(0), "A");
            EXPECT_EQ(call.Args.Variable(0)->VType, vtBoolean);
            EXPECT_EQ(call.Args.Name(1), "B");
            EXPECT_EQ(call.Args.Variable(1)->VType, vtReference);
            EXPECT_EQ(ResolveValue(call.Args.Variable(1)), interp.GlobalVariables().Find("FLAG"));
            EXPECT_EQ(call.Args.Variable(2)->VType, vtString);
            EXPECT_NE(call.Result, nullptr);
            EXPECT_EQ(call.Result->VType, vtLongInt);
            EXPECT_EQ(call.Result->V.Long, 0);
            if (ValueAsString(call.Args.Variable(2)) == "stop") return 1234;
            StoreBoolean(call.Args.Variable(1), ValueAsBoolean(call.Args.Variable(0)));
            StoreInteger(call.Result, static_cast<int32_t>(ValueAsString(call.Args.Variable(2)).size()));
            return 0;
        },
        99);
      return 0;
    };
    interp.LoadScript(text);
    interp.RunMainBlock();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(interp.LastError(), 1234);
    EXPECT_EQ(interp.LastErrorPos(), Markers(text)[0]);
    EXPECT_TRUE(ValueAsBoolean(interp.GlobalVariables().Find("FLAG")));
    EXPECT_EQ(ValueAsInteger(interp.GlobalVariables().Find("R")), 5);
}

TEST(ScriptInterpreter, ProcedureHandlersGetNoResultCell) {
    TQXScriptInterpreter interp;
    bool called = false;
    interp.OnUnitUsed = [&](void*, TQXScriptInterpreter& in, const std::string&) -> uint16_t {
        in.ExternalRoutines().AddRoutine("0 NOTE", [&](TQXExternalCall& call) -> uint16_t {
            called = true;
            EXPECT_EQ(call.Result, nullptr);
            EXPECT_EQ(call.Args.Count(), 0);
            return 0;
        });
        return 0;
    };
    interp.LoadScript("begin Note end.");
    interp.RunMainBlock();
    EXPECT_TRUE(called);
    EXPECT_EQ(interp.LastError(), 0);
}

uint16_t Builtins(void*, TQXScriptInterpreter& interp, const std::string& unit) {
    if (unit == "SYSTEM") RegisterBuiltins(interp);
    return 0;
}

const char kRoutines[] =
    "var g: integer;\r\n"
    "function Twice(a: integer; var s: string): integer;\r\n"
    "var local: byte;\r\n"
    "begin\r\n"
    "  s := s + 'x'; local := 3; result := a * 2 + local\r\n"
    "end;\r\n"
    "procedure Touch; begin g := g + 1 end;\r\n"
    "procedure Measure; begin g := Length('abc') end;\r\n"
    "begin end.\r\n";

TEST(ScriptInterpreter, RunProcedureWorksOnTheGivenCells) {
    TQXScriptInterpreter interp;
    interp.OnUnitUsed = Builtins;
    interp.LoadScript(kRoutines);
    TVariableManager args;
    TQXVariant* a = args.AddVariable("first", NewValue(vtLongInt));
    TQXVariant* s = args.AddVariable("second", NewValue(vtString));
    StoreInteger(a, 20);
    StoreString(s, "ab");
    TQXVariant* result = interp.RunProcedure("twice", args);
    ASSERT_NE(result, nullptr) << interp.LastError();
    EXPECT_EQ(interp.LastError(), 0);
    EXPECT_EQ(ValueAsInteger(result), 43);
    EXPECT_EQ(s->Text, "abx");
    EXPECT_EQ(args.Name(0), "A");
    EXPECT_EQ(args.Name(1), "S");
    EXPECT_EQ(args.Find("RESULT"), result);
    EXPECT_NE(args.Find("LOCAL"), nullptr);

    TVariableManager none;
    EXPECT_EQ(interp.RunProcedure("Touch", none), nullptr);  // a procedure has no result
    EXPECT_EQ(interp.LastError(), 0);
    EXPECT_EQ(ValueAsInteger(interp.GlobalVariables().Find("G")), 1);
}

TEST(ScriptInterpreter, RunProcedureChecksItsArguments) {
    TQXScriptInterpreter interp;
    interp.LoadScript(kRoutines);
    {
        TVariableManager args;
        args.AddVariable("A", NewValue(vtLongInt));
        interp.RunProcedure("Twice", args);
        EXPECT_EQ(interp.LastError(), seBadParameter);
        EXPECT_EQ(interp.LastErrorPos(), -1);
    }
    {
        TVariableManager args;
        args.AddVariable("A", NewValue(vtLongInt));
        args.AddVariable("S", NewValue(vtChar));
        interp.RunProcedure("Twice", args);
        EXPECT_EQ(interp.LastError(), seBadParameter);
        EXPECT_EQ(interp.LastErrorPos(), 1);
    }
    {
        TVariableManager args;
        args.AddVariable("A", NewValue(vtLongInt));
        args.AddVariable("S", NewValue(vtString))->SetReadOnly(true);
        interp.RunProcedure("Twice", args);
        EXPECT_EQ(interp.LastError(), seBadParameter);
        EXPECT_EQ(interp.LastErrorPos(), 1);
    }
    {
        // A reference to a cell of the right type will do.
        TVariableManager args;
        TQXVariant target(vtString);
        args.AddVariable("A", NewValue(vtLongInt));
        BindReference(args.AddVariable("S", NewValue(vtReference)), &target);
        interp.RunProcedure("Twice", args);
        EXPECT_EQ(target.Text, "x");
    }
    TVariableManager none;
    interp.RunProcedure("Missing", none);
    EXPECT_EQ(interp.LastError(), seUnknownIdentifier);
}

TEST(ScriptInterpreter, RunProcedureKeepsAnEarlierError) {
    // Loading records error 5 (no ";" after a routine body) and goes on.
    const std::string text = std::string("procedure Broken; begin end\r\n") + kRoutines;
    TQXScriptInterpreter interp;
    interp.OnUnitUsed = Builtins;
    interp.LoadScript(text);
    ASSERT_EQ(interp.LastError(), seSemicolonExpected);
    TVariableManager none;
    interp.RunProcedure("Touch", none);
    EXPECT_EQ(interp.LastError(), seSemicolonExpected);  // not cleared: nothing raised code 0
    interp.RunProcedure("Measure", none);
    EXPECT_EQ(interp.LastError(), 0);  // an external routine's 0 clears it
    EXPECT_EQ(interp.LastErrorPos(), -1);
}

TEST(ScriptInterpreter, LoadScriptStartsOver) {
    TQXScriptInterpreter interp;
    interp.LoadScript("var a, b: integer; begin a := 1 end.");
    interp.RunMainBlock();
    TVariableManager& g = interp.GlobalVariables();
    ASSERT_EQ(g.Count(), 4);
    EXPECT_EQ(g.Name(0), "TRUE");
    EXPECT_EQ(g.Name(1), "FALSE");
    EXPECT_TRUE(g.Variable(0)->ReadOnly());
    EXPECT_EQ(g.Name(3), "B");
    EXPECT_GT(interp.MainBlockPosition(), 0);

    interp.RunMainBlock();  // a second run of the same load keeps the globals
    EXPECT_EQ(ValueAsInteger(g.Find("A")), 1);

    interp.LoadScript(nullptr);
    EXPECT_EQ(interp.GlobalVariables().Count(), 2);
    EXPECT_EQ(interp.MainBlockPosition(), -1);
    EXPECT_EQ(interp.ScriptRoutines().Count(), 0);
    interp.RunMainBlock();
    EXPECT_EQ(interp.LastError(), 0);
    TVariableManager none;
    interp.RunProcedure("X", none);
    EXPECT_EQ(interp.LastError(), seBeginExpected);
    EXPECT_EQ(interp.LastErrorPos(), -1);
}

TEST(ScriptInterpreter, RoutinesRegisteredLaterCountFromTheNextRun) {
    TQXScriptInterpreter interp;
    interp.LoadScript("var x: integer; begin x := Later end.");
    interp.RunMainBlock();
    EXPECT_EQ(interp.LastError(), seUnknownIdentifier);
    interp.ExternalRoutines().AddRoutine("6 LATER", [](TQXExternalCall& c) -> uint16_t {
        StoreInteger(c.Result, 8);
        return 0;
    });
    interp.RunMainBlock();
    EXPECT_EQ(interp.LastError(), 0);
    EXPECT_EQ(ValueAsInteger(interp.GlobalVariables().Find("X")), 8);
}

TEST(ScriptInterpreter, NamesInUse) {
    TQXScriptInterpreter interp;
    interp.OnUnitUsed = Builtins;
    interp.LoadScript("var v: integer; procedure P; begin end; begin end.");
    for (const char* n : {"SYSTEM", "V", "P", "COPY", "TRUE", "STRING", "ARRAY"}) EXPECT_TRUE(interp.IsNameInUse(n)) << n;
    EXPECT_FALSE(interp.IsNameInUse("W"));
    TVariableManager locals;
    locals.AddVariable("W", NewValue(vtLongInt));
    EXPECT_TRUE(interp.IsNameInUse("W", &locals));
}

TEST(ScriptInterpreter, DeepNestingEndsTheRunNotTheProcess) {
    const int depth = 200000;
    std::string parens = "var x: integer; begin x := " + std::string(depth, '(') + "1" + std::string(depth, ')') + " end.";
    TQXScriptInterpreter interp;
    interp.LoadScript(parens);
    interp.RunMainBlock();
    EXPECT_EQ(interp.LastError(), seStackOverflow);

    std::string blocks = "begin ";
    for (int i = 0; i < depth; ++i) blocks += "begin ";
    for (int i = 0; i < depth; ++i) blocks += "end ";
    blocks += "end.";
    interp.LoadScript(blocks);
    interp.RunMainBlock();
    EXPECT_EQ(interp.LastError(), seStackOverflow);

    std::string ifs = "var x: integer; begin ";
    for (int i = 0; i < depth; ++i) ifs += "if true then ";
    ifs += "x := 1 end.";
    interp.LoadScript(ifs);
    interp.RunMainBlock();
    EXPECT_EQ(interp.LastError(), seStackOverflow);
}

// Routines keep their frames between calls and runs: a run that ends with
// an error deep in a recursion must leave them fit for the next runs.
TEST(ScriptInterpreter, RunsAfterAnErrorDeepInRecursionStartAfresh) {
    const std::string text =
        "var n, r: integer; s: string;\r\n"
        "function Down(k: integer): integer; begin if k > 0 then result := Down(k - 1) + 1 else result := 100 div n end;\r\n"
        "function Text(k: integer; t: string): string;\r\n"
        "var u: string;\r\n"
        "begin u := t + 'x'; if k > 0 then result := Text(k - 1, u) else result := u + IntToStr(Down(40)) end;\r\n"
        "begin s := Text(50, ''); r := Down(200) end.\r\n";
    TQXScriptInterpreter interp;
    interp.OnUnitUsed = Builtins;
    interp.LoadScript(text);
    interp.RunMainBlock();
    EXPECT_EQ(interp.LastError(), 100);  // n = 0: division by zero at the bottom, under both recursions
    const int32_t pos = interp.LastErrorPos();
    interp.RunMainBlock();
    EXPECT_EQ(interp.LastError(), 100);
    EXPECT_EQ(interp.LastErrorPos(), pos);
    StoreInteger(interp.GlobalVariables().Find("N"), 2);
    interp.RunMainBlock();
    EXPECT_EQ(interp.LastError(), 0);
    EXPECT_EQ(ValueAsInteger(interp.GlobalVariables().Find("R")), 250);
    EXPECT_EQ(interp.GlobalVariables().Find("S")->Text, std::string(51, 'x') + "90");
}

TEST(ScriptInterpreter, ExtendedIsTheX87Format) {
    EXPECT_EQ(LDBL_MANT_DIG, 64);
    TQXScriptInterpreter interp;
    interp.LoadScript("var x: extended; d: double; begin x := 1 / 3; d := 1 / 3 end.");
    interp.RunMainBlock();
    EXPECT_EQ(interp.GlobalVariables().Find("X")->V.Extended, 1.0L / 3.0L);
    EXPECT_NE(static_cast<long double>(interp.GlobalVariables().Find("D")->V.Double), 1.0L / 3.0L);
}

TEST(ScriptInterpreter, ErrorTextsByCode) {
    EXPECT_EQ(ScriptErrorText(0), "Žádná chyba");
    EXPECT_EQ(ScriptErrorText(3), "Neznámý identifikátor");
    EXPECT_EQ(ScriptErrorText(30), "Očekáváno uzavření bloku");
    EXPECT_EQ(ScriptErrorText(seIntegerDivisionByZero), "Celočíselné dělení nulou");
    EXPECT_EQ(ScriptErrorText(31), "");
}

// Positions of the interpreter's text (lines ended by CR LF) as line and
// column: the columns count characters of UTF-8 lines and bytes of others.
TEST(ScriptInterpreter, ErrorPositionsBecomeLinesAndColumns) {
    // "ab\r\n" 0..3, "čd\r\n" 4..8 ("č" two bytes), "x\r\n" 9..11.
    const std::vector<std::string> utf8 {"ab", "\xC4\x8D" "d", "x"};
    // The same in a one-byte code page: "čd\r\n" 4..7.
    const std::vector<std::string> legacy {"ab", "\xE8" "d", "x"};
    struct Case {
        const std::vector<std::string>* lines;
        int32_t position;
        int line, column;
    } cases[] = {
        {&utf8, 0, 1, 1},   {&utf8, 1, 1, 2},  {&utf8, 2, 1, 3},  // the CR: end of line 1
        {&utf8, 3, 1, 3},   {&utf8, 4, 2, 1},  {&utf8, 6, 2, 2},  // "d" after the two bytes of "č"
        {&utf8, 9, 3, 1},   {&utf8, 99, 3, 2}, {&utf8, -1, 1, 1},
        {&legacy, 5, 2, 2}, {&legacy, 8, 3, 1},
    };
    for (const Case& c : cases) {
        const TScriptPlace place = ScriptPlaceOf(*c.lines, c.position);
        EXPECT_EQ(place.Line, c.line) << c.position;
        EXPECT_EQ(place.Column, c.column) << c.position;
    }
    EXPECT_EQ(ScriptPlaceOf({}, 5).Line, 1);
    EXPECT_EQ(ScriptErrorReport("dir/a.qx", utf8, 3, 6), "dir/a.qx:2:2: error 3 at 6: Neznámý identifikátor");
}

}  // namespace

#include "script/ScriptConsole.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

namespace qx {

namespace {

std::mt19937& Generator() {
    static std::mt19937 generator(12345u);
    return generator;
}

}  // namespace

std::string FormatScriptValue(const TQXVariant* cell) {
    const TQXVariant* c = ResolveValue(cell);
    if (!c) return {};
    if (IsIntegerType(c->VType)) return std::to_string(ValueAsInteger(c));
    if (IsRealType(c->VType)) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.18Lg", ValueAsReal(c));
        return buf;
    }
    switch (c->VType) {
    case vtChar: case vtString: return ValueAsString(c);
    case vtBoolean: return c->V.Boolean ? "TRUE" : "FALSE";
    case vtArray: {
        std::string s = "[";
        for (int32_t i = 0; i < ArrayLength(c); ++i) {
            if (i) s += ", ";
            s += FormatScriptValue(ArrayElement(const_cast<TQXVariant*>(c), i));
        }
        return s + "]";
    }
    default: return {};
    }
}

// In the order of the host function list.
TScriptHostFunctions ConsoleHostFunctions(std::ostream& out) {
    TScriptHostFunctions t;
    t.Add("0 Dec !I 6", [](const TScriptHostCall& c) {
        StoreInteger(c.Var(0), static_cast<int32_t>(static_cast<uint32_t>(c.Integer(0)) - 1u));
    });
    t.Add("0 Halt", [](const TScriptHostCall& c) { c.Runner.StopScript(); });
    t.Add("0 Inc !I 6", [](const TScriptHostCall& c) {
        StoreInteger(c.Var(0), static_cast<int32_t>(static_cast<uint32_t>(c.Integer(0)) + 1u));
    });
    t.Add("8 LowerCase S 8", [](const TScriptHostCall& c) {
        std::string s = c.Text(0);
        for (char& ch : s)
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        c.ReturnText(s);
    });
    t.Add("6 Random Range 6", [](const TScriptHostCall& c) {
        const int32_t range = c.Integer(0);
        if (range <= 0) return;  // no value below a non-positive range: 0
        c.ReturnInteger(static_cast<int32_t>(Generator()() % static_cast<uint32_t>(range)));
    });
    t.Add("0 Randomize", [](const TScriptHostCall&) {
        Generator().seed(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    });
    t.Add("0 ShowMessage Message 8", [&out](const TScriptHostCall& c) { out << c.Text(0) << '\n' << std::flush; });
    // Steps of 95 ms, one per full 100 ms asked for; a stop request ends it early.
    t.Add("0 Sleep Milliseconds 6", [](const TScriptHostCall& c) {
        for (int32_t i = c.Integer(0) / 100; i > 0 && !c.Runner.IsStopRequested(); --i)
            std::this_thread::sleep_for(std::chrono::milliseconds(95));
    });
    return t;
}

}  // namespace qx

// Runs arbitrary bytes as a script: load, main block, and each parameterless
// script routine by name. A statement budget enforced through OnStatement and
// small value limits keep every input short; the run must end with a known
// error code at a position inside the text, never with a crash or a leak.
//
//   fuzz_script -dict=fuzz/script/script.dict fuzz/script/corpus
#include <cstddef>
#include <cstdint>
#include <string>

#include "script/ScriptInterpreter.h"

namespace {

constexpr int kStatementBudget = 4000;

bool KnownCode(uint16_t code) {
    return code <= 30 || (code >= qx::seIntegerDivisionByZero && code <= qx::seHostException) ||
           code == qx::seInterrupted || code == 77;
}

// Host routines with value, var and array parameters, as hosts register them.
uint16_t HostRoutine(qx::TQXExternalCall& call) {
    if (call.Name == "HOSTFAIL") return 77;
    for (int i = 0; i < call.Args.Count(); ++i) {
        qx::TQXVariant* v = qx::ResolveValue(call.Args.Variable(i));
        if (v->VType == qx::vtArray) qx::ResizeArray(v, 2);
        qx::StoreInteger(v, 7);
        qx::StoreString(v, "host");
    }
    qx::StoreInteger(call.Result, 1);
    qx::StoreString(call.Result, "r");
    qx::StoreBoolean(call.Result, true);
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool limited = [] {
        qx::ValueLimits().MaxStringLength = 4096;
        qx::ValueLimits().MaxArrayLength = 256;
        return true;
    }();
    (void)limited;
    const std::string text(reinterpret_cast<const char*>(data), size);
    int budget = kStatementBudget;
    qx::TQXScriptInterpreter interp;
    interp.OnUnitUsed = [](void*, qx::TQXScriptInterpreter& in, const std::string& unit) -> uint16_t {
        if (unit == "SYSTEM") {
            qx::RegisterBuiltins(in);
            qx::TRoutineList& list = in.ExternalRoutines();
            list.AddRoutine("6 HOSTFN A 14 B 8", HostRoutine);
            list.AddRoutine("0 HOSTPROC !A 6 !S 8 !ARR 16", HostRoutine);
            list.AddRoutine("8 HOSTFAIL", HostRoutine);
        }
        return unit == "DENIED" ? 42 : 0;
    };
    interp.OnStatement = [&budget](void*, qx::TQXScriptInterpreter&, int32_t) -> uint16_t {
        return --budget < 0 ? qx::seInterrupted : 0;
    };
    auto check = [&] {
        const uint16_t code = interp.LastError();
        const int32_t pos = interp.LastErrorPos();
        if (!(KnownCode(code) || code == 42)) __builtin_trap();
        if (code == 0 ? pos != -1 : (pos < -1 || pos > static_cast<int32_t>(size))) __builtin_trap();
    };
    interp.LoadScript(text);
    check();
    interp.RunMainBlock();
    check();
    const qx::TRoutineList& routines = interp.ScriptRoutines();
    for (int i = 0; i < routines.Count() && i < 4; ++i) {
        qx::TVariableManager args;
        interp.RunProcedure(routines.Routine(i).Name, args);
        check();
    }
    return 0;
}

#pragma once
// TQXScriptInterpreter executes one script: LoadScript reads its declarations
// up to the main block, then RunMainBlock runs the main block or RunProcedure
// runs one script routine by name. Errors are reported through LastError and
// LastErrorPos (a byte position in the text, -1 when there is none).
//
// The language walks the text: loops and calls go back to saved positions and
// untaken branches are skipped by scanning. This implementation keeps every
// observable effect of that walk (values, error codes and positions, hook
// calls) but scans each token once, translates each statement the first time
// it runs and reuses the translation, and finds names by hashing.
//
// One thread at a time: the hooks and external routine handlers run on the
// thread that called LoadScript/RunMainBlock/RunProcedure.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/ScriptErrors.h"
#include "script/ScriptValues.h"

namespace qx {

namespace detail {
class Engine;
}

class TQXScriptInterpreter {
public:
    // Returns an error code; 0 accepts the unit. Called with "SYSTEM" at every
    // LoadScript (its result then ignored) and with each name of the uses
    // clause. The place to register external routines.
    using UnitUsedHook = std::function<uint16_t(void* userData, TQXScriptInterpreter& interp, const std::string& unitName)>;
    // Returns an error code; a non-zero code stops the run with that code at
    // the given position. Called before each statement that starts with a
    // name, before an IF's condition and its ELSE branch, before each CASE
    // value and before each iteration of FOR, WHILE and REPEAT.
    using StatementHook = std::function<uint16_t(void* userData, TQXScriptInterpreter& interp, int32_t position)>;

    explicit TQXScriptInterpreter(void* userData = nullptr);
    ~TQXScriptInterpreter();
    TQXScriptInterpreter(const TQXScriptInterpreter&) = delete;
    TQXScriptInterpreter& operator=(const TQXScriptInterpreter&) = delete;

    // Resets the interpreter and reads the declarations of text (which ends at
    // its first NUL; the interpreter keeps its own copy). None resets only.
    // Ignored while a run of this interpreter is in progress.
    void LoadScript(const char* text);
    void LoadScript(const std::string& text) { LoadScript(text.c_str()); }
    // Runs the main block; does nothing when the script has none.
    void RunMainBlock();
    // Runs the script routine name with the prepared argument list (cells of
    // exactly the parameter types, in order; their entries are renamed to the
    // parameter names, RESULT and the routine's local variables are appended).
    // Returns the result cell, owned by args, or none for a procedure or on
    // failure. Does not clear LastError before it starts.
    TQXVariant* RunProcedure(const std::string& name, TVariableManager& args);

    uint16_t LastError() const;
    int32_t LastErrorPos() const;

    UnitUsedHook OnUnitUsed;
    StatementHook OnStatement;
    // A stop request the interpreter checks itself at every point where it
    // calls OnStatement (before calling it): while the flag is set, the run
    // stops there with code 65535. Equivalent to an OnStatement hook that
    // returns 65535 while the flag is set, without a call per statement.
    // None (the default) checks nothing. The flag must outlive the runs.
    void SetInterruptFlag(const std::atomic<bool>* flag);

    void* UserData() const { return userData_; }
    // Built-in routines and host routines; register with AddRoutine (the
    // names must be upper-case to be callable). Routines added while a run is
    // in progress become callable from the next run on.
    TRoutineList& ExternalRoutines();
    const TRoutineList& ScriptRoutines() const;
    // TRUE, FALSE and the script's global variables in declaration order.
    TVariableManager& GlobalVariables();
    // Upper-case unit names, SYSTEM first.
    const std::vector<std::string>& UsedUnits() const;
    // Position of the main block's BEGIN, -1 when there is none.
    int32_t MainBlockPosition() const;
    // Whether the upper-case name is a used unit, an external or script
    // routine, a global variable, a type name or a variable of locals.
    bool IsNameInUse(const std::string& upperName, const TVariableManager* locals = nullptr) const;

private:
    void* userData_;
    std::unique_ptr<detail::Engine> engine_;
};

// Adds the built-in routines (STRGET ... PI) to the external routines. Hosts
// call it from their unit hook for the unit SYSTEM.
void RegisterBuiltins(TQXScriptInterpreter& interp);

}  // namespace qx

#pragma once
// TThreadedScript runs one script at a time on a worker thread (TScriptThread)
// so that the user interface stays alive and the run can be stopped. Every
// host routine runs on the main thread: the worker hands each call over
// through a TScriptInvoker and waits until it has run. Outcome and thread end
// arrive as events on the main thread, in this order:
//     OnComplete or OnError(code); OnExitingThread; (IsScriptRunning() false);
//     OnThreadFinished.
// A stopped run reports OnError(65535). Each run has a new worker and a new
// interpreter; nothing survives from one run to the next.
//
// Host routines are registered as signature strings in ExternalProcs (one per
// routine, in the format of ScriptValues.h, with upper-case names) and reach
// OnExternalProc with their index in that list, so a host dispatches them
// through a table (TScriptHostFunctions does that).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "script/ScriptInterpreter.h"

namespace qx {

// The synchronous hand-over to the main thread that the runner needs from its
// host. The host implements it with its event loop (Qt: a blocking queued
// call); TScriptCallQueue serves programs without one.
class TScriptInvoker {
public:
    virtual ~TScriptInvoker() = default;
    // Called on the worker thread: runs call on the main thread and returns
    // when it has run. Calls arrive one at a time.
    virtual void InvokeOnMainThread(const std::function<void()>& call) = 0;
};

// An invoker whose main thread is the thread that created it and that serves
// the calls by calling ProcessPending or WaitAndProcess. A call made on the
// main thread itself runs at once.
class TScriptCallQueue : public TScriptInvoker {
public:
    TScriptCallQueue();
    void InvokeOnMainThread(const std::function<void()>& call) override;
    // Main thread: runs the waiting calls; returns how many ran.
    int ProcessPending();
    // Main thread: waits up to timeout for a call, then runs the waiting calls.
    int WaitAndProcess(std::chrono::milliseconds timeout);

private:
    struct Pending {
        const std::function<void()>* call;
        bool done = false;
    };
    std::thread::id mainThread_;
    std::mutex mutex_;
    std::condition_variable queued_, finished_;
    std::deque<Pending*> queue_;
};

class TThreadedScript;

// The worker of one run: owns the interpreter (created with the worker as its
// user data) and runs it on its own thread.
class TScriptThread {
public:
    TScriptThread(TThreadedScript& owner, TScriptInvoker& invoker, std::string procName,
                  std::vector<std::string> lines, std::vector<std::string> externalProcs);
    ~TScriptThread();

    // Set by the main thread to stop the run at its next statement; read by
    // the worker without a lock.
    std::atomic<bool> Terminated{false};
    TQXScriptInterpreter& Interpreter() { return interp_; }

private:
    friend class TThreadedScript;
    void Execute();
    uint16_t UnitUsed(const std::string& unit);
    uint16_t ExternalCall(TQXExternalCall& call);

    TThreadedScript* owner_;
    TScriptInvoker& invoker_;
    std::string procName_;
    std::vector<std::string> lines_;
    std::vector<std::string> externalProcs_;
    TQXScriptInterpreter interp_;
    std::thread thread_;
    // The component let this worker go while it ran (component destroyed):
    // the worker then frees itself and no longer touches the component.
    std::mutex endMutex_;
    bool done_ = false;
    bool orphaned_ = false;
};

class TThreadedScript {
public:
    using NotifyEvent = std::function<void(TThreadedScript& sender)>;
    using ErrorEvent = std::function<void(TThreadedScript& sender, int err)>;
    // A host routine call, on the main thread: procName is the upper-case
    // name, procIndex its line in ExternalProcs, params the arguments in
    // parameter order (var arguments are references: ResolveValue), res the
    // result cell of the declared type or none for a procedure.
    using ExternalProcEvent = std::function<void(TThreadedScript& sender, const std::string& procName, int procIndex,
                                                 TVariableManager& params, TQXVariant* res)>;

    // The invoker must outlive every run, also one let go by the destructor.
    explicit TThreadedScript(TScriptInvoker& invoker);
    // A running worker is asked to stop and let go; it ends on its own once
    // the invoker serves its last two hand-overs (which then do nothing).
    ~TThreadedScript();
    TThreadedScript(const TThreadedScript&) = delete;
    TThreadedScript& operator=(const TThreadedScript&) = delete;

    ExternalProcEvent OnExternalProc;
    std::vector<std::string> ExternalProcs;  // signature strings of the host routines
    std::vector<std::string> Lines;          // the script text, one line per entry
    NotifyEvent OnComplete;
    ErrorEvent OnError;
    NotifyEvent OnExitingThread;
    NotifyEvent OnThreadFinished;
    intptr_t Tag = 0;

    // Starts a run of the procedure (empty: the main block). Ignored while a
    // run is in progress. The worker copies Lines and ExternalProcs.
    void StartScript(const std::string& procName = std::string());
    // Stops the run at its next statement or loop iteration (code 65535); a
    // host routine not yet started then does not run.
    void StopScript();
    bool IsScriptRunning() const { return worker_ != nullptr; }
    // The stop flag: set by StopScript, cleared when a run starts and ends.
    // Long host routines (Sleep) poll it.
    bool IsStopRequested() const { return stop_; }
    int32_t ErrorPosition() const { return errorPosition_; }
    // The interpreter of the run, while OnComplete or OnError is raised
    // (for reading its globals); none at other times.
    TQXScriptInterpreter* RunInterpreter() const { return completing_; }

private:
    friend class TScriptThread;
    void Completion(int err, int32_t pos, TQXScriptInterpreter& interp);
    void ThreadEnded(TScriptThread* worker);
    void ReapFinished(bool wait);

    TScriptInvoker& invoker_;
    int32_t errorPosition_ = 0;
    std::atomic<bool> stop_{false};
    std::unique_ptr<TScriptThread> worker_;
    std::vector<std::unique_ptr<TScriptThread>> finished_;
    TQXScriptInterpreter* completing_ = nullptr;
};

// The script text the runner hands to LoadScript: every line followed by CR LF.
std::string JoinScriptLines(const std::vector<std::string>& lines);
// Splits a file's bytes into lines as a string list reads text: a line ends at
// CR LF, LF or CR; a last line without a break counts; the text ends at NUL.
std::vector<std::string> SplitScriptLines(const std::string& bytes);

// A host's table of host routines: each a signature string (mixed case, as
// the host function list shows it) and a function. ExternalProcs gets the
// upper-case signatures; Dispatch runs a call by its index.
struct TScriptHostCall {
    TThreadedScript& Runner;
    const std::string& Name;
    TVariableManager& Params;
    TQXVariant* Result;
    // Arguments by position (0-based), read with the value rules.
    std::string Text(int i) const { return ValueAsString(Params.Variable(i)); }
    int32_t Integer(int i) const { return ValueAsInteger(Params.Variable(i)); }
    bool Boolean(int i) const { return ValueAsBoolean(Params.Variable(i)); }
    TQXVariant* Var(int i) const { return ResolveValue(Params.Variable(i)); }
    void ReturnInteger(int32_t v) const { StoreInteger(Result, v); }
    void ReturnText(const std::string& v) const { StoreString(Result, v); }
    void ReturnBoolean(bool v) const { StoreBoolean(Result, v); }
};

class TScriptHostFunctions {
public:
    using Function = std::function<void(const TScriptHostCall& call)>;
    void Add(const std::string& signature, Function fn);
    // The signatures in registration order, as written.
    const std::vector<std::string>& Signatures() const { return signatures_; }
    // The same with upper-case names, for TThreadedScript::ExternalProcs.
    std::vector<std::string> UpperCaseSignatures() const;
    // Runs function index; out-of-range indexes do nothing.
    void Dispatch(TThreadedScript& runner, const std::string& name, int index, TVariableManager& params, TQXVariant* res) const;
    // Connects a runner: its ExternalProcs and OnExternalProc.
    void Attach(TThreadedScript& runner) const;

private:
    std::vector<std::string> signatures_;
    std::vector<Function> functions_;
};

}  // namespace qx

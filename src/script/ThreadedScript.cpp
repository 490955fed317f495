#include "script/ThreadedScript.h"

#include "script/ScriptLexer.h"

namespace qx {

// The call queue -------------------------------------------------------------------

TScriptCallQueue::TScriptCallQueue() : mainThread_(std::this_thread::get_id()) {}

void TScriptCallQueue::InvokeOnMainThread(const std::function<void()>& call) {
    if (std::this_thread::get_id() == mainThread_) {
        call();
        return;
    }
    Pending p{&call};
    std::unique_lock<std::mutex> lock(mutex_);
    queue_.push_back(&p);
    queued_.notify_all();
    finished_.wait(lock, [&] { return p.done; });
}

int TScriptCallQueue::ProcessPending() {
    int ran = 0;
    for (;;) {
        Pending* p;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.empty()) return ran;
            p = queue_.front();
            queue_.pop_front();
        }
        try {
            (*p->call)();
        } catch (...) {
            // A call's failure is the caller's business; the worker must go on.
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            p->done = true;
        }
        finished_.notify_all();
        ++ran;
    }
}

int TScriptCallQueue::WaitAndProcess(std::chrono::milliseconds timeout) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        queued_.wait_for(lock, timeout, [&] { return !queue_.empty(); });
    }
    return ProcessPending();
}

// Lines ---------------------------------------------------------------------------

std::string JoinScriptLines(const std::vector<std::string>& lines) {
    std::string text;
    size_t size = 0;
    for (const std::string& l : lines) size += l.size() + 2;
    text.reserve(size);
    for (const std::string& l : lines) {
        text += l;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> SplitScriptLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t end = bytes.find('\0');
    if (end == std::string::npos) end = bytes.size();
    size_t i = 0;
    while (i < end) {
        size_t start = i;
        while (i < end && bytes[i] != '\r' && bytes[i] != '\n') ++i;
        lines.emplace_back(bytes, start, i - start);
        if (i < end && bytes[i] == '\r') ++i;
        if (i < end && bytes[i] == '\n') ++i;
    }
    return lines;
}

// The worker -----------------------------------------------------------------------

TScriptThread::TScriptThread(TThreadedScript& owner, TScriptInvoker& invoker, std::string procName,
                             std::vector<std::string> lines, std::vector<std::string> externalProcs)
    : owner_(&owner),
      invoker_(invoker),
      procName_(std::move(procName)),
      lines_(std::move(lines)),
      externalProcs_(std::move(externalProcs)),
      interp_(this) {}

TScriptThread::~TScriptThread() = default;

void TScriptThread::Execute() {
    interp_.OnUnitUsed = [this](void*, TQXScriptInterpreter&, const std::string& unit) { return UnitUsed(unit); };
    // The interruption check: 65535 at the next statement once Terminated is set.
    interp_.SetInterruptFlag(&Terminated);
    if (!lines_.empty()) interp_.LoadScript(JoinScriptLines(lines_));
    if (procName_.empty()) {
        interp_.RunMainBlock();
    } else {
        TVariableManager args;
        interp_.RunProcedure(procName_, args);
    }
    // Whatever happened, the outcome goes to the main thread.
    const int err = interp_.LastError();
    const int32_t pos = interp_.LastErrorPos();
    invoker_.InvokeOnMainThread([&] {
        if (!orphaned_) owner_->Completion(err, pos, interp_);
    });
    invoker_.InvokeOnMainThread([&] {
        if (!orphaned_) owner_->ThreadEnded(this);
    });
    bool selfOwned;
    {
        std::lock_guard<std::mutex> lock(endMutex_);
        done_ = true;
        selfOwned = orphaned_;
    }
    if (selfOwned) {
        thread_.detach();
        delete this;
    }
}

uint16_t TScriptThread::UnitUsed(const std::string& unit) {
    // Every unit is accepted; SYSTEM brings the built-in and host routines.
    try {
        if (unit == "SYSTEM") {
            RegisterBuiltins(interp_);
            TRoutineList& list = interp_.ExternalRoutines();
            for (size_t i = 0; i < externalProcs_.size(); ++i)
                list.AddRoutine(externalProcs_[i], [this](TQXExternalCall& call) { return ExternalCall(call); },
                                static_cast<intptr_t>(i));
        }
    } catch (...) {
    }
    return 0;
}

uint16_t TScriptThread::ExternalCall(TQXExternalCall& call) {
    invoker_.InvokeOnMainThread([&] {
        if (orphaned_ || Terminated.load()) return;  // a stop request: the routine does not run
        TThreadedScript& owner = *owner_;
        if (!owner.OnExternalProc) return;
        try {
            owner.OnExternalProc(owner, call.Name, static_cast<int>(call.Tag), call.Args, call.Result);
        } catch (...) {
        }
    });
    return 0;  // a host routine never stops the script through its result
}

// The component ----------------------------------------------------------------------

TThreadedScript::TThreadedScript(TScriptInvoker& invoker) : invoker_(invoker) {}

TThreadedScript::~TThreadedScript() {
    if (worker_) {
        TScriptThread* w = worker_.release();
        w->Terminated = true;
        std::unique_lock<std::mutex> lock(w->endMutex_);
        if (w->done_) {
            lock.unlock();
            w->thread_.join();
            delete w;
        } else {
            // It may be waiting for this (main) thread; it frees itself.
            w->orphaned_ = true;
        }
    }
    ReapFinished(true);
}

void TThreadedScript::ReapFinished(bool wait) {
    for (auto it = finished_.begin(); it != finished_.end();) {
        bool done;
        {
            std::lock_guard<std::mutex> lock((*it)->endMutex_);
            done = (*it)->done_;
        }
        if (done || wait) {
            if ((*it)->thread_.joinable()) (*it)->thread_.join();
            it = finished_.erase(it);
        } else {
            ++it;
        }
    }
}

void TThreadedScript::StartScript(const std::string& procName) {
    if (worker_) return;
    ReapFinished(false);
    stop_ = false;
    worker_ = std::make_unique<TScriptThread>(*this, invoker_, procName, Lines, ExternalProcs);
    TScriptThread* w = worker_.get();
    w->thread_ = std::thread([w] { w->Execute(); });
}

void TThreadedScript::StopScript() {
    stop_ = true;
    if (worker_) worker_->Terminated = true;
}

void TThreadedScript::Completion(int err, int32_t pos, TQXScriptInterpreter& interp) {
    completing_ = &interp;
    struct Clear {
        TQXScriptInterpreter*& p;
        ~Clear() { p = nullptr; }
    } clear{completing_};
    if (err != 0) {
        if (OnError) {
            errorPosition_ = pos;
            OnError(*this, err);
        }
    } else if (OnComplete) {
        OnComplete(*this);
    }
}

void TThreadedScript::ThreadEnded(TScriptThread* worker) {
    stop_ = false;
    if (!worker_ || worker_.get() != worker) return;
    if (OnExitingThread) OnExitingThread(*this);
    worker_->Terminated = true;
    finished_.push_back(std::move(worker_));
    if (OnThreadFinished) OnThreadFinished(*this);
}

// Host function tables ----------------------------------------------------------------

void TScriptHostFunctions::Add(const std::string& signature, Function fn) {
    signatures_.push_back(signature);
    functions_.push_back(std::move(fn));
}

std::vector<std::string> TScriptHostFunctions::UpperCaseSignatures() const {
    std::vector<std::string> out;
    out.reserve(signatures_.size());
    for (const std::string& s : signatures_) out.push_back(UpperCase(s));
    return out;
}

void TScriptHostFunctions::Dispatch(TThreadedScript& runner, const std::string& name, int index, TVariableManager& params,
                                    TQXVariant* res) const {
    if (index < 0 || static_cast<size_t>(index) >= functions_.size()) return;
    functions_[static_cast<size_t>(index)](TScriptHostCall{runner, name, params, res});
}

void TScriptHostFunctions::Attach(TThreadedScript& runner) const {
    runner.ExternalProcs = UpperCaseSignatures();
    runner.OnExternalProc = [this](TThreadedScript& sender, const std::string& name, int index, TVariableManager& params,
                                   TQXVariant* res) { Dispatch(sender, name, index, params, res); };
}

}  // namespace qx

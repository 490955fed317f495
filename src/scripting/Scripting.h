#pragma once
// TScriptObject: the host's one script object. It owns the threaded runner,
// registers the host functions scripts may call (HostFunctions.h), runs them
// on the GUI thread when a script calls them, and starts runs with the
// progress window (TExecutingScriptForm).
//
// Everything here runs on the GUI thread except the worker of a run, which
// reaches the GUI thread only through the runner's blocking hand-over.
#include "script/ThreadedScript.h"
#include "scripting/ExecutingScript.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

class TScriptObject : public QObject {
    Q_OBJECT
public:
    // Builds the host function table and connects the runner's events.
    TScriptObject();
    // A run still in progress is asked to stop and let go (see TThreadedScript).
    ~TScriptObject() override;

    // Runs the whole script (empty procName) or one parameterless procedure of
    // it and returns when the run has ended and the progress window has
    // closed. Does nothing while a run is in progress or while scripting is
    // off (ScriptingMode 0); a file that cannot be read is a kernel warning.
    void ExecuteScript(const QString& fileName, const QString& procName);
    // Whether ExecuteScript would start a run now: scripting is on and no run
    // is in progress.
    bool CanStartRun() const;
    bool IsScriptRunning() const;
    // From the start of ExecuteScript until it returns: the run and the
    // progress window's last turns after it.
    bool IsBusy() const { return executing_ || IsScriptRunning(); }
    // Asks a running script to stop at its next statement (logged).
    void StopScript();

    // Replaces list's content with the host function list (mixed case, in
    // registration order).
    void GetScriptTokens(QStringList& list) const;
    const QStringList& HostFunctionList() const { return hostFunctionList_; }

    // The file of the current (or last) run, as GetCurrentScript returns it.
    QString CurrentScript() const { return currentScript_; }
    // Where the last run that failed stopped (a position in the script text).
    int32_t LastErrorPosition() const { return lastErrorPosition_; }

    qx::TThreadedScript& Runner() { return *runner_; }
    // The progress window, created on first use; null before.
    TExecutingScriptForm* ExecutingForm() const { return form_; }

    // "[NAME].Proc..": the script's file name without folder and extension in
    // upper case, then the procedure name (empty for a whole run).
    static QString ScriptDisplayName(const QString& fileName, const QString& procName);

    // The runner's host routine handler: runs host function `index` of the
    // list. An exception from a host function is logged and swallowed; the
    // function's result then stays zeroed.
    void DispatchHostFunction(qx::TThreadedScript& sender, const std::string& procName, int index,
        qx::TVariableManager& params, qx::TQXVariant* res);

private:
    void runComplete();
    void runError(int err);
    void exitingThread();
    void threadFinished();
    TExecutingScriptForm& form();

    std::unique_ptr<qx::TThreadedScript> runner_;
    qx::TScriptHostFunctions functions_;
    QStringList hostFunctionList_;
    QString currentScript_;
    int32_t lastErrorPosition_ = 0;
    QPointer<TExecutingScriptForm> form_;
    // From the start of ExecuteScript until its window has closed: a run
    // requested in between (a deferred start firing in the window's last
    // loop turn) is ignored like one requested during the run.
    bool executing_ = false;
};

// The process's script object, created on the first call (GUI thread, with
// the application object); null once the application object is being
// destroyed.
TScriptObject* ScriptObject();
// The host function list, for the export QXGetValidScriptTokens.
QStringList ScriptTokens();

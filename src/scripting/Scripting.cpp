#include "scripting/Scripting.h"

#include "kernel/Kernel.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "script/ScriptErrors.h"
#include "scripting/ExecutingScript.h"
#include "scripting/HostFunctions.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QThread>

#include <atomic>

namespace {

const char* const kModule = "Server\\Scripting";

void log(const std::string& text)
{
    LogEvent(std::string(kModule) + ": " + text);
}

// Set when the application object goes: from then on hand-overs return at
// once without running, so a worker still running can end on its own.
std::atomic<bool> applicationGone {false};

// The runner's hand-over to the GUI thread: a blocking queued call. While
// the worker waits, the GUI thread runs the call from whichever event loop
// it is in, modal dialogs included. A call made on the GUI thread runs at
// once. If the receiver goes away before the call ran (the program ends),
// Qt releases the waiting worker without running it.
class TQtScriptInvoker : public QObject, public qx::TScriptInvoker {
public:
    void InvokeOnMainThread(const std::function<void()>& call) override
    {
        if (QThread::currentThread() == thread()) {
            runGuarded(call);
            return;
        }
        if (applicationGone.load())
            return;
        QMetaObject::invokeMethod(this, [&call] { runGuarded(call); }, Qt::BlockingQueuedConnection);
    }

private:
    // Nothing may unwind into Qt's event loop.
    static void runGuarded(const std::function<void()>& call)
    {
        try {
            call();
        } catch (const std::exception& e) {
            ReportKernelWarning(kModule, std::nullopt, std::string("Script hand-over failed: ") + e.what());
        } catch (...) {
            ReportKernelWarning(kModule, std::nullopt, "Script hand-over failed.");
        }
    }
};

// The invoker outlives every worker: a worker let go at the end of the
// program may still call it, so it is never destroyed.
TQtScriptInvoker& invoker()
{
    static TQtScriptInvoker* instance = [] {
        auto* created = new TQtScriptInvoker;
        if (QCoreApplication* app = QCoreApplication::instance())
            created->moveToThread(app->thread());
        return created;
    }();
    return *instance;
}

TScriptObject* theScriptObject = nullptr;

void destroyScriptObject()
{
    applicationGone = true;
    delete theScriptObject;
    theScriptObject = nullptr;
}

} // namespace

TScriptObject* ScriptObject()
{
    static bool created = false;
    if (!created && QCoreApplication::instance()) {
        created = true;
        try {
            theScriptObject = new TScriptObject;
        } catch (const std::exception& e) {
            ReportKernelWarning(kModule, std::nullopt, std::string("Unable to create the script object: ") + e.what());
            return nullptr;
        }
        // Freed when the application object goes, while widgets may still be
        // destroyed.
        qAddPostRoutine(destroyScriptObject);
    }
    return theScriptObject;
}

QStringList ScriptTokens()
{
    QStringList tokens;
    if (TScriptObject* script = ScriptObject())
        script->GetScriptTokens(tokens);
    return tokens;
}

TScriptObject::TScriptObject()
    : runner_(std::make_unique<qx::TThreadedScript>(invoker()))
    , functions_(qx::host::BuildHostFunctions())
{
    for (const std::string& signature : functions_.Signatures())
        hostFunctionList_.append(QString::fromStdString(signature));
    runner_->ExternalProcs = functions_.UpperCaseSignatures();
    runner_->OnExternalProc = [this](qx::TThreadedScript& sender, const std::string& name, int index,
                                  qx::TVariableManager& params, qx::TQXVariant* res) {
        DispatchHostFunction(sender, name, index, params, res);
    };
    runner_->OnComplete = [this](qx::TThreadedScript&) { runComplete(); };
    runner_->OnError = [this](qx::TThreadedScript&, int err) { runError(err); };
    runner_->OnExitingThread = [this](qx::TThreadedScript&) { exitingThread(); };
    runner_->OnThreadFinished = [this](qx::TThreadedScript&) { threadFinished(); };
}

TScriptObject::~TScriptObject()
{
    runner_.reset();
    delete form_.data();
}

bool TScriptObject::IsScriptRunning() const
{
    return runner_->IsScriptRunning();
}

void TScriptObject::StopScript()
{
    if (!IsScriptRunning())
        return;
    runner_->StopScript();
    log("Terminating script...");
}

void TScriptObject::GetScriptTokens(QStringList& list) const
{
    list = hostFunctionList_;
}

QString TScriptObject::ScriptDisplayName(const QString& fileName, const QString& procName)
{
    return QLatin1Char('[') + QFileInfo(fileName).completeBaseName().toUpper() + QStringLiteral("].") + procName
        + QStringLiteral("..");
}

TExecutingScriptForm& TScriptObject::form()
{
    if (!form_)
        form_ = new TExecutingScriptForm;
    return *form_;
}

bool TScriptObject::CanStartRun() const
{
    return !executing_ && !IsScriptRunning() && ScriptingMode() != 0;
}

void TScriptObject::ExecuteScript(const QString& fileName, const QString& procName)
{
    if (!CanStartRun())
        return;
    currentScript_ = fileName;
    const QString display = ScriptDisplayName(fileName, procName);
    log("Loading and executing script " + display.toStdString());

    QFile file(fileName);
    if (fileName.isEmpty() || QFileInfo(fileName).isDir() || !file.open(QIODevice::ReadOnly)) {
        ReportKernelWarning(kModule, KernelObjectOf(this), "Unable to load script file.");
        return;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        ReportKernelWarning(kModule, KernelObjectOf(this), "Unable to load script file.");
        return;
    }
    file.close();

    TExecutingScriptForm& window = form();
    executing_ = true;
    try {
        runner_->Lines = qx::SplitScriptLines(std::string(bytes.constData(), size_t(bytes.size())));
        runner_->StartScript(procName.toStdString());
    } catch (const std::exception&) {
        executing_ = false;
        ReportKernelWarning(kModule, KernelObjectOf(this), "Unable to load script file.");
        return;
    }
    window.ScriptID->setText(display);
    window.exec();
    executing_ = false;
}

void TScriptObject::DispatchHostFunction(qx::TThreadedScript& sender, const std::string& procName, int index,
    qx::TVariableManager& params, qx::TQXVariant* res)
{
    try {
        functions_.Dispatch(sender, procName, index, params, res);
    } catch (const std::exception& e) {
        ReportKernelWarning(kModule, KernelObjectOf(this), "Host function " + procName + " failed: " + e.what());
    }
}

void TScriptObject::runComplete()
{
    log("Script terminated, no errors.");
}

void TScriptObject::runError(int err)
{
    log("Script terminated, error " + std::to_string(err));
    lastErrorPosition_ = runner_->ErrorPosition();
    form().ShowScriptError(err,
        QString::fromStdString(qx::ScriptErrorReport(
            currentScript_.toStdString(), runner_->Lines, uint16_t(err), lastErrorPosition_)));
}

void TScriptObject::exitingThread()
{
    log("Terminating thread...");
}

void TScriptObject::threadFinished()
{
    log("Script execution thread terminated.");
    if (form_)
        form_->CloseWindow();
}

#include "HostScriptFixture.h"

#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "plugins/ExportsDef.h"
#include "script/ScriptConsole.h"
#include "scripting/Scripting.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include "files/ExtOpenDialog.h"
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

void HostScriptFixture::SetUp()
{
    FrameFixture::SetUp();
    SetScriptingMode(2);
    // As the program's start-up installs them.
    THostApiProviders providers;
    providers.ScriptTokens = [] { return ScriptTokens(); };
    providers.SetProgress = [](int position, int total) {
        if (TFrameWindowForm* f = FrameWindow())
            f->SetProgressBarStatus(position, total);
    };
    SetHostApiProviders(providers);
    ASSERT_NE(ScriptObject(), nullptr);

    testScope_ = new QObject;
    dialogTimer_ = new QTimer(testScope_);
    dialogTimer_->setInterval(10);
    QObject::connect(dialogTimer_, &QTimer::timeout, [this] { checkForDialog(); });
    dialogTimer_->start();
}

void HostScriptFixture::TearDown()
{
    // A run a failed test left behind ends before the frame goes.
    if (ScriptObject()->IsScriptRunning()) {
        ScriptObject()->StopScript();
        WaitFor([] { return !ScriptObject()->IsScriptRunning(); }, 10000);
    }
    delete testScope_;
    testScope_ = nullptr;
    dialogTimer_ = nullptr;
    SetHostApiProviders({});
    FrameFixture::TearDown();
}

void HostScriptFixture::checkForDialog()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == lastDialog_ || modal == ScriptObject()->ExecutingForm() || !modal->isVisible())
        return;
    // The plug-in loading dialog of the frame's start closes by itself.
    if (modal->inherits("TLoadPluginListForm"))
        return;
    lastDialog_ = modal;
    QString text = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        text += QLatin1Char('|') + box->text();
        if (!box->informativeText().isEmpty())
            text += QLatin1Char('|') + box->informativeText();
    }
    dialogTexts.append(text);
    // From an event of its own: a dialog the handler causes (a nested box)
    // is seen by the next check, which cannot run while this one does.
    QPointer<QWidget> target = modal;
    QTimer::singleShot(0, testScope_, [this, target] {
        if (!target)
            return;
        if (onDialog && !givenUp_)
            onDialog(target);
        else if (auto* dialog = qobject_cast<QDialog*>(target.data()))
            dialog->reject();
    });
}

QString HostScriptFixture::WriteScript(const std::string& name, const std::string& text)
{
    const std::string path = GetScriptsDir() + name;
    qxtest::WriteFile(path, text);
    return QString::fromStdString(path);
}

void HostScriptFixture::Run(const std::string& text, const std::string& proc)
{
    RunFile(WriteScript("run.qx", text), proc);
}

void HostScriptFixture::RunFile(const QString& path, const std::string& proc)
{
    globals.clear();
    runError = 0;
    qx::TThreadedScript& runner = ScriptObject()->Runner();
    auto capture = [this](qx::TThreadedScript& sender) {
        if (qx::TQXScriptInterpreter* interp = sender.RunInterpreter()) {
            qx::TVariableManager& vars = interp->GlobalVariables();
            for (int i = 0; i < vars.Count(); ++i)
                globals[vars.Name(i)] = qx::FormatScriptValue(vars.Variable(i));
        }
    };
    const auto complete = runner.OnComplete;
    const auto error = runner.OnError;
    runner.OnComplete = [&](qx::TThreadedScript& sender) {
        capture(sender);
        complete(sender);
    };
    runner.OnError = [&](qx::TThreadedScript& sender, int err) {
        capture(sender);
        runError = err;
        error(sender, err);
    };
    // A script that never ends fails the test instead of hanging it.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [this] {
        ADD_FAILURE() << "the script did not end in time; dialogs seen: " << dialogTexts.join(" / ").toStdString();
        ScriptObject()->StopScript();
        givenUp_ = true;
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    guard.start(30000);
    ScriptObject()->ExecuteScript(path, QString::fromStdString(proc));
    runner.OnComplete = complete;
    runner.OnError = error;
}

void HostScriptFixture::ChooseInFileDialog(QFileDialog* dialog, const QString& folder, const QString& typed)
{
    dialog->setDirectory(folder);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(typed);
    QMetaObject::invokeMethod(dialog, "accept");
}

void HostScriptFixture::ChooseInOpenDialog(TExtOpenDialogForm* dialog, const QString& folder, const QString& typed)
{
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->GoToFolder(folder));
    dialog->Edit1->setText(typed);
    dialog->ButtonOkClick();
}

void HostScriptFixture::After(int ms, std::function<void()> fn)
{
    QTimer::singleShot(ms, testScope_, std::move(fn));
}

std::vector<std::string> HostScriptFixture::LogLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (const std::string& line : GetEventLogLines())
        if (line.find(text) != std::string::npos)
            lines.push_back(line);
    return lines;
}

std::string HostScriptFixture::InstallEditorProbe()
{
    return InstallProbe("probe.so",
        "entry=1,Probe text,0,1,2:.txt,,Texty|*.txt\n"
        "entry=1,Probe script,1,1,2:.qx,,Skripty|*.qx\n");
}

#include "scripting/ExecutingScript.h"

#include "QX_Types.h"
#include "frame/FrameWindow.h"
#include "kernel/AppInfo.h"
#include "kernel/Kernel.h"
#include "kernel/Logging.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/PluginManagement.h"
#include "scripting/HostFunctions.h"
#include "ui/DialogSupport.h"
#include "script/ScriptErrors.h"
#include "scripting/Scripting.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {

const char* const kUnsafeOperation =
    "Skript se pokusil provést nepovolenou operaci %1, která je považována za nebezpečnou. Program je nyní "
    "nastaven na zabezpečené skriptování a operace %1 proto nebude provedena. Tato nastavení můžete změnit v "
    "dialogu 'Nastavení skriptování'. Další varování se pro tento skript nebudou zobrazovat.";
const char* const kErrorReport = "Ve skriptu došlo k této chybě: %1.";

bool scriptRunning()
{
    TScriptObject* script = ScriptObject();
    return script && script->IsScriptRunning();
}

} // namespace

TExecutingScriptForm::TExecutingScriptForm(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    PrepareDialog(this, "ExecutingScriptForm", QStringLiteral("Skript"));

    Label1 = new QLabel(QStringLiteral("Probíhá zpracování skriptu..."), this);
    ScriptID = new QLabel(QStringLiteral("[SCRIPT].Proc.."), this);
    ScriptID->setObjectName(QStringLiteral("ScriptID"));
    QFont bold = ScriptID->font();
    bold.setBold(true);
    ScriptID->setFont(bold);
    ScriptID->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setToolTip(QStringLiteral("Přerušit"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setIcon(QIcon(QStringLiteral(":/scripting/stop.svg")));
    SpeedButton1->setIconSize(QSize(24, 24));
    SpeedButton1->setFocusPolicy(Qt::NoFocus);

    auto* texts = new QVBoxLayout;
    texts->addWidget(Label1);
    texts->addWidget(ScriptID);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(texts, 1);
    layout->addWidget(SpeedButton1, 0, Qt::AlignVCenter);
    setMinimumWidth(300);

    CheckExecutionTimer = new QTimer(this);
    CheckExecutionTimer->setObjectName(QStringLiteral("CheckExecutionTimer"));
    CheckExecutionTimer->setInterval(75);

    for (uint16_t code = 0; code <= qx::seRBracketExpected; ++code)
        Strings.append(QString::fromStdString(qx::ScriptErrorText(code)));
    Strings.append(QString::fromUtf8(kUnsafeOperation));
    Strings.append(QString::fromUtf8(kErrorReport));

    connect(CheckExecutionTimer, &QTimer::timeout, this, &TExecutingScriptForm::checkExecutionTimerTimer);
    connect(SpeedButton1, &QToolButton::clicked, this, &TExecutingScriptForm::speedButton1Click);
}

QString TExecutingScriptForm::ErrorText(int code) const
{
    if (code >= 0 && code <= qx::seRBracketExpected)
        return Strings[code];
    const std::string text = code >= 0 && code <= 0xFFFF ? qx::ScriptErrorText(uint16_t(code)) : std::string();
    return text.empty() ? QString::number(code) : QString::fromStdString(text);
}

void TExecutingScriptForm::ShowScriptError(int code, const QString& place)
{
    // An interrupted run (65535, -1 as a signed 16-bit number) needs no report.
    if (int16_t(uint16_t(code)) == -1)
        return;
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle),
        Strings[kErrorReportText].arg(ErrorText(code)), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("ScriptErrorBox"));
    // The place in the form compilers use, to be copied into an editor or a
    // terminal.
    box.setInformativeText(place);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();

    // Show the place of the error in the script editor, when there is one.
    TScriptObject* script = ScriptObject();
    TFrameWindowForm* frame = FrameWindow();
    TQX_PluginEntry* editor = FindPluginEntryByFlags(QX_FLAG_SCRIPT_EDITOR);
    if (!script || !frame || !editor)
        return;
    try {
        if (TQX_PluginWindow* window = frame->OpenFile(script->CurrentScript(), editor->ID))
            window->Command(QXC_SHOWERROR, reinterpret_cast<void*>(intptr_t(script->LastErrorPosition())));
    } catch (const std::exception& e) {
        ReportKernelWarning("Server\\ExecutingScript", KernelObjectOf(this),
            std::string("Unable to show the error in the script editor: ") + e.what());
    }
}

void TExecutingScriptForm::WarnUnsafeOperation(const QString& name)
{
    if (warned_)
        return;
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kApplicationTitle),
        Strings[kUnsafeOperationText].arg(name), QMessageBox::Ok, qx::host::DialogOwner());
    box.setObjectName(QStringLiteral("UnsafeOperationBox"));
    qx::host::ExecHostDialog(box);
    warned_ = true;
}

void TExecutingScriptForm::CloseWindow()
{
    done(QDialog::Accepted);
}

void TExecutingScriptForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // No transient parent: the dialogs host functions open are modal to the
    // frame, and they must not block this window's abort button.
    if (QWindow* handle = windowHandle())
        handle->setTransientParent(nullptr);
    if (TFrameWindowForm* frame = FrameWindow(); frame && frame->isVisible()) {
        const QRect f = frame->frameGeometry();
        move(f.left() + f.width() / 2 - width() / 2, f.top() + f.height() / 2 - height() / 2);
    }
    CheckExecutionTimer->start();
    warned_ = false;
}

void TExecutingScriptForm::done(int result)
{
    CheckExecutionTimer->stop();
    QDialog::done(result);
}

void TExecutingScriptForm::closeEvent(QCloseEvent* event)
{
    // The window goes when the run has ended, never before.
    if (scriptRunning()) {
        event->ignore();
        return;
    }
    CheckExecutionTimer->stop();
    QDialog::closeEvent(event);
}

void TExecutingScriptForm::reject()
{
    // Esc does not abandon a running script: the run would go on unseen.
    if (!scriptRunning())
        CloseWindow();
}

void TExecutingScriptForm::checkExecutionTimerTimer()
{
    if (scriptRunning())
        return;
    LogEvent("Server\\ExecutingScript: CheckExecutionTimer: Script is not running, closing dialog.");
    CloseWindow();
}

void TExecutingScriptForm::speedButton1Click()
{
    TScriptObject* script = ScriptObject();
    if (script && script->IsScriptRunning())
        script->StopScript();
    else
        CloseWindow();
}

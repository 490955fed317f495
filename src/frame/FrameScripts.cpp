// The frame's script commands: running a script or one of its procedures,
// chosen from the scripts list, from a file or from the script drop-down
// menu; new and open in the script editor; the scripting options. A run
// starts on the next turn of the message loop (ExecScriptAsync), after the
// user had the chance to save the script if it is open with unsaved changes.
#include "frame/FrameWindow.h"

#include "QX_Types.h"
#include "files/ExtOpenDialog.h"
#include "frame/FrameImages.h"
#include "frame/FrameStrings.h"
#include "kernel/AppInfo.h"
#include "kernel/Settings.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"
#include "scripting/Scripting.h"
#include "scripting/ScriptingSetup.h"
#include "scripting/SelectScript.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QToolButton>

#include <filesystem>
#include <vector>

namespace {

// The image of scripts in the toolbar image list.
const int kScriptImage = 63;

QString scriptsDir()
{
    return QString::fromStdString(GetScriptsDir());
}

// Whether a document's file is the script file: the same path, or another
// path of the same file (a link, "..", a differently written folder).
bool isScriptFile(const QString& documentFile, const QString& scriptFile)
{
    if (documentFile.isEmpty())
        return false;
    if (QFileInfo(documentFile).absoluteFilePath() == QFileInfo(scriptFile).absoluteFilePath())
        return true;
    std::error_code ec;
    return std::filesystem::equivalent(QFile::encodeName(documentFile).toStdString(),
               QFile::encodeName(scriptFile).toStdString(), ec)
        && !ec;
}

// Notes which of the script toolbar buttons is about to open the shared
// drop-down menu (its arrow reacts to the press).
class ScriptButtonWatcher : public QObject {
public:
    ScriptButtonWatcher(QObject* parent, QToolButton*& target)
        : QObject(parent)
        , target_(target)
    {
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)
            target_ = static_cast<QToolButton*>(watched);
        return false;
    }

private:
    QToolButton*& target_;
};

} // namespace

void TFrameWindowForm::createScriptCommands()
{
    connect(scriptSubmenu_, &QMenu::aboutToShow, this, &TFrameWindowForm::scriptSubmenuPopup);
    auto* watcher = new ScriptButtonWatcher(this, scriptDropdownButton_);
    watcher->setObjectName(QStringLiteral("ScriptButtonWatcher"));
    for (const char* name : {"ToolbarButtonScriptExecute", "ToolbarButtonScriptExecuteProc", "ToolbarButtonScriptOpen"})
        if (auto* button = findChild<QToolButton*>(QLatin1String(name)))
            button->installEventFilter(watcher);
}

void TFrameWindowForm::executeScript(const QString& path, const QString& procedure)
{
    if (TScriptObject* script = ScriptObject())
        script->ExecuteScript(path, procedure);
}

bool TFrameWindowForm::askProcedureName(QString& name)
{
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("ProcedureNameQuery"));
    dialog.setWindowTitle(FrameText(FrameString::ProcedureCaption));
    dialog.setLabelText(FrameText(FrameString::ProcedurePrompt));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    name = dialog.textValue();
    return true;
}

bool TFrameWindowForm::chooseScriptFile(QString& fileName)
{
    TExtOpenChoice choice;
    if (!ShowExtOpenDialog(this, {FrameText(FrameString::ScriptFilter), false, scriptsDir()}, choice)
        || choice.Files.isEmpty())
        return false;
    fileName = choice.Files.first();
    return true;
}

void TFrameWindowForm::openScriptForEditing(const QString& fileName)
{
    if (TQX_PluginEntry* editor = FindPluginEntryByFlags(QX_FLAG_SCRIPT_EDITOR))
        OpenFile(fileName, editor->ID);
}

void TFrameWindowForm::runScriptFile(const QString& fileName, const QString& procedure)
{
    if (saveOpenScript(fileName))
        ExecScriptAsync(fileName, procedure);
}

// A run reads the script from its file. When the script is open in a document
// window with unsaved changes, the user chooses: save them and run the saved
// text (Ano), run the file as it is on disk (Ne), or run nothing (Storno).
// Returns whether to run. Nothing is asked when no run would start anyway.
bool TFrameWindowForm::saveOpenScript(const QString& fileName)
{
    TScriptObject* script = ScriptObject();
    if (!script || !script->CanStartRun())
        return true;
    std::vector<QPointer<TQX_PluginWindow>> modified;
    for (int i = 0; i < GetDocumentWindowCount(); ++i) {
        TQX_PluginWindow* window = GetDocumentWindow(i);
        if (window && window->Modified && isScriptFile(window->FileName, fileName))
            modified.emplace_back(window);
    }
    if (modified.empty())
        return true;

    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kApplicationTitle),
        FrameText(FrameString::SaveScriptBeforeRun).arg(QFileInfo(fileName).fileName()),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box.setObjectName(QStringLiteral("SaveScriptBeforeRunQuestion"));
    box.setDefaultButton(QMessageBox::Yes);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ano"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&Ne"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("&Storno"));
    const int answer = box.exec();
    if (answer == QMessageBox::No)
        return true;
    if (answer != QMessageBox::Yes)
        return false;
    for (const QPointer<TQX_PluginWindow>& window : modified) {
        if (!window)
            continue;
        saveDocument(window, QXC_SAVE);
        // Still unsaved (the save failed or the user cancelled it; the editor
        // has said why): running the old file is not what was asked for.
        if (window && window->Modified)
            return false;
    }
    return true;
}

void TFrameWindowForm::Action_ScriptExecuteExecute()
{
    TSelectScriptForm form(this);
    if (form.exec() == QDialog::Accepted)
        runScriptFile(form.Edit1->text(), QString());
}

void TFrameWindowForm::Action_ScriptExecuteProcExecute()
{
    TSelectScriptForm form(this);
    QString procedure;
    if (form.exec() == QDialog::Accepted && askProcedureName(procedure))
        runScriptFile(form.Edit1->text(), procedure);
}

void TFrameWindowForm::Action_ScriptOpenExecuteExecute()
{
    QString file;
    if (chooseScriptFile(file))
        runScriptFile(file, QString());
}

void TFrameWindowForm::Action_ScriptOpenExecuteProcExecute()
{
    QString file, procedure;
    if (chooseScriptFile(file) && askProcedureName(procedure))
        runScriptFile(file, procedure);
}

void TFrameWindowForm::Action_ScriptNewExecute()
{
    if (TQX_PluginEntry* editor = FindPluginEntryByFlags(QX_FLAG_SCRIPT_EDITOR))
        editor->Launch(QString());
}

void TFrameWindowForm::Action_ScriptOpenExecute()
{
    QString file;
    if (chooseScriptFile(file))
        openScriptForEditing(file);
}

void TFrameWindowForm::Action_FileSettingsScriptingExecute()
{
    TSetupScriptingForm form(this);
    form.exec();
}

void TFrameWindowForm::scriptSubmenuPopup()
{
    scriptSubmenu_->clear();
    const QIcon icon = ToolbarImage(kScriptImage);
    for (const QString& name : ScriptFileNames()) {
        // "&" in a file name is shown as itself, not as an accelerator mark;
        // the item keeps the real name for its click.
        QString caption = name;
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* item = scriptSubmenu_->addAction(icon, caption);
        item->setObjectName(QStringLiteral("ScriptMenuItem"));
        connect(item, &QAction::triggered, this, [this, name] { scriptMenuItemClick(name); });
    }
}

void TFrameWindowForm::scriptMenuItemClick(const QString& fileName)
{
    const QString file = scriptsDir() + fileName;
    if (!QFileInfo(file).isFile())
        return;
    const QString button = scriptDropdownButton_ ? scriptDropdownButton_->objectName() : QString();
    if (button == QLatin1String("ToolbarButtonScriptOpen")) {
        openScriptForEditing(file);
    } else if (button == QLatin1String("ToolbarButtonScriptExecuteProc")) {
        QString procedure;
        if (askProcedureName(procedure))
            runScriptFile(file, procedure);
    } else {
        runScriptFile(file, QString());
    }
}

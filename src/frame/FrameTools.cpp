// The frame's external tools and auto-backup: the tools menu and its
// registry list, running a tool in the output panel, opening the places its
// output names, and the backup made before a save with its settings.
#include "frame/FrameWindow.h"

#include "QX_Types.h"
#include "backup/AutoBackupSetup.h"
#include "frame/FrameImages.h"
#include "frame/FrameStrings.h"
#include "frame/SaveActionShortcuts.h"
#include "kernel/Kernel.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/ShortcutCode.h"
#include "plugins/PluginWindowList.h"
#include "tools/ExternalToolSetup.h"
#include "tools/ExternalTools.h"
#include "tools/ToolOutputPanel.h"

#include <QMenu>
#include <QPointer>
#include <QMessageBox>

namespace {

const char* const kModule = "Server\\FrameWindow";
// The fixed entries before the tools: setup, separator, placeholder.
const int kFirstToolEntry = 3;

// Whether an action's stored shortcut is code.
bool storedActionShortcut(uint16_t code)
{
    qx::Registry reg;
    if (!reg.KeyExists(kShortcutsKey) || !reg.OpenKey(kShortcutsKey, false))
        return false;
    for (const std::string& name : reg.GetValueNames())
        if (reg.GetDataType(name) == qx::RegDataType::Integer && uint16_t(reg.ReadInteger(name) & 0xFFFF) == code)
            return true;
    return false;
}

} // namespace

void TFrameWindowForm::createToolOutputPanel()
{
    toolOutput_ = new TToolOutputPanel(this);
    addDockWidget(Qt::BottomDockWidgetArea, toolOutput_);
    toolOutput_->hide();
    toolOutput_->OnOpenLocation = [this](const TToolOutputLocation& place) {
        OpenFileAtLine(place.File, place.Line, place.Column);
    };
    // Frame keys, so they work wherever the focus is.
    nextError_ = new QAction(QStringLiteral("Další chyba"), this);
    nextError_->setObjectName(QStringLiteral("Action_NextError"));
    nextError_->setStatusTip(QStringLiteral("Otevřít místo další chyby z výstupu nástroje"));
    nextError_->setShortcut(QKeySequence(Qt::Key_F4));
    previousError_ = new QAction(QStringLiteral("Předchozí chyba"), this);
    previousError_->setObjectName(QStringLiteral("Action_PreviousError"));
    previousError_->setStatusTip(QStringLiteral("Otevřít místo předchozí chyby z výstupu nástroje"));
    previousError_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F4));
    for (QAction* action : {nextError_, previousError_})
        addAction(action);
    connect(nextError_, &QAction::triggered, this, [this] { toolOutput_->OpenNextLocation(1); });
    connect(previousError_, &QAction::triggered, this, [this] { toolOutput_->OpenNextLocation(-1); });
}

// ---------------------------------------------------------------------------
// Tools menu
// ---------------------------------------------------------------------------

void TFrameWindowForm::setExternalToolEntries(const std::vector<TExternalTool>& tools)
{
    const QList<QAction*> entries = menuExternalTools_->actions();
    for (qsizetype i = kFirstToolEntry; i < entries.size(); ++i)
        delete entries[i];
    for (const TExternalTool& tool : tools) {
        auto* entry = new QAction(tool.DisplayName, menuExternalTools_);
        entry->setStatusTip(tool.CommandLine);
        entry->setToolTip(tool.CommandLine);
        entry->setProperty("ShortCut", int(tool.ShortCut));
        entry->setProperty("SaveDocuments", tool.SaveDocuments);
        entry->setShortcut(ShortcutCodeToKeys(tool.ShortCut));
        entry->setIcon(ExternalToolImage());
        menuExternalTools_->addAction(entry);
        // The shortcut works while the menu bar is hidden, as the actions' do.
        addAction(entry);
        connect(entry, &QAction::triggered, this, [this, entry] { LaunchExternalTool(entry); });
    }
    menuExternalToolsTemplate_->setVisible(menuExternalTools_->actions().size() <= kFirstToolEntry);
}

void TFrameWindowForm::LoadExternalTools()
{
    std::vector<TExternalTool> tools = LoadExternalToolList();
    // The ready tools of a fresh installation give up a key that the user
    // has already given to an action.
    if (!ExternalToolListStored())
        for (TExternalTool& tool : tools)
            if (tool.ShortCut && storedActionShortcut(tool.ShortCut))
                tool.ShortCut = 0;
    setExternalToolEntries(tools);
}

void TFrameWindowForm::SaveExternalTools()
{
    std::vector<TExternalTool> tools;
    const QList<QAction*> entries = menuExternalTools_->actions();
    for (qsizetype i = kFirstToolEntry; i < entries.size(); ++i)
        tools.push_back({entries[i]->statusTip(), entries[i]->text(), uint16_t(entries[i]->property("ShortCut").toInt()),
            entries[i]->property("SaveDocuments").toBool()});
    SaveExternalToolList(tools);
}

void TFrameWindowForm::Action_ToolsSetupExecute()
{
    TExternalToolSetupForm form(this, ExternalToolsSetupImage(), ExternalToolImage());
    if (form.exec() != QDialog::Accepted)
        return;
    setExternalToolEntries(form.Tools());
    SaveExternalTools();
    LoadExternalTools();
}

void TFrameWindowForm::LaunchExternalTool(QAction* entry)
{
    QString file, folder;
    if (TQX_PluginWindow* window = GetActiveDocumentWindow()) {
        file = window->FileName;
        folder = FolderOfFile(file);
    }
    const TToolCommand command = PrepareToolCommand(entry->statusTip(), file, folder);
    const QString program = qx::FindExecutable(command.Program);
    if (program.isEmpty()) {
        // A document or an address opens in its own application; a missing
        // program gets the shell's message.
        ExecuteFile(command.Text, false);
        return;
    }
    QString title = entry->text();
    title.remove(QLatin1Char('&'));
    if (entry->property("SaveDocuments").toBool())
        saveNamedDocuments();
    // The tool runs in the document's folder, where the names in its output
    // are relative to; several tools may run at once, each in its own tab.
    QString error;
    if (!toolOutput_->Run(title, program, command.Arguments, folder, &error)) {
        QMessageBox::critical(this, QStringLiteral("Quorvix 2"), ExecuteFileFailureText(command.Text, error));
        return;
    }
    toolOutput_->show();
    toolOutput_->raise();
}

void TFrameWindowForm::saveNamedDocuments()
{
    // A save may close or open windows; walk a snapshot and skip the gone.
    // An unnamed document would ask for a name: it is left as it is.
    std::vector<QPointer<TQX_PluginWindow>> windows;
    for (int i = 0; i < GetDocumentWindowCount(); ++i)
        windows.emplace_back(GetDocumentWindow(i));
    for (const QPointer<TQX_PluginWindow>& window : windows)
        if (window && !window->FileName.isEmpty() && window->Commands.Contains(QXC_SAVE))
            window->Command(QXC_SAVE, nullptr);
}

void TFrameWindowForm::OpenFileAtLine(const QString& fileName, int line, int column)
{
    TQX_PluginWindow* window = OpenFile(fileName, DefaultEntryID());
    if (!window || !window->Commands.Contains(QXC_GOTOLINE))
        return;
    TQX_TextPosition position;
    position.Line = line;
    position.Column = column;
    window->Command(QXC_GOTOLINE, &position);
    FocusDocument(window);
}

// ---------------------------------------------------------------------------
// Auto-backup
// ---------------------------------------------------------------------------

void TFrameWindowForm::LoadBackupSettings()
{
    if (!ReadBackupSettings(backupSettings_))
        ReportKernelWarning(kModule, KernelObjectOf(this), "Unable to load registry backup settings.");
}

void TFrameWindowForm::SaveBackupSettings()
{
    if (!WriteBackupSettings(backupSettings_))
        ReportKernelWarning(kModule, KernelObjectOf(this), "Unable to save registry backup settings.");
}

bool TFrameWindowForm::MakeBackup(const QString& fileName, QString* error)
{
    return ::MakeBackup(backupSettings_, fileName, QString::fromStdString(GetUserDataDirectory()), error);
}

void TFrameWindowForm::Action_FileSettingsAutoBackupExecute()
{
    TAutoBackupSetupForm form(backupSettings_, this);
    if (form.exec() == QDialog::Accepted)
        SaveBackupSettings();
    LoadBackupSettings();
}

// The host function table in registration order, and the helpers the concern
// files share.
#include "scripting/HostFunctions.h"

#include "QX_Types.h"
#include "frame/FrameWindow.h"
#include "plugins/PluginWindowList.h"

#include <QDialog>
#include <QPointer>

#include <stdexcept>

namespace qx::host {

namespace {

// Registration strings before the menu commands, in registration order. The
// double blank in GetVersionEx is part of the registered text.
const char* const kLeadingSignatures[] = {
    "14 AskUser Question 8",
    "14 BringWindowToTop Handle 6",
    "0 CancelStatusBarMessage",
    "14 CloseProject",
    "14 CloseWorkspace",
    "14 CopyFile ExistingName 8 NewName 8 FailIfExists 14",
    "6 CreateProject Name 8 Description 8",
    "6 CreateWorkspace Name 8 Description 8",
    "6 CreateWorkspaceEx ProjectID 6 Name 8 Description 8",
    "0 Dec !I 6",
    "14 DeleteFile FileName 8",
    "0 EnumDocuments !Documents 16",
    "0 EnumFiles !Files 16",
    "0 EnumPluginIDs !PluginIDs 16",
    "14 EnumPluginEntryIDs PluginID 8 !PluginEntryIDs 16",
    "14 EnumProjectFiles ProjectID 6 !Files 16",
    "0 EnumWindows !Handles 16",
    "14 ExecuteFile FileName 8 Silent 14",
    "8 ExtractFileExt FileName 8",
    "8 ExtractFileName FileName 8",
    "8 ExtractFilePath FileName 8",
    "14 FileExists FileName 8",
    "6 GetCurrentProject",
    "8 GetCurrentScript",
    "6 GetCurrentWindow",
    "6 GetCurrentWorkspace",
    "8 GetPluginsDirectory",
    "0 GetProgressBarStatus !Position 6 !Maximum 6",
    "6 GetProjectCount",
    "14 GetProjectInfo ProjectID 6 !FileName 8 !Name 8 !Description 8",
    "8 GetProjectsDirectory",
    "8 GetScriptsDirectory",
    "0 GetVersionEx !Major  6 !Minor 6 !Release 6",
    "6 GetWorkspaceCount",
    "6 GetWorkspaceCountEx ProjectID 6",
    "8 GetWorkspaceFile WorkspaceID 6 FileID 6",
    "8 GetWorkspaceFileEx ProjectID 6 WorkspaceID 6 FileID 6",
    "14 GetWorkspaceInfo WorkspaceID 6 !Name 8 !Description 8 !FileCount 6",
    "14 GetWorkspaceInfoEx ProjectID 6 WorkspaceID 6 !Name 8 !Description 8 !FileCount 6",
    "0 Halt",
    "0 Inc !I 6",
    "8 InputBox Caption 8 Prompt 8 Default 8",
    "14 InputQuery Caption 8 Prompt 8 !Default 8",
    "14 IsProjectOpened",
    "14 IsSafeScriptingEnabled",
    "14 IsWindow Handle 6",
    "8 LowerCase S 8",
};

// Registration strings after the menu commands.
const char* const kTrailingSignatures[] = {
    "14 OpenFile FileName 8",
    "14 OpenFileEx FileName 8 PluginEntryID 8",
    "14 OpenProject ProjectID 6",
    "14 OpenWorkspace WorkspaceID 6",
    "14 PluginEntryIDToName PluginEntryID 8 !Name 8",
    "14 PluginIDToFullName PluginID 8 !FullName 8",
    "14 PluginIDToShortName PluginID 8 !ShortName 8",
    "6 Random Range 6",
    "0 Randomize",
    "6 RegReadInt Name 8 DefaultValue 6",
    "8 RegReadString Name 8 DefaultValue 8",
    "14 RegWriteInt Name 8 Value 6",
    "14 RegWriteString Name 8 Value 8",
    "14 RenameFile OldName 8 NewName 8",
    "0 ResetProgressBar",
    "14 SelectDirectory Caption 8 !Directory 8",
    "14 SelectFiles InitialDir 8 Filter 8 !Files 16",
    "14 SendMail To 8 Subject 8 Text 8",
    "14 SendMailEx !ToList 16 !CcList 16 !AttachmentList 16 Subject 8 Text 8",
    "0 SetDocuments !Documents 16",
    "0 SetProgressBarStatus Position 6 Maximum 6",
    "14 SetProjectFiles ProjectID 6 !Files 16",
    "0 SetStatusBarMessage Message 8",
    "6 ShowCheckListDialog Caption 8 Prompt 8 !Lines 16 !CheckBoxes 16",
    "6 ShowListDialog Caption 8 Prompt 8 !Lines 16",
    "0 ShowMessage Message 8",
    "0 Sleep Milliseconds 6",
    "14 WindowToFileName Handle 6 !FileName 8",
    "14 WindowToPluginID Handle 6 !PluginID 8",
    "14 WindowToPluginEntryID Handle 6 !PluginEntryID 8",
};

// Every menu command runs the action of the same name, except two whose
// actions were named differently.
const MenuCommand kMenuCommands[] = {
    {"Menu_DocsAddCurrFile", "Action_DocsAddCurrFile"},
    {"Menu_DocsAddFile", "Action_DocsAddFile"},
    {"Menu_DocsArrange", "Action_DocsArrange"},
    {"Menu_DocsClear", "Action_DocsClear"},
    {"Menu_DocsCustomize", "Action_DocsCustomize"},
    {"Menu_EditCopy", "Action_EditCopy"},
    {"Menu_EditCopyTo", "Action_EditCopyTo"},
    {"Menu_EditCut", "Action_EditCut"},
    {"Menu_EditFind", "Action_EditFind"},
    {"Menu_EditNextBookmark", "Action_EditNextBookmark"},
    {"Menu_EditPaste", "Action_EditPaste"},
    {"Menu_EditPasteFrom", "Action_EditPasteFrom"},
    {"Menu_EditPrevBookmark", "Action_EditPrevBookmark"},
    {"Menu_EditRedo", "Action_EditRedo"},
    {"Menu_EditRemoveAllBookmarks", "Action_EditRemoveAllBookmarks"},
    {"Menu_EditReplace", "Action_EditReplace"},
    {"Menu_EditSelectAll", "Action_EditSelectAll"},
    {"Menu_EditToggleBookmark", "Action_EditToggleBookmark"},
    {"Menu_EditUndo", "Action_EditUndo"},
    {"Menu_FileExit", "Action_FileExit"},
    {"Menu_FileNew", "Action_FileNew"},
    {"Menu_FileOpen", "Action_FileOpen"},
    {"Menu_FilePrint", "Action_FilePrint"},
    {"Menu_FileProperties", "Action_FileProperties"},
    {"Menu_FileSave", "Action_FileSave"},
    {"Menu_FileSaveAll", "Action_FileSaveAll"},
    {"Menu_FileSaveAs", "Action_FileSaveAs"},
    {"Menu_FileSendToDesktop", "Action_FileSendDesktop"},
    {"Menu_FileSendToMailRecipient", "Action_FileSendMailRecipient"},
    {"Menu_FileSettingsAutoBackup", "Action_FileSettingsAutoBackup"},
    {"Menu_FileSettingsScripting", "Action_FileSettingsScripting"},
    {"Menu_FileSettingsShortcuts", "Action_FileSettingsShortcuts"},
    {"Menu_FileSettingsStartup", "Action_FileSettingsStartup"},
    {"Menu_FormatBgColor", "Action_FormatBgColor"},
    {"Menu_FormatBold", "Action_FormatBold"},
    {"Menu_FormatBullets", "Action_FormatBullets"},
    {"Menu_FormatCenterAlign", "Action_FormatCenterAlign"},
    {"Menu_FormatDecIndent", "Action_FormatDecIndent"},
    {"Menu_FormatIncIndent", "Action_FormatIncIndent"},
    {"Menu_FormatItalic", "Action_FormatItalic"},
    {"Menu_FormatLeftAlign", "Action_FormatLeftAlign"},
    {"Menu_FormatNoAlign", "Action_FormatNoAlign"},
    {"Menu_FormatNumBullets", "Action_FormatNumBullets"},
    {"Menu_FormatRightAlign", "Action_FormatRightAlign"},
    {"Menu_FormatTextColor", "Action_FormatTextColor"},
    {"Menu_FormatUnderline", "Action_FormatUnderline"},
    {"Menu_HelpAbout", "Action_HelpAbout"},
    {"Menu_HelpTip", "Action_HelpTip"},
    {"Menu_HelpWWW", "Action_HelpWWW"},
    {"Menu_ProjectClose", "Action_ProjectClose"},
    {"Menu_ProjectDeleteWorkspace", "Action_ProjectDeleteWorkspace"},
    {"Menu_ProjectNew", "Action_ProjectNew"},
    {"Menu_ProjectNewWorkspace", "Action_ProjectNewWorkspace"},
    {"Menu_ProjectOpen", "Action_ProjectOpen"},
    {"Menu_ProjectOpenWorkspace", "Action_ProjectOpenWorkspace"},
    {"Menu_ProjectSave", "Action_ProjectSave"},
    {"Menu_ProjectSaveWorkspace", "Action_ProjectSaveWorkspace"},
    {"Menu_ProjectSetup", "Action_ProjectSetup"},
    {"Menu_ScriptExecute", "Action_ScriptExecute"},
    {"Menu_ScriptExecuteProc", "Action_ScriptExecuteProc"},
    {"Menu_ScriptOpenExecute", "Action_ScriptOpenExecute"},
    {"Menu_ScriptOpenExecuteProc", "Action_ScriptOpenExecuteProc"},
    {"Menu_ScriptNew", "Action_ScriptNew"},
    {"Menu_ScriptOpen", "Action_ScriptOpen"},
    {"Menu_ToolsSetup", "Action_ToolsSetup"},
    {"Menu_ViewDesktopOptions", "Action_ViewDesktopOptions"},
    {"Menu_ViewFullscreen", "Action_ViewFullscreen"},
    {"Menu_ViewStatusBar", "Action_ViewStatusbar"},
    {"Menu_WindowArrange", "Action_WindowArrange"},
    {"Menu_WindowArrangeIcons", "Action_WindowArrangeIcons"},
    {"Menu_WindowArrangeV", "Action_WindowArrangeV"},
    {"Menu_WindowCascade", "Action_WindowCascade"},
    {"Menu_WindowClose", "Action_WindowClose"},
    {"Menu_WindowCloseAll", "Action_WindowCloseAll"},
    {"Menu_WindowMinimize", "Action_WindowMinimize"},
    {"Menu_WindowNext", "Action_WindowNext"},
    {"Menu_WindowPrevious", "Action_WindowPrevious"},
    {"Menu_WindowRestore", "Action_WindowRestore"},
};

} // namespace

const std::vector<MenuCommand>& MenuCommands()
{
    static const std::vector<MenuCommand> commands(std::begin(kMenuCommands), std::end(kMenuCommands));
    return commands;
}

const std::vector<std::string>& HostFunctionSignatures()
{
    static const std::vector<std::string> signatures = [] {
        std::vector<std::string> list(std::begin(kLeadingSignatures), std::end(kLeadingSignatures));
        for (const MenuCommand& m : kMenuCommands)
            list.push_back(std::string("14 ") + m.function);
        list.insert(list.end(), std::begin(kTrailingSignatures), std::end(kTrailingSignatures));
        return list;
    }();
    return signatures;
}

TScriptHostFunctions BuildHostFunctions()
{
    HostFunctionMap map;
    AddDialogFunctions(map);
    AddFileFunctions(map);
    AddWindowFunctions(map);
    AddProjectFunctions(map);
    AddControlFunctions(map);

    TScriptHostFunctions table;
    for (const std::string& signature : HostFunctionSignatures()) {
        auto it = map.find(SignatureNameOf(signature, 0));
        if (it == map.end())
            throw std::logic_error("host function without an implementation: " + signature);
        table.Add(signature, std::move(it->second));
        map.erase(it);
    }
    if (!map.empty())
        throw std::logic_error("host function without a signature: " + map.begin()->first);
    return table;
}

// Helpers ----------------------------------------------------------------------

QStringList ArrayTexts(TQXVariant* array)
{
    QStringList texts;
    const int32_t n = ArrayLength(array);
    for (int32_t i = 0; i < n; ++i)
        texts.append(QString::fromStdString(ValueAsString(ArrayElement(array, i))));
    return texts;
}

void StoreTexts(TQXVariant* array, const QStringList& texts)
{
    if (!ResizeArray(array, int32_t(texts.size())))
        return;
    for (int32_t i = 0; i < int32_t(texts.size()); ++i)
        StoreString(ArrayElement(array, i), texts[i].toStdString());
}

void StoreIntegers(TQXVariant* array, const std::vector<int32_t>& values)
{
    if (!ResizeArray(array, int32_t(values.size())))
        return;
    for (size_t i = 0; i < values.size(); ++i)
        StoreArrayInteger(array, int32_t(i), values[i]);
}

QWidget* DialogOwner()
{
    TFrameWindowForm* frame = FrameWindow();
    return frame ? frame->MainWindow() : nullptr;
}

int ExecHostDialog(QDialog& dialog)
{
    // Modal to the frame only: the progress window is not the dialog's
    // ancestor and stays responsive, so the user can still ask the run to
    // stop (it stops when this dialog has closed).
    if (dialog.parentWidget())
        dialog.setWindowModality(Qt::WindowModal);
    return dialog.exec();
}

int32_t WindowHandle(TQX_PluginWindow* window)
{
    static int32_t lastHandle = 0;
    if (!window)
        return 0;
    QVariant handle = window->property("qxScriptHandle");
    if (handle.isValid())
        return handle.toInt();
    // Numbers from 0x10000 up, so a handle never looks like a small count or
    // index a script might confuse it with.
    const int32_t next = lastHandle == 0 ? 0x10000 : lastHandle + 1;
    lastHandle = next;
    window->setProperty("qxScriptHandle", next);
    return next;
}

TQX_PluginWindow* WindowOfHandle(int32_t handle)
{
    if (handle == 0)
        return nullptr;
    for (int i = 0; i < GetDocumentWindowCount(); ++i) {
        TQX_PluginWindow* window = GetDocumentWindow(i);
        if (WindowHandle(window) == handle)
            return window;
    }
    return nullptr;
}

} // namespace qx::host

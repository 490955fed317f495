#pragma once
// The frame's command vocabulary: one row per action with its name, menu
// category, caption, hint, default shortcut, image, Tag, the window command
// whose presence enables it and the frame operation it runs. Everything that
// shows an action (menus, toolbars, status bar, shortcuts) refers to this table.
#include <cstdint>

class TFrameWindowForm;

enum class FrameAction : int {
    FileNew, FileOpen, FileSave, FileSaveAs, FileSaveAll, FileProperties, FilePrint,
    FileSendMailRecipient, FileSendDesktop, FileSettingsAutoBackup, FileSettingsShortcuts,
    FileSettingsStartup, FileSettingsScripting, FileExit,
    EditUndo, EditRedo, EditCut, EditCopy, EditPaste, EditCopyTo, EditPasteFrom, EditSelectAll,
    EditFind, EditReplace, EditFindInFiles, EditToggleBookmark, EditNextBookmark, EditPrevBookmark, EditRemoveAllBookmarks,
    FormatBold, FormatItalic, FormatUnderline, FormatLeftAlign, FormatCenterAlign, FormatRightAlign,
    FormatNoAlign, FormatNumBullets, FormatBullets, FormatDecIndent, FormatIncIndent, FormatBgColor,
    FormatTextColor,
    ViewNotepad, ViewStatusbar, ViewDesktopOptions, ViewFullscreen, ViewOutline, StatusBar,
    ProjectNew, ProjectOpen, ProjectSave, ProjectClose, ProjectSetup, ProjectNewWorkspace,
    ProjectOpenWorkspace, ProjectSaveWorkspace, ProjectDeleteWorkspace,
    DocsAddCurrFile, DocsAddFile, DocsArrange, DocsClear, DocsCustomize,
    ScriptExecute, ScriptExecuteProc, ScriptOpenExecute, ScriptOpenExecuteProc, ScriptNew, ScriptOpen,
    ToolsSetup,
    WindowNext, WindowPrevious, WindowCascade, WindowArrange, WindowArrangeV, WindowArrangeIcons,
    WindowMinimize, WindowRestore, WindowClose, WindowCloseAll,
    HelpIndex, HelpWWW, HelpSendMessage, HelpTip, HelpAbout,
    SubmenuNotepadClear,
    Count
};

inline constexpr int kFrameActionCount = int(FrameAction::Count);

// No window command drives the action.
inline constexpr int kNoCommand = -1;
// No image in the toolbar image list.
inline constexpr int kNoImage = -1;

struct TFrameActionDef {
    FrameAction id;
    const char* name;     // "Action_FileSave"
    const char* category; // the menu it belongs to; empty for none
    const char* caption;
    const char* hint;
    const char* shortcut; // portable key text ("Ctrl+Alt+T"); empty for none
    int image;            // index into the toolbar image list, or kNoImage
    int tag;              // 1: does not depend on plug-ins
    // The command whose presence in the active window's command set enables
    // the action (the update cycle), or kNoCommand.
    int code;
    // What executing the action does. Null: send `code` to the active
    // document window.
    void (TFrameWindowForm::*handler)();
    bool checkable;
};

// The rows, indexed by FrameAction.
const TFrameActionDef& FrameActionDef(FrameAction id);
// The row with that name ("Action_FileSave"), or null.
const TFrameActionDef* FindFrameActionDef(const char* name);

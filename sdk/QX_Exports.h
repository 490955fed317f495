#pragma once
// Quorvix 2 plug-in SDK: the functions the host exports for plug-ins to call
// back. All of them run on the GUI thread only, report failure through their
// result and never throw into the plug-in. Texts passed in are zero-terminated
// UTF-8; booleans are 8-bit.
#include "QX_Types.h"

#include <QStringList>
#include <cstdint>

// ---------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------

inline constexpr int QX_DESCRIPTION_TEXT = 256;
inline constexpr int QX_DESCRIPTION_ENTRIES = 256;

#pragma pack(push, 1)
// One entry of TQX_PluginDescription: 268 bytes.
struct TQX_PluginEntryDescription {
    char Name[QX_DESCRIPTION_TEXT]; // the entry's Name, zero-terminated (UTF-8, cut to 255 bytes)
    uint32_t IconHandle;            // QXGetIconByHandle() gives the icon; the plug-in's when the entry has none
    uint32_t Reserved1;             // 0
    uint32_t Reserved2;             // 0
};

// Filled by QXGetPluginInfo; the caller provides the memory and sets Size.
struct TQX_PluginDescription {
    uint32_t Size;                  // must be sizeof(TQX_PluginDescription), 69396
    char Name[QX_DESCRIPTION_TEXT];
    char FullName[QX_DESCRIPTION_TEXT];
    char Path[QX_DESCRIPTION_TEXT]; // the library's full path
    uint32_t IconHandle;
    uint32_t Reserved1;
    uint32_t Reserved2;
    uint32_t EntryCount;            // entries of the plug-in (slots beyond 256 are not filled)
    TQX_PluginEntryDescription Entries[QX_DESCRIPTION_ENTRIES];
};

// Filled by QXGetVersionEx; the caller sets Size to 16.
struct TQX_VersionInfo {
    uint32_t Size;
    uint32_t Major;
    uint32_t Minor;
    uint32_t Release;
};
#pragma pack(pop)

static_assert(sizeof(TQX_PluginEntryDescription) == 268);
static_assert(sizeof(TQX_PluginDescription) == 69396);
static_assert(sizeof(TQX_VersionInfo) == 16);

// Toolbar ids of QXGetToolbarState and QXSetToolbarState.
enum : int32_t {
    QX_TOOLBAR_FILE = 600,
    QX_TOOLBAR_EDIT = 601,
    QX_TOOLBAR_FORMAT = 602,
    QX_TOOLBAR_NOTEPAD = 603,
    QX_TOOLBAR_WINDOW = 604,
};

// ---------------------------------------------------------------------------
// Functions
// ---------------------------------------------------------------------------

extern "C" {

// Shows the host's about box for a plug-in: iconHandle (0: none) replaces the
// picture, caption (null: keep "Quorvix rel. 2") the caption, text (required)
// the body. True once the box was closed; false for a null text or a failure.
QX_SDK_VISIBLE bool QXAboutBox(uint32_t iconHandle, const char* caption, const char* text);
// The host's main window, or null while there is none.
QX_SDK_VISIBLE QWidget* QXGetHwnd();
// Reserved: does nothing and returns false.
QX_SDK_VISIBLE bool QXGetMenuItemInfo(void* reserved);
// Number of loaded plug-ins.
QX_SDK_VISIBLE int32_t QXGetPluginCount();
// Fills description for the plug-in with the 0-based index. False for an index
// out of range, a null record or a wrong Size (the record is left untouched).
QX_SDK_VISIBLE bool QXGetPluginInfo(int32_t index, TQX_PluginDescription* description);
// Writes the dialog font name as a length byte and up to 255 characters.
QX_SDK_VISIBLE void QXGetShellFont(unsigned char* buffer256);
// True if the toolbar (QX_TOOLBAR_ id) is visible; false for other ids or without a frame.
QX_SDK_VISIBLE bool QXGetToolbarState(int32_t toolbarId);
// Replaces the list's content with the declaration lines of the host's script
// functions; false for a null list.
QX_SDK_VISIBLE bool QXGetValidScriptTokens(QStringList* tokens);
// Fills Major 2, Minor 0, Release 1; false when Size is not 16.
QX_SDK_VISIBLE bool QXGetVersionEx(TQX_VersionInfo* version);
// Reserved: does nothing and returns false.
QX_SDK_VISIBLE bool QXInstallMenuItem(void* reserved);
// Sends QXC_RELOADSETTINGS to every document window whose class name
// (QMetaObject::className) equals className exactly. Returns true.
QX_SDK_VISIBLE bool QXReloadToolSettingsByClass(const char* className);
// load true: hands the window its stored cookie text (LoadCookie; empty if
// none). load false: stores the text from SaveCookie. The cookie is keyed by
// the window's class name and FileName. False if anything fails.
QX_SDK_VISIBLE bool QXRequestCookie(TQX_PluginWindow* window, bool load);
// Shows position of total in the host's status-bar progress display; false without a frame.
QX_SDK_VISIBLE bool QXSetProgressBarStatus(int32_t position, int32_t total);
// Shows or hides a toolbar (QX_TOOLBAR_ id); false for other ids or without a frame.
QX_SDK_VISIBLE bool QXSetToolbarState(int32_t toolbarId, bool visible);
// The 40-colour selector at screen position (left, top), starting from *color
// (0x00BBGGRR); on a choice writes it back and returns true.
QX_SDK_VISIBLE bool QXShellColorDialog(int32_t left, int32_t top, uint32_t* color);
// Shows the host's help window. topic null or empty: the start page of the
// help. Otherwise a script word (a host function, keyword or built-in
// routine, letter case ignored): its page in the script reference, or, when
// no page names it, the help's search results for it. UTF-8. False when the
// help cannot be shown (no help file beside the program).
QX_SDK_VISIBLE bool QXShowHelp(const char* topic);
// Ends the host process at once, exit code 0: nothing is saved.
QX_SDK_VISIBLE void QXTerminateApp();
// Asks the main window to close, as if the user closed it; true unless there
// is no frame. Returns at once; the close comes when the user could close the
// window (after start-up, with no script running and no modal dialog up), and
// runs the closing event scripts, asks every document and saves the settings.
// Any thread.
QX_SDK_VISIBLE bool QXTryTerminateApp();
// Reserved: does nothing and returns false.
QX_SDK_VISIBLE bool QXUninstallMenuItem(void* reserved);

// SDK 2.1. The document window the frame sends its edit, file and format
// commands to (the current window of the document area), or null when no
// document is open. For tool windows that work on the active document: read
// its Commands and send it commands (QXC_INSERTTEXT, QXC_COPY...) through
// its Command operation. The pointer is valid until control returns to the
// event loop; do not keep it.
QX_SDK_VISIBLE TQX_PluginWindow* QXGetActiveDocumentWindow();

// SDK 2.2. A document window whose Commands contain QXC_GETTEXT calls this
// whenever its text or language changed (typing, undo, loading, another
// language chosen). Cheap: call it on every change; the host waits for a
// pause in the changes before it asks for the text again. False for a null
// window.
QX_SDK_VISIBLE bool QXNotifyTextChanged(TQX_PluginWindow* window);

// SDK 2.3. Saves a file a user cares about: replaces fileName (UTF-8) with
// the bytes content hands over, never leaving it half-written or empty. The
// bytes go to a hidden temporary file beside it, every write and the final
// flush to the disk are checked, and only then is it renamed over the file;
// the file keeps its permission bits and a symbolic link keeps pointing at
// it. content is called with context and a buffer of capacity bytes until it
// returns 0: it puts up to capacity bytes there and returns how many, or -1
// to give up the save. On any failure (a full disk, no permission, content
// giving up) the old file stays exactly as it was, the result is false and,
// when reason is not null, it receives the reason in Czech ("na disku není
// volné místo"), zero-terminated UTF-8 cut to reasonSize bytes. Temporary
// files that a killed save of the same file left behind are removed. Any
// thread. QX_SaveFile (QX_PluginHelpers.h) wraps it for a QByteArray.
typedef int64_t (*TQX_FileContentProc)(void* context, char* buffer, int64_t capacity);
QX_SDK_VISIBLE bool QXSaveFile(const char* fileName, TQX_FileContentProc content, void* context, char* reason,
    int32_t reasonSize);

// SDK 2.3. The folder of the host's scripts, the one its script menus list,
// ending with a separator. A script editor proposes it when a new script is
// saved for the first time. False for a null text.
QX_SDK_VISIBLE bool QXGetScriptsDirectory(QString* folder);

// Handles in the records above: the icon behind a handle (null icon for 0 or
// an unknown handle).
QX_SDK_VISIBLE QIcon QXGetIconByHandle(uint32_t handle);

} // extern "C"

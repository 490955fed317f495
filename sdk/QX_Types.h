#pragma once
// Quorvix 2 plug-in SDK: the contract between the host and a plug-in library.
//
// A plug-in is a shared library (Linux: "*.so" in the host's Plugins folder)
// that exports one entry procedure, QXPluginProc. The host calls it with the
// QXM_ messages below: the plug-in describes itself in a TQX_PluginInfo record
// and each of its entries (a document type or a tool) in a
// TQX_PluginEntryInfo record. An entry creates windows derived from
// TQX_PluginWindow; the host sends them commands (QXC_ codes) and reads which
// commands they currently support.
//
// Building a plug-in
//   - Include this header, compile as C++20 against Qt 6 Widgets and link the
//     host library libqxhost (it holds the only copy of the out-of-line code of
//     the classes below: vtables, type information, the meta-object of
//     TQX_PluginWindow). Do not compile a copy of that code into the plug-in;
//     qobject_cast and dynamic_cast across the library boundary rely on there
//     being one. A CMake MODULE library linking Quorvix::qxhost does it right;
//     see README.md and example/ beside this header.
//   - Including this header stamps the library with the SDK version it was
//     built against (the exported data symbol QXPluginSdkStamp). The host reads
//     the stamp before it sends the first message and refuses a library built
//     for another major SDK version, a newer minor SDK version or an
//     incompatible Qt, with a line in the event log.
//   - Host and plug-ins use the same C++ runtime and the same Qt libraries, so
//     QString, QIcon, std::function and heap objects cross the boundary in
//     both directions. An exception thrown by plug-in code is caught by the
//     host, logged and treated as a failure of that call; it never ends the
//     host. Still, do not rely on it: return the failure values documented here.
//
// Threads
//   QXM_ATTACH, QXM_INITIALIZE, QXM_QUERY_INFO, QXM_QUERY_ENTRY_COUNT,
//   QXM_QUERY_ENTRY (and QXM_DETACH after a failed load) arrive on the host's
//   plug-in loader thread, not on the GUI thread. Do not create widgets or
//   pixmaps there; build icons from files or Qt resources (QIcon(":/my/icon.svg")),
//   which load lazily on the GUI thread. Everything else (CreateWindow,
//   CanOpenFile, OnAbout, window operations) runs on the GUI thread.
//
// Lifetime
//   A loaded plug-in stays loaded until the host process ends; the host ends
//   without sending unload messages. Strings and icons the plug-in put into
//   the records are released by the host before it would ever unload the
//   library.
#include <QIcon>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

// Marks the SDK's classes as visible across the library boundary, whatever
// visibility the plug-in compiles with.
#define QX_SDK_VISIBLE __attribute__((visibility("default")))

// Put in front of the definition of QXPluginProc:
//   QX_PLUGIN_EXPORT int32_t QXPluginProc(int32_t message, void* param) { ... }
#define QX_PLUGIN_EXPORT extern "C" QX_SDK_VISIBLE

// ---------------------------------------------------------------------------
// SDK version
// ---------------------------------------------------------------------------

// The major version changes when the layout of a record or of the window's
// virtual operations changes (old plug-ins cannot run); the minor version when
// something is added that old plug-ins do not need. The host runs plug-ins of
// its own major version and of its minor version or older.
#define QX_SDK_VERSION_MAJOR 2
#define QX_SDK_VERSION_MINOR 3
// "QXSD": tells a real stamp from unrelated data.
#define QX_SDK_STAMP_MAGIC 0x51585344u

// What a plug-in was built against. Plain data: the host reads it without
// running any code of the plug-in.
struct TQX_SdkStamp {
    uint32_t Magic;    // QX_SDK_STAMP_MAGIC
    uint16_t SdkMajor; // QX_SDK_VERSION_MAJOR of the plug-in's header
    uint16_t SdkMinor; // QX_SDK_VERSION_MINOR of the plug-in's header
    uint16_t QtMajor;  // Qt version the plug-in was compiled with
    uint16_t QtMinor;
};

#ifndef QX_HOST_BUILD
// Every plug-in that includes this header carries the stamp (weak: several
// source files of one plug-in may include the header). The host library is
// compiled with QX_HOST_BUILD and has none, so a plug-in without its own stamp
// is recognised.
extern "C" __attribute__((weak, used)) QX_SDK_VISIBLE const TQX_SdkStamp QXPluginSdkStamp = {
    QX_SDK_STAMP_MAGIC, QX_SDK_VERSION_MAJOR, QX_SDK_VERSION_MINOR, QT_VERSION_MAJOR, QT_VERSION_MINOR};
#endif

// Names of the two exported symbols the host looks up.
#define QX_PLUGIN_PROC_NAME "QXPluginProc"
#define QX_SDK_STAMP_NAME "QXPluginSdkStamp"

// ---------------------------------------------------------------------------
// Entry procedure and messages
// ---------------------------------------------------------------------------

// The entry procedure every plug-in exports under the name QXPluginProc.
// message is one of the QXM_ values; param depends on the message; a result
// of 0 means FALSE where the host tests it.
using TQX_PluginProc = int32_t (*)(int32_t message, void* param);

// Message numbers, in the order the host sends them while loading:
//   QXM_ATTACH, QXM_INITIALIZE, QXM_QUERY_INFO, QXM_QUERY_ENTRY_COUNT,
//   QXM_QUERY_ENTRY (once per entry). A failed load after a successful attach
//   ends with QXM_DETACH. An unload is QXM_QUERY_UNLOAD, QXM_FINALIZE,
//   QXM_DETACH.
enum : int32_t {
    // param null; result ignored. Sent once, right after QXM_ATTACH succeeded.
    QXM_INITIALIZE = 1,
    // param null; result ignored. Sent when unloading, after QXM_QUERY_UNLOAD
    // allowed it.
    QXM_FINALIZE = 2,
    // param null; result 0 refuses loading, anything else continues. The first
    // message, sent right after the entry procedure was found.
    QXM_ATTACH = 3,
    // param null; result ignored. The last message before the library is
    // released (unloading, or the clean-up after a failed load).
    QXM_DETACH = 4,
    // param TQX_PluginInfo*: fill it and set its Application. Result 0 is
    // logged as a warning and loading goes on. Leaving Application null makes
    // the load fail.
    QXM_QUERY_INFO = 5,
    // param null; result the number of entries (0 or less: none).
    QXM_QUERY_ENTRY_COUNT = 6,
    // param TQX_PluginEntryInfo* whose Index is set (0, 1, ... in order): fill
    // it. Result 0 is logged as a warning; the entry is created all the same.
    QXM_QUERY_ENTRY = 7,
    // param null; result 0 refuses unloading, anything else allows it.
    QXM_QUERY_UNLOAD = 8,
};

// ---------------------------------------------------------------------------
// The plug-in's application object
// ---------------------------------------------------------------------------

// A small object the plug-in owns (typically a static variable) and hands to
// the host in TQX_PluginInfo::Application during QXM_QUERY_INFO. Right after
// that message the host writes its main window into MainWindow, so the
// plug-in can parent its dialogs and windows to the host. The host passes its
// own application object, with the same field, to CreateWindow.
struct QX_SDK_VISIBLE TQX_Application {
    // The host's main window; null while the host has no main window.
    QWidget* MainWindow = nullptr;
};

// ---------------------------------------------------------------------------
// TQX_PluginInfo: the plug-in describes itself (QXM_QUERY_INFO)
// ---------------------------------------------------------------------------

// Longest Name of a plug-in and of an entry; longer names are cut there.
inline constexpr int QX_PLUGIN_NAME_MAX = 135;
inline constexpr int QX_ENTRY_NAME_MAX = 64;

// Created by the host (with an empty Icon) before QXM_QUERY_INFO and kept for
// the plug-in's lifetime. The plug-in fills it; the host only reads it.
class QX_SDK_VISIBLE TQX_PluginInfo {
public:
    TQX_PluginInfo();
    virtual ~TQX_PluginInfo();

    // The plug-in's own application object (see TQX_Application). Required:
    // a load fails when it is still null after QXM_QUERY_INFO.
    TQX_Application* Application = nullptr;
    // Descriptive name, shown in the host's about box for the plug-in.
    QString FullName;
    // The plug-in's icon; assign into it. May stay null (no icon).
    QIcon Icon;
    // Short name in menus and lists, at most QX_PLUGIN_NAME_MAX characters.
    QString Name;
    // If set, called with a null sender when the user asks for the plug-in's
    // about box; if empty, the host shows its own about box with Icon and
    // FullName. Runs on the GUI thread.
    std::function<void(QObject* sender)> OnAbout;
};

// ---------------------------------------------------------------------------
// TQX_PluginEntryInfo: one entry of the plug-in (QXM_QUERY_ENTRY)
// ---------------------------------------------------------------------------

// Entry kinds (TQX_PluginEntryInfo::Kind).
enum : uint8_t {
    // A document window: listed among the documents, placed in the host's
    // document area, receives the edit, file and format commands.
    QX_KIND_DOCUMENT = 0,
    // A document window of a file: as QX_KIND_DOCUMENT; when the host opens a
    // file with it, the new window receives QXC_LOADFILE with the file name.
    // Such an entry enables the host's Open command.
    QX_KIND_FILE_DOCUMENT = 1,
    // Tool windows (the host treats 3 and 4 alike): kept in the tool-window
    // list only. Any other kind is invalid: the host logs a warning and keeps
    // the window unregistered.
    QX_KIND_TOOL = 3,
    QX_KIND_TOOL_WINDOW = 4,
};

// Entry flags (TQX_PluginEntryInfo::Flags).
enum : uint32_t {
    // The script editor entry: scripts are opened with it, script errors shown in it.
    QX_FLAG_SCRIPT_EDITOR = 1,
    // The entry File New uses when more than one entry can create files.
    QX_FLAG_DEFAULT_NEW = 2,
};

class TQX_PluginWindow;

// Creates a new window of the entry; hostApplication is the host's application
// object. Returns null when no window could be made. GUI thread.
using TQX_CreateWindowProc = TQX_PluginWindow* (*)(TQX_Application* hostApplication);
// How well the entry opens fileName: 0 it cannot, 1 it can, 2 it is the
// preferred opener. GUI thread.
using TQX_CanOpenFileProc = uint8_t (*)(const QString& fileName);

// Created by the host for each entry (empty Icon, Index set), filled by the
// plug-in in QXM_QUERY_ENTRY, then copied into the host's entry object.
class QX_SDK_VISIBLE TQX_PluginEntryInfo {
public:
    TQX_PluginEntryInfo();
    TQX_PluginEntryInfo(const TQX_PluginEntryInfo& source);
    TQX_PluginEntryInfo& operator=(const TQX_PluginEntryInfo& source);
    virtual ~TQX_PluginEntryInfo();

    // Copies every field of source (the icon by content).
    virtual void Assign(const TQX_PluginEntryInfo& source);

    // The entry creates new documents: listed under File New.
    bool CanCreateFile = false;
    // Caption in menus and lists, at most QX_ENTRY_NAME_MAX characters.
    QString Name;
    // Open-dialog filter pair, "Description|*.ext1;*.ext2".
    QString Filter;
    // QX_FLAG_ values.
    uint32_t Flags = 0;
    // The entry's icon; an entry whose icon stays null shows the plug-in's icon.
    QIcon Icon;
    // Append Filter to the host's open-dialog filter.
    bool HasFilter = false;
    // The entry's number, 0-based; set by the host.
    int32_t Index = 0;
    // QX_KIND_ value.
    uint8_t Kind = QX_KIND_DOCUMENT;
    // Null: the entry makes no windows.
    TQX_CreateWindowProc CreateWindow = nullptr;
    // Null: the entry opens no file.
    TQX_CanOpenFileProc CanOpenFile = nullptr;
};

// ---------------------------------------------------------------------------
// Window commands
// ---------------------------------------------------------------------------

// Command codes for TQX_PluginWindow::Command and bits of Commands. param is
// null unless noted.
enum : uint8_t {
    QXC_BGCOLOR = 0,
    QXC_BOLD = 1,
    QXC_BULLETS = 2,
    QXC_CENTER = 3,
    QXC_COPY = 4,
    QXC_COPYTO = 5,
    QXC_CUT = 6,
    QXC_DECINDENT = 7,
    QXC_INCINDENT = 8,
    QXC_ITALIC = 9,
    QXC_LEFT = 10,
    // param: the file name as a zero-terminated UTF-16 string (const char16_t*);
    // read it with QX_FileNameParam(param). Sent to a new window of a
    // QX_KIND_FILE_DOCUMENT entry that opens a file.
    QXC_LOADFILE = 11,
    // param: QStringList* to fill with the redo steps, the next one first.
    // Choosing line k of the list then sends QXC_REDO k+1 times.
    QXC_REDOLIST = 12,
    // param: QStringList* to fill with the undo steps, the next one first.
    // Choosing line k of the list then sends QXC_UNDO k+1 times.
    QXC_UNDOLIST = 13,
    QXC_NOALIGN = 14,
    QXC_NEXTBOOKMARK = 15,
    QXC_NUMBULLETS = 16,
    QXC_PASTE = 17,
    QXC_PASTEFROM = 18,
    QXC_PREVBOOKMARK = 19,
    QXC_PRINT = 20,
    QXC_REDO = 21,
    QXC_REPLACE = 22,
    QXC_RIGHT = 23,
    QXC_SAVE = 24,
    QXC_SAVEAS = 25,
    QXC_FIND = 26,
    QXC_SELECTALL = 27,
    // Without this bit the host mails FileName itself.
    QXC_SENDMAIL = 28,
    QXC_TEXTCOLOR = 29,
    QXC_TOGGLEBOOKMARK = 30,
    // Reload settings; sent to every window of a class on a plug-in's request.
    QXC_RELOADSETTINGS = 31,
    QXC_REMOVEBOOKMARKS = 32,
    QXC_UNDERLINE = 33,
    QXC_UNDO = 34,
    // param: the character position of a script error, as an integer
    // (read it with QX_IntegerParam(param)).
    QXC_SHOWERROR = 35,
    // param: const TQX_TextPosition* — show that place of the document (the
    // host sends it when the user picks a "file:line:" reference in a tool's
    // output). Since SDK 2.1; the host sends it only to windows whose
    // Commands contain it.
    QXC_GOTOLINE = 36,
    // param: text as a zero-terminated UTF-16 string (const char16_t*; read
    // it with QX_TextParam(param)). Inserts the text at the caret, replacing
    // the selection, as one undo step. Since SDK 2.1. Not sent by the frame:
    // tool windows send it to the active document window (see
    // QXGetActiveDocumentWindow in QX_Exports.h), a character map for
    // example. A window sets the bit while it accepts text.
    QXC_INSERTTEXT = 37,
    // param: TQX_DocumentText* — hand over the document's text and language
    // (the host's symbol outline reads it). Since SDK 2.2; sent only to
    // windows whose Commands contain it. A window that sets the bit calls
    // QXNotifyTextChanged (QX_Exports.h) whenever its text or language
    // changes, so readers know when to ask again.
    QXC_GETTEXT = 38,
};
// Number of defined command codes (0 .. QXC_COUNT - 1).
inline constexpr int QXC_COUNT = 39;

// The parameter of QXC_GOTOLINE: a line counted from 1 and a column counted
// from 1 in characters of that line, 0 when only the line is known. Values
// beyond the text mean its end.
struct TQX_TextPosition {
    int32_t Line = 1;
    int32_t Column = 0;
};

// The parameter of QXC_GETTEXT. The sender sets MaxLength; the window fills
// the rest.
struct TQX_DocumentText {
    // In: the longest text the sender wants, in UTF-16 code units; 0 means
    // any length. A longer document leaves Text empty and sets TooLong, so a
    // huge document is never copied for nothing.
    int64_t MaxLength = 0;
    // Out: the whole text, lines ended by "\n" (or the document's own line
    // ends); empty when TooLong.
    QString Text;
    // Out: the document's size in UTF-16 code units. A window may count in
    // its storage units instead (UTF-8 bytes, for example) when those are
    // never fewer; it then compares that count with MaxLength.
    int64_t Length = 0;
    // Out: the text was longer than MaxLength.
    bool TooLong = false;
    // Out: the document's language as a short lower-case name: "cpp" (C and
    // C++), "c", "python", "shell", "markdown", "javascript", "java",
    // "csharp", "pascal", "perl", "ruby", "lua", "sql", "makefile", "cmake",
    // "html", "xml", "css", "json", "yaml", "ini", "tex", "diff", "batch"...
    // Empty for plain text or when the window does not know; readers then
    // go by FileName.
    QString Language;
};

// Reading the parameters of QXC_LOADFILE, QXC_INSERTTEXT and QXC_SHOWERROR.
inline QString QX_FileNameParam(void* param)
{
    return param ? QString::fromUtf16(static_cast<const char16_t*>(param)) : QString();
}
inline QString QX_TextParam(void* param)
{
    return QX_FileNameParam(param);
}
inline intptr_t QX_IntegerParam(void* param)
{
    return reinterpret_cast<intptr_t>(param);
}

// The commands a window currently supports: 48 bits in 6 bytes, bit n is bit
// n mod 8 of byte n div 8. Codes outside 0 .. 47 are never contained.
struct TQX_CommandSet {
    uint8_t Bits[6] = {};

    constexpr bool Contains(int code) const
    {
        return code >= 0 && code < 48 && (Bits[code / 8] >> (code % 8)) & 1;
    }
    constexpr void Set(int code, bool on = true)
    {
        if (code < 0 || code >= 48)
            return;
        if (on)
            Bits[code / 8] |= uint8_t(1u << (code % 8));
        else
            Bits[code / 8] &= uint8_t(~(1u << (code % 8)));
    }
    constexpr void Clear()
    {
        for (uint8_t& b : Bits)
            b = 0;
    }
    constexpr bool IsEmpty() const
    {
        for (uint8_t b : Bits)
            if (b)
                return false;
        return true;
    }
    constexpr bool operator==(const TQX_CommandSet&) const = default;
};

// ---------------------------------------------------------------------------
// TQX_PluginWindow: every window an entry creates
// ---------------------------------------------------------------------------

// Base class of every window returned by CreateWindow. The host shows,
// activates and closes it as an ordinary widget (document windows go into the
// host's document area, tool windows stay top-level) and asks it whether it
// may close through its closeEvent.
class QX_SDK_VISIBLE TQX_PluginWindow : public QWidget {
    Q_OBJECT
public:
    explicit TQX_PluginWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    // Calls OnDestroyNotify, so the host forgets the window; a derived class
    // need not call it.
    ~TQX_PluginWindow() override;

    // The document's file; empty when untitled. Set by the plug-in. The host
    // shows it in captions, finds an open document by it (ignoring case) and
    // keys the window's cookie by it.
    QString FileName;
    // Set by the host: removes the window from the host's lists.
    std::function<void(TQX_PluginWindow* window)> OnDestroyNotify;
    // Set by the host when the window is launched: ids of the plug-in and the
    // entry that made it.
    QString PluginID;
    QString EntryID;
    // Set by the plug-in: the QXC_ commands the window supports now.
    TQX_CommandSet Commands;
    // Set by the plug-in: the document has unsaved changes.
    bool Modified = false;
    // Set by the host for document windows: call it (or NotifyStateChange())
    // whenever FileName, Modified or Commands change, so the host refreshes
    // its actions, toolbars and captions.
    std::function<void(TQX_PluginWindow* sender)> OnStateChange;

    // Calls OnStateChange if it is set.
    void NotifyStateChange();

    // The host hands over the stored cookie text of this document (empty if
    // none).
    virtual void LoadCookie(const QString& cookie);
    // The window returns the text the host stores as its cookie.
    virtual void SaveCookie(QString& cookie);
    // Reserved for later minor SDK versions; the host does not call them.
    virtual void ReservedOperation1();
    virtual void ReservedOperation2();
    // One of the QXC_ commands; see there for param.
    virtual void Command(uint8_t code, void* param);
};

#pragma once
// The host's side of one plug-in library (TQX_Plugin) and of one of its
// entries (TQX_PluginEntry). A plug-in object loads its library, talks to the
// library's QXPluginProc in the contract's order, keeps the plug-in's info
// record and entries, reports every stage through its event hooks and unloads.
// An entry launches windows and registers them by the entry's kind.
#include "QX_Types.h"
#include "platform/DynamicLibrary.h"

#include <QIcon>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TQX_Plugin;

class TQX_PluginEntry {
public:
    TQX_PluginEntry(TQX_Plugin* plugin, QString id, const TQX_PluginEntryInfo& info);

    // Position of the entry's icon in the frame's image lists; set after loading.
    int32_t ImageIndex = -1;
    // The plug-in's ID + "_entry" + the entry's number, e.g. _plugin00001A2B_entry0.
    const QString ID;
    // The owning plug-in (not owned).
    TQX_Plugin* const Plugin;
    // The entry's own copy of the record answered to QXM_QUERY_ENTRY.
    TQX_PluginEntryInfo Info;

    QString GetName() const;
    // The entry's icon, or its plug-in's icon when the entry has none.
    QIcon GetIcon() const;
    bool CanCreateFile() const;
    uint8_t GetKind() const;
    QString GetFilter() const;
    bool HasFilter() const;
    uint32_t GetFlags() const;
    // The plug-in's answer for fileName (0, 1 or 2); 0 when the entry has no
    // CanOpenFile or the call fails (logged).
    uint8_t CanOpenFile(const QString& fileName) const;
    // Creates a window through the plug-in, stamps it with the plug-in's and
    // the entry's ids and registers it by the entry's kind; a file document
    // window is sent QXC_LOADFILE when fileName is not empty. Null when the
    // entry makes no window. GUI thread. Raises EQX_KernelException when the
    // window could not be set up.
    TQX_PluginWindow* Launch(const QString& fileName);
};

class TQX_Plugin {
public:
    // Results of Load and Unload.
    enum : int { LoadOk = 1, LoadFailed = 2 };
    enum : int { UnloadOk = 0, UnloadRefused = 2 };

    using Hook = std::function<void(TQX_Plugin* sender)>;

    // fileName: full path of the library.
    explicit TQX_Plugin(QString fileName);
    // Unloads a loaded plug-in first; if it refuses, the library stays loaded
    // (warning) and only the host's objects are released.
    ~TQX_Plugin();
    TQX_Plugin(const TQX_Plugin&) = delete;
    TQX_Plugin& operator=(const TQX_Plugin&) = delete;

    // Position of the plug-in's icon in the frame's image lists; set after loading.
    int32_t ImageIndex = -1;
    // "_plugin" + 8 upper-case hex digits of the byte sum of FileName; set by Load.
    QString ID;
    const QString FileName;
    qx::LibraryHandle Handle = nullptr;
    bool Loaded = false;

    // Stages of loading and unloading, each called with this plug-in; any may
    // be empty. Load fires them on the thread that loads.
    Hook OnLoading, OnAttached, OnVerifying, OnInitializing, OnLoaded, OnLoadFailed, OnUnloading, OnUnloaded;
    void ClearHooks();

    // Loads the library and runs the load conversation: LoadOk (also when
    // already loaded) or LoadFailed. Never throws; every failure is logged.
    int Load();
    // QXM_QUERY_UNLOAD, QXM_FINALIZE, QXM_DETACH and release: UnloadOk (also
    // when not loaded) or UnloadRefused (the plug-in stays loaded).
    int Unload();

    // These raise EQX_KernelException ("<getter>: Plugin not loaded.") while
    // the plug-in is not loaded; GetEntry also for an index out of range.
    TQX_PluginEntry* GetEntry(int index) const;
    int GetEntryCount() const;
    QString GetFullName() const;
    QString GetName() const;
    QIcon GetIcon() const;

    // The plug-in's own about box (OnAbout), or the host's with the plug-in's
    // icon and FullName. GUI thread.
    void ShowAbout();

    // The info record answered to QXM_QUERY_INFO; null before the first Load.
    const TQX_PluginInfo* Info() const { return info_.get(); }
    // The address of QXPluginProc; null while not loaded.
    TQX_PluginProc Proc() const { return proc_; }

    // "_plugin" + the unsigned 32-bit sum of the path's bytes as 8 upper-case
    // hex digits.
    static QString ComputeID(const QString& libraryPath);

private:
    void fire(const Hook& hook);
    // Sends a message through the guard: false when the plug-in threw (what
    // holds the exception's text).
    bool send(int32_t message, void* param, int32_t& result, std::string& what);
    void failAndRelease();
    void cleanUpFailedLoad();
    void releasePluginData();
    bool checkSdkStamp();
    void raiseNotLoaded(const char* getter) const;

    std::vector<std::unique_ptr<TQX_PluginEntry>> entries_;
    std::unique_ptr<TQX_PluginInfo> info_;
    TQX_PluginProc proc_ = nullptr;
};

// The host's application object handed to CreateWindow; its MainWindow is the
// frame's main window (see PluginFrame()).
TQX_Application* HostApplicationObject();

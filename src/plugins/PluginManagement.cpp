#include "plugins/PluginManagement.h"

#include "kernel/Kernel.h"
#include "plugins/PluginFrame.h"
#include "plugins/PluginWindowList.h"

#include <QFile>
#include <QLibraryInfo>
#include <QVersionNumber>

namespace {

const char* const kModule = "Kernel\\PluginManagement";

// Entry counts above this are refused: no real plug-in has that many, and a
// garbage answer must not make the loader allocate for minutes.
const int32_t kMaxEntryCount = 4096;

const char* messageName(int32_t message)
{
    switch (message) {
    case QXM_INITIALIZE: return "QXM_INITIALIZE";
    case QXM_FINALIZE: return "QXM_FINALIZE";
    case QXM_ATTACH: return "QXM_ATTACH";
    case QXM_DETACH: return "QXM_DETACH";
    case QXM_QUERY_INFO: return "QXM_QUERY_INFO";
    case QXM_QUERY_ENTRY_COUNT: return "QXM_QUERY_ENTRY_COUNT";
    case QXM_QUERY_ENTRY: return "QXM_QUERY_ENTRY";
    case QXM_QUERY_UNLOAD: return "QXM_QUERY_UNLOAD";
    }
    return "unknown message";
}

std::string str(const QString& s)
{
    return s.toStdString();
}

// Runs a call into plug-in code: false when it threw; what gets the text.
template <typename Call>
bool guarded(Call call, std::string& what)
{
    try {
        call();
        return true;
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
        what = "exception of unknown type";
    }
    return false;
}

} // namespace

TQX_Application* HostApplicationObject()
{
    static TQX_Application application;
    return &application;
}

// ---------------------------------------------------------------------------
// TQX_PluginEntry
// ---------------------------------------------------------------------------

TQX_PluginEntry::TQX_PluginEntry(TQX_Plugin* plugin, QString id, const TQX_PluginEntryInfo& info)
    : ID(std::move(id))
    , Plugin(plugin)
    , Info(info)
{
    Info.Name.truncate(QX_ENTRY_NAME_MAX);
}

QString TQX_PluginEntry::GetName() const
{
    return Info.Name;
}

QIcon TQX_PluginEntry::GetIcon() const
{
    return Info.Icon.isNull() ? Plugin->GetIcon() : Info.Icon;
}

bool TQX_PluginEntry::CanCreateFile() const
{
    return Info.CanCreateFile;
}

uint8_t TQX_PluginEntry::GetKind() const
{
    return Info.Kind;
}

QString TQX_PluginEntry::GetFilter() const
{
    return Info.Filter;
}

bool TQX_PluginEntry::HasFilter() const
{
    return Info.HasFilter;
}

uint32_t TQX_PluginEntry::GetFlags() const
{
    return Info.Flags;
}

uint8_t TQX_PluginEntry::CanOpenFile(const QString& fileName) const
{
    if (!Info.CanOpenFile)
        return 0;
    uint8_t answer = 0;
    std::string what;
    if (!guarded([&] { answer = Info.CanOpenFile(fileName); }, what)) {
        ReportKernelWarning(kModule, KernelObjectOf(this),
            "CanOpenFile: entry " + str(ID) + " raised an exception: " + what);
        return 0;
    }
    return answer;
}

TQX_PluginWindow* TQX_PluginEntry::Launch(const QString& fileName)
{
    if (!Info.CreateWindow)
        return nullptr;
    TQX_PluginFrame& frame = PluginFrame();
    TQX_Application* application = HostApplicationObject();
    application->MainWindow = frame.MainWindow();

    TQX_PluginWindow* window = nullptr;
    std::string what;
    if (!guarded([&] { window = Info.CreateWindow(application); }, what)) {
        ReportKernelWarning(kModule, KernelObjectOf(this), "Launch: CreateWindow raised an exception: " + what);
        return nullptr;
    }
    if (!window)
        return nullptr;

    window->PluginID = Plugin->ID;
    window->EntryID = ID;

    const QString name = fileName; // stays alive while the plug-in reads it
    bool setUp = guarded(
        [&] {
            switch (Info.Kind) {
            case QX_KIND_DOCUMENT:
            case QX_KIND_FILE_DOCUMENT:
                window->OnStateChange = [](TQX_PluginWindow*) { PluginFrame().RequestToolbarUpdate(); };
                window->OnDestroyNotify = [](TQX_PluginWindow* w) { RemoveDocumentWindow(w); };
                AddDocumentWindow(window);
                frame.AttachDocumentWindow(window);
                frame.RequestToolbarUpdate();
                if (Info.Kind == QX_KIND_FILE_DOCUMENT && !name.isEmpty())
                    window->Command(QXC_LOADFILE, const_cast<ushort*>(name.utf16()));
                break;
            case QX_KIND_TOOL:
            case QX_KIND_TOOL_WINDOW:
                window->OnDestroyNotify = [](TQX_PluginWindow* w) { RemoveToolWindow(w); };
                AddToolWindow(window);
                frame.AttachToolWindow(window);
                break;
            default:
                ReportKernelWarning(kModule, KernelObjectOf(this), "Launch: unknown plugin type.");
            }
        },
        what);
    if (!setUp) {
        ReportKernelWarning(kModule, KernelObjectOf(this), "Launch: " + what);
        RaiseKernelException(kModule, KernelObjectOf(this), "Launch: unable to setup plugin window handlers.");
    }
    return window;
}

// ---------------------------------------------------------------------------
// TQX_Plugin
// ---------------------------------------------------------------------------

TQX_Plugin::TQX_Plugin(QString fileName)
    : FileName(std::move(fileName))
{
}

TQX_Plugin::~TQX_Plugin()
{
    if (Loaded) {
        try {
            Unload();
        } catch (...) {
        }
        if (Loaded)
            ReportKernelWarning(kModule, KernelObjectOf(this),
                "Destroy: about to destroy object with plugin attached. Leaving initialized plugin handle.");
    }
    entries_.clear();
    info_.reset();
}

QString TQX_Plugin::ComputeID(const QString& libraryPath)
{
    uint32_t sum = 0;
    for (char c : QFile::encodeName(libraryPath))
        sum += static_cast<uint8_t>(c);
    return QStringLiteral("_plugin") + QString::asprintf("%08X", sum);
}

void TQX_Plugin::ClearHooks()
{
    OnLoading = OnAttached = OnVerifying = OnInitializing = nullptr;
    OnLoaded = OnLoadFailed = OnUnloading = OnUnloaded = nullptr;
}

void TQX_Plugin::fire(const Hook& hook)
{
    if (hook)
        hook(this);
}

bool TQX_Plugin::send(int32_t message, void* param, int32_t& result, std::string& what)
{
    result = 0;
    if (guarded([&] { result = proc_(message, param); }, what))
        return true;
    ReportKernelWarning(kModule, KernelObjectOf(this),
        "Plugin " + str(FileName) + " raised an exception on " + messageName(message) + ": " + what);
    return false;
}

// Everything the plug-in handed over (strings, icons, function objects) may
// point into its library, so it goes before the library does.
void TQX_Plugin::releasePluginData()
{
    entries_.clear();
    info_.reset();
}

void TQX_Plugin::failAndRelease()
{
    fire(OnLoadFailed);
    releasePluginData();
    KernelFreeLibrary(Handle);
    Handle = nullptr;
    proc_ = nullptr;
}

void TQX_Plugin::cleanUpFailedLoad()
{
    int32_t ignored;
    std::string what;
    send(QXM_DETACH, nullptr, ignored, what);
    fire(OnLoadFailed);
    fire(OnUnloading);
    releasePluginData();
    KernelFreeLibrary(Handle);
    Handle = nullptr;
    proc_ = nullptr;
    fire(OnUnloaded);
}

// A plug-in built against another SDK may lay out the records or the window's
// operations differently; the stamp is read as plain data, before any of the
// plug-in's code runs.
bool TQX_Plugin::checkSdkStamp()
{
    auto* stamp = static_cast<const TQX_SdkStamp*>(qx::LibrarySymbol(Handle, QX_SDK_STAMP_NAME));
    std::string refusal;
    QVersionNumber qt = QLibraryInfo::version();
    if (!stamp || stamp->Magic != QX_SDK_STAMP_MAGIC) {
        refusal = "carries no SDK version stamp (" QX_SDK_STAMP_NAME "); it was not built with QX_Types.h";
    } else if (stamp->SdkMajor != QX_SDK_VERSION_MAJOR || stamp->SdkMinor > QX_SDK_VERSION_MINOR) {
        std::string supported = std::to_string(QX_SDK_VERSION_MAJOR) + ".0";
        if (QX_SDK_VERSION_MINOR > 0)
            supported += " to " + std::to_string(QX_SDK_VERSION_MAJOR) + "." + std::to_string(QX_SDK_VERSION_MINOR);
        refusal = "was built for plug-in SDK " + std::to_string(stamp->SdkMajor) + "." + std::to_string(stamp->SdkMinor)
            + "; this host runs plug-ins built for SDK " + supported;
    } else if (stamp->QtMajor != qt.majorVersion() || stamp->QtMinor > qt.minorVersion()) {
        refusal = "was built with Qt " + std::to_string(stamp->QtMajor) + "." + std::to_string(stamp->QtMinor)
            + "; the host runs Qt " + str(qt.toString());
    }
    if (refusal.empty())
        return true;
    ReportKernelWarning(kModule, KernelObjectOf(this), "Load: Plugin " + str(FileName) + " " + refusal + ". Plugin refused.");
    return false;
}

int TQX_Plugin::Load()
{
    if (Loaded) {
        ReportKernelWarning(kModule, KernelObjectOf(this), "Load: Plugin already loaded.");
        return LoadOk;
    }
    ID = ComputeID(FileName);
    fire(OnLoading);

    Handle = KernelLoadLibrary(QFile::encodeName(FileName).toStdString());
    if (!Handle) {
        fire(OnLoadFailed);
        return LoadFailed;
    }
    fire(OnAttached);
    fire(OnVerifying);

    proc_ = reinterpret_cast<TQX_PluginProc>(KernelGetProcAddress(Handle, QX_PLUGIN_PROC_NAME));
    if (!proc_ || !checkSdkStamp()) {
        failAndRelease();
        return LoadFailed;
    }

    int32_t result = 0;
    std::string what;
    if (!send(QXM_ATTACH, nullptr, result, what)) {
        failAndRelease();
        return LoadFailed;
    }
    if (result == 0) {
        cleanUpFailedLoad();
        return LoadFailed;
    }
    if (!send(QXM_INITIALIZE, nullptr, result, what)) {
        cleanUpFailedLoad();
        return LoadFailed;
    }
    fire(OnInitializing);

    if (!info_)
        info_ = std::make_unique<TQX_PluginInfo>();
    if (!send(QXM_QUERY_INFO, info_.get(), result, what)) {
        cleanUpFailedLoad();
        return LoadFailed;
    }
    if (result == 0)
        ReportKernelWarning(kModule, KernelObjectOf(this), "Load: Plugin " + str(FileName) + " returned FALSE on QXM_QUERY_INFO.");
    if (!info_->Application) {
        ReportKernelWarning(kModule, KernelObjectOf(this),
            "Load: Plugin " + str(FileName) + " set no application object in QXM_QUERY_INFO.");
        cleanUpFailedLoad();
        return LoadFailed;
    }
    info_->Application->MainWindow = PluginFrame().MainWindow();

    int32_t count = 0;
    if (!send(QXM_QUERY_ENTRY_COUNT, nullptr, count, what)) {
        cleanUpFailedLoad();
        return LoadFailed;
    }
    if (count > kMaxEntryCount) {
        ReportKernelWarning(kModule, KernelObjectOf(this),
            "Load: Plugin " + str(FileName) + " answered " + std::to_string(count)
                + " on QXM_QUERY_ENTRY_COUNT; at most " + std::to_string(kMaxEntryCount) + " entries are supported.");
        cleanUpFailedLoad();
        return LoadFailed;
    }
    for (int32_t i = 0; i < count; ++i) {
        TQX_PluginEntryInfo record;
        record.Index = i;
        if (!send(QXM_QUERY_ENTRY, &record, result, what)) {
            cleanUpFailedLoad();
            return LoadFailed;
        }
        if (result == 0)
            ReportKernelWarning(kModule, KernelObjectOf(this), "Load: Plugin " + str(FileName) + " returned FALSE on QXM_QUERY_ENTRY.");
        record.Index = i;
        entries_.push_back(std::make_unique<TQX_PluginEntry>(this, ID + QStringLiteral("_entry") + QString::number(i), record));
    }

    fire(OnLoaded);
    Loaded = true;
    return LoadOk;
}

int TQX_Plugin::Unload()
{
    if (!Loaded) {
        ReportKernelWarning(kModule, KernelObjectOf(this), "Unload: Plugin NOT loaded.");
        return UnloadOk;
    }
    int32_t result = 0;
    std::string what;
    // A plug-in that throws here is taken to agree.
    if (send(QXM_QUERY_UNLOAD, nullptr, result, what) && result == 0)
        return UnloadRefused;
    fire(OnUnloading);
    send(QXM_FINALIZE, nullptr, result, what);
    send(QXM_DETACH, nullptr, result, what);
    releasePluginData();
    KernelFreeLibrary(Handle);
    Handle = nullptr;
    proc_ = nullptr;
    fire(OnUnloaded);
    Loaded = false;
    return UnloadOk;
}

void TQX_Plugin::raiseNotLoaded(const char* getter) const
{
    RaiseKernelException(kModule, KernelObjectOf(this), std::string(getter) + ": Plugin not loaded.");
}

TQX_PluginEntry* TQX_Plugin::GetEntry(int index) const
{
    if (!Loaded)
        raiseNotLoaded("GetEntry");
    if (index < 0 || index >= int(entries_.size()))
        RaiseKernelException(kModule, KernelObjectOf(this),
            "GetEntry: entry index " + std::to_string(index) + " out of range 0.." + std::to_string(int(entries_.size()) - 1) + ".");
    return entries_[index].get();
}

int TQX_Plugin::GetEntryCount() const
{
    if (!Loaded)
        raiseNotLoaded("GetEntryCount");
    return int(entries_.size());
}

QString TQX_Plugin::GetFullName() const
{
    if (!Loaded)
        raiseNotLoaded("GetFullName");
    return info_->FullName;
}

QString TQX_Plugin::GetName() const
{
    if (!Loaded)
        raiseNotLoaded("GetName");
    return info_->Name.left(QX_PLUGIN_NAME_MAX);
}

QIcon TQX_Plugin::GetIcon() const
{
    if (!Loaded)
        raiseNotLoaded("GetIcon");
    return info_->Icon;
}

void TQX_Plugin::ShowAbout()
{
    if (!Loaded)
        raiseNotLoaded("ShowAbout");
    if (info_->OnAbout) {
        std::string what;
        if (!guarded([&] { info_->OnAbout(nullptr); }, what))
            ReportKernelWarning(kModule, KernelObjectOf(this), "ShowAbout: Plugin " + str(FileName) + " raised an exception: " + what);
        return;
    }
    PluginFrame().ShowPluginAboutBox(info_->Icon, info_->FullName);
}

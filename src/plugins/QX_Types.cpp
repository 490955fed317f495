// The out-of-line code of the contract classes. It lives only in the host
// library, so every plug-in shares one vtable, one type_info and one
// meta-object per class, and qobject_cast/dynamic_cast work across libraries.
#include "QX_Types.h"

TQX_PluginInfo::TQX_PluginInfo() = default;
TQX_PluginInfo::~TQX_PluginInfo() = default;

TQX_PluginEntryInfo::TQX_PluginEntryInfo() = default;
TQX_PluginEntryInfo::~TQX_PluginEntryInfo() = default;

TQX_PluginEntryInfo::TQX_PluginEntryInfo(const TQX_PluginEntryInfo& source)
{
    Assign(source);
}

TQX_PluginEntryInfo& TQX_PluginEntryInfo::operator=(const TQX_PluginEntryInfo& source)
{
    if (this != &source)
        Assign(source);
    return *this;
}

void TQX_PluginEntryInfo::Assign(const TQX_PluginEntryInfo& source)
{
    CanCreateFile = source.CanCreateFile;
    Name = source.Name;
    Filter = source.Filter;
    Flags = source.Flags;
    Icon = source.Icon;
    HasFilter = source.HasFilter;
    Index = source.Index;
    Kind = source.Kind;
    CreateWindow = source.CreateWindow;
    CanOpenFile = source.CanOpenFile;
}

TQX_PluginWindow::TQX_PluginWindow(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
}

TQX_PluginWindow::~TQX_PluginWindow()
{
    // Taken out first: the host's handler may clear the window's fields.
    if (auto notify = std::move(OnDestroyNotify))
        notify(this);
}

void TQX_PluginWindow::NotifyStateChange()
{
    if (OnStateChange)
        OnStateChange(this);
}

void TQX_PluginWindow::LoadCookie(const QString&) { }
void TQX_PluginWindow::SaveCookie(QString&) { }
void TQX_PluginWindow::ReservedOperation1() { }
void TQX_PluginWindow::ReservedOperation2() { }
void TQX_PluginWindow::Command(uint8_t, void*) { }

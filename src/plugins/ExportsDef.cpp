#include "plugins/ExportsDef.h"

#include "QX_Exports.h"
#include "help/HelpViewer.h"
#include "kernel/AppInfo.h"
#include "kernel/Settings.h"
#include "platform/FileWrite.h"
#include "platform/ProcessExit.h"
#include "plugins/Cookies.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/PluginFrame.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"
#include "ui/AboutBoxes.h"
#include "ui/ColorSelector.h"

#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QToolBar>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

THostApiProviders providers;

std::vector<QIcon>& iconTable()
{
    static std::vector<QIcon> icons;
    return icons;
}

// Copies text with its terminating zero into a field of 256 bytes, cut to 255
// bytes on a character boundary; the rest of the field stays as it was.
void copyText(char* field, const QString& text)
{
    QByteArray bytes = text.toUtf8();
    int length = std::min<int>(bytes.size(), QX_DESCRIPTION_TEXT - 1);
    while (length > 0 && length < bytes.size() && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80)
        --length;
    std::memcpy(field, bytes.constData(), length);
    field[length] = '\0';
}

bool isToolbarId(int id)
{
    return id >= QX_TOOLBAR_FILE && id <= QX_TOOLBAR_WINDOW;
}

QToolBar* toolbar(int id)
{
    if (!isToolbarId(id) || !providers.Toolbar || !PluginFrame().MainWindow())
        return nullptr;
    return providers.Toolbar(id);
}

QColor fromColorRef(uint32_t c)
{
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

uint32_t toColorRef(const QColor& c)
{
    return static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 | static_cast<uint32_t>(c.blue()) << 16;
}

} // namespace

void SetHostApiProviders(const THostApiProviders& p)
{
    providers = p;
}

uint32_t IconHandleFor(const QIcon& icon)
{
    if (icon.isNull())
        return 0;
    auto& icons = iconTable();
    for (size_t i = 0; i < icons.size(); ++i)
        if (icons[i].cacheKey() == icon.cacheKey())
            return static_cast<uint32_t>(i + 1);
    icons.push_back(icon);
    return static_cast<uint32_t>(icons.size());
}

extern "C" {

QIcon QXGetIconByHandle(uint32_t handle)
{
    const auto& icons = iconTable();
    return handle >= 1 && handle <= icons.size() ? icons[handle - 1] : QIcon();
}

bool QXAboutBox(uint32_t iconHandle, const char* caption, const char* text)
{
    if (!text)
        return false;
    try {
        TQXAboutBoxForm box(PluginFrame().MainWindow());
        if (caption)
            box.setWindowTitle(QString::fromUtf8(caption));
        if (iconHandle) {
            QIcon icon = QXGetIconByHandle(iconHandle);
            if (!icon.isNull())
                box.AppIcon->setPixmap(icon.pixmap(32, 32));
        }
        box.OtherStuff->setText(QString::fromUtf8(text));
        box.exec();
        return true;
    } catch (...) {
        return false;
    }
}

QWidget* QXGetHwnd()
{
    return PluginFrame().MainWindow();
}

TQX_PluginWindow* QXGetActiveDocumentWindow()
{
    return GetActiveDocumentWindow();
}

bool QXNotifyTextChanged(TQX_PluginWindow* window)
{
    if (!window)
        return false;
    try {
        PluginFrame().DocumentTextChanged(window);
        return true;
    } catch (...) {
        return false;
    }
}

bool QXSaveFile(const char* fileName, TQX_FileContentProc content, void* context, char* reason, int32_t reasonSize)
{
    std::string why;
    try {
        if (!fileName || !content) {
            why = qx::FileErrorText(EINVAL);
        } else {
            qx::AtomicFileWriter writer(fileName);
            bool ok = writer.Open();
            std::vector<char> buffer(ok ? size_t(1) << 20 : 0);
            for (int64_t n; ok && (n = content(context, buffer.data(), int64_t(buffer.size()))) != 0;) {
                if (n < 0 || n > int64_t(buffer.size())) {
                    writer.Discard();
                    why = "ukládání bylo přerušeno";
                    ok = false;
                } else {
                    ok = writer.Write(std::string_view(buffer.data(), size_t(n)));
                }
            }
            if (ok && writer.Commit())
                return true;
            if (why.empty())
                why = writer.Reason();
        }
    } catch (...) {
        why = "ukládání bylo přerušeno";
    }
    if (reason && reasonSize > 0) {
        // Cut at a character boundary.
        size_t length = std::min(why.size(), size_t(reasonSize - 1));
        while (length > 0 && length < why.size() && (static_cast<unsigned char>(why[length]) & 0xC0) == 0x80)
            --length;
        std::memcpy(reason, why.data(), length);
        reason[length] = '\0';
    }
    return false;
}

bool QXGetMenuItemInfo(void*)
{
    return false;
}

int32_t QXGetPluginCount()
{
    return GetPluginCount();
}

bool QXGetPluginInfo(int32_t index, TQX_PluginDescription* d)
{
    if (!d || index < 0 || index >= GetPluginCount() || d->Size != sizeof(TQX_PluginDescription))
        return false;
    try {
        TQX_Plugin* plugin = GetPlugin(index);
        copyText(d->Name, plugin->GetName());
        copyText(d->FullName, plugin->GetFullName());
        copyText(d->Path, plugin->FileName);
        d->IconHandle = IconHandleFor(plugin->GetIcon());
        d->Reserved1 = 0;
        d->Reserved2 = 0;
        int count = plugin->GetEntryCount();
        d->EntryCount = static_cast<uint32_t>(count);
        for (int i = 0; i < count && i < QX_DESCRIPTION_ENTRIES; ++i) {
            TQX_PluginEntry* entry = plugin->GetEntry(i);
            TQX_PluginEntryDescription& slot = d->Entries[i];
            copyText(slot.Name, entry->GetName());
            slot.IconHandle = IconHandleFor(entry->GetIcon());
            slot.Reserved1 = 0;
            slot.Reserved2 = 0;
        }
        return true;
    } catch (...) {
        return false;
    }
}

void QXGetShellFont(unsigned char* buffer)
{
    if (!buffer)
        return;
    std::string font = GetShellFont();
    size_t length = std::min<size_t>(font.size(), 255);
    buffer[0] = static_cast<unsigned char>(length);
    std::memcpy(buffer + 1, font.data(), length);
}

bool QXGetToolbarState(int32_t toolbarId)
{
    QToolBar* bar = toolbar(toolbarId);
    return bar && bar->isVisible();
}

bool QXGetValidScriptTokens(QStringList* tokens)
{
    if (!tokens)
        return false;
    *tokens = providers.ScriptTokens ? providers.ScriptTokens() : QStringList();
    return true;
}

bool QXGetScriptsDirectory(QString* folder)
{
    if (!folder)
        return false;
    *folder = QString::fromStdString(GetScriptsDir());
    return true;
}

bool QXGetVersionEx(TQX_VersionInfo* version)
{
    if (!version || version->Size != sizeof(TQX_VersionInfo))
        return false;
    version->Major = kVersionMajor;
    version->Minor = kVersionMinor;
    version->Release = kVersionRelease;
    return true;
}

bool QXShowHelp(const char* topic)
{
    try {
        return qx::help::ShowHelpTopic(topic ? QString::fromUtf8(topic) : QString());
    } catch (...) {
        return false;
    }
}

bool QXInstallMenuItem(void*)
{
    return false;
}

bool QXReloadToolSettingsByClass(const char* className)
{
    if (!className)
        return true;
    // A window may close itself while reloading: walk a snapshot of guarded pointers.
    std::vector<QPointer<TQX_PluginWindow>> windows;
    for (int i = 0; i < GetDocumentWindowCount(); ++i)
        windows.emplace_back(GetDocumentWindow(i));
    for (const auto& w : windows) {
        if (!w || std::strcmp(w->metaObject()->className(), className) != 0)
            continue;
        try {
            w->Command(QXC_RELOADSETTINGS, nullptr);
        } catch (...) {
        }
    }
    return true;
}

bool QXRequestCookie(TQX_PluginWindow* window, bool load)
{
    return load ? LoadWindowCookie(window) : SaveWindowCookie(window);
}

bool QXSetProgressBarStatus(int32_t position, int32_t total)
{
    if (!PluginFrame().MainWindow() || !providers.SetProgress)
        return false;
    providers.SetProgress(position, total);
    return true;
}

bool QXSetToolbarState(int32_t toolbarId, bool visible)
{
    QToolBar* bar = toolbar(toolbarId);
    if (!bar)
        return false;
    bar->setVisible(visible);
    return true;
}

bool QXShellColorDialog(int32_t left, int32_t top, uint32_t* color)
{
    if (!color)
        return false;
    try {
        QColor c = fromColorRef(*color);
        if (!ShowColorSelector(left, top, c))
            return false;
        *color = toColorRef(c);
        return true;
    } catch (...) {
        return false;
    }
}

void QXTerminateApp()
{
    qx::TerminateOwnProcess(0);
}

bool QXTryTerminateApp()
{
    QWidget* main = PluginFrame().MainWindow();
    if (!main)
        return false;
    // Closing may end the process; let the plug-in's call return first. A
    // plug-in may call from the loader thread while it loads: the request
    // reaches the frame on the GUI thread.
    QMetaObject::invokeMethod(main, [] { PluginFrame().RequestClose(); }, Qt::QueuedConnection);
    return true;
}

bool QXUninstallMenuItem(void*)
{
    return false;
}

} // extern "C"

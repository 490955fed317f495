#include "plugins/PluginFrame.h"

#include "QX_Exports.h"
#include "plugins/ExportsDef.h"

namespace {
TQX_PluginFrame defaultFrame;
TQX_PluginFrame* installedFrame = nullptr;
} // namespace

TQX_PluginFrame::~TQX_PluginFrame() = default;

QWidget* TQX_PluginFrame::MainWindow() const
{
    return nullptr;
}

QMdiArea* TQX_PluginFrame::DocumentArea() const
{
    return nullptr;
}

void TQX_PluginFrame::RequestToolbarUpdate() { }
void TQX_PluginFrame::RebuildPluginMenus() { }
void TQX_PluginFrame::AttachDocumentWindow(TQX_PluginWindow*) { }
void TQX_PluginFrame::AttachToolWindow(TQX_PluginWindow*) { }
void TQX_PluginFrame::RequestClose() { }
void TQX_PluginFrame::DocumentTextChanged(TQX_PluginWindow*) { }

// The host's about box, as plug-ins get it from QXAboutBox: no caption of its
// own, the plug-in's icon and text.
void TQX_PluginFrame::ShowPluginAboutBox(const QIcon& icon, const QString& text)
{
    QXAboutBox(IconHandleFor(icon), nullptr, text.toUtf8().constData());
}

TQX_PluginFrame& PluginFrame()
{
    return installedFrame ? *installedFrame : defaultFrame;
}

void SetPluginFrame(TQX_PluginFrame* frame)
{
    installedFrame = frame;
}

#include "plugins/PluginFrame.h"

#include "kernel/Startup.h"

#include <QMessageBox>

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

void TQX_PluginFrame::ShowPluginAboutBox(const QIcon& icon, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle), text, QMessageBox::Ok, MainWindow());
    if (!icon.isNull())
        box.setIconPixmap(icon.pixmap(32, 32));
    box.exec();
}

TQX_PluginFrame& PluginFrame()
{
    return installedFrame ? *installedFrame : defaultFrame;
}

void SetPluginFrame(TQX_PluginFrame* frame)
{
    installedFrame = frame;
}

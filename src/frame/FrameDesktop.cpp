// The desktop: the document area behind the document windows, painted by the
// desktop record in the system's way, in a solid colour or with a tiled
// picture, with its own settings for full-screen mode. Also the start-up
// options command, the other option dialog of the frame.
#include "frame/FrameWindow.h"

#include "frame/FrameStrings.h"
#include "kernel/Kernel.h"
#include "options/StartupSetup.h"
#include "platform/Registry.h"
#include "ui/QXMessageBox.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QMdiArea>
#include <QTimer>

namespace {

const char* const kModule = "Server\\FrameWindow";
const char* const kStructuresKey = "Software\\Quorvix\\Structures";
const char* const kDesktopValue = "Desktop";

TDesktopRecord readDesktopRecord()
{
    qx::Registry reg;
    if (!reg.OpenKey(kStructuresKey, true))
        throw qx::RegistryError(reg.LastError());
    if (!reg.ValueExists(kDesktopValue))
        return {};
    if (reg.GetDataType(kDesktopValue) != qx::RegDataType::Binary)
        throw qx::RegistryError("the desktop value is not binary");
    std::optional<TDesktopRecord> record = TDesktopRecord::FromBytes(reg.ReadBinary(kDesktopValue));
    if (!record)
        throw qx::RegistryError("the desktop value is longer than the record");
    return *record;
}

// The picture as the file holds it; null when the file cannot be read or
// holds no picture.
QImage readPicture(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&file);
    return reader.read();
}

} // namespace

void TFrameWindowForm::loadDesktopSettings()
{
    try {
        desktop_ = readDesktopRecord();
    } catch (const std::exception&) {
        ReportKernelWarning(kModule, KernelObjectOf(this), "Unable to load registry desktop settings.");
        desktop_ = TDesktopRecord();
    }
    desktopImage_ = QImage();
    const TDesktopRecord::Set set = desktop_.AppliedSet(fullScreenSwitch_);
    if (desktop_.GetMode(set) == TDesktopRecord::TiledImage) {
        desktopImage_ = readPicture(desktop_.GetImage(set));
        if (desktopImage_.isNull()) {
            // Until the next load; the stored record keeps the picture.
            desktop_.SetMode(set, TDesktopRecord::SystemDefault);
            QTimer::singleShot(0, this, &TFrameWindowForm::reportMissingDesktopPicture);
        }
    }
    paintDesktop();
}

void TFrameWindowForm::reportMissingDesktopPicture()
{
    // Not during the frame's own show, when the box would stand alone on the
    // screen, nor before the start-up sequence has shown its windows (the
    // tip of the day stays on top and would hide the box).
    if (!initialized_) {
        QTimer::singleShot(10, this, &TFrameWindowForm::reportMissingDesktopPicture);
        return;
    }
    MessageBoxOk(FrameText(FrameString::BackgroundMissing));
}

void TFrameWindowForm::SaveDesktopSettings()
{
    try {
        qx::Registry reg;
        if (!reg.OpenKey(kStructuresKey, true))
            throw qx::RegistryError(reg.LastError());
        reg.WriteBinary(kDesktopValue, desktop_.Bytes());
    } catch (const std::exception&) {
        ReportKernelWarning(kModule, KernelObjectOf(this), "Unable to save registry desktop settings.");
    }
}

void TFrameWindowForm::paintDesktop()
{
    // The area fills itself with its background brush from its top-left
    // corner on every repaint: a colour, or the picture repeated unscaled.
    QBrush brush = QApplication::palette().brush(QPalette::Dark);
    const TDesktopRecord::Set set = desktop_.AppliedSet(fullScreenSwitch_);
    switch (desktop_.GetMode(set)) {
    case TDesktopRecord::SolidColor:
        brush = QBrush(desktop_.GetColor(set));
        break;
    case TDesktopRecord::TiledImage:
        if (desktopImage_.width() > 0 && desktopImage_.height() > 0)
            brush = QBrush(desktopImage_);
        break;
    default:
        break;
    }
    mdiArea_->setBackground(brush);
    mdiArea_->viewport()->update();
}

void TFrameWindowForm::Action_ViewDesktopOptionsExecute()
{
    TDesktopOptionsForm form(desktop_, this);
    if (form.exec() == QDialog::Accepted)
        SaveDesktopSettings();
    loadDesktopSettings();
}

void TFrameWindowForm::Action_FileSettingsStartupExecute()
{
    TStartupSetupForm form(this);
    form.exec();
}

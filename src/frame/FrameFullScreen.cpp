// Full-screen mode: only the menu toolbar and the document area cover the
// screen. Switching either way closes the documents first (the frame's close
// query) and counts as a new show of the frame; the layout of toolbars and
// the stored properties are saved on the way in and come back on the way out.
#include "frame/FrameWindow.h"

#include "frame/FrameStatusBar.h"
#include "platform/Registry.h"

#include <QScreen>
#include <QToolBar>

void TFrameWindowForm::Action_ViewFullscreenExecute()
{
    if (!FormCloseQuery()) {
        Action(FrameAction::ViewFullscreen)->setChecked(fullScreenSwitch_);
        return;
    }
    if (fullScreenSwitch_)
        leaveFullScreen();
    else
        enterFullScreen();
    formShow();
}

void TFrameWindowForm::enterFullScreen()
{
    {
        qx::RegistryBatch batch; // the properties and the layout in one write
        saveStoredProperties();
        saveToolbarLayout();
    }
    for (QWidget* panel : Panels())
        panel->hide();
    statusBarShownBeforeFullScreen_ = !statusBar_->isHidden();
    statusBar_->hide();
    fullScreenSwitch_ = true;
    // Files dropped from the shell are not taken in full-screen mode.
    setAcceptDrops(false);
    // Covers the screen also where no window manager honours the request.
    if (QScreen* display = screen())
        setGeometry(display->geometry());
    showFullScreen();
    menuToolbar_->show();
    Action(FrameAction::ViewFullscreen)->setChecked(true);
}

void TFrameWindowForm::leaveFullScreen()
{
    fullScreenSwitch_ = false;
    showNormal();
    statusBar_->setVisible(statusBarShownBeforeFullScreen_);
    // The placement stored on the way in brings back the frame's size and
    // place, maximized if it was.
    loadStoredProperties();
    Action(FrameAction::ViewFullscreen)->setChecked(false);
}

// The frame's symbol outline: the dock, its menu command, and what feeds it
// (the active document window, its text changes) and what it asks of the
// frame (bringing the document forward when a symbol is chosen).
#include "frame/FrameWindow.h"

#include "QX_Types.h"
#include "outline/OutlinePanel.h"
#include "plugins/PluginWindowList.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>

void TFrameWindowForm::createOutlinePanel()
{
    outline_ = new TOutlinePanel(this);
    addDockWidget(Qt::RightDockWidgetArea, outline_);
    outline_->hide();
    outline_->OnShowDocument = [this](TQX_PluginWindow* window, bool focus) {
        if (QMdiSubWindow* sub = subWindowOf(window); sub && mdiArea_->currentSubWindow() != sub)
            mdiArea_->setActiveSubWindow(sub);
        if (focus)
            FocusDocument(window);
    };
    // The current window of the document area stays current while the
    // program is in the background, so the outline keeps its document then.
    connect(mdiArea_, &QMdiArea::subWindowActivated, outline_,
        [this] { outline_->SetDocument(GetActiveDocumentWindow()); });
    connect(outline_, &QDockWidget::visibilityChanged, this,
        [this] { Action(FrameAction::ViewOutline)->setChecked(outline_->isVisible()); });
}

void TFrameWindowForm::DocumentTextChanged(TQX_PluginWindow* window)
{
    outline_->DocumentTextChanged(window);
}

void TFrameWindowForm::Action_ViewOutlineExecute()
{
    const bool show = !outline_->isVisible();
    if (show)
        outline_->SetDocument(GetActiveDocumentWindow());
    outline_->setVisible(show);
    Action(FrameAction::ViewOutline)->setChecked(show);
    if (show) {
        outline_->raise();
        outline_->FilterEdit()->setFocus(Qt::ShortcutFocusReason);
    }
}

// The update cycle: one debounced pass that recomputes the actions, the
// frame title and the status bar from the document windows.
#include "frame/FrameWindow.h"

#include "QX_Types.h"
#include "frame/FrameStatusBar.h"
#include "frame/FrameStrings.h"
#include "frame/KeyIndicators.h"
#include "kernel/AppInfo.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "plugins/PluginWindowList.h"
#include "projects/Projects.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QTimer>

namespace {

using A = FrameAction;

QString fileNameOnly(const QString& path)
{
    return QFileInfo(path).fileName();
}

// "name.ext" or "Nový dokument", with " (*)" while modified.
QString documentCaption(const TQX_PluginWindow* window)
{
    return (window->FileName.isEmpty() ? FrameText(FrameString::NewDocument) : fileNameOnly(window->FileName))
        + (window->Modified ? QStringLiteral(" (*)") : QString());
}

} // namespace

void TFrameWindowForm::UpdateToolbars()
{
    toolbarUpdateTimer_->stop();
    ++updateCount_;
    updateCaptionButtons();
    TQX_PluginWindow* active = GetActiveDocumentWindow();
    if (active) {
        updateCommandActions(active->Commands);
        updateDocumentPanel(active);
        // A named document can always be mailed as an attachment.
        if (!active->FileName.isEmpty())
            Action(A::FileSendMailRecipient)->setEnabled(true);
    } else {
        updateCommandActions(TQX_CommandSet {});
        updateDocumentPanel(nullptr);
    }
    updateSaveAllAction();
    updateDocumentCaptions();
    updateFrameTitle();
    statusBar_->PanelAt(TFrameStatusBar::IconPanel)->update();
    statusBar_->PanelAt(TFrameStatusBar::ProgressPanel)->update();
    updateWindowActions(GetDocumentWindowCount());
}

void TFrameWindowForm::updateCommandActions(const TQX_CommandSet& commands)
{
    for (int i = 0; i < kFrameActionCount; ++i) {
        const TFrameActionDef& def = FrameActionDef(FrameAction(i));
        if (def.code != kNoCommand)
            actions_[size_t(i)]->setEnabled(commands.Contains(def.code));
    }
}

void TFrameWindowForm::updateDocumentPanel(TQX_PluginWindow* window)
{
    const bool named = window && !window->FileName.isEmpty();
    const QString text = window ? documentCaption(window) : FrameText(FrameString::NoDocument);
    Action(A::FileProperties)->setEnabled(named);
    Action(A::FileSendDesktop)->setEnabled(named);
    statusBar_->SetPanelText(TFrameStatusBar::DocumentPanel, QLatin1Char(' ') + text);
}

void TFrameWindowForm::updateDocumentCaptions()
{
    // Windows that give themselves no caption are captioned after their
    // document, the way the document panel names it.
    for (int i = 0; i < GetDocumentWindowCount(); ++i) {
        TQX_PluginWindow* window = GetDocumentWindow(i);
        QMdiSubWindow* sub = subWindowOf(window);
        if (!sub || !window->windowTitle().isEmpty())
            continue;
        const QString caption = documentCaption(window);
        if (sub->windowTitle() != caption)
            sub->setWindowTitle(caption);
    }
}

void TFrameWindowForm::updateSaveAllAction()
{
    bool any = Action(A::FileSave)->isEnabled();
    for (int i = 0; !any && i < GetDocumentWindowCount(); ++i)
        any = GetDocumentWindow(i)->Commands.Contains(QXC_SAVE);
    Action(A::FileSaveAll)->setEnabled(any);
}

void TFrameWindowForm::updateFrameTitle()
{
    TQX_PluginWindow* active = GetActiveDocumentWindow();
    const QString file = active ? active->FileName : QString();
    QMdiSubWindow* sub = active ? subWindowOf(active) : nullptr;
    const QString child = sub && sub->isMaximized() ? sub->windowTitle() : QString();
    const QString separator = QString::fromStdString(GetCaptionSeparator());

    QString title = QString::fromUtf8(kApplicationTitle);
    if (project_) {
        title += separator + FrameText(FrameString::ProjectTitle).arg(QString::fromStdString(project_->Name()));
        if (TWorkspace* workspace = project_->DefaultWorkspace())
            title += QStringLiteral(", ") + QString::fromStdString(workspace->Name());
    }
    Action(A::DocsAddCurrFile)->setEnabled(!file.isEmpty());
    if (!file.isEmpty())
        title += separator + fileNameOnly(file);

    // A maximized window has no caption of its own (its buttons are on the
    // menu toolbar): its caption joins the frame's title as
    // "<title> - [<caption>]".
    const QString expected = child.isEmpty() ? title : title + QStringLiteral(" - [") + child + QLatin1Char(']');
    if (windowTitle() != expected) {
        setWindowTitle(expected);
        highlightDocument(file);
    }
}

void TFrameWindowForm::updateWindowActions(int windowCount)
{
    for (A id : {A::WindowCascade, A::WindowArrange, A::WindowArrangeV, A::WindowArrangeIcons, A::WindowClose,
             A::WindowMinimize, A::WindowRestore, A::WindowCloseAll})
        Action(id)->setEnabled(windowCount > 0);
    Action(A::WindowNext)->setEnabled(windowCount > 1);
    Action(A::WindowPrevious)->setEnabled(windowCount > 1);
}

void TFrameWindowForm::UpdateProjectActions()
{
    // Demo mode shows every command enabled for the whole run.
    if (DemoMode())
        return;
    const bool open = project_ != nullptr;
    for (A id : {A::ProjectSave, A::ProjectClose, A::ProjectSetup, A::ProjectNewWorkspace})
        Action(id)->setEnabled(open);
    Action(A::ProjectOpenWorkspace)->setEnabled(open && project_->Workspaces.GetWorkspaceCount() > 0);
    const bool workspace = open && project_->DefaultWorkspace();
    Action(A::ProjectSaveWorkspace)->setEnabled(workspace);
    Action(A::ProjectDeleteWorkspace)->setEnabled(workspace);
}

void TFrameWindowForm::updateKeyIndicators()
{
    statusBar_->SetPanelText(TFrameStatusBar::IndicatorPanel, QLatin1String(LockKeyIndicatorText(ReadLockKeyStates())));
}

// ---------------------------------------------------------------------------
// Status bar
// ---------------------------------------------------------------------------

void TFrameWindowForm::drawIconPanel(QPainter& painter, const QRect& rect)
{
    TQX_PluginWindow* active = GetActiveDocumentWindow();
    QMdiSubWindow* sub = active ? subWindowOf(active) : nullptr;
    if (!sub || sub->windowIcon().isNull())
        return;
    const QPoint at(rect.left() + rect.width() / 2 - 8, rect.top() + (rect.height() - 16) / 2);
    sub->windowIcon().paint(&painter, QRect(at, QSize(16, 16)));
}

void TFrameWindowForm::drawProgressPanel(QPainter& painter, const QRect& rect)
{
    if (progressMaximum_ == 0)
        return;
    const int width = TFrameStatusBar::ProgressFillWidth(progressPosition_, progressMaximum_, rect.width());
    if (width <= 0)
        return;
    painter.fillRect(QRect(QPoint(rect.left() + 2, rect.top() + 2), QPoint(rect.left() + 2 + width - 1, rect.bottom() - 2)),
        palette().color(QPalette::Highlight));
}

void TFrameWindowForm::SetStatusBarMessage(const QString& text)
{
    switchStatusBarTimer_->start();
    statusBar_->ShowSimpleMessage(text);
}

void TFrameWindowForm::CancelStatusBarMessage()
{
    if (switchStatusBarTimer_->isActive())
        switchStatusBarTick();
}

void TFrameWindowForm::switchStatusBarTick()
{
    switchStatusBarTimer_->stop();
    statusBar_->ShowPanels();
}

void TFrameWindowForm::CheckPositiveResult(bool result, const QString& message)
{
    if (result)
        return;
    if (!switchStatusBarTimer_->isActive())
        switchStatusBarTimer_->start();
    statusBar_->ShowSimpleMessage(message);
    LogEvent("Server\\FrameWindow: CheckPositiveResult: Smart assertion failed. Message: [" + message.toStdString() + "]");
}

void TFrameWindowForm::SetProgressBarStatus(int position, int maximum)
{
    progressPosition_ = position;
    progressMaximum_ = maximum;
    if (progressMaximum_ < progressPosition_)
        progressPosition_ = progressMaximum_;
    if (progressPosition_ < 0)
        progressPosition_ = 0;
    if (progressMaximum_ < 0)
        progressMaximum_ = 0;
    if (progressMaximum_ != 0)
        progressBarResetTimer_->start();
    statusBar_->PanelAt(TFrameStatusBar::ProgressPanel)->update();
}

void TFrameWindowForm::ResetProgressBar()
{
    progressBarResetTimer_->stop();
    SetProgressBarStatus(0, 0);
}

void TFrameWindowForm::GetProgressBarStatus(int& position, int& maximum) const
{
    position = progressPosition_;
    maximum = progressMaximum_;
}

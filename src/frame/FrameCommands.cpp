// Command routing: document commands go to the active document window; the
// frame adds backups before saving, the mail fallback, window arrangement
// and the view toggles.
#include "frame/FrameWindow.h"

#include "QX_Types.h"
#include "files/DesktopShortcut.h"
#include "files/FileProps.h"
#include "frame/FrameStatusBar.h"
#include "frame/FrameStrings.h"
#include "kernel/AppInfo.h"
#include "kernel/Settings.h"
#include "mail/SendMail.h"
#include "platform/Shell.h"
#include "plugins/PluginWindowList.h"
#include "tools/ExternalTools.h"
#include "ui/AboutBoxes.h"
#include "ui/TipOfTheDay.h"
#include "ui/UndoRedoSelection.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QUrl>

#include <cmath>

namespace {
using A = FrameAction;
} // namespace

QMdiSubWindow* TFrameWindowForm::subWindowOf(TQX_PluginWindow* window) const
{
    for (QWidget* w = window ? window->parentWidget() : nullptr; w; w = w->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w))
            return sub;
    return nullptr;
}

void TFrameWindowForm::forwardCommand(int code)
{
    // The command set is not consulted: a script or a shortcut may send a
    // command the toolbar shows disabled, and the window decides.
    if (TQX_PluginWindow* window = GetActiveDocumentWindow())
        window->Command(uint8_t(code), nullptr);
}

void TFrameWindowForm::saveActive(int code)
{
    if (TQX_PluginWindow* window = GetActiveDocumentWindow())
        saveDocument(window, code);
}

void TFrameWindowForm::saveDocument(TQX_PluginWindow* window, int code)
{
    // A failed backup is reported but does not stop the save.
    QString reason;
    if (!window->FileName.isEmpty() && !MakeBackup(window->FileName, &reason))
        CheckPositiveResult(false, reason.isEmpty() ? FrameText(FrameString::BackupFailed)
                                                    : FrameText(FrameString::BackupFailed) + QLatin1Char(' ') + reason);
    window->Command(uint8_t(code), nullptr);
}

void TFrameWindowForm::Action_FileSaveExecute()
{
    saveActive(QXC_SAVE);
}

void TFrameWindowForm::Action_FileSaveAsExecute()
{
    saveActive(QXC_SAVEAS);
}

void TFrameWindowForm::Action_FileSaveAllExecute()
{
    // A save may close or open windows; walk a snapshot and skip the gone.
    std::vector<QPointer<TQX_PluginWindow>> windows;
    for (int i = 0; i < GetDocumentWindowCount(); ++i)
        windows.emplace_back(GetDocumentWindow(i));
    for (const QPointer<TQX_PluginWindow>& window : windows)
        if (window && window->Commands.Contains(QXC_SAVE))
            window->Command(QXC_SAVE, nullptr);
}

void TFrameWindowForm::Action_FileSendMailRecipientExecute()
{
    TQX_PluginWindow* window = GetActiveDocumentWindow();
    if (!window)
        return;
    if (window->Commands.Contains(QXC_SENDMAIL)) {
        window->Command(QXC_SENDMAIL, nullptr);
        return;
    }
    if (window->FileName.isEmpty())
        return;
    showMailDialog(window->FileName, FrameText(FrameString::MailSubject).arg(QFileInfo(window->FileName).fileName()),
        window->FileName);
}

void TFrameWindowForm::showMailDialog(const QString& attachment, const QString& subject, const QString& body)
{
    TMailFields fields;
    fields.Attachments = attachment;
    fields.Subject = subject;
    fields.Text = body;
    ComposeMail(this, fields);
}

void TFrameWindowForm::Action_FilePropertiesExecute()
{
    TQX_PluginWindow* window = GetActiveDocumentWindow();
    if (window && !window->FileName.isEmpty())
        showFileProperties(window->FileName);
}

void TFrameWindowForm::showFileProperties(const QString& fileName)
{
    ShowFileProperties(this, fileName);
}

void TFrameWindowForm::Action_FileSendDesktopExecute()
{
    TQX_PluginWindow* window = GetActiveDocumentWindow();
    if (!window || window->FileName.isEmpty())
        return;
    // A write failure raises and reaches the kernel's report; no success box then.
    SendToDesktop(this, window->FileName);
}

void TFrameWindowForm::Action_FileExitExecute()
{
    close();
}

// ---------------------------------------------------------------------------
// Undo and redo lists
// ---------------------------------------------------------------------------

void TFrameWindowForm::ShowUndoRedoList(bool undo)
{
    TQX_PluginWindow* window = GetActiveDocumentWindow();
    const int listCode = undo ? QXC_UNDOLIST : QXC_REDOLIST;
    if (!window || !window->Commands.Contains(listCode))
        return;
    QStringList steps;
    window->Command(uint8_t(listCode), &steps);
    const uint8_t stepCode = undo ? QXC_UNDO : QXC_REDO;
    auto* popup = new TUndoRedoSelectionForm(undo ? TUndoRedoSelectionForm::Mode::Undo : TUndoRedoSelectionForm::Mode::Redo,
        steps,
        [stepCode](int count) {
            for (int i = 0; i < count; ++i)
                if (TQX_PluginWindow* target = GetActiveDocumentWindow())
                    target->Command(stepCode, nullptr);
        },
        this);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    const char* buttonName = undo ? "ToolbarButtonEditUndo" : "ToolbarButtonEditRedo";
    if (auto* button = findChild<QToolButton*>(QLatin1String(buttonName)); button && button->isVisible())
        popup->move(button->mapToGlobal(QPoint(0, button->height())));
    popup->show();
}

// ---------------------------------------------------------------------------
// Window commands
// ---------------------------------------------------------------------------

void TFrameWindowForm::Action_WindowNextExecute()
{
    mdiArea_->activateNextSubWindow();
}

void TFrameWindowForm::Action_WindowPreviousExecute()
{
    mdiArea_->activatePreviousSubWindow();
}

void TFrameWindowForm::Action_WindowCascadeExecute()
{
    mdiArea_->cascadeSubWindows();
}

void TFrameWindowForm::Action_WindowArrangeExecute()
{
    tileSubWindows(true);
}

void TFrameWindowForm::Action_WindowArrangeVExecute()
{
    tileSubWindows(false);
}

void TFrameWindowForm::tileSubWindows(bool horizontal)
{
    std::vector<QMdiSubWindow*> windows;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder))
        if (sub->isVisible() && !sub->isMinimized())
            windows.push_back(sub);
    if (windows.empty())
        return;
    // Horizontal tiling stacks the windows in rows, vertical tiling puts them
    // side by side; more than three windows make a grid.
    const int n = int(windows.size());
    int across = n <= 3 ? 1 : int(std::ceil(std::sqrt(double(n))));
    int along = (n + across - 1) / across;
    const QRect area = mdiArea_->viewport()->rect();
    for (int i = 0; i < n; ++i) {
        int lane = i / along, slot = i % along;
        int inLane = std::min(along, n - lane * along);
        QRect r;
        if (horizontal) {
            int w = area.width() / across, h = area.height() / inLane;
            r = QRect(lane * w, slot * h, w, h);
        } else {
            int w = area.width() / inLane, h = area.height() / across;
            r = QRect(slot * w, lane * h, w, h);
        }
        windows[size_t(i)]->showNormal();
        windows[size_t(i)]->setGeometry(r);
    }
}

void TFrameWindowForm::Action_WindowArrangeIconsExecute()
{
    // Minimized windows line up along the bottom edge, left to right.
    const QRect area = mdiArea_->viewport()->rect();
    int x = 0, y = area.bottom();
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isMinimized())
            continue;
        QSize size = sub->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            y -= size.height();
        }
        sub->move(x, y - size.height() + 1);
        x += size.width();
    }
}

void TFrameWindowForm::Action_WindowMinimizeExecute()
{
    if (QMdiSubWindow* sub = subWindowOf(GetActiveDocumentWindow()))
        sub->showMinimized();
}

void TFrameWindowForm::Action_WindowRestoreExecute()
{
    if (QMdiSubWindow* sub = subWindowOf(GetActiveDocumentWindow()))
        sub->showNormal();
}

// ---------------------------------------------------------------------------
// View
// ---------------------------------------------------------------------------

void TFrameWindowForm::Action_ViewNotepadExecute()
{
    notepadToolWindow_->setVisible(!notepadToolWindow_->isVisible());
    Action(A::ViewNotepad)->setChecked(notepadToolWindow_->isVisible());
}

void TFrameWindowForm::Action_ViewStatusbarExecute()
{
    QAction* statusBarAction = Action(A::StatusBar);
    statusBarAction->setChecked(!statusBarAction->isChecked());
    Action_StatusBarExecute();
}

void TFrameWindowForm::Action_StatusBarExecute()
{
    const bool shown = Action(A::StatusBar)->isChecked();
    statusBar_->setVisible(shown);
    Action(A::ViewStatusbar)->setChecked(shown);
}

void TFrameWindowForm::Action_HelpIndexExecute()
{
    ExecuteFile(QLatin1Char('"') + QString::fromStdString(GetSharedDataDirectory()) + QStringLiteral("Qxrel32.hlp\""),
        false);
}

void TFrameWindowForm::Action_HelpWWWExecute()
{
    // Without a browser the address is shown where the user can select and
    // copy it.
    QPointer<TFrameWindowForm> frame(this);
    qx::OpenWebPage(QUrl(ProductWebPage()), [frame] {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Quorvix 2"),
            FrameText(FrameString::NoWebBrowser).arg(ProductWebPage()), QMessageBox::Ok,
            frame ? frame->MainWindow() : nullptr);
        box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        box.exec();
    });
}

void TFrameWindowForm::Action_HelpTipExecute()
{
    ShowTipOfTheDay();
    Action(A::HelpTip)->setChecked(TipOfTheDayEnabled());
}

void TFrameWindowForm::Action_HelpAboutExecute()
{
    TAboutAppForm about(this);
    about.exec();
}

// ---------------------------------------------------------------------------
// Application events: hints, activation, keys, drops
// ---------------------------------------------------------------------------

bool TFrameWindowForm::event(QEvent* event)
{
    // Hints go to their own panel instead of replacing the panels.
    if (event->type() == QEvent::StatusTip) {
        statusBar_->SetPanelText(TFrameStatusBar::HintPanel,
            QLatin1Char(' ') + static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TFrameWindowForm::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        updateKeyIndicators();
    QMainWindow::changeEvent(event);
}

bool TFrameWindowForm::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // Every key that reaches a widget of the frame updates the lock
        // indicators first.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this)
            updateKeyIndicators();
        if (event->type() == QEvent::KeyPress && previewKey(watched, static_cast<QKeyEvent*>(event)))
            return true;
        break;
    }
    case QEvent::ShortcutOverride:
        if (previewKey(watched, static_cast<QKeyEvent*>(event)))
            return true;
        break;
    case QEvent::MouseButtonPress:
    case QEvent::Show:
        // A click on a toolbar button or a menu that opens shows and runs
        // the commands as they are now.
        if (event->type() == QEvent::MouseButtonPress || qobject_cast<QMenu*>(watched))
            BringActionsUpToDate();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFrameWindowForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TFrameWindowForm::dropEvent(QDropEvent* event)
{
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    event->acceptProposedAction();
    for (const QString& file : files)
        OpenFile(file, DefaultEntryID());
}


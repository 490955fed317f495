// Find in files from the frame: the dialog with its folder chosen from the
// active document or the project, and the results panel whose lines open in
// the editor the way the tool output's references do.
#include "frame/FrameWindow.h"

#include "QX_Types.h"
#include "kernel/Kernel.h"
#include "plugins/PluginWindowList.h"
#include "projects/Projects.h"
#include "search/FindInFilesDialog.h"
#include "search/FindInFilesPanel.h"
#include "tools/ExternalTools.h"

#include <QMessageBox>

void TFrameWindowForm::createFindInFilesPanel()
{
    findInFiles_ = new TFindInFilesPanel(this);
    addDockWidget(Qt::BottomDockWidgetArea, findInFiles_);
    findInFiles_->hide();
    findInFiles_->OnOpenLocation = [this](const QString& file, int line, int column) {
        OpenFileAtLine(file, line, column);
    };
}

QString TFrameWindowForm::FindInFilesFolder() const
{
    if (TQX_PluginWindow* window = GetActiveDocumentWindow(); window && !window->FileName.isEmpty())
        return FolderOfFile(window->FileName);
    if (project_ && !project_->DefaultDir.empty())
        return QString::fromStdString(project_->DefaultDir);
    return {};
}

void TFrameWindowForm::Action_EditFindInFilesExecute()
{
    TFindInFilesForm form(TFindInFilesSettings::Load(), FindInFilesFolder(), this);
    if (form.exec() != QDialog::Accepted)
        return;
    const TFindInFilesSettings settings = form.Result();
    if (!settings.Save())
        ReportKernelWarning("Server\\FrameWindow", KernelObjectOf(this), "Unable to save the find in files settings.");
    QString error;
    if (!findInFiles_->Start(form.SearchOptions(), &error)) {
        // The folder went away between the dialog's check and the start.
        QMessageBox::warning(this, QStringLiteral("Quorvix 2"), error);
        return;
    }
    findInFiles_->show();
    findInFiles_->raise();
}

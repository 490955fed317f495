// Host functions: dialogs and messages.
#include "scripting/HostFunctions.h"

#include "files/ExtOpenDialog.h"
#include "kernel/AppInfo.h"
#include "mail/SendMail.h"
#include "scripting/ScriptListDialog.h"
#include "ui/DialogSupport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QStandardPaths>

namespace qx::host {

namespace {

QString title()
{
    return QString::fromUtf8(kApplicationTitle);
}

int messageBox(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, title(), text, buttons, DialogOwner());
    return ExecHostDialog(box);
}

// The standard one-line input box; true on OK with the entered text in text.
bool inputBox(const QString& caption, const QString& prompt, QString& text)
{
    QInputDialog dialog(DialogOwner());
    dialog.setObjectName(QStringLiteral("ScriptInputBox"));
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(text);
    if (ExecHostDialog(dialog) != QDialog::Accepted)
        return false;
    text = dialog.textValue();
    return true;
}

// ShowListDialog and ShowCheckListDialog: the selected position after OK,
// else -1. With checks, the first min(lines, checks) items start with the
// given states and hand their states back, confirmed or not; further
// elements of the check array have no item and keep their values.
int32_t listDialog(const TScriptHostCall& c, TQXVariant* checks)
{
    TScriptListDialogForm form(DialogOwner());
    form.setWindowTitle(ArgText(c, 0));
    form.Label1->setText(ArgText(c, 1));
    const QStringList lines = ArrayTexts(c.Var(2));
    form.SetLines(lines, checks != nullptr);
    const int32_t paired = checks ? std::min<int32_t>(ArrayLength(checks), int32_t(lines.size())) : 0;
    for (int32_t i = 0; i < paired; ++i)
        form.SetChecked(i, ValueAsBoolean(ArrayElement(checks, i)));
    const bool confirmed = ExecHostDialog(form) == QDialog::Accepted;
    for (int32_t i = 0; i < paired; ++i)
        StoreBoolean(ArrayElement(checks, i), form.IsChecked(i));
    return confirmed ? form.SelectedIndex() : -1;
}

QString joined(TQXVariant* array)
{
    return ArrayTexts(array).join(QLatin1Char(';'));
}

} // namespace

void AddDialogFunctions(HostFunctionMap& map)
{
    map["AskUser"] = [](const TScriptHostCall& c) {
        c.ReturnBoolean(messageBox(QMessageBox::Question, ArgText(c, 0), QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes);
    };
    map["ShowMessage"] = [](const TScriptHostCall& c) {
        messageBox(QMessageBox::Information, ArgText(c, 0), QMessageBox::Ok);
    };
    map["InputBox"] = [](const TScriptHostCall& c) {
        QString text = ArgText(c, 2);
        if (!inputBox(ArgText(c, 0), ArgText(c, 1), text))
            text = ArgText(c, 2);
        StoreText(c.Result, text);
    };
    map["InputQuery"] = [](const TScriptHostCall& c) {
        QString text = ArgText(c, 2);
        const bool ok = inputBox(ArgText(c, 0), ArgText(c, 1), text);
        if (ok)
            StoreText(c.Var(2), text);
        c.ReturnBoolean(ok);
    };
    map["ShowListDialog"] = [](const TScriptHostCall& c) { c.ReturnInteger(listDialog(c, nullptr)); };
    map["ShowCheckListDialog"] = [](const TScriptHostCall& c) { c.ReturnInteger(listDialog(c, c.Var(3))); };
    map["SelectDirectory"] = [](const TScriptHostCall& c) {
        // The desktop, or the home folder where there is no desktop folder (a
        // missing start folder would leave its name typed in the dialog).
        QString start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        if (!QFileInfo(start).isDir())
            start = QDir::homePath();
        QFileDialog dialog(DialogOwner(), ArgText(c, 0), start);
        dialog.setObjectName(QStringLiteral("ScriptSelectDirectory"));
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        QString directory;
        const bool chosen = ExecHostDialog(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
        if (chosen) {
            directory = dialog.selectedFiles().first();
            if (!directory.endsWith(QLatin1Char('/')))
                directory += QLatin1Char('/');
        }
        StoreText(c.Var(1), directory);
        c.ReturnBoolean(chosen);
    };
    map["SelectFiles"] = [](const TScriptHostCall& c) {
        QString filter = AllFilesFilter();
        const QString own = ArgText(c, 1);
        if (!own.isEmpty())
            filter += QLatin1Char('|') + own;
        TExtOpenChoice choice;
        const bool confirmed = ShowExtOpenDialog(DialogOwner(), {filter, own.isEmpty(), ArgText(c, 0)}, choice);
        if (confirmed)
            StoreTexts(c.Var(2), choice.Files);
        c.ReturnBoolean(confirmed);
    };
    map["SendMail"] = [](const TScriptHostCall& c) {
        TMailFields mail;
        mail.To = ArgText(c, 0);
        mail.Subject = ArgText(c, 1);
        mail.Text = ArgText(c, 2);
        c.ReturnBoolean(ComposeMail(DialogOwner(), mail));
    };
    map["SendMailEx"] = [](const TScriptHostCall& c) {
        TMailFields mail;
        mail.To = joined(c.Var(0));
        mail.Cc = joined(c.Var(1));
        mail.Attachments = joined(c.Var(2));
        mail.Subject = ArgText(c, 3);
        mail.Text = ArgText(c, 4);
        c.ReturnBoolean(ComposeMail(DialogOwner(), mail));
    };
}

} // namespace qx::host

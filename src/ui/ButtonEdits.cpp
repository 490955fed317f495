#include "ui/ButtonEdits.h"

#include "ui/DialogSupport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

TButtonEdit::TButtonEdit(QWidget* parent)
    : QWidget(parent)
{
    Edit = new QLineEdit(this);
    Button = new QToolButton(this);
    Button->setText(QStringLiteral("..."));
    Button->setToolTip(QStringLiteral("Procházet"));
    Button->setFocusPolicy(Qt::TabFocus);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(Edit, 1);
    row->addWidget(Button);
    setFocusProxy(Edit);
    connect(Edit, &QLineEdit::textChanged, this, &TButtonEdit::textChanged);
    connect(Button, &QToolButton::clicked, this, [this] {
        const QString chosen = browse();
        if (!chosen.isEmpty())
            Edit->setText(chosen);
    });
}

QString TButtonEdit::text() const
{
    return Edit->text();
}

void TButtonEdit::setText(const QString& text)
{
    Edit->setText(text);
}

TDirectoryEdit::TDirectoryEdit(QWidget* parent)
    : TButtonEdit(parent)
{
}

QString TDirectoryEdit::browse()
{
    QFileDialog dialog(window(), QStringLiteral("Vyberte složku"), text());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Vyberte složku:"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    QString folder = QDir::toNativeSeparators(dialog.selectedFiles().first());
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

TFilenameEdit::TFilenameEdit(const QString& filter, QWidget* parent)
    : TButtonEdit(parent)
    , filter_(filter)
{
}

QString TFilenameEdit::browse()
{
    QFileDialog dialog(window(), QString(), QFileInfo(text()).path());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(OpenFilterToNameFilters(filter_));
    if (!text().isEmpty())
        dialog.selectFile(text());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().first());
}

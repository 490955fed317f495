#include "projects/ProjectDialogSupport.h"

#include "kernel/Settings.h"

#include <QDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

void PrepareProjectDialog(QDialog* dialog, const QString& caption)
{
    dialog->setWindowTitle(caption);
    dialog->setFont(QFont(QString::fromStdString(GetShellFont())));
    dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

QTreeWidget* NewFileListView(QDialog* dialog)
{
    auto* list = new QTreeWidget(dialog);
    list->setColumnCount(2);
    list->setHeaderLabels({QStringLiteral("Soubor"), QStringLiteral("Cesta")});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->header()->setStretchLastSection(true);
    list->header()->resizeSection(0, 160);
    return list;
}

void AddFileLine(QTreeWidget* list, const QString& path)
{
    static QFileIconProvider icons;
    QFileInfo info(path);
    auto* item = new QTreeWidgetItem(list, {info.fileName(), path});
    item->setIcon(0, info.exists() ? icons.icon(info) : icons.icon(QFileIconProvider::File));
}

void CentreOnOwner(QDialog* dialog)
{
    if (QWidget* owner = dialog->parentWidget())
        dialog->move(owner->window()->frameGeometry().center() - dialog->rect().center());
}

void AddOkCancelRow(QDialog* dialog, QVBoxLayout* layout, QPushButton*& ok, QPushButton*& cancel)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    ok = new QPushButton(QStringLiteral("&OK"), dialog);
    cancel = new QPushButton(QStringLiteral("&Storno"), dialog);
    ok->setDefault(true);
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}

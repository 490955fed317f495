#include "ui/DialogSupport.h"

#include "kernel/Settings.h"

#include <QDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QVBoxLayout>

void PrepareDialog(QDialog* dialog, const char* objectName, const QString& caption)
{
    dialog->setObjectName(QLatin1String(objectName));
    dialog->setWindowTitle(caption);
    dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont shellFont = dialog->font();
    shellFont.setFamily(QString::fromStdString(GetShellFont()));
    dialog->setFont(shellFont);
}

QHBoxLayout* NewPictureRow(QDialog* dialog, const QString& picture, const QString& text, QLabel*& image, QLabel*& label)
{
    image = new QLabel(dialog);
    image->setPixmap(QIcon(picture).pixmap(48, 48));
    image->setAlignment(Qt::AlignTop);
    label = new QLabel(text, dialog);
    label->setWordWrap(true);
    auto* row = new QHBoxLayout;
    row->addWidget(image);
    row->addWidget(label, 1);
    return row;
}

QTreeWidget* NewSingleColumnList(QDialog* dialog)
{
    auto* list = new QTreeWidget(dialog);
    list->setObjectName(QStringLiteral("ListView"));
    list->setColumnCount(1);
    list->setRootIsDecorated(false);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

QHBoxLayout* NewOkCancelRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel)
{
    ok = new QPushButton(QStringLiteral("&OK"), dialog);
    cancel = new QPushButton(QStringLiteral("&Storno"), dialog);
    ok->setDefault(true);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

void AddOkCancelRow(QDialog* dialog, QVBoxLayout* layout, QPushButton*& ok, QPushButton*& cancel)
{
    layout->addLayout(NewOkCancelRow(dialog, ok, cancel));
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
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

QStringList OpenFilterToNameFilters(const QString& filter)
{
    // "Description|*.a;*.b|..." pairs become "Description (*.a *.b)". A
    // description that already ends with its patterns in parentheses keeps
    // only the new ones, and "*.*" means every file here, dot or not.
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingPatterns);
        QStringList patterns;
        for (QString pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            pattern = pattern.trimmed();
            patterns.append(pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        result.append(description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return result;
}

QString AllFilesFilter()
{
    return QStringLiteral("Všechny soubory (*.*)|*.*");
}

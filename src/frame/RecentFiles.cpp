#include "frame/RecentFiles.h"

#include "kernel/Settings.h"
#include "platform/Registry.h"

#include <QFile>

#include <filesystem>

const char* const kRecentFilesKey = "Software\\Quorvix\\Frame\\TFrameWindowForm.MRUManager";

bool SameDocumentPath(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    if (a.isEmpty() || b.isEmpty() || a.compare(b, Qt::CaseInsensitive) != 0)
        return false;
    std::error_code ec;
    return std::filesystem::equivalent(QFile::encodeName(a).toStdString(), QFile::encodeName(b).toStdString(), ec)
        && !ec;
}

void TRecentFiles::Add(const QString& path)
{
    for (int i = 0; i < items_.size(); ++i) {
        if (SameDocumentPath(items_[i], path)) {
            items_.removeAt(i);
            break;
        }
    }
    items_.prepend(path);
    while (items_.size() > kRecentFilesCapacity)
        items_.removeLast();
    changed();
}

void TRecentFiles::Clear()
{
    items_.clear();
    changed();
}

void TRecentFiles::Load()
{
    items_.clear();
    try {
        qx::Registry reg;
        if (reg.OpenKey(kRecentFilesKey, false)) {
            for (int i = 0; i < kRecentFilesCapacity; ++i) {
                std::string name = "Item_" + std::to_string(i);
                if (!reg.ValueExists(name) || reg.GetDataType(name) != qx::RegDataType::String)
                    continue;
                QString path = QString::fromStdString(reg.ReadString(name));
                if (!path.isEmpty())
                    items_.append(path);
            }
        }
    } catch (const std::exception&) {
        items_.clear();
    }
    changed();
}

bool TRecentFiles::Save() const
{
    try {
        qx::Registry reg;
        reg.DeleteKey(kRecentFilesKey);
        if (!reg.OpenKey(kRecentFilesKey, true))
            return false;
        for (int i = 0; i < items_.size(); ++i)
            reg.WriteString("Item_" + std::to_string(i), items_[i].toStdString());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

QString TRecentFiles::MenuCaption(int index, const QString& path)
{
    const int k = index + 1;
    QChar key = k <= 9 ? QChar(u'0' + k) : QChar(u'A' + (k - 10));
    return QStringLiteral("&") + key + QLatin1Char('\t') + path;
}

void TRecentFiles::changed()
{
    if (OnChange)
        OnChange();
}

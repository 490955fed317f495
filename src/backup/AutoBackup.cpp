#include "backup/AutoBackup.h"

#include "platform/FileWrite.h"
#include "platform/Registry.h"
#include "tools/ExternalTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

const size_t kEnabledAt = 0, kTargetAt = 1, kFolderAt = 2, kSameNameAt = 262, kPatternAt = 263;
const QChar kSeparator = QLatin1Char('/');

QByteArray fieldBytes(const QString& text)
{
    QString fitting = text;
    QByteArray bytes = fitting.toLocal8Bit();
    while (size_t(bytes.size()) >= kBackupTextField) {
        fitting.chop(1);
        bytes = fitting.toLocal8Bit();
    }
    return bytes;
}

void putText(std::vector<uint8_t>& record, size_t at, const QString& text)
{
    const QByteArray bytes = fieldBytes(text);
    std::copy(bytes.begin(), bytes.end(), record.begin() + qsizetype(at));
}

QString getText(const std::vector<uint8_t>& record, size_t at)
{
    // A field without its zero ends where the field ends, less the zero's place.
    const auto begin = record.begin() + qsizetype(at);
    const auto end = std::find(begin, begin + qsizetype(kBackupTextField - 1), uint8_t(0));
    return QString::fromLocal8Bit(reinterpret_cast<const char*>(&*begin), qsizetype(end - begin));
}

// A half-written backup never replaces a complete one: on a full disk the
// older backup stays.
bool copyFile(const QString& from, const QString& to, QString* reason)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        *reason = QStringLiteral("dokument nelze přečíst");
        return false;
    }
    qx::AtomicFileWriter target(QFile::encodeName(to).toStdString());
    bool ok = target.Open();
    QByteArray chunk;
    while (ok && !(chunk = source.read(1 << 20)).isEmpty())
        ok = target.Write(std::string_view(chunk.constData(), size_t(chunk.size())));
    if (ok && source.error() != QFileDevice::NoError) {
        *reason = QStringLiteral("dokument nelze přečíst");
        return false;
    }
    if (!ok || !target.Commit()) {
        *reason = QString::fromStdString(target.Reason());
        return false;
    }
    QFile::setPermissions(to, source.permissions());
    return true;
}

} // namespace

std::vector<uint8_t> BackupRecordBytes(const TBackupSettings& settings)
{
    std::vector<uint8_t> record(kBackupRecordSize, 0);
    record[kEnabledAt] = settings.Enabled;
    record[kTargetAt] = settings.Target;
    putText(record, kFolderAt, settings.Folder);
    record[kSameNameAt] = settings.SameName;
    putText(record, kPatternAt, settings.Pattern);
    return record;
}

TBackupSettings BackupSettingsFromBytes(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() > kBackupRecordSize)
        return {};
    std::vector<uint8_t> record = BackupRecordBytes(TBackupSettings {});
    std::copy(bytes.begin(), bytes.end(), record.begin());
    TBackupSettings settings;
    settings.Enabled = record[kEnabledAt];
    settings.Target = record[kTargetAt];
    settings.Folder = getText(record, kFolderAt);
    settings.SameName = record[kSameNameAt];
    settings.Pattern = getText(record, kPatternAt);
    return settings;
}

size_t BackupTextSize(const QString& text)
{
    return size_t(text.toLocal8Bit().size());
}

bool ReadBackupSettings(TBackupSettings& settings)
{
    settings = TBackupSettings {};
    try {
        qx::Registry reg;
        if (!reg.OpenKey(kBackupSettingsKey, true))
            return false;
        if (!reg.ValueExists(kBackupSettingsValue))
            return true;
        const std::vector<uint8_t> bytes = reg.ReadBinary(kBackupSettingsValue);
        if (bytes.size() > kBackupRecordSize)
            return false;
        settings = BackupSettingsFromBytes(bytes);
        return true;
    } catch (const qx::RegistryError&) {
        return false;
    }
}

bool WriteBackupSettings(const TBackupSettings& settings)
{
    try {
        qx::Registry reg;
        if (!reg.OpenKey(kBackupSettingsKey, true))
            return false;
        reg.WriteBinary(kBackupSettingsValue, BackupRecordBytes(settings));
        return true;
    } catch (const qx::RegistryError&) {
        return false;
    }
}

QString ExpandBackupPattern(const QString& pattern, const QString& name, const QString& ext)
{
    return ExpandMacros(pattern, {{QStringLiteral("%name"), name}, {QStringLiteral("%ext"), ext}});
}

QString BackupPath(const TBackupSettings& settings, const QString& documentPath, const QString& programDir)
{
    const qsizetype slash = documentPath.lastIndexOf(kSeparator);
    const QString fileName = documentPath.mid(slash + 1);

    QString folder;
    if (settings.Target == TBackupSettings::SameFolder)
        folder = documentPath.left(slash + 1);
    else if (settings.Target == TBackupSettings::ProgramBackupFolder)
        folder = programDir + QStringLiteral("Backup/");
    else
        folder = settings.Folder;
    folder += kSeparator;

    QString name = fileName;
    if (settings.SameName != 1) {
        const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
        const QString ext = dot < 0 ? QString() : fileName.mid(dot + 1);
        const QString base = dot < 0 ? fileName : fileName.left(dot);
        name = ExpandBackupPattern(settings.Pattern, base, ext);
    }

    QString path = folder + name;
    const QString doubled(2, kSeparator);
    while (path.contains(doubled))
        path.replace(doubled, QString(kSeparator));
    return path;
}

bool MakeBackup(const TBackupSettings& settings, const QString& documentPath, const QString& programDir, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    if (!settings.Enabled)
        return true;
    const QString backup = BackupPath(settings, documentPath, programDir);
    // Never onto the document itself, whatever way the two names reach it
    // (the same text, "..", a link).
    if (QDir::cleanPath(QFileInfo(backup).absoluteFilePath()) == QDir::cleanPath(QFileInfo(documentPath).absoluteFilePath()))
        return false;
    std::error_code ec;
    if (std::filesystem::equivalent(QFile::encodeName(backup).toStdString(),
            QFile::encodeName(documentPath).toStdString(), ec))
        return false;
    QDir().mkpath(QFileInfo(backup).absolutePath());
    QString reason;
    if (copyFile(documentPath, backup, &reason))
        return true;
    *error = QStringLiteral("Záložní kopii „%1“ nelze uložit: %2.").arg(backup, reason);
    return false;
}

#pragma once
// Auto-backup: before a document is saved over its file, the file as it lies
// on disk is copied to a backup file whose folder and name the settings give.
// The settings are one fixed record of 523 bytes, stored byte for byte as the
// binary registry value "Backup" of "Software\Quorvix\Structures".
#include <QString>

#include <cstdint>
#include <vector>

inline constexpr size_t kBackupRecordSize = 523;
// Room of each text field, the terminating zero included.
inline constexpr size_t kBackupTextField = 260;
inline constexpr const char* kBackupSettingsKey = "Software\\Quorvix\\Structures";
inline constexpr const char* kBackupSettingsValue = "Backup";

// The record. In its bytes: Enabled at 0, Target at 1, Folder at 2 (260
// bytes), SameName at 262, Pattern at 263 (260 bytes); texts in the local
// 8-bit encoding of file names, zero-terminated within their field.
struct TBackupSettings {
    enum : uint8_t { SameFolder = 0, ProgramBackupFolder = 1, UserFolder = 2 };
    uint8_t Enabled = 0;
    uint8_t Target = SameFolder;
    QString Folder;
    uint8_t SameName = 0;
    QString Pattern = QStringLiteral("%name.~%ext");
    bool operator==(const TBackupSettings&) const = default;
};

// The 523 bytes of the record. A text is cut to the characters that fit in
// 259 bytes.
std::vector<uint8_t> BackupRecordBytes(const TBackupSettings& settings);
// The record from a stored value of at most 523 bytes: the bytes fill the
// default record from its first byte. Longer data gives the default record.
TBackupSettings BackupSettingsFromBytes(const std::vector<uint8_t>& bytes);
// How many bytes a text takes in its field (without the terminating zero).
size_t BackupTextSize(const QString& text);

// Reads the record from the registry (creating the key when missing); a
// missing value gives the default record. False, with the default record in
// settings, when the key cannot be opened or the value is not binary or is
// longer than the record.
bool ReadBackupSettings(TBackupSettings& settings);
// Writes the record; false when it could not be stored.
bool WriteBackupSettings(const TBackupSettings& settings);

// Replaces "%name" and "%ext" (case-sensitive) in one pass from left to
// right; an inserted value is never scanned again.
QString ExpandBackupPattern(const QString& pattern, const QString& name, const QString& ext);
// The backup file of a document: the folder of the target (the document's
// own, "Backup/" in programDir, or the user's folder), then the document's
// name or the expanded pattern, with every run of separators made one.
QString BackupPath(const TBackupSettings& settings, const QString& documentPath, const QString& programDir);
// Copies the document to its backup path, creating the folders on the way
// and replacing an older backup. True at once when auto-backup is off; false
// when the copy fails, and always when the backup path would be the document
// itself. A backup that cannot be written (a full disk) leaves the older one
// as it was, and *error (may be null) names the backup and the reason.
bool MakeBackup(const TBackupSettings& settings, const QString& documentPath, const QString& programDir,
    QString* error = nullptr);

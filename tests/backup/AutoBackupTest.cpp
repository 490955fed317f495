// Auto-backup: the record's bytes, the backup's folder and name, the copy and
// its failures, and the settings dialog.
#include "backup/AutoBackup.h"
#include "backup/AutoBackupSetup.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"

#include "KernelFixture.h"
#include "TestEnv.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class AutoBackup : public qxtest::KernelFixture {
protected:
    QString dir;
    void SetUp() override
    {
        KernelFixture::SetUp();
        dir = QString::fromStdString(home.dir().path().string());
    }
    QString make(const QString& name, const QByteArray& content = "original\n") const
    {
        const QString path = dir + QLatin1Char('/') + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path;
    }
    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
};

TEST_F(AutoBackup, RecordIs523BytesWithItsFieldsAtTheirOffsets)
{
    TBackupSettings defaults;
    std::vector<uint8_t> bytes = BackupRecordBytes(defaults);
    ASSERT_EQ(bytes.size(), 523u);
    std::vector<uint8_t> expected(523, 0);
    const char* pattern = "%name.~%ext";
    std::copy(pattern, pattern + 11, expected.begin() + 263);
    EXPECT_EQ(bytes, expected);

    TBackupSettings s;
    s.Enabled = 1;
    s.Target = 2;
    s.Folder = QStringLiteral("/zálohy");
    s.SameName = 1;
    s.Pattern = QStringLiteral("%name.bak");
    bytes = BackupRecordBytes(s);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[2])), "/z\xc3\xa1lohy");
    EXPECT_EQ(bytes[262], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[263])), "%name.bak");
    EXPECT_EQ(BackupSettingsFromBytes(bytes), s);

    // A text longer than its field is cut to 259 bytes and its zero.
    s.Folder = QString(300, QLatin1Char('x'));
    bytes = BackupRecordBytes(s);
    EXPECT_EQ(bytes[2 + 258], 'x');
    EXPECT_EQ(bytes[2 + 259], 0);
    EXPECT_EQ(BackupSettingsFromBytes(bytes).Folder.size(), 259);

    // A short value fills the default record from its first byte.
    TBackupSettings shortOne = BackupSettingsFromBytes({1, 1});
    EXPECT_EQ(shortOne.Enabled, 1);
    EXPECT_EQ(shortOne.Target, 1);
    EXPECT_EQ(shortOne.Pattern, QStringLiteral("%name.~%ext"));
}

TEST_F(AutoBackup, RegistryValueRoundTripsAndBadValuesGiveTheDefault)
{
    TBackupSettings s;
    EXPECT_TRUE(ReadBackupSettings(s)); // missing value: the default, no failure
    EXPECT_EQ(s, TBackupSettings {});
    s.Enabled = 1;
    s.Target = 1;
    ASSERT_TRUE(WriteBackupSettings(s));
    qx::Registry reg;
    ASSERT_TRUE(reg.OpenKey(kBackupSettingsKey, false));
    EXPECT_EQ(reg.ReadBinary("Backup").size(), 523u);
    TBackupSettings read;
    EXPECT_TRUE(ReadBackupSettings(read));
    EXPECT_EQ(read, s);

    reg.WriteBinary("Backup", std::vector<uint8_t>(524, 1));
    EXPECT_FALSE(ReadBackupSettings(read));
    EXPECT_EQ(read, TBackupSettings {});
    reg.WriteString("Backup", "text");
    EXPECT_FALSE(ReadBackupSettings(read));
    EXPECT_EQ(read, TBackupSettings {});
}

TEST_F(AutoBackup, BackupPathFollowsTargetNameAndPattern)
{
    struct Case {
        uint8_t target;
        const char* folder;
        uint8_t sameName;
        const char* pattern;
        const char* document;
        const char* expected;
    } cases[] = {
        {0, "", 0, "%name.~%ext", "/src/readme.txt", "/src/readme.~txt"},
        {0, "", 0, "%name.~%ext", "/src/Makefile", "/src/Makefile.~"},
        {0, "", 0, "%name.~%ext", "/home/u/.profile", "/home/u/.~profile"},
        {0, "", 0, "%name.~%ext", "/src/a.tar.gz", "/src/a.tar.~gz"},
        {0, "", 0, "%name-%name.%ext", "/src/x.c", "/src/x-x.c"},
        // A base name holding a macro is inserted once.
        {0, "", 0, "%name.%ext.bak", "/src/%name%ext.c", "/src/%name%ext.c.bak"},
        {0, "", 0, "old/%name.%ext", "/src/x.c", "/src/old/x.c"},
        {0, "", 0, "%NAME.%ext", "/src/x.c", "/src/%NAME.c"},
        {1, "", 1, "", "/src/x.c", "/prog/Backup/x.c"},
        {2, "/backups/", 1, "", "/src/x.c", "/backups/x.c"},
        {2, "/backups//deep///", 0, "%name.~%ext", "/src/x.c", "/backups/deep/x.~c"},
        // Any other target value is the user's folder.
        {7, "/other", 1, "", "/src/x.c", "/other/x.c"},
    };
    for (const Case& c : cases) {
        TBackupSettings s;
        s.Enabled = 1;
        s.Target = c.target;
        s.Folder = QString::fromUtf8(c.folder);
        s.SameName = c.sameName;
        s.Pattern = QString::fromUtf8(c.pattern);
        EXPECT_EQ(BackupPath(s, QString::fromUtf8(c.document), QStringLiteral("/prog/")), QString::fromUtf8(c.expected))
            << c.document << " " << c.pattern;
    }
}

TEST_F(AutoBackup, MakeBackupCopiesIntoNewFoldersAndReplacesAnOlderCopy)
{
    const QString doc = make(QStringLiteral("src/readme.txt"));
    TBackupSettings off;
    EXPECT_TRUE(MakeBackup(off, doc, dir + QStringLiteral("/prog/")));
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/src/readme.~txt")));

    TBackupSettings same;
    same.Enabled = 1;
    EXPECT_TRUE(MakeBackup(same, doc, QString()));
    EXPECT_EQ(read(dir + QStringLiteral("/src/readme.~txt")), QByteArray("original\n"));
    make(QStringLiteral("src/readme.txt"), "second\n");
    EXPECT_TRUE(MakeBackup(same, doc, QString()));
    EXPECT_EQ(read(dir + QStringLiteral("/src/readme.~txt")), QByteArray("second\n"));

    TBackupSettings program;
    program.Enabled = 1;
    program.Target = TBackupSettings::ProgramBackupFolder;
    EXPECT_TRUE(MakeBackup(program, doc, dir + QStringLiteral("/prog/")));
    EXPECT_EQ(read(dir + QStringLiteral("/prog/Backup/readme.~txt")), QByteArray("second\n"));

    TBackupSettings user;
    user.Enabled = 1;
    user.Target = TBackupSettings::UserFolder;
    user.Folder = dir + QStringLiteral("/mine/");
    user.Pattern = QStringLiteral("%ext/%name");
    EXPECT_TRUE(MakeBackup(user, doc, QString()));
    EXPECT_EQ(read(dir + QStringLiteral("/mine/txt/readme")), QByteArray("second\n"));
}

// A backup onto a full disk fails, names the backup and the reason, and the
// older backup stays whole instead of becoming an empty file.
TEST_F(AutoBackup, ABackupOntoAFullDiskKeepsTheOlderBackup)
{
    qxtest::FullDisk disk;
    QX_SKIP_WITHOUT_FULL_DISK(disk);
    const QString doc = make(QStringLiteral("src/big.txt"), QByteArray(16000, 'n'));
    TBackupSettings s;
    s.Enabled = 1;
    s.Target = TBackupSettings::UserFolder;
    s.Folder = QString::fromStdString(disk.file(""));
    const QString backup = QString::fromStdString(disk.file("big.~txt"));
    qxtest::WriteFile(backup.toStdString(), "older backup");
    disk.Fill();
    QString error;
    EXPECT_FALSE(MakeBackup(s, doc, QString(), &error));
    EXPECT_TRUE(error.contains(backup)) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("na disku není volné místo"))) << error.toStdString();
    EXPECT_EQ(read(backup), QByteArray("older backup"));
}

TEST_F(AutoBackup, AFailedBackupReportsFalseAndNeverTouchesTheDocument)
{
    const QString doc = make(QStringLiteral("src/x.c"), "keep me\n");
    TBackupSettings s;
    s.Enabled = 1;
    // Missing document.
    EXPECT_FALSE(MakeBackup(s, dir + QStringLiteral("/src/gone.c"), QString()));
    // The backup path is the document itself, by name or through a link.
    s.SameName = 1;
    EXPECT_FALSE(MakeBackup(s, doc, QString()));
    s.SameName = 0;
    s.Pattern = QStringLiteral("%name.%ext");
    EXPECT_FALSE(MakeBackup(s, doc, QString()));
    s.Target = TBackupSettings::UserFolder;
    s.Folder = dir + QStringLiteral("/link");
    fs::create_directory_symlink(home.dir().path() / "src", home.dir().path() / "link");
    EXPECT_FALSE(MakeBackup(s, doc, QString()));
    EXPECT_EQ(read(doc), QByteArray("keep me\n"));
    // A target that cannot be written.
    s.Folder = doc; // a file, not a folder
    EXPECT_FALSE(MakeBackup(s, doc, QString()));
    EXPECT_EQ(read(doc), QByteArray("keep me\n"));
}

TEST_F(AutoBackup, DialogShowsTheRecordAndStoresItOnOk)
{
    TBackupSettings s;
    s.Target = 5; // no target button for this value
    TAutoBackupSetupForm form(s);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Nastavení automatického zálohování"));
    EXPECT_FALSE(form.CheckBox1->isChecked());
    EXPECT_FALSE(form.RadioButton1->isChecked() || form.RadioButton2->isChecked() || form.RadioButton3->isChecked());
    EXPECT_TRUE(form.RadioButton5->isChecked());
    EXPECT_FALSE(form.RadioButton1->isEnabled());
    EXPECT_FALSE(form.Edit1->isEnabled());
    EXPECT_EQ(form.Label4->text(), QStringLiteral("Příklad: 'document.txt' bude převedeno na 'document.~txt'"));

    form.CheckBox1->click();
    EXPECT_TRUE(form.RadioButton1->isEnabled());
    EXPECT_TRUE(form.Edit1->isEnabled());
    form.Edit1->setText(QStringLiteral("%name(%ext).bak"));
    EXPECT_EQ(form.Label4->text(), QStringLiteral("Příklad: 'document.txt' bude převedeno na 'document(txt).bak'"));
    form.RadioButton3->setChecked(true);
    form.DirectoryEdit1->setText(QStringLiteral("\"/var/backups\""));
    form.RadioButton4->setChecked(true);
    form.Button1->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(s.Enabled, 1);
    EXPECT_EQ(s.Target, TBackupSettings::UserFolder);
    EXPECT_EQ(s.Folder, QStringLiteral("/var/backups"));
    EXPECT_EQ(s.SameName, 1);
    EXPECT_EQ(s.Pattern, QStringLiteral("%name(%ext).bak"));
}

TEST_F(AutoBackup, DialogRefusesChoicesThatLoseTheDocumentOrDoNotFit)
{
    struct Case {
        bool enabled;
        int target; // 0..2
        const char* folder;
        bool sameName;
        const char* pattern;
        bool refused;
    } cases[] = {
        {false, 0, "", true, "%name.~%ext", true}, // same folder and name, even when off
        {true, 0, "", false, "%name.%ext", true},  // a pattern that gives the name back
        {true, 0, "", false, "%name.~%ext", false},
        {true, 2, "  ", true, "", true},           // no folder
        {false, 2, "", true, "", false},           // ... matters only when on
        {true, 1, "", false, "", true},            // no pattern
        {true, 2, "/x", true, "", false},
    };
    for (const Case& c : cases) {
        TBackupSettings s;
        const TBackupSettings before = s;
        TAutoBackupSetupForm form(s);
        form.CheckBox1->setChecked(c.enabled);
        QRadioButton* targets[] = {form.RadioButton1, form.RadioButton2, form.RadioButton3};
        targets[c.target]->setChecked(true);
        form.DirectoryEdit1->setText(QString::fromUtf8(c.folder));
        (c.sameName ? form.RadioButton4 : form.RadioButton5)->setChecked(true);
        form.Edit1->setText(QString::fromUtf8(c.pattern));
        EXPECT_EQ(!form.Refusal().isEmpty(), c.refused) << c.target << c.folder << c.pattern;
    }

    // OK with a refusal shows it with the dialog's caption and keeps the dialog.
    TBackupSettings s;
    TAutoBackupSetupForm form(s);
    form.RadioButton1->setChecked(true);
    form.RadioButton4->setChecked(true);
    QString seen;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = box->windowTitle() + QLatin1Char('|') + box->text();
            box->accept();
        }
    });
    form.Button1->click();
    EXPECT_TRUE(seen.startsWith(QStringLiteral("Nastavení automatického zálohování|UPOZORNĚNÍ: Při současném "
                                               "nastavení přepíše záložní kopie originální soubor.")))
        << seen.toStdString();
    EXPECT_NE(form.result(), QDialog::Accepted);
    EXPECT_EQ(s, TBackupSettings {});
}

} // namespace

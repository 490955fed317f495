// File properties on real files: what the dialog shows, and the times and
// the read-only state it writes.
#include "files/FileProps.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "platform/Shell.h"

#include "TestEnv.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct stat statOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

void setTimes(const std::string& path, time_t access, long accessNanos, time_t modified, long modifiedNanos)
{
    const struct timespec t[2] = {{access, accessNanos}, {modified, modifiedNanos}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), t, 0), 0);
}

class FilePropsTest : public ::testing::Test {
protected:
    qxtest::ScopedHome home;
    std::string file;
    // Texts of the message boxes the dialog showed; each is closed at once.
    QStringList boxes;
    QTimer boxCloser;
    void SetUp() override
    {
        boxCloser.setInterval(10);
        QObject::connect(&boxCloser, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    boxes.append(box->text());
                    box->done(QMessageBox::Ok);
                }
        });
        boxCloser.start();
        QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));
        SetProgramDirectory(home.programDir());
        InitEventLog("test");
        LoadSettings();
        file = home.dir().file("zpráva.txt");
        qxtest::WriteFile(file, std::string(1023, 'x'));
        ::chmod(file.c_str(), 0644);
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

TEST_F(FilePropsTest, SizeTextUsesTheLocalesDecimalSign)
{
    const std::pair<qint64, const char*> cases[] = {
        {0, "0 B"}, {1023, "1023 B"}, {1024, "1,00 kB"}, {1536, "1,50 kB"}, {1024 * 1024 - 1, "1024,00 kB"},
        {1024 * 1024, "1,00 MB"}, {qint64(5) << 30, "5120,00 MB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(qx::FileSizeText(bytes), QString::fromUtf8(text)) << bytes;
}

TEST_F(FilePropsTest, StampWritesTimesAndTheWritePermissionOnly)
{
    const QString path = QString::fromStdString(file);
    ::chmod(file.c_str(), 0764);
    const QDateTime modified(QDate(2021, 3, 4), QTime(5, 6, 7));
    const QDateTime accessed(QDate(2022, 8, 9), QTime(10, 11, 12));
    EXPECT_EQ(WriteFileStamp(path, modified, accessed, true), "");
    struct stat st = statOf(file);
    EXPECT_EQ(st.st_mtim.tv_sec, modified.toSecsSinceEpoch());
    EXPECT_EQ(st.st_atim.tv_sec, accessed.toSecsSinceEpoch());
    // Every write bit goes; the rest of the mode stays.
    EXPECT_EQ(st.st_mode & 07777, 0544u);
    const TFileStamp stamp = ReadFileStamp(path);
    // Read-only is what the system says of the current user (root may write
    // a file without write bits).
    EXPECT_TRUE(stamp.Exists && !stamp.Hidden);
    EXPECT_EQ(stamp.ReadOnly, ::access(file.c_str(), W_OK) != 0);
    EXPECT_EQ(stamp.Modified, modified);
    EXPECT_EQ(stamp.Size, 1023);

    // Writable again gives the owner write access; an invalid time is left alone.
    EXPECT_EQ(WriteFileStamp(path, QDateTime(), QDateTime(), false), "");
    st = statOf(file);
    EXPECT_EQ(st.st_mode & 07777, 0744u);
    EXPECT_EQ(st.st_mtim.tv_sec, modified.toSecsSinceEpoch());

    // A file that is not there is reported, not passed over.
    EXPECT_NE(WriteFileStamp(path + ".gone", modified, QDateTime(), false), "");
    EXPECT_FALSE(ReadFileStamp(path + ".gone").Exists);
    EXPECT_TRUE(ReadFileStamp(QString::fromStdString(home.dir().file(".skryty"))).Hidden);
}

TEST_F(FilePropsTest, DialogShowsTheFileAndApplyWritesWhatChanged)
{
    setTimes(file, 1600000000, 123456789, 1500000000, 987654321);
    TFilePropsForm form(QString::fromStdString(file));
    form.show();
    EXPECT_EQ(form.windowTitle(), "zpráva.txt - Vlastnosti");
    EXPECT_EQ(form.NameEdit->text(), "zpráva.txt");
    EXPECT_EQ(form.DirectoryEdit->text(), QString::fromStdString(home.dir().path().string()) + "/");
    EXPECT_EQ(form.SizeEdit->text(), "1023 B");
    EXPECT_FALSE(form.TypeEdit->text().isEmpty());
    EXPECT_EQ(QDateTime(form.DateTimePicker3->date(), form.DateTimePicker4->time()).toSecsSinceEpoch(), 1500000000);
    EXPECT_FALSE(form.CheckBox2->isChecked());
    for (QCheckBox* box : {form.CheckBox1, form.CheckBox3, form.CheckBox4})
        EXPECT_FALSE(box->isEnabled());

    // Only the read-only box changes: both times keep their fractions.
    form.CheckBox2->setChecked(true);
    form.Button1->click();
    struct stat st = statOf(file);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    EXPECT_EQ(st.st_mtim.tv_nsec, 987654321);
    EXPECT_EQ(st.st_atim.tv_nsec, 123456789);
    EXPECT_EQ(form.CheckBox2->isChecked(), ::access(file.c_str(), W_OK) != 0);

    // On a read-only file a new date and clearing the box apply together.
    const QDateTime wanted(QDate(2019, 12, 24), QTime(18, 30, 0));
    form.DateTimePicker3->setDate(wanted.date());
    form.DateTimePicker4->setTime(wanted.time());
    form.CheckBox2->setChecked(false);
    form.Button3->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    st = statOf(file);
    EXPECT_EQ(st.st_mtim.tv_sec, wanted.toSecsSinceEpoch());
    EXPECT_EQ(st.st_mtim.tv_nsec, 0);
    EXPECT_EQ(st.st_atim.tv_nsec, 123456789);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
}

// "Jen pro čtení" is whether the current user may write the file, not the
// owner's write bit: an immutable file (when this system lets the test make
// one; root may write anything else) and a file the injected check denies
// show it, with the owner's bit set. Applying without a change writes no
// permission and reports nothing; clearing the box on a file that stays
// unwritable is reported.
TEST_F(FilePropsTest, ReadOnlyIsWhatTheUserMayWriteNotTheOwnersBit)
{
    struct Case {
        const char* name;
        bool immutable;
        TWriteAccess check;
    };
    const Case cases[] = {
        {"immutable", true, {}},
        {"denied by the check", false, [](const QString&) { return false; }},
    };
    for (const Case& c : cases) {
        ::chmod(file.c_str(), 0644);
        int fd = -1;
        if (c.immutable) {
            fd = ::open(file.c_str(), O_RDONLY);
            int flags = 0;
            if (fd < 0 || ::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0
                || (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0)) {
                if (fd >= 0)
                    ::close(fd);
                std::printf("%s: skipped, this system makes no immutable file here\n", c.name);
                continue;
            }
        }
        boxes.clear();
        {
            TFilePropsForm form(QString::fromStdString(file));
            form.CanWrite = c.check;
            form.show();
            EXPECT_TRUE(form.CheckBox2->isChecked()) << c.name;
            EXPECT_TRUE(form.Apply()) << c.name;
            EXPECT_EQ(statOf(file).st_mode & 0777, 0644u) << c.name;
            form.CheckBox2->setChecked(false);
            EXPECT_FALSE(form.Apply()) << c.name;
            EXPECT_TRUE(form.CheckBox2->isChecked()) << c.name;
        }
        EXPECT_EQ(boxes.size(), 1) << c.name;
        if (fd >= 0) {
            int flags = 0;
            ::ioctl(fd, FS_IOC_GETFLAGS, &flags);
            flags &= ~FS_IMMUTABLE_FL;
            EXPECT_EQ(::ioctl(fd, FS_IOC_SETFLAGS, &flags), 0);
            ::close(fd);
        }
    }
}

TEST_F(FilePropsTest, AMissingFileShowsThatItCannotBeRead)
{
    TFilePropsForm form(QString::fromStdString(file + ".gone"));
    form.show();
    EXPECT_EQ(form.SizeEdit->text(), "Soubor nelze přečíst.");
    EXPECT_FALSE(form.Button1->isEnabled());
    EXPECT_FALSE(form.CheckBox2->isEnabled());
}

} // namespace

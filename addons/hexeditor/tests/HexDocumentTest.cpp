// The hex editor's document without a window: edits over a mapped file,
// undo steps, searching across the pieces it reads, atomic saving, and the
// parsing of offsets and byte strings.
#include "HexDocument.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <QFile>

#include <atomic>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

class HexDocumentTest : public ::testing::Test {
protected:
    qxtest::TempDir dir;
    QString write(const std::string& name, const QByteArray& bytes)
    {
        const QString path = QString::fromStdString(dir.file(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path;
    }
    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(HexDocumentTest, EditsUndoAndRedoOverwriteInPlace)
{
    THexDocument doc;
    ASSERT_TRUE(doc.Open(write("a.bin", QByteArray("\x00\x01\x02\x03\x04\x05", 6)), nullptr));
    // Typing byte after byte is one step; a cursor move starts the next.
    doc.Write(1, "A", "Psaní", true);
    doc.Write(2, "B", "Psaní", true);
    doc.BreakMerge();
    doc.Write(4, "CD", "Vložení");
    EXPECT_EQ(doc.Bytes(0, 6), QByteArray("\x00" "AB\x03" "CD", 6));
    EXPECT_EQ(doc.UndoLabels(), QStringList({"Vložení", "Psaní"}));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.Undo(), 4);
    EXPECT_EQ(doc.Undo(), 1);
    EXPECT_EQ(doc.Bytes(0, 6), QByteArray("\x00\x01\x02\x03\x04\x05", 6));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.OverlaySize(), 0) << "undone bytes leave no memory behind";
    EXPECT_EQ(doc.Redo(), 1);
    EXPECT_EQ(doc.Bytes(1, 2), QByteArray("AB"));
    // A new edit ends the redo history; writing past the end is cut.
    EXPECT_EQ(doc.Write(5, "XYZ", "Vložení"), 1);
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_EQ(doc.Size(), 6);
    EXPECT_EQ(doc.At(5), 'X');
}

TEST_F(HexDocumentTest, FindsAcrossThePiecesItReads)
{
    // A pattern straddling the 4 MB boundary of the search's pieces, and a
    // change in the overlay that only the edited bytes contain.
    QByteArray bytes(9 << 20, '\0');
    const qint64 boundary = 4 << 20;
    bytes.replace(boundary - 3, 6, "needle");
    bytes.replace(100, 6, "needle");
    THexDocument doc;
    ASSERT_TRUE(doc.Open(write("big.bin", bytes), nullptr));
    EXPECT_EQ(doc.Find("needle", 0, true), 100);
    EXPECT_EQ(doc.Find("needle", 101, true), boundary - 3);
    EXPECT_EQ(doc.Find("needle", boundary, true), -1);
    EXPECT_EQ(doc.Find("needle", qint64(bytes.size()) - 1, false), boundary - 3);
    EXPECT_EQ(doc.Find("needle", boundary - 4, false), 100);
    doc.Write(8 << 20, "pin", "Psaní");
    EXPECT_EQ(doc.Find("pin", 0, true), 8 << 20);
    EXPECT_EQ(doc.Find("pin", qint64(bytes.size()) - 1, false), 8 << 20);
    EXPECT_EQ(doc.Find("", 0, true), -1);
}

TEST_F(HexDocumentTest, SavesAtomicallyAndKeepsTheUndoSteps)
{
    const QString path = write("s.bin", QByteArray("\x10\x20\x30", 3));
    THexDocument doc;
    ASSERT_TRUE(doc.Open(path, nullptr));
    doc.Write(0, "\xFF", "Psaní");
    QString error;
    // A folder that does not exist: the save fails and nothing is lost.
    EXPECT_FALSE(doc.SaveTo(QString::fromStdString(dir.file("none/s.bin")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("nelze uložit"))) << error.toStdString();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.At(0), 0xFF);
    ASSERT_TRUE(doc.SaveTo(path, &error)) << error.toStdString();
    EXPECT_EQ(read(path), QByteArray("\xFF\x20\x30", 3));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.OverlaySize(), 0);
    // Undo after saving goes back to the old byte and counts as a change.
    doc.Undo();
    EXPECT_EQ(doc.At(0), 0x10);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(HexDocumentTest, ASaveOntoAFullDiskKeepsTheOldFileAndSaysWhy)
{
    qxtest::FullDisk disk;
    QX_SKIP_WITHOUT_FULL_DISK(disk);
    const QString path = QString::fromStdString(disk.file("full.bin"));
    const QByteArray old(16000, '\x11');
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    }
    THexDocument doc;
    ASSERT_TRUE(doc.Open(path, nullptr));
    doc.Write(0, "\xFF", "Psaní");
    disk.Fill();
    QString error;
    EXPECT_FALSE(doc.SaveTo(path, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("„full.bin“"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("na disku není volné místo"))) << error.toStdString();
    EXPECT_EQ(read(path), old);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.At(0), 0xFF);
}

// Another program cuts the file short and lets it grow again while a search
// reads the mapping: a read of a page that the file no longer backs must
// give zeros, never end the process with SIGBUS, wherever the cut falls
// (between the size check and the read of a piece included).
TEST_F(HexDocumentTest, SurvivesTheFileBeingCutShortDuringASearch)
{
    constexpr qint64 kSize = qint64(48) << 20;
    const QString path = QString::fromStdString(dir.file("cut.bin"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(kSize));
    }
    THexDocument doc;
    ASSERT_TRUE(doc.Open(path, nullptr));
    ASSERT_EQ(doc.Size(), kSize);
    const int fd = ::open(dir.file("cut.bin").c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::atomic<bool> searching {true};
    std::thread cutter([&] {
        while (searching)
            for (off_t size : {off_t(0), off_t(kSize / 3), off_t(kSize)})
                (void)!::ftruncate(fd, size);
    });
    for (int round = 0; round < 10; ++round) {
        EXPECT_EQ(doc.Find("QX", 0, true), -1);
        EXPECT_EQ(doc.Find("QX", kSize - 1, false), -1);
    }
    searching = false;
    cutter.join();
    ::close(fd);
    EXPECT_EQ(doc.Bytes(kSize - 4, 4), QByteArray(4, '\0'));
}

TEST_F(HexDocumentTest, OpenFailuresKeepTheOpenFile)
{
    THexDocument doc;
    ASSERT_TRUE(doc.Open(write("k.bin", "keep"), nullptr));
    QString error;
    EXPECT_FALSE(doc.Open(QString::fromStdString(dir.file("missing.bin")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("neexistuje")));
    EXPECT_FALSE(doc.Open(QString::fromStdString(dir.path().string()), &error));
    EXPECT_EQ(doc.Bytes(0, 4), QByteArray("keep"));
    // An empty file opens with nothing to edit.
    ASSERT_TRUE(doc.Open(write("e.bin", ""), nullptr));
    EXPECT_EQ(doc.Size(), 0);
    EXPECT_EQ(doc.Write(0, "x", "Psaní"), 0);
}

TEST(HexParsing, OffsetsAndByteStrings)
{
    struct Offset {
        const char* text;
        bool ok;
        qint64 value;
    };
    for (const Offset& c : {Offset {"1024", true, 1024}, Offset {" 0x400 ", true, 1024}, Offset {"400h", true, 1024},
             Offset {"$400", true, 1024}, Offset {"0x", false, 0}, Offset {"-5", false, 0}, Offset {"12ab", false, 0},
             Offset {"", false, 0}}) {
        qint64 value = -1;
        EXPECT_EQ(ParseOffset(QString::fromLatin1(c.text), &value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    struct Bytes {
        const char* text;
        bool ok;
        QByteArray value;
    };
    for (const Bytes& c : {Bytes {"4D 5A 90", true, "MZ\x90"}, Bytes {"4d5a", true, "MZ"}, Bytes {"0x4D, 0x5A", true, "MZ"},
             Bytes {"4D5", false, {}}, Bytes {"GG", false, {}}, Bytes {"+1", false, {}}, Bytes {"", false, {}}}) {
        QByteArray value;
        EXPECT_EQ(ParseHexBytes(QString::fromLatin1(c.text), &value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

} // namespace

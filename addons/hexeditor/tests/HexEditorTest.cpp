// The hex editor plug-in loaded by a frame beside the text editor, driven
// through the frame's actions and the window's keys and dialogs.
#include "AddonFrame.h"

#include "QX_Types.h"
#include "frame/FrameWindow.h"
#include "plugins/PluginManagement.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTest>
#include <QTimer>


namespace {

class HexEditorTest : public AddonFrameFixture {
protected:
    void SetUp() override { StartFrame(LibraryList(QStringLiteral(QX_ADDON_PLUGINS))); }

    static QAbstractScrollArea* View(TQX_PluginWindow* w)
    {
        return w->findChild<QAbstractScrollArea*>(QStringLiteral("hexView"));
    }
    // A binary file: a zero byte makes it not text.
    QString Binary(const std::string& name = "data.bin")
    {
        QByteArray bytes;
        for (int i = 0; i < 256; ++i)
            bytes.append(char(i));
        bytes.append("needle");
        bytes.append(QByteArray(100, '\0'));
        return WriteFile(name, bytes);
    }
    QDialog* FindDialog(TQX_PluginWindow* w) { return w->findChild<QDialog*>(QStringLiteral("HexFindDialog")); }
};

TEST_F(HexEditorTest, OpenChoosesTheHexEditorForBinaryAndTheTextEditorForText)
{
    TQX_PluginEntry* hex = Entry(QStringLiteral("Hex editor"));
    ASSERT_NE(hex, nullptr);
    TQX_PluginEntry* text = Entry(QStringLiteral("Textový editor"));
    if (!text)
        GTEST_SKIP() << "the text editor plug-in is not built";
    struct Case {
        const char* name;
        QByteArray bytes;
        int hexAnswer, textAnswer;
        const char* windowClass;
    };
    const Case cases[] = {
        {"program.exe", QByteArray("MZ\x90\x00\x03\x00\x00\x00", 8), 2, 0, "THexEditorWindow"},
        {"noext", QByteArray("\x7F" "ELF\x02\x01\x01\x00", 8), 2, 0, "THexEditorWindow"},
        {"notes.txt", "plain words\n", 0, 1, "TTextEditorWindow"},
        {"main.c", "int main(void) { return 0; }\n", 0, 2, "TTextEditorWindow"},
        {"empty.dat", "", 0, 1, "TTextEditorWindow"},
        {"utf16.txt", QByteArray("\xFF\xFEh\x00i\x00", 6), 0, 1, "TTextEditorWindow"},
    };
    for (const Case& c : cases) {
        const QString path = WriteFile(c.name, c.bytes);
        EXPECT_EQ(hex->CanOpenFile(path), c.hexAnswer) << c.name;
        EXPECT_EQ(text->CanOpenFile(path), c.textAnswer) << c.name;
        TQX_PluginWindow* window = Open(path);
        ASSERT_NE(window, nullptr) << c.name;
        EXPECT_STREQ(window->metaObject()->className(), c.windowClass) << c.name;
        window->close();
    }
    EXPECT_TRUE(modal.shown.empty()) << "the frame asked: " << modal.shown.front().toStdString();
    EXPECT_EQ(hex->CanOpenFile(QString::fromStdString(home.dir().path().string())), 0) << "a folder";
    // A text file opened with the hex editor chosen by the user (the
    // extended open dialog lists every entry).
    TQX_PluginWindow* window = frame->OpenFile(WriteFile("chosen.txt", "text"), hex->ID);
    ASSERT_NE(window, nullptr);
    EXPECT_STREQ(window->metaObject()->className(), "THexEditorWindow");
    EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("sizeLabel"))->text().contains(QStringLiteral("(4 B)")));
}

// A new window is wide enough for whole rows, the text column included,
// whenever the document area has the room: a narrower frame than the test's
// usual one still leaves room, but less than its share for a new window.
TEST_F(HexEditorTest, OpensWideEnoughForTheTextColumn)
{
    frame->resize(860, 640);
    Spin(50);
    TQX_PluginWindow* window = Open(Binary());
    ASSERT_NE(window, nullptr);
    Spin(50);
    QAbstractScrollArea* view = View(window);
    const QWidget* area = window->parentWidget()->parentWidget();
    ASSERT_GT(area->width(), view->sizeHint().width() + 40) << "the frame has the room";
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0) << "row " << view->sizeHint().width() << " px, view "
                                                         << view->viewport()->width() << " px";
}

TEST_F(HexEditorTest, TypesUndoesRedoesAndSavesThroughTheFrame)
{
    const QString path = Binary();
    const QByteArray original = ReadBytes(path);
    TQX_PluginWindow* w = Open(path);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(Enabled(FrameAction::EditUndo));
    EXPECT_FALSE(Enabled(FrameAction::FileSave));
    QWidget* view = View(w);
    view->setFocus();
    // Two hex digits overwrite byte 0, then the text column overwrites byte 1 and 2.
    QTest::keyClicks(view, "4a");
    QTest::keyClick(view, Qt::Key_Tab);
    QTest::keyClicks(view, "Hi");
    QByteArray expected = original;
    expected[0] = 0x4A, expected[1] = 'H', expected[2] = 'i';
    EXPECT_TRUE(w->Modified);
    EXPECT_TRUE(Enabled(FrameAction::EditRedo) == false);
    // Typing in one run is one step.
    QStringList steps;
    w->Command(QXC_UNDOLIST, &steps);
    EXPECT_EQ(steps, QStringList {QStringLiteral("Psaní")});
    ASSERT_TRUE(Trigger(FrameAction::EditUndo));
    EXPECT_FALSE(w->Modified);
    ASSERT_TRUE(Trigger(FrameAction::EditRedo));
    ASSERT_TRUE(Trigger(FrameAction::FileSave));
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_FALSE(w->Modified);
    EXPECT_FALSE(Enabled(FrameAction::FileSave));
    EXPECT_EQ(Label(w, "noteLabel"), QStringLiteral("Uloženo"));
    EXPECT_TRUE(modal.shown.empty());
}

TEST_F(HexEditorTest, CopiesAndPastesBytesThroughTheFrame)
{
    const QString path = Binary();
    TQX_PluginWindow* w = Open(path);
    ASSERT_NE(w, nullptr);
    QWidget* view = View(w);
    view->setFocus();
    // Bytes 1 to 3 in the hex column: copied as hex digits.
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
    ASSERT_TRUE(Trigger(FrameAction::EditCopy));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("01 02 03"));
    // The caret (on byte 3) one row down: pasted over bytes 0x13 to 0x15.
    QTest::keyClick(view, Qt::Key_Down);
    ASSERT_TRUE(Trigger(FrameAction::EditPaste));
    QByteArray expected = ReadBytes(path);
    expected[0x13] = 1, expected[0x14] = 2, expected[0x15] = 3;
    // In the text column, text goes in as its bytes; past the end it is cut.
    QApplication::clipboard()->setText(QStringLiteral("xyz"));
    QTest::keyClick(view, Qt::Key_Tab);
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Left);
    ASSERT_TRUE(Trigger(FrameAction::EditPaste));
    expected[expected.size() - 2] = 'x', expected[expected.size() - 1] = 'y';
    EXPECT_TRUE(Label(w, "noteLabel").startsWith(QStringLiteral("Vloženo jen 2 z 3 B"))) << Label(w, "noteLabel").toStdString();
    QStringList steps;
    w->Command(QXC_UNDOLIST, &steps);
    EXPECT_EQ(steps, QStringList({QStringLiteral("Vložení"), QStringLiteral("Vložení")}));
    // Clipboard text that is not hex, pasted in the hex column, is refused.
    QTest::keyClick(view, Qt::Key_Tab);
    modal.answers.push_back(ModalAnswers::Button(QMessageBox::Ok));
    ASSERT_TRUE(Trigger(FrameAction::EditPaste));
    ASSERT_EQ(modal.shown.size(), 1u);
    EXPECT_TRUE(modal.shown[0].contains(QStringLiteral("šestnáctkovém"))) << modal.shown[0].toStdString();
    ASSERT_TRUE(Trigger(FrameAction::FileSave));
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST_F(HexEditorTest, FindsTextAndBytesAndSaysWhenNothingIsFound)
{
    TQX_PluginWindow* w = Open(Binary());
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(Trigger(FrameAction::EditFind));
    QDialog* find = FindDialog(w);
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(find->isVisible());
    auto* text = find->findChild<QLineEdit*>(QStringLiteral("findText"));
    auto* mode = find->findChild<QComboBox*>(QStringLiteral("findMode"));
    auto* next = find->findChild<QPushButton*>(QStringLiteral("findNext"));
    mode->setCurrentIndex(0);
    text->setText(QStringLiteral("needle"));
    next->click();
    EXPECT_EQ(Label(w, "positionLabel"), QStringLiteral("Pozice: 0x105 (261)")) << "the selection's last byte";
    EXPECT_EQ(Label(w, "selectionLabel"), QStringLiteral("Vybráno: 6 B"));
    // Bytes, found again from the start after the end.
    mode->setCurrentIndex(1);
    text->setText(QStringLiteral("FE FF"));
    next->click();
    EXPECT_EQ(Label(w, "positionLabel"), QStringLiteral("Pozice: 0xFF (255)"));
    next->click();
    EXPECT_EQ(Label(w, "positionLabel"), QStringLiteral("Pozice: 0xFF (255)"));
    EXPECT_EQ(Label(w, "noteLabel"), QStringLiteral("Hledání pokračovalo od začátku souboru."));
    // Nothing found, and bytes that are not hex: each says so.
    modal.answers.push_back(ModalAnswers::Button(QMessageBox::Ok));
    text->setText(QStringLiteral("01 01 01"));
    next->click();
    modal.answers.push_back(ModalAnswers::Button(QMessageBox::Ok));
    text->setText(QStringLiteral("4G"));
    next->click();
    ASSERT_EQ(modal.shown.size(), 2u);
    EXPECT_TRUE(modal.shown[0].contains(QStringLiteral("nebyly v souboru nalezeny"))) << modal.shown[0].toStdString();
    EXPECT_TRUE(modal.shown[1].contains(QStringLiteral("šestnáctkově"))) << modal.shown[1].toStdString();
}

TEST_F(HexEditorTest, GoesToAnOffsetAndRefusesBadOnes)
{
    TQX_PluginWindow* w = Open(Binary());
    ASSERT_NE(w, nullptr);
    QWidget* view = View(w);
    view->setFocus();
    modal.answers.push_back(ModalAnswers::Text(QStringLiteral("0x1F")));
    QTest::keyClick(view, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(Label(w, "positionLabel"), QStringLiteral("Pozice: 0x1F (31)"));
    modal.answers.push_back(ModalAnswers::Text(QStringLiteral("100")));
    QTest::keyClick(view, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(Label(w, "positionLabel"), QStringLiteral("Pozice: 0x64 (100)"));
    for (const char* bad : {"abc", "99999"}) {
        modal.answers.push_back(ModalAnswers::Text(QString::fromLatin1(bad)));
        modal.answers.push_back(ModalAnswers::Button(QMessageBox::Ok));
        QTest::keyClick(view, Qt::Key_G, Qt::ControlModifier);
    }
    EXPECT_EQ(Label(w, "positionLabel"), QStringLiteral("Pozice: 0x64 (100)"));
    ASSERT_EQ(modal.shown.size(), 6u);
    EXPECT_TRUE(modal.shown[3].contains(QStringLiteral("není platná pozice"))) << modal.shown[3].toStdString();
    EXPECT_TRUE(modal.shown[5].contains(QStringLiteral("za koncem souboru"))) << modal.shown[5].toStdString();
}

TEST_F(HexEditorTest, PlaceAndSettingsSurviveARestart)
{
    const QString path = Binary();
    TQX_PluginWindow* w = Open(path);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->setProperty("bytesPerRow", 32));
    View(w)->setFocus();
    modal.answers.push_back(ModalAnswers::Text(QStringLiteral("0x80")));
    QTest::keyClick(View(w), Qt::Key_G, Qt::ControlModifier);
    // A second window follows the changed setting at once.
    TQX_PluginWindow* other = Open(WriteFile("other.bin", QByteArray(64, '\0')));
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->property("bytesPerRow").toInt(), 32);
    other->close();
    w->close();
    RestartFrame();
    w = Open(path);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->property("bytesPerRow").toInt(), 32);
    EXPECT_EQ(Label(w, "positionLabel"), QStringLiteral("Pozice: 0x80 (128)"));
}

TEST_F(HexEditorTest, ClosingAChangedFileAsksAndCancelKeepsIt)
{
    const QString path = Binary();
    const QByteArray original = ReadBytes(path);
    TQX_PluginWindow* w = Open(path);
    ASSERT_NE(w, nullptr);
    View(w)->setFocus();
    QTest::keyClicks(View(w), "ff");
    modal.answers.push_back(ModalAnswers::Button(QMessageBox::Cancel));
    EXPECT_FALSE(w->close());
    modal.answers.push_back(ModalAnswers::Button(QMessageBox::No));
    EXPECT_TRUE(w->close());
    EXPECT_EQ(ReadBytes(path), original);
    ASSERT_EQ(modal.shown.size(), 2u);
    EXPECT_TRUE(modal.shown[0].contains(QStringLiteral("Dokument „data.bin“ byl změněn")));
}

TEST_F(HexEditorTest, FollowsTheFileOnDiskAndSurvivesItBeingCutShort)
{
    const QString path = WriteFile("grow.bin", QByteArray(64 * 1024, '\0'));
    TQX_PluginWindow* w = Open(path);
    ASSERT_NE(w, nullptr);
    // Unchanged in the editor: a new file from another program is read again.
    {
        QSaveFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(20000, '\x22'));
        ASSERT_TRUE(file.commit());
    }
    EXPECT_TRUE(WaitFor([&] { return Label(w, "sizeLabel").contains(QStringLiteral("(20\u00a0000 B)")); }))
        << Label(w, "sizeLabel").toStdString();
    EXPECT_EQ(Label(w, "noteLabel"), QStringLiteral("Znovu načteno po změně souboru na disku"));
    // Changed in the editor, then cut short in place: the user is asked,
    // keeps the changes, and the missing bytes read as zeros: the pages of
    // the mapping past the new end would crash the program if read.
    View(w)->setFocus();
    QTest::keyClicks(View(w), "ab");
    modal.answers.push_back(ModalAnswers::Button(QMessageBox::No));
    {
        QFile file(path);
        ASSERT_TRUE(file.resize(4));
    }
    EXPECT_TRUE(WaitFor([&] { return !modal.shown.empty(); }));
    EXPECT_TRUE(w->Modified);
    EXPECT_EQ(Label(w, "noteLabel"), QStringLiteral("Soubor byl na disku zkrácen; chybějící bajty se zobrazují jako 00."));
    w->repaint();
    ASSERT_TRUE(Trigger(FrameAction::FileSave));
    QByteArray expected(20000, '\0');
    expected[0] = char(0xAB), expected[1] = expected[2] = expected[3] = 0x22;
    EXPECT_EQ(ReadBytes(path), expected);
    ASSERT_EQ(modal.shown.size(), 1u);
    EXPECT_TRUE(modal.shown[0].contains(QStringLiteral("jiným programem")));
}

// A script's Menu_WindowClose is served inside the loop of the window's own
// question or dialog: the window goes once that loop has returned, its
// question cancelled, instead of taking the question with it.
TEST_F(HexEditorTest, ClosedFromInsideItsOwnQuestion)
{
    for (const char* how : {"go to offset", "reload"}) {
        SCOPED_TRACE(how);
        const QString path = Binary(std::string(how) == "reload" ? "reload.bin" : "offset.bin");
        QPointer<TQX_PluginWindow> w = Open(path);
        ASSERT_TRUE(w);
        View(w)->setFocus();
        modal.answers.push_back([this](QWidget*) {
            // The close query of unsaved bytes asks inside this answer:
            // "Ne", do not save.
            QTimer::singleShot(50, [] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                    box->button(QMessageBox::No)->click();
            });
            frame->Action(FrameAction::WindowClose)->trigger();
        });
        if (std::string(how) == "reload") {
            // Unsaved bytes: the change on disk is a question.
            QTest::keyClicks(View(w), "ab");
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(QByteArray(300, '\x11'));
        } else {
            QTest::keyClick(View(w), Qt::Key_G, Qt::ControlModifier);
        }
        EXPECT_TRUE(WaitFor([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return w.isNull();
        }));
        EXPECT_TRUE(modal.answers.empty());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

TEST_F(HexEditorTest, HasItsOwnAboutBox)
{
    QString title;
    const QString body = AboutBox(QStringLiteral("Hex editor"), &title);
    EXPECT_EQ(title, QStringLiteral("O hex editoru"));
    EXPECT_TRUE(body.contains(QStringLiteral("mapují"))) << body.toStdString();
}

} // namespace

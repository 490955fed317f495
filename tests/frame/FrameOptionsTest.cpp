// The desktop behind the document windows, painted by the stored desktop
// record; the feedback question the start-up countdown brings; sending the
// active document by mail.
#include "FrameFixture.h"

#include "frame/FrameStatusBar.h"
#include "frame/FrameStrings.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "mail/SendIdeas.h"
#include "mail/SendIdeasQuestion.h"
#include "mail/SendMail.h"
#include "platform/Registry.h"
#include "ui/ColorComboBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

using Set = TDesktopRecord::Set;

class FrameOptionsTest : public FrameFixture {
protected:
    static void StoreRecord(const TDesktopRecord& record)
    {
        qx::Registry reg;
        ASSERT_TRUE(reg.OpenKey("Software\\Quorvix\\Structures", true));
        reg.WriteBinary("Desktop", record.Bytes());
    }
    static std::vector<uint8_t> StoredBytes()
    {
        qx::Registry reg;
        EXPECT_TRUE(reg.OpenKey("Software\\Quorvix\\Structures", true));
        return reg.ReadBinary("Desktop");
    }
    QImage Desktop() const { return frame->DocumentArea()->viewport()->grab().toImage(); }
    // A 3 x 2 picture with a different colour in every pixel.
    QString MakePicture() const
    {
        QImage picture(3, 2, QImage::Format_RGB32);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                picture.setPixelColor(x, y, QColor(40 + 60 * x, 100 * y, 200));
        const QString path = QString::fromStdString(home.dir().file("tapeta.bmp"));
        EXPECT_TRUE(picture.save(path, "BMP"));
        return path;
    }
    // Runs action on the modal dialog the frame opens next.
    static void OnNextDialog(std::function<void(QWidget*)> action)
    {
        QTimer::singleShot(0, [action] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                action(dialog);
        });
    }
};

TEST_F(FrameOptionsTest, NoRecordPaintsTheSystemDefault)
{
    StartFrame();
    EXPECT_EQ(frame->DesktopRecord().Bytes(), TDesktopRecord().Bytes());
    EXPECT_EQ(Desktop().pixel(5, 5), QApplication::palette().color(QPalette::Dark).rgb());
}

TEST_F(FrameOptionsTest, SolidColourAndTiledPictureFillTheWholeArea)
{
    TDesktopRecord record;
    record.SetMode(Set::Normal, TDesktopRecord::SolidColor);
    record.SetColor(Set::Normal, QColor(0x12, 0x80, 0xfe));
    StoreRecord(record);
    StartFrame();
    QImage area = Desktop();
    for (const QPoint& p : {QPoint(0, 0), QPoint(area.width() - 1, area.height() - 1)})
        EXPECT_EQ(area.pixelColor(p), QColor(0x12, 0x80, 0xfe));

    // The picture repeats unscaled from the top-left corner.
    record.SetMode(Set::Normal, TDesktopRecord::TiledImage);
    ASSERT_TRUE(record.SetImage(Set::Normal, MakePicture()));
    StoreRecord(record);
    DestroyFrame();
    StartFrame();
    area = Desktop();
    ASSERT_FALSE(frame->DesktopImage().isNull());
    for (int y : {0, 1, 2, 3, 40, 41})
        for (int x : {0, 1, 2, 3, 4, 5, 30, 31, 32})
            EXPECT_EQ(area.pixelColor(x, y), QColor(40 + 60 * (x % 3), 100 * (y % 2), 200)) << x << "," << y;
    EXPECT_TRUE(messages.empty());
}

TEST_F(FrameOptionsTest, FullScreenModePaintsItsOwnSetUnlessBothShareOne)
{
    TDesktopRecord record;
    record.SetSameForBoth(false);
    record.SetMode(Set::Normal, TDesktopRecord::SolidColor);
    record.SetColor(Set::Normal, QColor(0xc0, 0x10, 0x10));
    record.SetMode(Set::FullScreen, TDesktopRecord::TiledImage);
    ASSERT_TRUE(record.SetImage(Set::FullScreen, MakePicture()));
    StoreRecord(record);
    StartFrame();
    EXPECT_EQ(Desktop().pixelColor(4, 4), QColor(0xc0, 0x10, 0x10));

    QAction* fullScreen = Act(FrameAction::ViewFullscreen);
    fullScreen->trigger();
    ASSERT_TRUE(frame->FullScreenMode());
    QImage area = Desktop();
    EXPECT_EQ(area.pixelColor(4, 1), QColor(40 + 60 * 1, 100, 200));
    EXPECT_EQ(area.pixelColor(0, 0), QColor(40, 0, 200));
    fullScreen->trigger();
    ASSERT_FALSE(frame->FullScreenMode());
    EXPECT_EQ(Desktop().pixelColor(4, 4), QColor(0xc0, 0x10, 0x10));

    // The same settings for both: full-screen mode keeps the normal colour.
    record.SetSameForBoth(true);
    StoreRecord(record);
    fullScreen->trigger();
    ASSERT_TRUE(frame->FullScreenMode());
    EXPECT_EQ(Desktop().pixelColor(4, 4), QColor(0xc0, 0x10, 0x10));
    fullScreen->trigger();
}

TEST_F(FrameOptionsTest, AMissingPictureIsReportedOnceAndTheRecordKeepsIt)
{
    TDesktopRecord record;
    record.SetMode(Set::Normal, TDesktopRecord::TiledImage);
    record.SetImage(Set::Normal, QString::fromStdString(home.dir().file("smazano.bmp")));
    StoreRecord(record);
    const std::vector<uint8_t> stored = StoredBytes();
    StartFrame();
    ASSERT_TRUE(WaitFor([this] { return !messages.empty(); }));
    Spin(50);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], FrameText(FrameString::BackgroundMissing));
    EXPECT_EQ(frame->DesktopRecord().GetMode(Set::Normal), TDesktopRecord::SystemDefault);
    EXPECT_EQ(Desktop().pixel(5, 5), QApplication::palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(StoredBytes(), stored);
}

TEST_F(FrameOptionsTest, DamagedRecordFallsBackToTheDefaultWithAWarning)
{
    {
        qx::Registry reg;
        ASSERT_TRUE(reg.OpenKey("Software\\Quorvix\\Structures", true));
        reg.WriteString("Desktop", "not a record");
    }
    StartFrame();
    EXPECT_EQ(frame->DesktopRecord().Bytes(), TDesktopRecord().Bytes());
    bool warned = false;
    for (const std::string& line : GetEventLogLines())
        warned = warned || line.find("Unable to load registry desktop settings.") != std::string::npos;
    EXPECT_TRUE(warned);
}

TEST_F(FrameOptionsTest, DialogSavesOnOkAndCancelRestoresTheStoredLook)
{
    StartFrame();
    // Cancel after choosing a colour: the stored (default) look comes back.
    OnNextDialog([](QWidget* dialog) {
        auto* form = qobject_cast<TDesktopOptionsForm*>(dialog);
        ASSERT_NE(form, nullptr);
        form->RadioButton2->click();
        form->Button2->click();
    });
    frame->Action(FrameAction::ViewDesktopOptions)->trigger();
    EXPECT_EQ(frame->DesktopRecord().GetMode(Set::Normal), TDesktopRecord::SystemDefault);
    EXPECT_EQ(Desktop().pixel(5, 5), QApplication::palette().color(QPalette::Dark).rgb());

    OnNextDialog([](QWidget* dialog) {
        auto* form = qobject_cast<TDesktopOptionsForm*>(dialog);
        ASSERT_NE(form, nullptr);
        form->RadioButton2->click();
        form->ColorComboBox1->SetColor(QColor(0x20, 0x40, 0x60));
        form->Button1->click();
    });
    frame->Action(FrameAction::ViewDesktopOptions)->trigger();
    EXPECT_EQ(Desktop().pixelColor(5, 5), QColor(0x20, 0x40, 0x60));
    const std::vector<uint8_t> stored = StoredBytes();
    ASSERT_EQ(stored.size(), 540u);
    EXPECT_EQ(stored[0], 1);
    EXPECT_EQ((std::vector<uint8_t>(stored.begin() + 4, stored.begin() + 8)), (std::vector<uint8_t> {0x20, 0x40, 0x60, 0}));
}

// The feedback question: at the start whose countdown reached 0, and its
// first answer opens the wizard.
TEST_F(FrameOptionsTest, FeedbackQuestionComesWhenTheCountdownEndsAndCanOpenTheWizard)
{
    SetLaunchCountdown(0);
    bool asked = false, wizard = false;
    std::function<void()> answer = [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (auto* question = qobject_cast<TSendIdeasQuestionForm*>(dialog)) {
            asked = true;
            EXPECT_FALSE(question->Button1->isEnabled());
            question->RadioButton1->setChecked(true);
            question->Button1->click();
        } else if (auto* form = qobject_cast<TSendIdeasForm*>(dialog)) {
            wizard = true;
            form->Button3->click(); // pristine: closes without asking
            return;
        }
        QTimer::singleShot(10, answer);
    };
    QTimer::singleShot(10, answer);
    StartFrame();
    EXPECT_TRUE(asked);
    EXPECT_TRUE(wizard);
    EXPECT_EQ(LaunchCountdown(), -1);
}

TEST_F(FrameOptionsTest, SendingTheActiveDocumentAttachesItsFile)
{
    InstallProbe("a.so", "entry=1,Alpha,0,0,2:.txt\n");
    StartFrame();
    const QString file = MakeFile("zprava.txt");
    ASSERT_NE(frame->OpenFile(file, TFrameWindowForm::DefaultEntryID()), nullptr);
    FlushUpdate();
    ASSERT_TRUE(frame->Action(FrameAction::FileSendMailRecipient)->isEnabled());
    QString to, attachment, subject, text;
    OnNextDialog([&](QWidget* dialog) {
        auto* mail = qobject_cast<TSendMailForm*>(dialog);
        ASSERT_NE(mail, nullptr);
        to = mail->EmailEdit->text();
        attachment = mail->AttEdit->text();
        subject = mail->SubjectEdit->text();
        text = mail->MessageMemo->toPlainText();
        // Cancelling asks first; the answer Yes closes.
        QTimer::singleShot(0, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Yes)->click();
        });
        mail->Button2->click();
    });
    frame->Action(FrameAction::FileSendMailRecipient)->trigger();
    EXPECT_TRUE(to.isEmpty());
    EXPECT_EQ(attachment, file);
    EXPECT_EQ(subject, "Dokument zprava.txt");
    EXPECT_EQ(text, file);
}

TEST_F(FrameOptionsTest, AMessageHandedToTheMailClientIsAnnouncedOnTheStatusBar)
{
    StartFrame();
    TSendMailForm::SetTransport([](const TMailMessage&) { return 0; });
    TSendMailForm form;
    form.show();
    form.EmailEdit->setText("a@example.org");
    form.Button1->click();
    QElapsedTimer clock;
    clock.start();
    while (form.IsSending() && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    TSendMailForm::SetTransport(nullptr);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(frame->StatusBarPanels()->SimpleMessage(), form.Strings[1]);
}

} // namespace

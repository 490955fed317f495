// The start-up options dialog and the desktop record and dialog.
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "options/DesktopOptions.h"
#include "options/StartupSetup.h"
#include "platform/Registry.h"
#include "ui/ButtonEdits.h"
#include "ui/ColorComboBox.h"

#include "TestEnv.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class OptionsDialogs : public ::testing::Test {
protected:
    qxtest::ScopedHome home;
    void SetUp() override
    {
        SetProgramDirectory(home.programDir());
        InitEventLog("test");
        LoadSettings();
    }
    static qx::Registry root()
    {
        qx::Registry r;
        EXPECT_TRUE(r.OpenKey(kRegistryRoot, true));
        return r;
    }
};

using Set = TDesktopRecord::Set;

TEST(DesktopRecord, FieldsLieAtTheirOffsetsAndUnknownBytesSurvive)
{
    TDesktopRecord def;
    std::vector<uint8_t> bytes = def.Bytes();
    ASSERT_EQ(bytes.size(), 540u);
    for (size_t i = 0; i < bytes.size(); ++i)
        EXPECT_EQ(bytes[i], i == 536 ? 1 : 0) << i;

    TDesktopRecord r;
    r.SetMode(Set::Normal, TDesktopRecord::TiledImage);
    r.SetColor(Set::Normal, QColor(0x11, 0x22, 0x33));
    ASSERT_TRUE(r.SetImage(Set::Normal, QStringLiteral("/obrázky/a.bmp")));
    r.SetMode(Set::FullScreen, TDesktopRecord::SolidColor);
    r.SetColor(Set::FullScreen, QColor(0xaa, 0xbb, 0xcc));
    ASSERT_TRUE(r.SetImage(Set::FullScreen, QStringLiteral("b")));
    r.SetSameForBoth(false);
    bytes = r.Bytes();
    const QByteArray path = QStringLiteral("/obrázky/a.bmp").toUtf8();
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ((std::vector<uint8_t>(bytes.begin() + 4, bytes.begin() + 8)), (std::vector<uint8_t> {0x11, 0x22, 0x33, 0}));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(&bytes[8]), path.size()), path);
    EXPECT_EQ(bytes[8 + path.size()], 0);
    EXPECT_EQ(bytes[268], 1);
    EXPECT_EQ((std::vector<uint8_t>(bytes.begin() + 272, bytes.begin() + 276)), (std::vector<uint8_t> {0xaa, 0xbb, 0xcc, 0}));
    EXPECT_EQ(bytes[276], 'b');
    EXPECT_EQ(bytes[277], 0);
    EXPECT_EQ(bytes[536], 0);

    // Reserved bytes and a path field without terminator are read as stored.
    bytes[1] = 0x7f;
    bytes[539] = 0x55;
    std::fill(bytes.begin() + 276, bytes.begin() + 536, uint8_t('x'));
    std::optional<TDesktopRecord> back = TDesktopRecord::FromBytes(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Bytes(), bytes);
    EXPECT_EQ(back->GetImage(Set::Normal), QStringLiteral("/obrázky/a.bmp"));
    EXPECT_EQ(back->GetImage(Set::FullScreen), QString(260, QLatin1Char('x')));
    EXPECT_EQ(back->GetColor(Set::FullScreen), QColor(0xaa, 0xbb, 0xcc));

    // A shorter value fills from the first byte; a longer one is no record.
    std::optional<TDesktopRecord> shortValue = TDesktopRecord::FromBytes({1, 0, 0, 0, 0xff});
    ASSERT_TRUE(shortValue);
    EXPECT_EQ(shortValue->GetMode(Set::Normal), 1);
    EXPECT_EQ(shortValue->GetColor(Set::Normal), QColor(0xff, 0, 0));
    EXPECT_TRUE(shortValue->SameForBoth());
    EXPECT_FALSE(TDesktopRecord::FromBytes(std::vector<uint8_t>(541, 0)));
}

TEST(DesktopRecord, LongPathsAreRefusedAndTheAppliedSetFollowsTheMode)
{
    TDesktopRecord r;
    EXPECT_TRUE(r.SetImage(Set::Normal, QString(259, QLatin1Char('a'))));
    // 130 two-byte letters are 260 bytes: one too many.
    EXPECT_FALSE(r.SetImage(Set::Normal, QString(130, QChar(0x10d))));
    EXPECT_EQ(r.GetImage(Set::Normal), QString(259, QLatin1Char('a')));

    EXPECT_EQ(r.AppliedSet(false), Set::Normal);
    EXPECT_EQ(r.AppliedSet(true), Set::Normal); // the same for both modes
    r.SetSameForBoth(false);
    EXPECT_EQ(r.AppliedSet(false), Set::Normal);
    EXPECT_EQ(r.AppliedSet(true), Set::FullScreen);
}

TEST_F(OptionsDialogs, DesktopDialogEditsTheSetShownAndLocksTheModeListWhenShared)
{
    TDesktopRecord record;
    TDesktopOptionsForm form(record);
    EXPECT_EQ(form.windowTitle(), "Nastavení plochy");
    // The default record: the same settings for both, so one list item.
    EXPECT_TRUE(form.CheckBox1->isChecked());
    EXPECT_FALSE(form.ComboBox1->isEnabled());
    EXPECT_TRUE(form.RadioButton1->isChecked());
    EXPECT_FALSE(form.ColorComboBox1->isEnabled());
    EXPECT_FALSE(form.FilenameEdit1->isEnabled());

    form.CheckBox1->click();
    EXPECT_FALSE(record.SameForBoth());
    ASSERT_TRUE(form.ComboBox1->isEnabled());
    form.ComboBox1->setCurrentIndex(1);
    form.RadioButton3->click();
    EXPECT_TRUE(form.FilenameEdit1->isEnabled());
    form.FilenameEdit1->setText(QStringLiteral("\"/tmp/tapeta.bmp\""));
    EXPECT_EQ(record.GetMode(Set::FullScreen), TDesktopRecord::TiledImage);
    EXPECT_EQ(record.GetImage(Set::FullScreen), "/tmp/tapeta.bmp");
    EXPECT_EQ(record.GetMode(Set::Normal), TDesktopRecord::SystemDefault);

    form.ComboBox1->setCurrentIndex(0);
    form.RadioButton2->click();
    form.ColorComboBox1->SetColor(QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(record.GetMode(Set::Normal), TDesktopRecord::SolidColor);
    EXPECT_EQ(record.GetColor(Set::Normal), QColor(0x12, 0x34, 0x56));
    // Showing the other set again brings back its own fields.
    form.ComboBox1->setCurrentIndex(1);
    EXPECT_TRUE(form.RadioButton3->isChecked());
    EXPECT_EQ(form.FilenameEdit1->text(), "/tmp/tapeta.bmp");

    // Ticking the box goes back to the normal set and locks the list.
    form.CheckBox1->click();
    EXPECT_TRUE(record.SameForBoth());
    EXPECT_EQ(form.ComboBox1->currentIndex(), 0);
    EXPECT_TRUE(form.RadioButton2->isChecked());

    // A path too long for the record keeps the dialog open.
    form.RadioButton3->click();
    form.show();
    form.FilenameEdit1->setText(QString(300, QLatin1Char('p')));
    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    form.Button1->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.result(), 0);
}

TEST_F(OptionsDialogs, StartupDialogShowsTheValuesInForceAndLocksTheLogFile)
{
    auto r = root();
    r.WriteString("LoggerOutputFile", home.programDir() + "DEBUG.LOG");
    r.WriteBool("HardExitEnabled", false);
    r.WriteBool("WantPluginDetails", true);
    r.WriteBool("ReopenDocuments", true);
    LoadSettings();
    TStartupSetupForm form;
    EXPECT_EQ(form.windowTitle(), "Spouštění a ukončování");
    EXPECT_TRUE(form.CheckBox1->isChecked());
    EXPECT_TRUE(form.CheckBox2->isChecked());
    EXPECT_FALSE(form.Edit1->isEnabled());
    EXPECT_EQ(form.ComboBox1->currentIndex(), 1);
    EXPECT_TRUE(form.CheckBox3->isChecked());
    EXPECT_TRUE(form.CheckBox4->isChecked());
    EXPECT_EQ(form.DirectoryEdit1->text().toStdString(), GetPluginsDir());

    struct Case {
        bool logger, defaultFile, boxEnabled, fileEnabled;
    };
    for (const Case& c : {Case {true, true, true, false}, Case {true, false, true, true}, Case {false, false, false, false},
             Case {false, true, false, false}}) {
        form.CheckBox1->setChecked(c.logger);
        form.CheckBox2->setChecked(c.defaultFile);
        form.CheckBox2->setEnabled(true);
        form.CheckBox1->click();
        form.CheckBox1->click(); // the click handler, with the state set above
        EXPECT_EQ(form.CheckBox2->isEnabled(), c.boxEnabled);
        EXPECT_EQ(form.Edit1->isEnabled(), c.fileEnabled);
        EXPECT_EQ(form.Edit1->palette().color(QPalette::Base),
            form.palette().color(c.fileEnabled ? QPalette::Base : QPalette::Button));
    }

    // "Obnovit" brings back the values in force.
    form.DirectoryEdit2->setText("/jinde/");
    form.Button3->click();
    EXPECT_EQ(form.DirectoryEdit2->text().toStdString(), GetProjectsDir());
}

TEST_F(OptionsDialogs, StartupDialogWritesTheSevenValuesForTheNextStart)
{
    const std::string pluginsBefore = GetPluginsDir();
    TStartupSetupForm form;
    form.CheckBox1->setChecked(false);
    form.Edit1->setText("/var/log/qx.log");
    form.ComboBox1->setCurrentIndex(1);
    form.CheckBox3->setChecked(true);
    form.CheckBox4->setChecked(true);
    form.DirectoryEdit1->setText("/opt/qx/moduly");
    form.DirectoryEdit2->setText("");
    form.DirectoryEdit3->setText("/opt/qx/skripty/");
    form.Button1->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.DirectoryEdit1->text(), "/opt/qx/moduly/");

    auto r = root();
    EXPECT_EQ(r.ReadInteger("LoggerEnabled"), 0);
    EXPECT_EQ(r.ReadString("LoggerOutputFile"), "/var/log/qx.log");
    EXPECT_EQ(r.ReadInteger("HardExitEnabled"), 0);
    EXPECT_EQ(r.ReadInteger("WantPluginDetails"), 1);
    EXPECT_EQ(r.ReadString("Plugins"), "/opt/qx/moduly/");
    EXPECT_EQ(r.ReadString("Projects"), "");
    EXPECT_EQ(r.ReadString("Scripts"), "/opt/qx/skripty/");
    EXPECT_EQ(r.ReadInteger("ReopenDocuments"), 1);
    // The running program keeps its values, but for the reopen switch: the
    // close of this run already keeps the documents for the next start.
    EXPECT_EQ(GetPluginsDir(), pluginsBefore);
    EXPECT_TRUE(HardExitEnabled());
    EXPECT_TRUE(ReopenDocumentsEnabled());
}

} // namespace

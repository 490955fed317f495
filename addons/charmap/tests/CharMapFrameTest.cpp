// The character map in a frame with the text editor: searching, inserting
// into the active document through the frame, and its settings.
#include "AddonFrame.h"

#include "QX_Types.h"
#include "frame/FrameWindow.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

namespace {

class CharMapFrame : public AddonFrameFixture {
protected:
    void SetUp() override
    {
        std::vector<std::string> libraries {QX_CHARMAP_PLUGIN};
#ifdef QX_TEXTEDITOR_PLUGIN
        libraries.push_back(QX_TEXTEDITOR_PLUGIN);
#endif
        StartFrame(libraries);
    }

    TQX_PluginWindow* LaunchMap()
    {
        TQX_PluginEntry* entry = Entry(QStringLiteral("Mapa znaků"));
        if (!entry)
            return nullptr;
        TQX_PluginWindow* map = entry->Launch(QString());
        QApplication::processEvents();
        return map;
    }

    static void Search(TQX_PluginWindow* map, const QString& text)
    {
        auto* edit = map->findChild<QLineEdit*>(QStringLiteral("SearchEdit"));
        edit->clear();
        QTest::keyClicks(edit, text);
        // The search runs once typing pauses.
        Spin(400);
    }

    static QString Current(TQX_PluginWindow* map)
    {
        return map->findChild<QListView*>(QStringLiteral("CharacterGrid"))->currentIndex().data().toString();
    }

    static QString Status(TQX_PluginWindow* map) { return map->findChild<QLabel*>(QStringLiteral("Status"))->text(); }
    static void Insert(TQX_PluginWindow* map) { map->findChild<QPushButton*>(QStringLiteral("InsertButton"))->click(); }
};

TEST_F(CharMapFrame, IsAToolWindowOfTheFrame)
{
    TQX_PluginWindow* map = LaunchMap();
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(GetToolWindowCount(), 1);
    EXPECT_EQ(GetDocumentWindowCount(), 0);
    EXPECT_EQ(map->windowTitle(), QStringLiteral("Mapa znaků"));
    EXPECT_TRUE(map->isVisible());
}

#ifdef QX_TEXTEDITOR_PLUGIN
TEST_F(CharMapFrame, InsertsTheFoundCharacterIntoTheActiveDocument)
{
    const QString file = WriteFile("note.txt", "cena 10\n");
    TQX_PluginWindow* document = Open(file);
    ASSERT_NE(document, nullptr);
    // The caret after "10": Ctrl+End goes past the line end, so End of line 1.
    QWidget* editor = document->focusWidget() ? document->focusWidget() : document;
    QTest::keyClick(editor, Qt::Key_End);

    TQX_PluginWindow* map = LaunchMap();
    ASSERT_NE(map, nullptr);
    Search(map, QStringLiteral("euro sign"));
    EXPECT_EQ(Current(map), QStringLiteral("€"));
    Insert(map);
    EXPECT_TRUE(Status(map).contains(QStringLiteral("U+20AC"))) << Status(map).toStdString();
    EXPECT_EQ(GetActiveDocumentWindow(), document);
    EXPECT_TRUE(document->Modified);

    // A second character by code; then the frame saves the document.
    Search(map, QStringLiteral("U+00A0"));
    Insert(map);
    ASSERT_TRUE(Trigger(FrameAction::FileSave));
    EXPECT_EQ(ReadBytes(file), QByteArray("cena 10\xE2\x82\xAC\xC2\xA0\n"));

    // Each insertion is one step for the frame's undo.
    ASSERT_TRUE(Trigger(FrameAction::EditUndo));
    ASSERT_TRUE(Trigger(FrameAction::FileSave));
    EXPECT_EQ(ReadBytes(file), QByteArray("cena 10\xE2\x82\xAC\n"));
}
#endif

TEST_F(CharMapFrame, WithoutADocumentNothingIsInsertedAndTheUserIsTold)
{
    TQX_PluginWindow* map = LaunchMap();
    ASSERT_NE(map, nullptr);
    Search(map, QStringLiteral("section sign"));
    EXPECT_EQ(Current(map), QStringLiteral("§"));
    Insert(map);
    EXPECT_TRUE(Status(map).contains(QStringLiteral("Není otevřen žádný dokument"))) << Status(map).toStdString();
    Search(map, QStringLiteral("no such character name"));
    EXPECT_TRUE(Status(map).startsWith(QStringLiteral("Žádný znak neodpovídá"))) << Status(map).toStdString();
    EXPECT_FALSE(map->findChild<QPushButton*>(QStringLiteral("InsertButton"))->isEnabled());
}

// While a search is shown the block box names the chosen character's block;
// leaving the search shows that block with the character still chosen.
TEST_F(CharMapFrame, BlockBoxFollowsTheSearch)
{
    TQX_PluginWindow* map = LaunchMap();
    ASSERT_NE(map, nullptr);
    auto* block = map->findChild<QComboBox*>(QStringLiteral("BlockCombo"));
    auto* edit = map->findChild<QLineEdit*>(QStringLiteral("SearchEdit"));
    const struct {
        const char* search;
        const char* character;
        const char* block;
    } cases[] = {{"euro sign", "€", "Currency Symbols"}, {"section sign", "§", "Latin-1 Supplement"},
        {"U+03A9", "Ω", "Greek And Coptic"}};
    for (const auto& c : cases) {
        Search(map, QString::fromUtf8(c.search));
        EXPECT_EQ(Current(map), QString::fromUtf8(c.character)) << c.search;
        EXPECT_TRUE(block->currentText().startsWith(QLatin1String(c.block))) << block->currentText().toStdString();
        EXPECT_EQ(edit->text(), QString::fromUtf8(c.search));
    }
    Search(map, QString());
    EXPECT_EQ(Current(map), QStringLiteral("Ω"));
    EXPECT_TRUE(block->currentText().startsWith(QLatin1String("Greek And Coptic")));
    EXPECT_GT(map->findChild<QListView*>(QStringLiteral("CharacterGrid"))->model()->rowCount(), 50);

    // Choosing the block the box shows during a search leaves the search.
    Search(map, QStringLiteral("euro sign"));
    emit block->activated(block->currentIndex());
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_EQ(Current(map), QStringLiteral("€"));
    EXPECT_TRUE(block->currentText().startsWith(QLatin1String("Currency Symbols")));
}

TEST_F(CharMapFrame, SettingsSurviveClosingTheWindow)
{
    TQX_PluginWindow* map = LaunchMap();
    ASSERT_NE(map, nullptr);
    auto* block = map->findChild<QComboBox*>(QStringLiteral("BlockCombo"));
    const int greek = block->findText(QStringLiteral("Greek and Coptic"), Qt::MatchStartsWith);
    ASSERT_GE(greek, 0);
    block->setCurrentIndex(greek);
    EXPECT_EQ(Current(map).size(), 1);
    map->close();
    delete map;

    TQX_PluginWindow* again = LaunchMap();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->findChild<QComboBox*>(QStringLiteral("BlockCombo"))->currentIndex(), greek);
    const QChar shown = Current(again).at(0);
    EXPECT_TRUE(shown.unicode() >= 0x370 && shown.unicode() <= 0x3FF) << int(shown.unicode());
}

} // namespace

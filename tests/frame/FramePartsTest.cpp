// The frame's parts that need no plug-in: the action table as it reaches the
// user, the menu tree, the toolbars, the recent-files list and the filters.
#include "FrameFixture.h"

#include "frame/FrameImages.h"
#include "frame/RecentFiles.h"
#include "platform/Registry.h"
#include "ui/DialogSupport.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QStyle>
#include <QToolTip>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <set>

namespace {

class FramePartsTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        StartFrame();
    }
};

void collect(QMenu* menu, std::set<QAction*>& found)
{
    for (QAction* action : menu->actions()) {
        found.insert(action);
        if (action->menu())
            collect(action->menu(), found);
    }
}

TEST_F(FramePartsTest, EveryActionIsReachableFromTheMenuBar)
{
    std::set<QAction*> found;
    for (QAction* top : frame->MenuBar()->actions())
        if (top->menu())
            collect(top->menu(), found);
    // The status bar switch has no item, restore belongs to the caption
    // buttons, the notepad's clear command to its popup.
    const std::set<FrameAction> elsewhere {FrameAction::StatusBar, FrameAction::WindowRestore,
        FrameAction::SubmenuNotepadClear};
    for (int i = 0; i < kFrameActionCount; ++i)
        if (!elsewhere.count(FrameAction(i))) {
            EXPECT_TRUE(found.count(Act(FrameAction(i)))) << FrameActionDef(FrameAction(i)).name;
        }
}

TEST_F(FramePartsTest, ShortcutsAndImagesOfTheTableReachTheActions)
{
    EXPECT_TRUE(ToolbarImagesAvailable());
    for (int i = 0; i < kFrameActionCount; ++i) {
        const TFrameActionDef& def = FrameActionDef(FrameAction(i));
        QAction* action = Act(def.id);
        EXPECT_EQ(action->shortcut().toString(QKeySequence::PortableText), QLatin1String(def.shortcut)) << def.name;
        EXPECT_EQ(action->icon().isNull(), def.image == kNoImage) << def.name;
        EXPECT_EQ(action->property("Tag").toInt(), def.tag) << def.name;
    }
}

TEST_F(FramePartsTest, ToolbarButtonsAreBoundToTheirActionsAndDropDowns)
{
    struct Case {
        const char* button;
        FrameAction action;
        const char* dropdown; // empty: none
    } cases[] = {
        {"ToolbarButtonFileNew", FrameAction::FileNew, "NewDocumentSubmenu"},
        {"ToolbarButtonViewNotepad", FrameAction::ViewNotepad, "NotepadSubmenu"},
        {"ToolbarButtonProjectOpen", FrameAction::ProjectOpen, "MenuProjectOpenRecent"},
        {"ToolbarButtonProjectOpenWorkspace", FrameAction::ProjectOpenWorkspace, "MenuProjectOpenRecentWorkspace"},
        {"ToolbarButtonScriptOpen", FrameAction::ScriptOpen, "ScriptSubmenu"},
        {"ToolbarButtonWindowArrangeV", FrameAction::WindowArrangeV, ""},
        {"ToolbarButtonEditUndo", FrameAction::EditUndo, ""},
    };
    for (const Case& c : cases) {
        auto* button = frame->findChild<QToolButton*>(QLatin1String(c.button));
        ASSERT_NE(button, nullptr) << c.button;
        EXPECT_EQ(button->defaultAction(), Act(c.action)) << c.button;
        if (*c.dropdown) {
            ASSERT_NE(button->menu(), nullptr) << c.button;
            EXPECT_EQ(button->menu()->objectName(), QLatin1String(c.dropdown)) << c.button;
        }
    }
    auto* format = frame->findChild<QToolBar*>(QStringLiteral("FormatToolbar"));
    EXPECT_FALSE(format->isVisible());
    EXPECT_EQ(format->allowedAreas(), Qt::TopToolBarArea | Qt::BottomToolBarArea);
    EXPECT_EQ(frame->ToolbarByNumber(602), format);
    EXPECT_EQ(frame->ToolbarByNumber(605), nullptr);
}

TEST_F(FramePartsTest, CustomizePopupListsButtonsAndSeparatorsAndHidesAButton)
{
    auto* format = frame->findChild<QToolBar*>(QStringLiteral("FormatToolbar"));
    auto* customize = frame->findChild<QToolButton*>(QStringLiteral("ToolbarButtonFormatCustomizeBtn"));
    ASSERT_NE(customize, nullptr);
    format->show();
    customize->click();
    auto* popup = frame->findChild<QMenu*>(QStringLiteral("CustomizeToolbarSubmenu"));
    QStringList items;
    for (QAction* item : popup->actions())
        items << (item->isSeparator() ? QStringLiteral("-") : item->text());
    popup->close();
    // The font boxes and the gap add nothing.
    EXPECT_EQ(items, (QStringList {"-", "Nastavit tučné písmo", "Nastavit kurzívu", "Nastavit podtržené písmo", "-",
                         "Nastavit zarovnání vlevo", "Nastavit zarovnání doprostřed", "Nastavit zarovnání vpravo",
                         "Zrušit zarovnávání", "-", "Vytvořit číslovaný seznam", "Vytvořit seznam", "Zmenšit odsazení",
                         "Zvětšit odsazení", "-", "Nastavit barvu pozadí", "Nastavit barvu textu"}));
    popup->actions()[1]->trigger();
    auto* bold = frame->findChild<QToolButton*>(QStringLiteral("ToolbarButtonFormatBold"));
    EXPECT_TRUE(WaitFor([bold] { return !bold->isVisible(); }, 1000));
}

TEST_F(FramePartsTest, CustomizePopupListsAButtonThatOnlyOpensAMenu)
{
    auto* customize = frame->findChild<QToolButton*>(QStringLiteral("ToolbarButtonProjectCustomizeBtn"));
    ASSERT_NE(customize, nullptr);
    customize->click();
    auto* popup = frame->findChild<QMenu*>(QStringLiteral("CustomizeToolbarSubmenu"));
    QStringList items;
    for (QAction* item : popup->actions())
        items << (item->isSeparator() ? QStringLiteral("-") : item->text());
    popup->close();
    EXPECT_EQ(items, (QStringList {"Vytvořit nový projekt", "Otevřít existující projekt", "Uložit projekt do souboru",
                         "Zobrazit nastavení projektu", "-", "Vytvořit novou plochu otevřeného projektu",
                         "Načíst plochu otevřeného projektu", "Uložit plochu otevřeného projektu",
                         "Smazat plochu otevřeného projektu", "-", "Otevřít dokument"}));
    // Its item hides and shows it like any other.
    auto* button = frame->findChild<QToolButton*>(QStringLiteral("ToolbarButtonProjectOpenDocument"));
    EXPECT_FALSE(popup->actions().last()->icon().isNull());
    popup->actions().last()->trigger();
    EXPECT_TRUE(WaitFor([button] { return !button->isVisible(); }, 1000));
}

TEST_F(FramePartsTest, MenuSeparatorsAndLaunchEntriesHaveTheirOwnDrawing)
{
    QMenu* fileMenu = frame->findChild<QMenu*>(QStringLiteral("MenuFile"));
    ASSERT_NE(fileMenu, nullptr);
    fileMenu->popup(QPoint(0, 0));
    ASSERT_TRUE(WaitFor([fileMenu] { return fileMenu->isVisible(); }));
    QAction* separator = nullptr;
    for (QAction* item : fileMenu->actions())
        if (item->isSeparator() && !separator)
            separator = item;
    ASSERT_NE(separator, nullptr);
    const QRect r = fileMenu->actionGeometry(separator);
    EXPECT_EQ(r.height(), 10);
    const QImage picture = fileMenu->grab().toImage();
    const QPalette& pal = fileMenu->palette();
    // Two lines 15 pixels in from either side, the face colour around them.
    EXPECT_EQ(picture.pixel(r.left() + 15, r.top() + 4), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(picture.pixel(r.left() + 15, r.top() + 5), pal.color(QPalette::Light).rgb());
    EXPECT_EQ(picture.pixel(r.right() - 15, r.top() + 4), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(picture.pixel(r.left() + 14, r.top() + 4), pal.color(QPalette::Button).rgb());
    EXPECT_EQ(picture.pixel(r.right() - 14, r.top() + 4), pal.color(QPalette::Button).rgb());
    EXPECT_EQ(picture.pixel(r.left() + 20, r.top() + 2), pal.color(QPalette::Button).rgb());
    fileMenu->close();

    // The Spustit menu's entries are 21 pixels high; the selected one has its
    // image framed raised and the rest of the row highlighted.
    QMenu* launch = frame->findChild<QMenu*>(QStringLiteral("MenuLaunch"));
    ASSERT_NE(launch, nullptr);
    launch->clear();
    QAction* entry = launch->addAction(ToolbarImage(0), QStringLiteral("&Textový dokument"));
    launch->popup(QPoint(0, 0));
    ASSERT_TRUE(WaitFor([launch] { return launch->isVisible(); }));
    const QRect e = launch->actionGeometry(entry);
    EXPECT_EQ(e.height(), 21);
    launch->setActiveAction(entry);
    const QImage selected = launch->grab().toImage();
    const QPalette& menuPal = launch->palette();
    EXPECT_EQ(selected.pixel(e.left(), e.top() + 10), menuPal.color(QPalette::Light).rgb());
    EXPECT_EQ(selected.pixel(e.left() + 18, e.top() + 10), menuPal.color(QPalette::Dark).rgb());
    EXPECT_EQ(selected.pixel(e.left() + 20, e.top() + 20), menuPal.color(QPalette::Window).rgb());
    EXPECT_EQ(selected.pixel(e.right() - 2, e.top() + 20), menuPal.color(QPalette::Highlight).rgb());
    launch->close();
}

TEST_F(FramePartsTest, HintsAppearAfterTheHintPauseAndStayForTheHidePause)
{
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 200);

    // A toolbar button's hint goes away after 5 s (Qt's own time is 10 s).
    auto* button = frame->findChild<QToolButton*>(QStringLiteral("ToolbarButtonFileNew"));
    ASSERT_NE(button, nullptr);
    const QPoint at = button->rect().center();
    QHelpEvent hint(QEvent::ToolTip, at, button->mapToGlobal(at));
    QApplication::sendEvent(button, &hint);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), Act(FrameAction::FileNew)->toolTip());
    Spin(4500);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(WaitFor([] { return !QToolTip::isVisible(); }, 1000));

    // A menu item shows the hint given to its action, and none for an item
    // without one.
    QMenu* fileMenu = nullptr;
    for (QAction* top : frame->MenuBar()->actions())
        if (top->menu() && top->menu()->actions().contains(Act(FrameAction::FileOpen)))
            fileMenu = top->menu();
    ASSERT_NE(fileMenu, nullptr);
    fileMenu->popup(QPoint(0, 0));
    ASSERT_TRUE(WaitFor([fileMenu] { return fileMenu->isVisible(); }));
    const QPoint item = fileMenu->actionGeometry(Act(FrameAction::FileOpen)).center();
    QHelpEvent menuHint(QEvent::ToolTip, item, fileMenu->mapToGlobal(item));
    QApplication::sendEvent(fileMenu, &menuHint);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QString::fromUtf8(FrameActionDef(FrameAction::FileOpen).hint));
    fileMenu->close();
    QToolTip::hideText();
}

TEST(FocusDocument, TheEditingPartOfADocumentGetsTheFocus)
{
    QWidget top;
    auto* outside = new QLineEdit(&top);
    auto* document = new QWidget(&top);
    auto* label = new QLabel(QStringLiteral("ruler"), document);
    auto* editor = new QLineEdit(document);
    (void)label;
    top.show();
    outside->setFocus();
    FocusDocument(document);
    EXPECT_EQ(top.focusWidget(), editor);
    // A window that names its editor as focus proxy hands the focus on.
    auto* other = new QLineEdit(document);
    other->show();
    document->setFocusProxy(other);
    FocusDocument(document);
    EXPECT_EQ(top.focusWidget(), other);
}

TEST(RecentFiles, MostRecentFirstWithoutDuplicatesAndAtMostFifteen)
{
    qxtest::ScopedHome home;
    TRecentFiles list;
    for (int i = 0; i < 17; ++i)
        list.Add(QStringLiteral("/f%1").arg(i));
    list.Add(QStringLiteral("/f10"));
    ASSERT_EQ(list.Items().size(), kRecentFilesCapacity);
    EXPECT_EQ(list.Items().first(), QStringLiteral("/f10"));
    EXPECT_EQ(list.Items()[1], QStringLiteral("/f16"));
    EXPECT_EQ(list.Items().last(), QStringLiteral("/f2"));

    // On a file system that respects case, names differing in case are two
    // documents; the same file reached by another spelling is one.
    const std::string lower = home.dir().file("doc.txt"), upper = home.dir().file("DOC.txt");
    qxtest::WriteFile(lower, "a");
    qxtest::WriteFile(upper, "b");
    EXPECT_FALSE(SameDocumentPath(QString::fromStdString(lower), QString::fromStdString(upper)));
    EXPECT_TRUE(SameDocumentPath(QString::fromStdString(lower), QString::fromStdString(lower)));
}

TEST(RecentFiles, StoredAsNumberedItemsInAnEmptiedKey)
{
    qxtest::ScopedHome home;
    {
        qx::Registry reg;
        ASSERT_TRUE(reg.OpenKey(kRecentFilesKey, true));
        reg.WriteString("Item_7", "/stale");
        reg.WriteString("Stranger", "/kept?");
    }
    TRecentFiles list;
    list.Add(QStringLiteral("/b"));
    list.Add(QStringLiteral("/a"));
    ASSERT_TRUE(list.Save());
    qx::Registry reg;
    ASSERT_TRUE(reg.OpenKey(kRecentFilesKey, false));
    EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string> {"Item_0", "Item_1"}));
    EXPECT_EQ(reg.ReadString("Item_0"), "/a");

    TRecentFiles loaded;
    loaded.Load();
    EXPECT_EQ(loaded.Items(), (QStringList {"/a", "/b"}));
}

TEST(RecentFiles, MenuCaptionsNumberOneToNineThenLetters)
{
    EXPECT_EQ(TRecentFiles::MenuCaption(0, QStringLiteral("/x")), QStringLiteral("&1\t/x"));
    EXPECT_EQ(TRecentFiles::MenuCaption(8, QStringLiteral("/x")), QStringLiteral("&9\t/x"));
    EXPECT_EQ(TRecentFiles::MenuCaption(9, QStringLiteral("/x")), QStringLiteral("&A\t/x"));
    EXPECT_EQ(TRecentFiles::MenuCaption(14, QStringLiteral("/x")), QStringLiteral("&F\t/x"));
}

TEST(OpenFilter, PairsBecomeNameFilters)
{
    EXPECT_EQ(OpenFilterToNameFilters(QStringLiteral("Všechny soubory (*.*)|*.*|Text|*.txt;*.log|Web (*.htm)|*.htm;*.html")),
        (QStringList {"Všechny soubory (*)", "Text (*.txt *.log)", "Web (*.htm *.html)"}));
    // A dangling description without patterns is dropped.
    EXPECT_EQ(OpenFilterToNameFilters(QStringLiteral("A|*.a|B")), QStringList {"A (*.a)"});
}

} // namespace

// Keyboard shortcuts: the stored code both ways, the registry at start, and
// the shortcuts dialog from editing to the values it leaves in the registry.
#include "FrameFixture.h"
#include "ModalAnswers.h"

#include "frame/SaveActionShortcuts.h"
#include "platform/ShortcutCode.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"
#include "tools/ExternalTools.h"
#include "tools/ToolOutputPanel.h"

#include <QApplication>
#include <QMdiArea>
#include <QLabel>
#include <QPushButton>
#include <QShortcutEvent>
#include <QTest>
#include <QTreeWidget>

namespace {

TEST(ShortcutCode, ConvertsBothWays)
{
    struct Case {
        const char* keys;
        uint16_t code;
    } cases[] = {
        {"Ctrl+N", 0x404E}, {"Alt+F4", 0x8073}, {"Ctrl+Alt+T", 0xC054}, {"F6", 0x0075}, {"Ctrl+F6", 0x4075},
        {"Ctrl+Alt+F4", 0xC073}, {"Shift+F11", 0x207A}, {"Ctrl+Shift+Z", 0x605A}, {"Ctrl+5", 0x4035},
        {"Ctrl+Del", 0x402E}, {"Alt+Home", 0x8024}, {"Ctrl+PgDown", 0x4022}, {"Ctrl+;", 0x40BA}, {"Ctrl+[", 0x40DB},
        {"Ctrl+Space", 0x4020}, {"F24", 0x0087}, {"", 0},
    };
    for (const Case& c : cases) {
        const QKeySequence keys(QLatin1String(c.keys), QKeySequence::PortableText);
        EXPECT_EQ(ShortcutCodeFromKeys(keys), c.code) << c.keys;
        EXPECT_EQ(ShortcutCodeToKeys(c.code), keys) << c.keys;
    }
    // Keypad keys have codes of their own; a shifted character counts as its key.
    EXPECT_EQ(ShortcutCodeFromKey(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_5)), 0x4065);
    EXPECT_EQ(ShortcutCodeToKeys(0x4065), QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_5)));
    EXPECT_EQ(ShortcutCodeFromKey(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Colon)), 0x60BA);
    // Codes that name no key, and keys without a code.
    EXPECT_TRUE(ShortcutCodeToKeys(0x4000).isEmpty());
    EXPECT_TRUE(ShortcutCodeToKeys(0x40FF).isEmpty());
    EXPECT_EQ(ShortcutCodeFromKey(QKeyCombination(Qt::ControlModifier, Qt::Key_Eacute)), 0);
}

TEST(ShortcutCode, ShiftedDigitsAndPunctuationAreTheirKeysCodes)
{
    // A key event with Shift names the character; the code names the key.
    const auto ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    struct Case {
        QKeyCombination key;
        uint16_t code;
    } cases[] = {
        {QKeyCombination(ctrlShift, Qt::Key_Exclam), 0x6031},
        {QKeyCombination(ctrlShift, Qt::Key_ParenRight), 0x6030},
        {QKeyCombination(ctrlShift, Qt::Key_Asterisk), 0x6038},
        {QKeyCombination(ctrlShift, Qt::Key_At), 0x6032},
        {QKeyCombination(ctrlShift, Qt::Key_Plus), 0x60BB},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_Equal), 0x40BB},
        {QKeyCombination(ctrlShift, Qt::Key_Underscore), 0x60BD},
        {QKeyCombination(ctrlShift, Qt::Key_QuoteDbl), 0x60DE},
        {QKeyCombination(ctrlShift, Qt::Key_AsciiTilde), 0x60C0},
        {QKeyCombination(ctrlShift, Qt::Key_Bar), 0x60DC},
        {QKeyCombination(ctrlShift, Qt::Key_Question), 0x60BF},
        {QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus), 0x406B},
        {QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Asterisk), 0x406A},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShortcutCodeFromKey(c.key), c.code) << QKeySequence(c.key).toString().toStdString();
    EXPECT_EQ(ShortcutCodeToKeys(0x406B), QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus)));
    EXPECT_EQ(ShortcutCodeToKeys(0x60BB), QKeySequence(QKeyCombination(ctrlShift, Qt::Key_Equal)));

    // The hot-key field takes them.
    THotKeyEdit field;
    QTest::keyClick(&field, Qt::Key_Exclam, ctrlShift);
    EXPECT_EQ(field.Code(), 0x6031);
}

TEST(ShortcutCode, EveryCodeWithAKeyReadsBackAsItself)
{
    int named = 0;
    for (uint32_t code = 0; code <= 0xFFFF; ++code) {
        const QKeySequence keys = ShortcutCodeToKeys(uint16_t(code));
        if (keys.isEmpty())
            continue;
        ++named;
        EXPECT_EQ(ShortcutCodeFromKeys(keys), code) << std::hex << code << " " << keys.toString().toStdString();
    }
    // Letters, digits, function keys, the keypad and the punctuation keys,
    // each with the eight sets of modifiers.
    EXPECT_GT(named, 8 * 100);
    // Every punctuation key of the main keyboard has its key.
    for (uint16_t vk : {0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE})
        EXPECT_FALSE(ShortcutCodeToKeys(0x4000 | vk).isEmpty()) << std::hex << vk;
}

TEST(ShortcutCode, HotKeyFieldRules)
{
    struct Case {
        QKeyCombination key;
        bool accepted;
    } cases[] = {
        {QKeyCombination(Qt::ControlModifier, Qt::Key_K), true},
        {QKeyCombination(Qt::AltModifier, Qt::Key_1), true},
        {QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_S), true},
        {QKeyCombination(Qt::NoModifier, Qt::Key_K), false},
        {QKeyCombination(Qt::ShiftModifier, Qt::Key_K), false},
        {QKeyCombination(Qt::ShiftModifier, Qt::Key_Home), false},
        {QKeyCombination(Qt::NoModifier, Qt::Key_F5), true},
        {QKeyCombination(Qt::ShiftModifier, Qt::Key_F5), true},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_Eacute), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(THotKeyEdit::Accepts(c.key), c.accepted) << QKeySequence(c.key).toString().toStdString();

    THotKeyEdit field;
    field.SetCode(0x404E);
    QTest::keyClick(&field, Qt::Key_K); // refused: the field keeps its value
    EXPECT_EQ(field.Code(), 0x404E);
    QTest::keyClick(&field, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(field.Code(), 0xC04B);
    QTest::keyClick(&field, Qt::Key_Backspace);
    EXPECT_EQ(field.Code(), 0);
}

class ShortcutsTest : public AnsweredFrameFixture {
protected:
    static void WriteValue(const std::string& name, int32_t code)
    {
        qx::Registry reg;
        ASSERT_TRUE(reg.OpenKey(kShortcutsKey, true));
        reg.WriteInteger(name, code);
    }

    static QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& text)
    {
        for (int i = 0; i < parent->childCount(); ++i)
            if (parent->child(i)->text(0) == text)
                return parent->child(i);
        return nullptr;
    }
};

TEST_F(ShortcutsTest, StoredValuesReplaceTheDefaultsAtStart)
{
    WriteValue("Action_FileNew", 0);          // no shortcut, although the default has one
    WriteValue("Action_FileSaveAs", 0x604B);  // Ctrl+Shift+K
    WriteValue("Action_FileOpen", 0x7604F);   // only the low 16 bits count
    {
        qx::Registry reg;
        ASSERT_TRUE(reg.OpenKey(kShortcutsKey, true));
        reg.WriteString("Action_FileSave", "Ctrl+S"); // not a code: warned, default kept
    }
    StartFrame();
    EXPECT_TRUE(Act(FrameAction::FileNew)->shortcut().isEmpty());
    EXPECT_EQ(Act(FrameAction::FileSaveAs)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+K")));
    EXPECT_EQ(Act(FrameAction::FileOpen)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+O")));
    EXPECT_EQ(Act(FrameAction::FileSave)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_TRUE(frame->Initialized());
}

TEST_F(ShortcutsTest, DialogTreeEditsResetAndConfirm)
{
    StartFrame();
    bool checked = false;
    modal.answers.push_back([&](QWidget* dialog) {
        auto& form = *qobject_cast<TSaveActionsShortcutsForm*>(dialog);
        checked = true;
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Nastavení klávesových zkratek"));
        ASSERT_EQ(form.TreeView->topLevelItemCount(), 1);
        QTreeWidgetItem* root = form.TreeView->topLevelItem(0);
        EXPECT_EQ(root->text(0), QStringLiteral("Klávesové zkratky"));
        EXPECT_TRUE(root->isExpanded());
        QStringList categories;
        for (int i = 0; i < root->childCount(); ++i) {
            categories << root->child(i)->text(0);
            EXPECT_FALSE(root->child(i)->isExpanded());
        }
        EXPECT_EQ(categories, (QStringList {"Projekt", "Soubor", "Okno", "Úpravy", "Nápověda", "Zobrazit", "Nástroje",
                                  "Formát", "Dokumenty", "Skript"}));
        QTreeWidgetItem* file = Child(root, QStringLiteral("Soubor"));
        ASSERT_EQ(file->childCount(), 14);
        EXPECT_EQ(file->child(0)->text(0), QStringLiteral("Nový..."));
        EXPECT_EQ(file->child(9)->text(0), QStringLiteral("Konec"));
        // Hidden actions have no node.
        EXPECT_EQ(form.ItemOf(Act(FrameAction::StatusBar)), nullptr);
        EXPECT_EQ(form.ItemOf(Act(FrameAction::SubmenuNotepadClear)), nullptr);
        EXPECT_FALSE(form.HotKey->isEnabled());

        // Selecting an action shows its code and hint.
        QTreeWidgetItem* newItem = form.ItemOf(Act(FrameAction::FileNew));
        form.TreeView->setCurrentItem(newItem);
        EXPECT_TRUE(form.HotKey->isEnabled());
        EXPECT_EQ(form.HotKey->Code(), 0x404E);
        EXPECT_EQ(form.Label4->text(), QStringLiteral("Vytvořit nový dokument"));
        // A combination another action has is named.
        QTest::keyClick(form.HotKey, Qt::Key_O, Qt::ControlModifier);
        EXPECT_TRUE(form.ConflictLabel->text().contains(QStringLiteral("Otevřít...")))
            << form.ConflictLabel->text().toStdString();
        QTest::keyClick(form.HotKey, Qt::Key_K, Qt::ControlModifier);
        EXPECT_TRUE(form.ConflictLabel->text().isEmpty());
        // Moving away stores the field; "Původní" drops the edits.
        form.TreeView->setCurrentItem(form.ItemOf(Act(FrameAction::FileSave)));
        EXPECT_EQ(form.DescriptorOf(form.ItemOf(Act(FrameAction::FileNew)))->code, 0x404B);
        form.Button3->click();
        EXPECT_EQ(form.DescriptorOf(form.ItemOf(Act(FrameAction::FileNew)))->code, 0x404E);

        // New edits: one stored by moving on, the last one still in the field.
        form.TreeView->setCurrentItem(form.ItemOf(Act(FrameAction::FileNew)));
        QTest::keyClick(form.HotKey, Qt::Key_K, Qt::ControlModifier);
        form.TreeView->setCurrentItem(form.ItemOf(Act(FrameAction::FileSave)));
        QTest::keyClick(form.HotKey, Qt::Key_Delete);
        form.Button1->click();
    });
    Act(FrameAction::FileSettingsShortcuts)->trigger();
    ASSERT_TRUE(checked);
    EXPECT_EQ(Act(FrameAction::FileNew)->shortcut(), QKeySequence(QStringLiteral("Ctrl+K")));
    EXPECT_TRUE(Act(FrameAction::FileSave)->shortcut().isEmpty());

    // Every action has its value, the hidden ones included.
    qx::Registry reg;
    ASSERT_TRUE(reg.OpenKey(kShortcutsKey, false));
    for (int i = 0; i < kFrameActionCount; ++i)
        EXPECT_TRUE(reg.ValueExists(FrameActionDef(FrameAction(i)).name)) << FrameActionDef(FrameAction(i)).name;
    EXPECT_EQ(reg.ReadInteger("Action_FileNew"), 0x404B);
    EXPECT_EQ(reg.ReadInteger("Action_FileSave"), 0);
    EXPECT_EQ(reg.ReadInteger("Action_FileExit"), 0x8073);

    // The next start keeps them.
    DestroyFrame();
    StartFrame();
    EXPECT_EQ(Act(FrameAction::FileNew)->shortcut(), QKeySequence(QStringLiteral("Ctrl+K")));
    EXPECT_TRUE(Act(FrameAction::FileSave)->shortcut().isEmpty());
}

TEST_F(ShortcutsTest, ExternalToolsGetTheirKeysInTheDialogAndRunByThem)
{
    SaveExternalToolList({{QStringLiteral("\"/bin/true\""), QStringLiteral("Nic"), 0},
        {QStringLiteral("\"/bin/true\" x"), QStringLiteral("Echo"), 0x4074}, {QStringLiteral("\"/bin/true\" y"), QStringLiteral("Třetí"), 0}});
    {
        // A damaged shortcut value costs the tool its shortcut, nothing more.
        qx::Registry reg;
        ASSERT_TRUE(reg.OpenKey(kExternalToolsKey, true));
        reg.WriteString("tool 2, shortcut", "Ctrl+F5");
    }
    StartFrame();
    std::vector<QAction*> tools = frame->ExternalToolEntries();
    ASSERT_EQ(tools.size(), 3u);
    EXPECT_TRUE(tools[1]->shortcut().isEmpty());
    bool warned = false;
    for (const std::string& line : GetEventLogLines())
        warned |= line.find("tool 2, shortcut") != std::string::npos;
    EXPECT_TRUE(warned);

    bool checked = false;
    modal.answers.push_back([&](QWidget* dialog) {
        auto& form = *qobject_cast<TSaveActionsShortcutsForm*>(dialog);
        QTreeWidgetItem* category = Child(form.TreeView->topLevelItem(0), QStringLiteral("Nástroje"));
        ASSERT_NE(category, nullptr);
        QStringList nodes;
        for (int i = 0; i < category->childCount(); ++i)
            nodes << category->child(i)->text(0);
        EXPECT_EQ(nodes, (QStringList {"Nastavit...", "Nic", "Echo", "Třetí"}));
        form.TreeView->setCurrentItem(form.ItemOf(tools[0]));
        EXPECT_EQ(form.Label4->text(), QStringLiteral("\"/bin/true\""));
        QTest::keyClick(form.HotKey, Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier);
        form.Button1->click();
        checked = true;
    });
    Act(FrameAction::FileSettingsShortcuts)->trigger();
    ASSERT_TRUE(checked);
    const std::vector<TExternalTool> stored = LoadExternalToolList();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0].ShortCut, 0x6031);
    EXPECT_EQ(stored[0].DisplayName, QStringLiteral("Nic"));
    EXPECT_EQ(stored[1].ShortCut, 0);
    EXPECT_EQ(stored[2].CommandLine, QStringLiteral("\"/bin/true\" y"));

    // The key runs the tool wherever the focus is in the frame.
    int runs = 0;
    QObject::connect(tools[0], &QAction::triggered, [&] { ++runs; });
    frame->activateWindow();
    ASSERT_TRUE(WaitFor([this] { return frame->isActiveWindow(); }));
    frame->DocumentArea()->setFocus();
    QTest::keyClick(frame->DocumentArea(), Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(WaitFor([this] { return !frame->ToolOutputPanel()->IsRunning(); }));
}

TEST_F(ShortcutsTest, CancelChangesNothing)
{
    StartFrame();
    modal.answers.push_back([&](QWidget* dialog) {
        auto& form = *qobject_cast<TSaveActionsShortcutsForm*>(dialog);
        form.TreeView->setCurrentItem(form.ItemOf(Act(FrameAction::FileNew)));
        QTest::keyClick(form.HotKey, Qt::Key_K, Qt::ControlModifier);
        form.Button2->click();
    });
    Act(FrameAction::FileSettingsShortcuts)->trigger();
    EXPECT_EQ(Act(FrameAction::FileNew)->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    qx::Registry reg;
    EXPECT_FALSE(reg.OpenKey(kShortcutsKey, false) && reg.ValueExists("Action_FileNew"));
}

TEST_F(ShortcutsTest, AComboTwoActionsShareRunsTheFirstEnabledOne)
{
    SetDemoMode(true); // every action stays enabled
    StartFrame();
    int saveAs = 0, properties = 0;
    QObject::connect(Act(FrameAction::FileSaveAs), &QAction::triggered, [&] { ++saveAs; });
    QObject::connect(Act(FrameAction::FileProperties), &QAction::triggered, [&] { ++properties; });
    const QKeySequence keys(QStringLiteral("Ctrl+Shift+K"));
    Act(FrameAction::FileSaveAs)->setShortcut(keys);
    Act(FrameAction::FileProperties)->setShortcut(keys);
    QShortcutEvent ambiguous(keys, 0, true);
    QCoreApplication::sendEvent(Act(FrameAction::FileProperties), &ambiguous);
    EXPECT_EQ(saveAs, 1);
    EXPECT_EQ(properties, 0);
    Act(FrameAction::FileSaveAs)->setEnabled(false);
    QCoreApplication::sendEvent(Act(FrameAction::FileSaveAs), &ambiguous);
    EXPECT_EQ(saveAs, 1);
    EXPECT_EQ(properties, 1);
}

} // namespace

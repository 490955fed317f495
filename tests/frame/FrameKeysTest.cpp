// The frame's keyboard: its shortcuts come before the key map of the widget
// with the focus, Alt chords type nothing, F10 and Alt+letter open the menus.
#include "FrameFixture.h"

#include "kernel/Settings.h"
#include "platform/ShortcutCode.h"

#include <QApplication>
#include <QDockWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <set>

namespace {

// A document's editing part with a key map of its own, as an editor has:
// it claims the combinations it binds before any shortcut sees them.
class TKeyMapEditor : public QWidget {
public:
    explicit TKeyMapEditor(QWidget* parent = nullptr)
        : QWidget(parent)
    {
        setFocusPolicy(Qt::StrongFocus);
    }
    QStringList keys; // the key presses that reached it, as "text|key"
    QKeySequence bound {QStringLiteral("Ctrl+T")};

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (QKeySequence(key->keyCombination()) == bound || (key->modifiers() == Qt::NoModifier && !key->text().isEmpty())) {
                event->accept();
                return true;
            }
        }
        return QWidget::event(event);
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        const int k = event->key();
        if (k == Qt::Key_Control || k == Qt::Key_Shift || k == Qt::Key_Alt || k == Qt::Key_Meta)
            return;
        keys << event->text() + QLatin1Char('|') + QKeySequence(event->keyCombination()).toString();
        event->accept();
    }
};

class FrameKeysTest : public FrameFixture {
protected:
    TKeyMapEditor* editors[2] {};
    QMdiSubWindow* windows[2] {};

    void SetUp() override
    {
        FrameFixture::SetUp();
        SetDemoMode(true); // every command enabled, no plug-in needed
        StartFrame();
        frame->activateWindow();
        ASSERT_TRUE(WaitFor([this] { return frame->isActiveWindow(); }));
        for (int i = 0; i < 2; ++i) {
            editors[i] = new TKeyMapEditor;
            windows[i] = frame->DocumentArea()->addSubWindow(editors[i]);
            windows[i]->show();
        }
        frame->DocumentArea()->setActiveSubWindow(windows[0]);
        editors[0]->setFocus();
        ASSERT_TRUE(WaitFor([this] { return editors[0]->hasFocus(); }));
    }
};

TEST_F(FrameKeysTest, AFrameShortcutWinsOverTheEditorsKeyMap)
{
    Act(FrameAction::WindowNext)->setShortcut(QKeySequence(QStringLiteral("Ctrl+T")));
    QTest::keyClick(editors[0], Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(frame->DocumentArea()->activeSubWindow(), windows[1]);
    EXPECT_TRUE(editors[0]->keys.isEmpty()) << editors[0]->keys.join(u' ').toStdString();

    // A combination no command has, and plain typing, stay the editor's.
    frame->DocumentArea()->setActiveSubWindow(windows[0]);
    editors[0]->setFocus();
    QTest::keyClick(editors[0], Qt::Key_J, Qt::ControlModifier);
    QTest::keyClick(editors[0], Qt::Key_A);
    ASSERT_EQ(editors[0]->keys.size(), 2) << editors[0]->keys.join(u' ').toStdString();
    EXPECT_TRUE(editors[0]->keys[0].endsWith(QStringLiteral("|Ctrl+J")));
    EXPECT_EQ(editors[0]->keys[1], QStringLiteral("a|A"));

    // A disabled command leaves the key to the editor.
    editors[0]->keys.clear();
    Act(FrameAction::WindowNext)->setEnabled(false);
    QTest::keyClick(editors[0], Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(frame->DocumentArea()->activeSubWindow(), windows[0]);
    EXPECT_EQ(editors[0]->keys.size(), 1);
}

TEST_F(FrameKeysTest, ATextFieldOutsideTheDocumentsKeepsItsEditingKeys)
{
    // The notepad-like field in a dock copies and pastes itself; a command
    // that is not sent to the document still runs from it.
    auto* dock = new QDockWidget(QStringLiteral("Pole"), frame.get());
    auto* field = new QLineEdit(dock);
    dock->setWidget(field);
    frame->addDockWidget(Qt::BottomDockWidgetArea, dock);
    dock->show();
    field->setText(QStringLiteral("abc"));
    field->selectAll();
    field->setFocus();
    ASSERT_TRUE(WaitFor([field] { return field->hasFocus(); }));
    int copies = 0;
    QObject::connect(Act(FrameAction::EditCopy), &QAction::triggered, [&] { ++copies; });
    QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QString());
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QStringLiteral("abc"));
    EXPECT_EQ(copies, 0);
    Act(FrameAction::WindowNext)->setShortcut(QKeySequence(QStringLiteral("Ctrl+T")));
    frame->DocumentArea()->setActiveSubWindow(windows[0]);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(frame->DocumentArea()->activeSubWindow(), windows[1]);
}

TEST_F(FrameKeysTest, AltChordsTypeNothingAndOpenTheMenus)
{
    // Alt+X: no menu has the letter; the editor gets the key without text.
    QTest::keyClick(editors[0], Qt::Key_X, Qt::AltModifier);
    ASSERT_EQ(editors[0]->keys.size(), 1);
    EXPECT_EQ(editors[0]->keys[0], QStringLiteral("|Alt+X"));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    // Alt+S opens "Soubor", Alt+N "Nástroje", F10 the first menu.
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* menu;
    } cases[] = {
        {Qt::Key_S, Qt::AltModifier, "MenuFile"},
        {Qt::Key_N, Qt::AltModifier, "MenuExternalTools"},
        {Qt::Key_F10, Qt::NoModifier, "MenuFile"},
    };
    for (const Case& c : cases) {
        editors[0]->setFocus();
        QTest::keyClick(editors[0], c.key, c.modifiers);
        EXPECT_TRUE(WaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 2000)) << c.menu;
        QWidget* popup = QApplication::activePopupWidget();
        EXPECT_EQ(popup ? popup->objectName() : QString(), QLatin1String(c.menu));
        if (popup)
            popup->close();
        WaitFor([] { return QApplication::activePopupWidget() == nullptr; }, 2000);
    }
    EXPECT_EQ(editors[0]->keys.size(), 1) << editors[0]->keys.join(u' ').toStdString();
}

TEST_F(FrameKeysTest, TheMenusHaveOneUnderlinedLetterEachAndNoTwoShareIt)
{
    std::set<QKeySequence> letters;
    for (QAction* menu : frame->MenuBar()->actions()) {
        const QKeySequence letter = QKeySequence::mnemonic(menu->text());
        EXPECT_FALSE(letter.isEmpty()) << menu->text().toStdString();
        EXPECT_TRUE(letters.insert(letter).second) << menu->text().toStdString();
    }
    EXPECT_EQ(letters.size(), 11u);
}

} // namespace

// How the editor window looks: its colour scheme chosen in the settings or
// by the desktop, line ends shown, and folding everything or nothing.
#include "EditorTestSupport.h"

#include "EditorTheme.h"

#include <QX_Types.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPalette>
#include <QSettings>

#include <Qsci/qsciscintilla.h>

namespace {

using Base = QsciScintillaBase;

long sci(QsciScintilla* editor, unsigned int message, long w = 0, long l = 0)
{
    return editor->SendScintilla(message, static_cast<unsigned long>(w), l);
}

// The component keeps colours as 0xBBGGRR.
QColor colour(long value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

class EditorView : public EditorFixture {
protected:
    void TearDown() override
    {
        QFile::remove(ini().fileName());
        EditorFixture::TearDown();
    }
    static QSettings ini()
    {
        return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvix"), QStringLiteral("TextEditor"));
    }
    static void set(const char* key, const QVariant& value)
    {
        QSettings s = ini();
        s.setValue(QStringLiteral("Editor/") + QLatin1String(key), value);
        s.sync();
    }
    // The scheme's colours on the paper, the margins, the caret line, and
    // plain code (style 0) and a comment (style 1) of the C++ lexer.
    static void expectScheme(QsciScintilla* editor, const TColorScheme& scheme)
    {
        SCOPED_TRACE(scheme.Id.toStdString());
        EXPECT_EQ(colour(sci(editor, Base::SCI_STYLEGETBACK, Base::STYLE_DEFAULT)), scheme.Paper);
        EXPECT_EQ(colour(sci(editor, Base::SCI_STYLEGETFORE, 0)), scheme.Text);
        EXPECT_EQ(colour(sci(editor, Base::SCI_STYLEGETBACK, Base::STYLE_LINENUMBER)), scheme.Margin);
        EXPECT_EQ(colour(sci(editor, Base::SCI_GETCARETLINEBACK)), scheme.CaretLine);
        EXPECT_EQ(colour(sci(editor, Base::SCI_STYLEGETFORE, 1)), scheme.Comment);
        EXPECT_EQ(colour(sci(editor, Base::SCI_STYLEGETBACK, 1)), scheme.Paper);
    }
};

TEST_F(EditorView, ColourSchemeFromTheSettingsOrTheDesktop)
{
    const QPalette original = QApplication::palette();
    TQX_PluginWindow* window = Open(TextEntry(), WriteFile("scheme.cpp", "// comment\nint x;\n"));
    QsciScintilla* editor = Editor(window);
    expectScheme(editor, LightScheme());

    set("ColorScheme", QStringLiteral("dark"));
    window->Command(QXC_RELOADSETTINGS, nullptr);
    expectScheme(editor, DarkScheme());
    set("ColorScheme", QStringLiteral("light"));
    window->Command(QXC_RELOADSETTINGS, nullptr);
    expectScheme(editor, LightScheme());

    // Following the desktop (also for an unknown stored value): a dark
    // palette turns the open document dark, and back.
    set("ColorScheme", QStringLiteral("pink"));
    window->Command(QXC_RELOADSETTINGS, nullptr);
    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
    dark.setColor(QPalette::WindowText, QColor(0xE0, 0xE0, 0xE0));
    QApplication::setPalette(dark);
    QApplication::processEvents();
    expectScheme(editor, DarkScheme());
    // A window opened now starts dark, its word list too.
    TQX_PluginWindow* second = Open(TextEntry(), WriteFile("second.cpp", "// c\nint counter, count;\ncou"));
    expectScheme(Editor(second), DarkScheme());
    Editor(second)->setCursorPosition(2, 3);
    second->findChild<QAction*>(QStringLiteral("completeWord"))->trigger();
    auto* list = Editor(second)->findChild<QListWidget*>();
    ASSERT_TRUE(list && list->isVisible());
    EXPECT_EQ(list->palette().color(QPalette::Base), DarkScheme().Paper);
    EXPECT_EQ(list->palette().color(QPalette::Text), DarkScheme().Text);
    sci(Editor(second), Base::SCI_AUTOCCANCEL);
    QApplication::setPalette(original);
    QApplication::processEvents();
    expectScheme(editor, LightScheme());
}

TEST_F(EditorView, LineEndsAndFolding)
{
    TQX_PluginWindow* window = Open(TextEntry(), WriteFile("fold.cpp", "void f()\n{\n    g();\n}\nvoid h()\n{\n    i();\n}\n"));
    QsciScintilla* editor = Editor(window);
    EXPECT_EQ(sci(editor, Base::SCI_GETVIEWEOL), 0);
    set("ShowLineEnds", true);
    window->Command(QXC_RELOADSETTINGS, nullptr);
    EXPECT_EQ(sci(editor, Base::SCI_GETVIEWEOL), 1);

    // Chooses an item of the context menu's "Zobrazení" submenu.
    auto choose = [editor](const QString& text) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), editor->viewport()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(editor->viewport(), &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QAction* chosen = nullptr;
        for (QAction* item : menu->actions())
            if (item->menu() && item->text() == QStringLiteral("&Zobrazení"))
                for (QAction* sub : item->menu()->actions())
                    if (sub->text() == text)
                        chosen = sub;
        ASSERT_NE(chosen, nullptr) << text.toStdString();
        chosen->trigger();
        menu->close();
    };
    choose(QStringLiteral("Zobrazit &konce řádků"));
    EXPECT_EQ(sci(editor, Base::SCI_GETVIEWEOL), 0);

    sci(editor, Base::SCI_COLOURISE, 0, -1);
    // Twice: folding everything is not a toggle.
    choose(QStringLiteral("Sbalit &vše"));
    choose(QStringLiteral("Sbalit &vše"));
    EXPECT_FALSE(sci(editor, Base::SCI_GETLINEVISIBLE, 2));
    EXPECT_FALSE(sci(editor, Base::SCI_GETLINEVISIBLE, 6));
    choose(QStringLiteral("&Rozbalit vše"));
    choose(QStringLiteral("&Rozbalit vše"));
    EXPECT_TRUE(sci(editor, Base::SCI_GETLINEVISIBLE, 2));
    EXPECT_TRUE(sci(editor, Base::SCI_GETLINEVISIBLE, 6));
}

} // namespace

#include "EditorTestSupport.h"

#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "plugins/Cookies.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>

#include <Qsci/qsciscintilla.h>

TQX_Plugin* EditorFixture::plugin = nullptr;

namespace {
qxtest::ScopedHome* suiteHome = nullptr;
}

DialogAnswerer::DialogAnswerer()
{
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start(20);
}

DialogAnswerer::~DialogAnswerer() = default;

void DialogAnswerer::ExpectButton(const QString& buttonText)
{
    Expect([this, buttonText](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        if (!box) {
            Unexpected << QStringLiteral("not a message box: ") + dialog->metaObject()->className();
            dialog->close();
            return;
        }
        for (QAbstractButton* button : box->buttons()) {
            if (button->text().remove(u'&') == buttonText) {
                button->click();
                return;
            }
        }
        Unexpected << QStringLiteral("no button ") + buttonText + QStringLiteral(" in: ") + box->text();
        box->close();
    });
}

void DialogAnswerer::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    if (modal == last_) {
        // An answer that did not close its dialog would leave the test
        // waiting forever; after a while the dialog is failed and closed.
        if (answered_.elapsed() > 10000) {
            Unexpected << QStringLiteral("still open after its answer: ") + modal->windowTitle();
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        }
        return;
    }
    last_ = modal;
    answered_.start();
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box)
        Texts << box->text();
    if (handlers_.empty()) {
        Unexpected << (box ? box->text() : QString::fromLatin1(modal->metaObject()->className()));
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        return;
    }
    Handler handler = std::move(handlers_.front());
    handlers_.erase(handlers_.begin());
    handler(modal);
}

void EditorFixture::SetUpTestSuite()
{
    suiteHome = new qxtest::ScopedHome;
    SetProgramDirectory(suiteHome->programDir());
    InitEventLog("test_texteditor");
    LoadSettings();
    plugin = new TQX_Plugin(QStringLiteral(QX_TEXTEDITOR_PLUGIN));
    ASSERT_EQ(plugin->Load(), TQX_Plugin::LoadOk);
}

void EditorFixture::TearDownTestSuite()
{
    delete plugin;
    plugin = nullptr;
    delete suiteHome;
    suiteHome = nullptr;
}

void EditorFixture::SetUp()
{
    ASSERT_NE(plugin, nullptr);
    // Cookies live in the registry below the test's own home.
    InitCookies();
    dialogs = std::make_unique<DialogAnswerer>();
}

void EditorFixture::TearDown()
{
    for (int i = GetDocumentWindowCount(); i-- > 0;)
        delete GetDocumentWindow(i);
    EXPECT_TRUE(dialogs->Unexpected.isEmpty()) << dialogs->Unexpected.join(u'\n').toStdString();
    EXPECT_EQ(dialogs->Pending(), 0) << "expected dialogs that never came";
    dialogs.reset();
}

TQX_PluginEntry* EditorFixture::TextEntry()
{
    return plugin->GetEntry(0);
}

TQX_PluginEntry* EditorFixture::ScriptEntry()
{
    return plugin->GetEntry(1);
}

TQX_PluginWindow* EditorFixture::Open(TQX_PluginEntry* entry, const QString& fileName)
{
    TQX_PluginWindow* window = entry->Launch(fileName);
    if (window) {
        window->show();
        QApplication::processEvents();
    }
    return window;
}

QsciScintilla* EditorFixture::Editor(TQX_PluginWindow* window)
{
    return window ? window->findChild<QsciScintilla*>(QStringLiteral("editor")) : nullptr;
}

QString EditorFixture::WriteFile(const std::string& name, const QByteArray& bytes) const
{
    const QString path = QString::fromStdString(home.dir().file(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << name;
    return path;
}

QByteArray EditorFixture::ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void EditorFixture::Type(TQX_PluginWindow* window, const QString& text)
{
    // QTest types ASCII only; other characters arrive as a key event that
    // carries the text, as from an input method.
    QWidget* target = Editor(window);
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(target, c.toLatin1());
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &release);
    }
}

void EditorFixture::Key(TQX_PluginWindow* window, int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(Editor(window), Qt::Key(key), modifiers);
}

#pragma once
// Tests of the text editor plug-in as the host sees it: the real library is
// loaded through the host's plug-in object, windows are launched by its
// entries and driven offscreen through their commands, keys and dialogs.
#include "TestEnv.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QsciScintilla;
class QWidget;
class TQX_Plugin;
class TQX_PluginEntry;
class TQX_PluginWindow;

// Answers the modal dialogs that appear while a test runs, in order. A
// dialog nobody expected is recorded and dismissed, so a test fails instead
// of hanging.
class DialogAnswerer {
public:
    using Handler = std::function<void(QWidget* dialog)>;

    DialogAnswerer();
    ~DialogAnswerer();

    void Expect(Handler handler) { handlers_.push_back(std::move(handler)); }
    // Clicks the message box button whose text (without "&") is given, and
    // records the box's text.
    void ExpectButton(const QString& buttonText);

    // Texts of every message box seen, in order.
    QStringList Texts;
    QStringList Unexpected;
    int Pending() const { return int(handlers_.size()); }

private:
    void poll();
    QTimer timer_;
    std::vector<Handler> handlers_;
    QPointer<QWidget> last_;
    QElapsedTimer answered_;
};

class EditorFixture : public ::testing::Test {
protected:
    qxtest::ScopedHome home;
    std::unique_ptr<DialogAnswerer> dialogs;

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    static TQX_PluginEntry* TextEntry();
    static TQX_PluginEntry* ScriptEntry();

    // Launches the entry with the file (empty: a new document) and shows it.
    TQX_PluginWindow* Open(TQX_PluginEntry* entry, const QString& fileName = QString());
    static QsciScintilla* Editor(TQX_PluginWindow* window);

    // A file in the test's folder with exactly these bytes; its path.
    QString WriteFile(const std::string& name, const QByteArray& bytes) const;
    static QByteArray ReadBytes(const QString& path);

    // Types text at the caret through key events, as a user would.
    static void Type(TQX_PluginWindow* window, const QString& text);
    static void Key(TQX_PluginWindow* window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    static TQX_Plugin* plugin;
};

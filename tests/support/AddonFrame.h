#pragma once
// A frame on a fresh kernel (temporary HOME, registry and program folder)
// that loads shipped plug-ins from its own Plugins folder, as the program
// does at start-up. Tests open files through the frame and trigger its
// actions; modal dialogs of the plug-ins are answered by ModalAnswers and
// the host's message boxes are recorded and cancelled.
#include "ModalAnswers.h"
#include "TestEnv.h"

#include "frame/FrameActions.h"

#include <gtest/gtest.h>

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QWidget;
class TFrameWindowForm;
class TQX_PluginEntry;
class TQX_PluginWindow;

class AddonFrameFixture : public ::testing::Test {
protected:
    qxtest::ScopedHome home;
    std::unique_ptr<TFrameWindowForm> frame;
    ModalAnswers modal;
    // Texts of the host's own message boxes.
    std::vector<QString> hostMessages;

    // Copies the libraries into the program's Plugins folder and starts the
    // frame, which loads them.
    void StartFrame(const std::vector<std::string>& libraries);
    // Ends the frame, its windows and the plug-ins, unloading them.
    void StopFrame();
    // StopFrame, then a new frame that loads the same plug-ins again in this
    // process, as a second start of the program would.
    void RestartFrame();
    // The library paths of a list joined by "|" (as the tests' CMake files pass them).
    static std::vector<std::string> LibraryList(const QString& joined);
    void TearDown() override;

    // "Otevřít" of one file: the frame chooses the entry.
    TQX_PluginWindow* Open(const QString& fileName);
    // The file opened with the entry of that id, as when the user chooses it.
    TQX_PluginWindow* Open(const QString& fileName, const QString& entryId);
    // The loaded entry with that name, or null.
    static TQX_PluginEntry* Entry(const QString& name);
    // The text of the window's label of that object name ("<none>" without one).
    static QString Label(const QWidget* window, const char* objectName);
    // Triggers the frame's action after its toolbar update; false when the
    // action is disabled for the active window.
    bool Trigger(FrameAction action);
    bool Enabled(FrameAction action);

    // Asks the plug-in named so for its about box; the texts of its labels, one a line, and its caption.
    QString AboutBox(const QString& pluginName, QString* caption);

    static bool WaitFor(const std::function<bool()>& done, int milliseconds = 5000);
    static void Spin(int milliseconds);
    QString WriteFile(const std::string& name, const QByteArray& bytes) const;
    static QByteArray ReadBytes(const QString& path);

private:
    void flushUpdate();
    bool kernelReady_ = false;
};

#pragma once
// A frame on a fresh kernel (temporary HOME, registry, program folder and
// event log) whose plug-in folder holds copies of the probe plug-in, each
// told by its behaviour file which entries it offers. Message boxes and the
// new-document dialog are answered by the test.
#include "frame/FrameWindow.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TQX_PluginWindow;

class FrameFixture : public ::testing::Test {
protected:
    qxtest::ScopedHome home;
    std::unique_ptr<TFrameWindowForm> frame;

    // What the test saw of the host's message boxes and the new-document dialog.
    std::vector<QString> messages;
    std::function<int(const QString& message)> answerMessage;
    struct DialogCall {
        int page;
        QString path;
    };
    std::vector<DialogCall> dialogs;
    int processEnds = 0;

    void SetUp() override;
    void TearDown() override;
    // Destroys the frame, its windows and the loaded plug-ins (a test that
    // starts several frames in turn).
    void DestroyFrame();

    // Copies the probe into the plug-in folder as name with these behaviour
    // lines; returns the library's path.
    std::string InstallProbe(const std::string& name, const std::string& behaviour);
    // Creates the frame, runs its post-initialization (loading the installed
    // probes) and waits until it has finished.
    void StartFrame();
    // Runs the event loop until done() or the time is up; false on time-out.
    static bool WaitFor(const std::function<bool()>& done, int milliseconds = 5000);
    // Runs the event loop for a while.
    static void Spin(int milliseconds);
    // Runs a pending toolbar update now.
    void FlushUpdate();

    // A file in the temporary folder with some content; returns its path.
    QString MakeFile(const std::string& name, const std::string& content = "text\n") const;
    // The probe's record at a library path, one line per event.
    static std::vector<std::string> ProbeLog(const std::string& library);
    static int CountLines(const std::vector<std::string>& log, const std::string& line);

    QAction* Act(FrameAction id) const { return frame->Action(id); }
    // A window's close query answers no while it carries this filter.
    static void RefuseClose(TQX_PluginWindow* window);
};

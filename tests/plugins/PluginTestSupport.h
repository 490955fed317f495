#pragma once
// Shared by the plug-in manager tests: a fresh kernel (temporary HOME,
// registry, program folder and event log), a recording frame and event log
// helpers; ProbeSupport.h installs the probe and reads what it received.
#include "plugins/PluginFrame.h"

#include "ProbeSupport.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <QMdiArea>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class TQX_Plugin;

// Records what plug-in objects ask of the frame.
class RecordingFrame : public TQX_PluginFrame {
public:
    QWidget mainWindow;
    QMdiArea* area = nullptr;
    int refreshRequests = 0;
    int menuRebuilds = 0;
    std::vector<TQX_PluginWindow*> attachedDocuments, attachedTools;
    std::vector<QString> aboutTexts;

    RecordingFrame();
    QWidget* MainWindow() const override { return const_cast<QWidget*>(&mainWindow); }
    QMdiArea* DocumentArea() const override { return area; }
    void RequestToolbarUpdate() override { ++refreshRequests; }
    void RebuildPluginMenus() override { ++menuRebuilds; }
    void AttachDocumentWindow(TQX_PluginWindow* window) override;
    void AttachToolWindow(TQX_PluginWindow* window) override { attachedTools.push_back(window); }
    void ShowPluginAboutBox(const QIcon& icon, const QString& text) override { aboutTexts.push_back(text); }
};

class PluginFixture : public ::testing::Test {
protected:
    qxtest::ScopedHome home;
    std::unique_ptr<RecordingFrame> frame;

    void SetUp() override;
    void TearDown() override;

    // The plug-in directory of the test program (GetPluginsDir).
    std::string pluginDir() const;
    // Event log lines from index mark on, without their time stamps.
    static std::vector<std::string> LogMessages(size_t mark = 0);
    static size_t LogMark();
    static bool LogContains(const std::string& text, size_t mark = 0);

    // A small PNG for icons.
    std::string MakeIconFile(const std::string& name, Qt::GlobalColor color) const;
};

// Loads the probe at path through a TQX_Plugin and keeps it loaded for the
// test; destroyed (and unloaded) with the test.
std::unique_ptr<TQX_Plugin> LoadedPlugin(const std::string& path);

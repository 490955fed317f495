#include "PluginTestSupport.h"

#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"

#include <QImage>
#include <QMdiSubWindow>

#include <dlfcn.h>
#include <filesystem>

RecordingFrame::RecordingFrame()
{
    area = new QMdiArea(&mainWindow);
}

void RecordingFrame::AttachDocumentWindow(TQX_PluginWindow* window)
{
    attachedDocuments.push_back(window);
    area->addSubWindow(window);
}

void PluginFixture::SetUp()
{
    SetProgramDirectory(home.programDir());
    InitEventLog("qxrel32 test");
    LoadSettings();
    SetPluginPause(false);
    frame = std::make_unique<RecordingFrame>();
    SetPluginFrame(frame.get());
}

void PluginFixture::TearDown()
{
    // Windows first: their code lives in the plug-ins.
    for (int i = GetDocumentWindowCount(); i-- > 0;)
        delete GetDocumentWindow(i);
    for (int i = GetToolWindowCount(); i-- > 0;)
        delete GetToolWindow(i);
    while (GetPluginCount() > 0)
        delete DeletePlugin(0);
    SetPluginFrame(nullptr);
    frame.reset();
}

std::string PluginFixture::pluginDir() const
{
    return GetPluginsDir();
}

size_t PluginFixture::LogMark()
{
    return GetEventLogLines().size();
}

std::vector<std::string> PluginFixture::LogMessages(size_t mark)
{
    std::vector<std::string> lines = GetEventLogLines(), messages;
    for (size_t i = mark; i < lines.size(); ++i) {
        size_t space = lines[i].find(' ');
        messages.push_back(space == std::string::npos ? lines[i] : lines[i].substr(space + 1));
    }
    return messages;
}

bool PluginFixture::LogContains(const std::string& text, size_t mark)
{
    for (const std::string& line : LogMessages(mark))
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

std::string PluginFixture::MakeIconFile(const std::string& name, Qt::GlobalColor color) const
{
    std::string path = home.dir().file(name);
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(color);
    image.save(QString::fromStdString(path), "PNG");
    return path;
}

std::unique_ptr<TQX_Plugin> LoadedPlugin(const std::string& path)
{
    // Pinned, so windows the plug-in made can outlive it when a test fails
    // half-way; unloading then only drops the host's reference.
    dlopen(path.c_str(), RTLD_NOW | RTLD_NODELETE);
    auto plugin = std::make_unique<TQX_Plugin>(QString::fromStdString(path));
    EXPECT_EQ(plugin->Load(), TQX_Plugin::LoadOk) << path;
    return plugin;
}

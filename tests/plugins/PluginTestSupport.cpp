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
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

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

std::string PluginFixture::InstallLibrary(const std::string& built, const std::string& dir, const std::string& name)
{
    fs::create_directories(dir);
    std::string target = (fs::path(dir) / name).string();
    // A new file, never overwriting one a loaded library may still map.
    fs::remove(target);
    fs::copy_file(std::string(QX_TEST_PLUGIN_DIR) + built, target);
    return target;
}

std::string PluginFixture::InstallProbe(const std::string& dir, const std::string& name, const std::string& behaviour)
{
    std::string path = InstallLibrary("qxprobe.so", dir, name);
    qxtest::WriteFile(path + ".probe", behaviour);
    return path;
}

std::vector<std::string> PluginFixture::ProbeLog(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path + ".log");
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> PluginFixture::ProbeMessages(const std::string& path)
{
    std::vector<std::string> messages;
    for (const std::string& line : ProbeLog(path)) {
        std::istringstream in(line);
        std::string word, name, thread, index;
        in >> word >> name >> thread >> index;
        if (word == "message")
            messages.push_back(index.empty() ? name : name + " " + index);
    }
    return messages;
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

#include "ProbeSupport.h"

#include "TestEnv.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string InstallLibrary(const std::string& built, const std::string& dir, const std::string& name)
{
    fs::create_directories(dir);
    std::string target = (fs::path(dir) / name).string();
    fs::remove(target);
    fs::copy_file(std::string(QX_TEST_PLUGIN_DIR) + built, target);
    return target;
}

std::string InstallProbe(const std::string& dir, const std::string& name, const std::string& behaviour)
{
    std::string path = InstallLibrary("qxprobe.so", dir, name);
    qxtest::WriteFile(path + ".probe", behaviour);
    return path;
}

std::vector<std::string> ProbeLog(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path + ".log");
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> ProbeMessages(const std::string& path)
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

#pragma once
// Desktop shortcuts. On Linux a shortcut is a freedesktop ".desktop" file of
// Type=Link (ResolveShellLink reads Type=Application too, but only links
// are shortcuts that open another file); Windows ".lnk" shell links are
// read on every platform, so shortcuts copied from a Windows machine open
// their targets.
#include <cstdint>
#include <optional>
#include <string>

namespace qx {

struct TShortcutInfo {
    std::string TargetPath;
    std::string WorkingDirectory;
    std::string Arguments;
    std::string LinkDescription;
    std::string IconLocation;
    int32_t IconIndex = 0;
};

// The extension shortcuts get on this platform (".desktop"; ".lnk" on Windows).
std::string ShortcutExtension();
// True for the shortcut files that OpenFile resolves: ".lnk" files, and
// ".desktop" files that are desktop entries of Type=Link (the file is read).
// Any other ".desktop" file, an application's entry or plain text, is not a
// shortcut and opens as a document.
bool IsShortcutFile(const std::string& path);

// Writes a shortcut file to linkFile, replacing an existing one. Raises
// std::runtime_error when the file cannot be written.
void CreateShellLink(const std::string& description, const std::string& targetPath, const std::string& workingDirectory,
    int32_t iconIndex, const std::string& linkFile, const std::string& iconFile, const std::string& arguments);
// folder + "/" + name + ShortcutExtension(), working folder = the target's folder,
// icon = the target itself. Returns the link file's path.
std::string CreateShortcutFile(const std::string& name, const std::string& folder, const std::string& description,
    const std::string& arguments, const std::string& targetPath);
// The shortcut's fields; nothing when the file is not a readable shortcut or
// names no target.
std::optional<TShortcutInfo> ResolveShellLink(const std::string& linkFile);

// The user's desktop folder ($XDG_DESKTOP_DIR, the "desktop" entry of
// user-dirs.dirs, or ~/Desktop); empty when it cannot be found.
std::string DesktopFolder();

} // namespace qx

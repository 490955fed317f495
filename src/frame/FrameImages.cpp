#include "frame/FrameImages.h"

#include "ui/LazyIcon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>

#include <array>
#include <optional>

namespace {

struct ImageRow {
    const char* theme; // freedesktop name, or null
    const char* own;   // resource name under :/icons/, or null
};

// By index. Rows with neither name are unused positions of the list.
const std::array<ImageRow, kToolbarImageCount> kImages = {{
    {"document-new", nullptr},            // 0 new document
    {"document-open", nullptr},           // 1 open
    {"document-save", nullptr},           // 2 save
    {nullptr, "save-all"},                // 3 save all
    {"document-properties", nullptr},     // 4 properties
    {"document-print", nullptr},          // 5 print
    {"document-save-as", nullptr},        // 6 save as
    {"edit-cut", nullptr},                // 7 cut
    {"edit-copy", nullptr},               // 8 copy
    {"edit-paste", nullptr},              // 9 paste
    {"edit-undo", nullptr},               // 10 undo
    {"edit-redo", nullptr},               // 11 redo
    {"mail-send", nullptr},               // 12 mail
    {nullptr, "notepad"},                 // 13 notepad
    {"go-next", nullptr},                 // 14 next window
    {"go-previous", nullptr},             // 15 previous window
    {nullptr, "window-cascade"},          // 16 cascade
    {nullptr, "window-tile-horizontal"},  // 17 tile horizontally
    {nullptr, "window-arrange-icons"},    // 18 arrange icons
    {"edit-find", nullptr},               // 19 find
    {"edit-find-replace", nullptr},       // 20 replace
    {nullptr, "menu-title"},              // 21 title of list menus
    {"preferences-system", nullptr},      // 22 settings dialogs
    {"folder", nullptr},                  // 23 group of commands
    {"help-contents", nullptr},           // 24 help contents
    {"help-about", nullptr},              // 25 about
    {nullptr, "settings"},                // 26 settings menu, tools setup
    {"system-run", nullptr},              // 27 command without an image
    {"format-text-bold", nullptr},        // 28 bold
    {"format-text-italic", nullptr},      // 29 italic
    {"format-text-underline", nullptr},   // 30 underline
    {"format-justify-left", nullptr},     // 31 left
    {"format-justify-center", nullptr},   // 32 centre
    {"format-justify-right", nullptr},    // 33 right
    {nullptr, "align-none"},              // 34 no alignment
    {nullptr, "list-numbered"},           // 35 numbered list
    {nullptr, "list-bullets"},            // 36 bullets
    {"format-indent-less", nullptr},      // 37 decrease indent
    {"format-indent-more", nullptr},      // 38 increase indent
    {nullptr, "color-background"},        // 39 background colour
    {nullptr, "color-text"},              // 40 text colour
    {nullptr, "desktop-shortcut"},        // 41 desktop shortcut
    {"window-close", nullptr},            // 42 close window
    {nullptr, "project-new"},             // 43 new project
    {nullptr, "project-open"},            // 44 open project
    {nullptr, "project-save"},            // 45 save project
    {nullptr, "project-setup"},           // 46 project setup
    {nullptr, "workspace-new"},           // 47 new workspace
    {nullptr, "workspace-open"},          // 48 open workspace
    {nullptr, "workspace-save"},          // 49 save workspace
    {nullptr, "workspace-delete"},        // 50 delete workspace
    {"view-fullscreen", nullptr},         // 51 full screen
    {nullptr, "project-document"},        // 52 project document
    {nullptr, "bookmark-toggle"},         // 53 toggle bookmark
    {nullptr, "bookmark-next"},           // 54 next bookmark
    {nullptr, "bookmark-previous"},       // 55 previous bookmark
    {nullptr, "bookmark-remove-all"},     // 56 remove bookmarks
    {nullptr, "window-tile-vertical"},    // 57 tile vertically
    {nullptr, "docs-add-current"},        // 58 add current file
    {nullptr, "docs-add-file"},           // 59 add file
    {nullptr, "docs-arrange"},            // 60 arrange documents
    {nullptr, "docs-customize"},          // 61 customize documents
    {nullptr, "docs-clear"},              // 62 clear documents
    {nullptr, "script-run"},              // 63 run script
    {nullptr, "script-run-procedure"},    // 64 run procedure
    {nullptr, "script-run-file"},         // 65 run script from file
    {nullptr, "script-run-file-procedure"}, // 66 run procedure from file
    {nullptr, "script-new"},              // 67 new script
    {nullptr, "script-open"},             // 68 open script
    {nullptr, "external-tool"},           // 69 external tool
    {nullptr, nullptr},                   // 70
    {nullptr, nullptr},                   // 71
}};

// The drawing is parsed when the icon is first painted: most of them are in
// menus, and parsing all of them would lengthen the start-up.
QIcon ownIcon(const char* name)
{
    const QString path = QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name));
    return QFile::exists(path) ? LazyIcon([path] { return QIcon(path); }) : QIcon();
}

// Whether the fallback theme (InitIconTheme) is installed. The theme names of
// the table are freedesktop's standard icon names, which every full theme
// has: with the fallback theme there, every one of them is found, so an image
// is known not to be null before it is looked up.
bool fallbackThemeInstalled()
{
    static const bool installed = [] {
        const QString theme = QIcon::fallbackThemeName();
        if (theme.isEmpty())
            return false;
        for (const QString& folder : QIcon::themeSearchPaths())
            if (QFileInfo::exists(folder + QLatin1Char('/') + theme + QStringLiteral("/index.theme")))
                return true;
        return false;
    }();
    return installed;
}

QIcon makeImage(const ImageRow& row)
{
    if (row.theme) {
        // An own drawing of the same name stands in where the theme lacks it.
        // Looked up when first painted: most of them are in menus, and a
        // toolbar button asks only whether its image is null before the
        // window is shown.
        const QString name = QLatin1String(row.theme);
        QIcon fallback = ownIcon(row.theme);
        if (fallbackThemeInstalled())
            return LazyIcon([name, fallback] { return QIcon::fromTheme(name, fallback); });
        return LazyThemeIcon(name, fallback);
    }
    if (row.own)
        return ownIcon(row.own);
    return {};
}

} // namespace

void InitIconTheme()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QStringList paths = QIcon::themeSearchPaths();
    const QString system = QStringLiteral("/usr/share/icons");
    if (!paths.contains(system))
        paths.append(system);
    QIcon::setThemeSearchPaths(paths);
    // The offscreen platform and a bare X server name no theme, or only the
    // fallback one that has no document icons.
    const QString theme = QIcon::themeName();
    if (theme.isEmpty() || theme == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    if (QIcon::fallbackThemeName().isEmpty())
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
}

QIcon ToolbarImage(int index)
{
    if (index < 0 || index >= kToolbarImageCount)
        return {};
    // Made once: the actions, menus and toolbars share the images, and a
    // theme icon follows a change of the theme by itself.
    // Not told by isNull(): that would look a theme image up before it is shown.
    static auto* made = new std::array<std::optional<QIcon>, kToolbarImageCount>; // never destroyed, like the actions' copies
    std::optional<QIcon>& icon = (*made)[size_t(index)];
    if (!icon)
        icon = makeImage(kImages[size_t(index)]);
    return *icon;
}

bool ToolbarImagesAvailable()
{
    for (int i = 0; i < kToolbarImageCount; ++i) {
        const ImageRow& row = kImages[size_t(i)];
        if ((row.theme || row.own) && ToolbarImage(i).isNull())
            return false;
    }
    return true;
}

QIcon ExternalToolsSetupImage()
{
    return ToolbarImage(26);
}

QIcon ExternalToolImage()
{
    return ToolbarImage(69);
}

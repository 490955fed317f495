#pragma once
// The toolbar image list: 72 images of 16x16 addressed by index, used by the
// actions, menus and toolbars. Each index maps to a freedesktop theme icon
// where a fitting one exists, else to one of the program's own drawings.
#include <QIcon>

inline constexpr int kToolbarImageCount = 72;

// Makes theme icons findable: adds /usr/share/icons to the search path and,
// when the platform names no theme, uses Adwaita. Idempotent.
void InitIconTheme();
// The image at index, or a null icon for kNoImage, unused and out-of-range
// indexes.
QIcon ToolbarImage(int index);
// True when every image the frame uses could be loaded (the list is complete).
bool ToolbarImagesAvailable();
// The tools menu's images: the external tools' setup and every external tool.
QIcon ExternalToolsSetupImage();
QIcon ExternalToolImage();

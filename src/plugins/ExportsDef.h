#pragma once
// The host side of the functions exported to plug-ins (sdk/QX_Exports.h).
// The parts that belong to other subsystems are reached through providers
// they install; without one, a function answers as it does without a frame.
#include <QIcon>
#include <QStringList>
#include <cstdint>
#include <functional>

class QToolBar;

struct THostApiProviders {
    // The script functions' declaration lines, as registered.
    std::function<QStringList()> ScriptTokens;
    // The frame's status-bar progress display.
    std::function<void(int position, int total)> SetProgress;
    // The frame's toolbar for a toolbar id (600..604), or null.
    std::function<QToolBar*(int id)> Toolbar;
};

void SetHostApiProviders(const THostApiProviders& providers);

// A handle for an icon, as the description records carry them (0 for a null icon).
uint32_t IconHandleFor(const QIcon& icon);

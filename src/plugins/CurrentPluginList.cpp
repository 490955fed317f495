#include "plugins/CurrentPluginList.h"

#include "plugins/PluginManagement.h"

#include <vector>

namespace {

// Never destroyed: the plug-ins it holds stay loaded until the process ends.
std::vector<TQX_Plugin*>& plugins()
{
    static auto* list = new std::vector<TQX_Plugin*>;
    return *list;
}

// Calls visit(entry) for every entry in list order until it returns true;
// returns the entry it stopped at.
template <typename Visit>
TQX_PluginEntry* forEachEntry(Visit visit)
{
    for (TQX_Plugin* plugin : plugins()) {
        int count = plugin->Loaded ? plugin->GetEntryCount() : 0;
        for (int i = 0; i < count; ++i) {
            TQX_PluginEntry* entry = plugin->GetEntry(i);
            if (visit(entry))
                return entry;
        }
    }
    return nullptr;
}

template <typename Match>
int countEntries(Match match)
{
    int n = 0;
    forEachEntry([&](TQX_PluginEntry* e) {
        n += match(e) ? 1 : 0;
        return false;
    });
    return n;
}

bool hasFlags(const TQX_PluginEntry* e, uint32_t mask)
{
    return (e->GetFlags() & mask) == mask;
}

} // namespace

void AddPlugin(TQX_Plugin* plugin)
{
    if (plugin)
        plugins().push_back(plugin);
}

TQX_Plugin* DeletePlugin(int index)
{
    auto& list = plugins();
    if (index < 0 || index >= int(list.size()))
        return nullptr;
    TQX_Plugin* plugin = list[index];
    list.erase(list.begin() + index);
    return plugin;
}

int GetPluginCount()
{
    return int(plugins().size());
}

TQX_Plugin* GetPlugin(int index)
{
    auto& list = plugins();
    return index >= 0 && index < int(list.size()) ? list[index] : nullptr;
}

TQX_Plugin* FindPluginByID(const QString& id)
{
    for (TQX_Plugin* plugin : plugins())
        if (plugin->ID == id)
            return plugin;
    return nullptr;
}

TQX_PluginEntry* FindPluginEntryByID(const QString& id)
{
    return forEachEntry([&](TQX_PluginEntry* e) { return e->ID == id; });
}

TQX_PluginEntry* FindPluginEntryByFile(const QString& fileName, uint8_t answer)
{
    return forEachEntry([&](TQX_PluginEntry* e) { return e->CanOpenFile(fileName) == answer; });
}

int CountPluginEntriesByFile(const QString& fileName, uint8_t answer)
{
    return countEntries([&](TQX_PluginEntry* e) { return e->CanOpenFile(fileName) == answer; });
}

TQX_PluginEntry* FindPluginEntryByFlags(uint32_t mask)
{
    return forEachEntry([&](TQX_PluginEntry* e) { return hasFlags(e, mask); });
}

int CountPluginEntriesByFlags(uint32_t mask)
{
    return countEntries([&](TQX_PluginEntry* e) { return hasFlags(e, mask); });
}

TQX_PluginEntry* GetFirstCanCreateFileEntry()
{
    return forEachEntry([](TQX_PluginEntry* e) { return e->CanCreateFile(); });
}

int SumCanCreateFileFlags()
{
    return countEntries([](TQX_PluginEntry* e) { return e->CanCreateFile(); });
}

// The plug-in list and its queries, over three real plug-ins.
#include "PluginTestSupport.h"

#include "plugins/CurrentPluginList.h"
#include "plugins/PluginManagement.h"

namespace {

TQX_Plugin* AddLoaded(const std::string& path)
{
    auto* plugin = new TQX_Plugin(QString::fromStdString(path));
    EXPECT_EQ(plugin->Load(), TQX_Plugin::LoadOk) << path;
    AddPlugin(plugin);
    return plugin;
}

} // namespace

using PluginListTest = PluginFixture;

TEST_F(PluginListTest, EmptyListFindsNothing)
{
    EXPECT_EQ(GetPluginCount(), 0);
    EXPECT_EQ(GetPlugin(0), nullptr);
    EXPECT_EQ(DeletePlugin(0), nullptr);
    EXPECT_EQ(FindPluginByID("_plugin00000000"), nullptr);
    EXPECT_EQ(FindPluginEntryByID("_plugin00000000_entry0"), nullptr);
    EXPECT_EQ(FindPluginEntryByFile("a.txt", 0), nullptr);
    EXPECT_EQ(CountPluginEntriesByFile("a.txt", 0), 0);
    EXPECT_EQ(FindPluginEntryByFlags(0), nullptr);
    EXPECT_EQ(CountPluginEntriesByFlags(0), 0);
    EXPECT_EQ(GetFirstCanCreateFileEntry(), nullptr);
    EXPECT_EQ(SumCanCreateFileFlags(), 0);
}

TEST_F(PluginListTest, QueriesWalkPluginsAndEntriesInOrder)
{
    const std::string dir = pluginDir();
    // No entries, so "first entry" must look past it.
    TQX_Plugin* empty = AddLoaded(InstallProbe(dir, "empty.so", "answer.QXM_QUERY_ENTRY_COUNT=0\n"));
    TQX_Plugin* a = AddLoaded(InstallProbe(dir, "a.so",
        "entry=1,A0,1,1,2:.qx,,,make\n"
        "entry=1,A1,0,0,1:.txt,,,make\n"));
    TQX_Plugin* b = AddLoaded(InstallProbe(dir, "b.so",
        "entry=0,B0,3,1,2:.txt,,,make\n"
        "entry=1,B1,2,1,none,,,make\n"));
    TQX_PluginEntry *a0 = a->GetEntry(0), *a1 = a->GetEntry(1), *b0 = b->GetEntry(0), *b1 = b->GetEntry(1);

    ASSERT_EQ(GetPluginCount(), 3);
    EXPECT_EQ(GetPlugin(1), a);
    EXPECT_EQ(GetPlugin(3), nullptr);
    EXPECT_EQ(GetPlugin(-1), nullptr);

    EXPECT_EQ(FindPluginByID(b->ID), b);
    EXPECT_EQ(FindPluginByID(b->ID.toLower()), nullptr); // case matters
    EXPECT_EQ(FindPluginEntryByID(b->ID + "_entry1"), b1);
    EXPECT_EQ(FindPluginEntryByID(b->ID), nullptr); // a plug-in's id names no entry
    EXPECT_EQ(FindPluginEntryByID(b->ID + "_entry2"), nullptr);

    struct FileCase {
        const char* file;
        uint8_t answer;
        TQX_PluginEntry* first;
        int count;
    };
    // Entries without CanOpenFile answer 0 for every file.
    for (const FileCase& c : {FileCase {"x.txt", 2, b0, 1}, FileCase {"x.txt", 1, a1, 1}, FileCase {"x.qx", 2, a0, 1},
             FileCase {"x.md", 2, nullptr, 0}, FileCase {"x.md", 0, a0, 4}, FileCase {"x.qx", 0, a1, 3}}) {
        EXPECT_EQ(FindPluginEntryByFile(c.file, c.answer), c.first) << c.file << " " << int(c.answer);
        EXPECT_EQ(CountPluginEntriesByFile(c.file, c.answer), c.count) << c.file << " " << int(c.answer);
    }

    struct FlagCase {
        uint32_t mask;
        TQX_PluginEntry* first;
        int count;
    };
    for (const FlagCase& c : {FlagCase {0, a0, 4}, FlagCase {1, a0, 2}, FlagCase {2, b0, 2}, FlagCase {3, b0, 1},
             FlagCase {4, nullptr, 0}}) {
        EXPECT_EQ(FindPluginEntryByFlags(c.mask), c.first) << c.mask;
        EXPECT_EQ(CountPluginEntriesByFlags(c.mask), c.count) << c.mask;
    }

    EXPECT_EQ(GetFirstCanCreateFileEntry(), a0);
    EXPECT_EQ(SumCanCreateFileFlags(), 3);

    // Taking a plug-in out of the list does not unload it.
    EXPECT_EQ(DeletePlugin(0), empty);
    EXPECT_TRUE(empty->Loaded);
    EXPECT_EQ(ProbeMessages(empty->FileName.toStdString()).back(), "QXM_QUERY_ENTRY_COUNT");
    EXPECT_EQ(GetPlugin(0), a);
    delete empty;
}

TEST_F(PluginListTest, PluginsSharingAnIDAreFoundInListOrder)
{
    // "ab.so" and "ba.so" have the same byte sum, hence the same id.
    TQX_Plugin* first = AddLoaded(InstallProbe(pluginDir(), "ab.so", "entry=0,First,0,0,none,,,make\n"));
    TQX_Plugin* second = AddLoaded(InstallProbe(pluginDir(), "ba.so", "entry=0,Second,0,0,none,,,make\n"));
    ASSERT_EQ(first->ID, second->ID);
    EXPECT_EQ(FindPluginByID(second->ID), first);
    EXPECT_EQ(FindPluginEntryByID(second->ID + "_entry0"), first->GetEntry(0));
}

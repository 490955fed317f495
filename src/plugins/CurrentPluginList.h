#pragma once
// The process-wide list of loaded plug-ins, in loading order, and the queries
// through which the rest of the host finds plug-ins and entries. Entry
// queries walk the plug-ins in list order and each plug-in's entries in entry
// order; "first" always means first in that order.
//
// The list does not own the plug-ins: removing one neither unloads nor
// destroys it (loaded plug-ins live until the process ends). The loader
// thread appends while loading; everything else runs on the GUI thread after
// loading, so the list needs no lock.
#include <QString>

#include <cstdint>

class TQX_Plugin;
class TQX_PluginEntry;

void AddPlugin(TQX_Plugin* plugin);
// Removes the plug-in at index without unloading it and returns it (null for
// an index out of range).
TQX_Plugin* DeletePlugin(int index);
int GetPluginCount();
// Null for an index out of range.
TQX_Plugin* GetPlugin(int index);

// First plug-in whose ID equals id exactly (case matters), or null.
TQX_Plugin* FindPluginByID(const QString& id);
// First entry whose ID equals id exactly, or null.
TQX_PluginEntry* FindPluginEntryByID(const QString& id);
// First entry whose CanOpenFile(fileName) returns answer, or null.
TQX_PluginEntry* FindPluginEntryByFile(const QString& fileName, uint8_t answer);
// Number of entries whose CanOpenFile(fileName) returns answer.
int CountPluginEntriesByFile(const QString& fileName, uint8_t answer);
// First entry whose Flags contain every bit of mask (mask 0 matches every
// entry), or null.
TQX_PluginEntry* FindPluginEntryByFlags(uint32_t mask);
int CountPluginEntriesByFlags(uint32_t mask);
// First entry with CanCreateFile, or null.
TQX_PluginEntry* GetFirstCanCreateFileEntry();
// Number of entries with CanCreateFile.
int SumCanCreateFileFlags();

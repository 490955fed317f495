#pragma once
// The documents open when the program closed, kept in the registry so that
// the next start can open them again (see ReopenDocumentsEnabled), maximized
// when they were. Where the caret, the scroll position and the bookmarks
// were is the documents' own cookies' business: opening a file brings its
// cookie back.
//
// Stored under "Software\Quorvix\Session": for each document n from 1 the
// string values "document n" (the path) and "document n, entry" (the id of
// the entry that showed it), read up to the first gap; the 32-bit integer
// "Active" is the active document's number, 0 for none, and the Boolean
// "Maximized" tells whether the document windows filled the area.
#include <QString>

#include <vector>

inline constexpr const char* kSessionKey = "Software\\Quorvix\\Session";

struct TSessionDocument {
    QString FileName;
    QString EntryID;
    bool operator==(const TSessionDocument&) const = default;
};

struct TDocumentSession {
    // In the order the documents were opened.
    std::vector<TSessionDocument> Documents;
    // Index of the active document; -1 for none.
    int Active = -1;
    bool Maximized = false;
    bool operator==(const TDocumentSession&) const = default;
};

// The named document windows, in launch order, and the active one.
TDocumentSession CurrentDocumentSession();
// Replaces the stored session; an empty one removes it. Raises
// qx::RegistryError when it cannot be written.
void SaveDocumentSession(const TDocumentSession& session);
// The stored session; empty when there is none or it cannot be read.
TDocumentSession LoadDocumentSession();

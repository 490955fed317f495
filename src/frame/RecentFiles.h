#pragma once
// The recent-files list: at most 15 full paths, most recent first, stored in
// the registry under "Software\Quorvix\Frame\TFrameWindowForm.MRUManager" as
// string values "Item_0", "Item_1", ... (the key is emptied before each save).
#include <QString>
#include <QStringList>

#include <functional>

inline constexpr int kRecentFilesCapacity = 15;

// True when a and b name the same document: the same text, or texts that
// differ only in letter case and name the same file on disk (a file system
// that ignores case). On a file system that respects case, "a.txt" and
// "A.txt" are different documents.
bool SameDocumentPath(const QString& a, const QString& b);

class TRecentFiles {
public:
    // Puts path at the top: an entry naming the same document moves there,
    // a new one is inserted and the oldest beyond the capacity is dropped.
    void Add(const QString& path);
    const QStringList& Items() const { return items_; }
    void Clear();

    // Replaces the list with the stored one; entries beyond the capacity and
    // empty ones are ignored. Registry failures leave the list empty.
    void Load();
    // Empties the stored key and writes the list. False on a registry failure.
    bool Save() const;

    // The caption of the menu item for position index (from 0): "&1\t<path>"
    // ... "&9\t<path>", then "&A" to "&F".
    static QString MenuCaption(int index, const QString& path);

    // Called after every change of the list.
    std::function<void()> OnChange;

private:
    void changed();
    QStringList items_;
};

// The registry key of the stored list, below HKEY_CURRENT_USER.
extern const char* const kRecentFilesKey;

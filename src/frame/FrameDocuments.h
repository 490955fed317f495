#pragma once
// What the documents panel, its dialogs and its tests share: the pictures of
// the group headers, the names of the three styles and the stored form of the
// documents list.
#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

#include <string>

// Styles of the group pictures: 0, 1 and 2.
inline constexpr int kDocumentStyleCount = 3;

// The six pictures of the group headers: for style s, "Historie" shows
// picture 2s and "Dokumenty" picture 2s + 1.
QList<QIcon> DocumentGroupImages();
int DocumentsGroupImage(int styleIndex);
int HistoryGroupImage(int styleIndex);
// "Styl 'Windows 2000'", "Styl 'Červené knihy'", "Styl 'Modré knihy'".
QString DocumentStyleName(int styleIndex);

// The stored list: each path followed by CR LF. Reading splits at CR LF, a
// lone CR and a lone LF; a final line break adds no empty entry, a NUL ends
// the text.
QStringList SplitDocumentsText(const std::string& text);
std::string JoinDocumentsText(const QStringList& paths);

// Where the list and the style are stored, below HKEY_CURRENT_USER.
extern const char* const kDocumentsKey;       // value "Docs"
extern const char* const kDocumentStyleKey;   // value "DocStyleIndex"

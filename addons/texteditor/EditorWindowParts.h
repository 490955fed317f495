#pragma once
// What the text editor window's source files share: the numbers of its
// markers, indicators and margins, the size above which a document stops
// reporting every change, and how a file name is shown. Included only by
// EditorWindow*.cpp.
#include <QDir>
#include <QString>

namespace {

// Markers: bookmarks and the two halves of a script error mark (the line's
// background and a symbol in the margin).
constexpr int kBookmarkMarker = 1;
constexpr int kErrorLineMarker = 2;
constexpr int kErrorSymbolMarker = 3;
constexpr int kErrorIndicator = 8;
// A translucent box under the text of the error line: unlike a background
// marker it stays visible on the caret's line.
constexpr int kErrorLineIndicator = 9;

constexpr int kNumberMargin = 0;
constexpr int kSymbolMargin = 1;
constexpr int kFoldMargin = 2;

// The editor component reports every inserted or deleted piece of text to
// its accessibility layer with the position counted in characters from the
// start of the document: each keystroke costs time in proportion to where
// it is typed (about 20 ms at the end of a megabyte). Above this size the
// window stops asking for those reports; the undo steps then go unnamed.
constexpr long kFullChangeReportsLimit = 512 * 1024;

inline QString displayName(const QString& fileName)
{
    return QDir::toNativeSeparators(fileName);
}

} // namespace

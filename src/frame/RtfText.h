#pragma once
// Rich text as the notepad keeps it: runs of UTF-8 text with bold, italic,
// underline and a text colour, read from and written to RTF.
//
// The writer produces RTF 1.x that word processors open: a font table with the
// given font, a colour table, \b \i \ul \cf runs, \par between paragraphs and
// \uN escapes for every character outside printable ASCII.
//
// The reader takes what the writer wrote and the plain RTF of other programs:
// text, \par and \line, \tab, the character properties above, \plain, \'hh
// bytes in the document's or the font's code page, \uN with its \ucN fallback,
// and the usual typographic symbols. Destinations it does not show (font and
// style tables, pictures, document information, fields' instructions, any
// "\*" group) and unknown control words are skipped, never shown. Input that
// does not start with "{\rtf" is taken as plain UTF-8 text. It never fails.
// Plain C++ (code pages through iconv, on Windows the system converters),
// no Qt.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

struct RtfFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    // 0xRRGGBB, or -1 for the default text colour.
    int32_t color = -1;
    bool operator==(const RtfFormat&) const = default;
};

struct RtfRun {
    // UTF-8; '\n' ends a paragraph, '\t' is a tab.
    std::string text;
    RtfFormat format;
    bool operator==(const RtfRun&) const = default;
};

using RtfRuns = std::vector<RtfRun>;

// The runs as an RTF document in the font fontName of pointSize points.
std::string WriteRtf(const RtfRuns& runs, const std::string& fontName, int pointSize);

// The runs of an RTF document; neighbouring runs of one format are merged.
RtfRuns ReadRtf(std::string_view data);

// The text of the runs, without formats.
std::string RtfPlainText(const RtfRuns& runs);

} // namespace qx

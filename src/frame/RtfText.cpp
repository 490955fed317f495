#include "frame/RtfText.h"

#include "platform/CharCodes.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <map>
#include <memory>

namespace qx {

namespace {

// ---------------------------------------------------------------------------
// UTF-8
// ---------------------------------------------------------------------------

// The next code point of text at i (advancing i); U+FFFD for a malformed byte.
char32_t nextCodePoint(std::string_view text, size_t& i)
{
    const auto b = uint8_t(text[i++]);
    if (b < 0x80)
        return b;
    const int extra = b >= 0xF5 ? -1 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 ? 1 : -1;
    if (extra < 0 || i + size_t(extra) > text.size())
        return 0xFFFD;
    char32_t c = b & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        const auto t = uint8_t(text[i + size_t(k)]);
        if ((t & 0xC0) != 0x80)
            return 0xFFFD;
        c = (c << 6) | (t & 0x3F);
    }
    i += size_t(extra);
    static const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    // Surrogates and the two non-characters U+FFFE and U+FFFF are no text.
    if (c < least[extra] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000) || c == 0xFFFE || c == 0xFFFF)
        return 0xFFFD;
    return c;
}

// ---------------------------------------------------------------------------
// Code pages
// ---------------------------------------------------------------------------

// The Windows code page of an RTF \fcharset value; 0 for none.
int codePageOfCharset(int charset)
{
    static const std::pair<int, int> table[] = {{0, 1252}, {77, 10000}, {128, 932}, {129, 949}, {134, 936},
        {136, 950}, {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257}, {204, 1251},
        {222, 874}, {238, 1250}};
    for (const auto& [set, page] : table)
        if (set == charset)
            return page;
    return 0;
}

#ifdef _WIN32

// Decodes bytes of Windows code pages to UTF-8 with the system's converters.
class CodePageDecoder {
public:
    void Decode(int codePage, const std::string& bytes, std::string& out)
    {
        int wide = MultiByteToWideChar(UINT(codePage), 0, bytes.data(), int(bytes.size()), nullptr, 0);
        if (wide <= 0) {
            codePage = 1252;
            wide = MultiByteToWideChar(UINT(codePage), 0, bytes.data(), int(bytes.size()), nullptr, 0);
        }
        std::wstring text(size_t(std::max(wide, 0)), L'\0');
        MultiByteToWideChar(UINT(codePage), 0, bytes.data(), int(bytes.size()), text.data(), wide);
        const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
        std::string utf8(size_t(std::max(size, 0)), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), utf8.data(), size, nullptr, nullptr);
        out += utf8;
    }
};

#else

// Decodes bytes of Windows code pages to UTF-8 through iconv; one converter
// per code page, opened on first use.
class CodePageDecoder {
public:
    ~CodePageDecoder()
    {
        for (auto& [page, cd] : converters_)
            if (cd != iconv_t(-1))
                iconv_close(cd);
    }

    void Decode(int codePage, const std::string& bytes, std::string& out)
    {
        iconv_t cd = converter(codePage);
        if (cd == iconv_t(-1))
            cd = converter(1252);
        if (cd == iconv_t(-1)) {
            for (char b : bytes)
                AppendUtf8(out, char32_t(uint8_t(b)));
            return;
        }
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        std::string in = bytes;
        char* src = in.data();
        size_t srcLeft = in.size();
        char buffer[256];
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, size_t(dst - buffer));
            if (r == size_t(-1) && errno != E2BIG) {
                // A byte the code page does not define, or a cut sequence.
                AppendUtf8(out, 0xFFFD);
                ++src;
                --srcLeft;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
            }
        }
    }

private:
    iconv_t converter(int codePage)
    {
        auto it = converters_.find(codePage);
        if (it != converters_.end())
            return it->second;
        const std::string name = codePage == 10000 ? "MACINTOSH" : "CP" + std::to_string(codePage);
        iconv_t cd = iconv_open("UTF-8", name.c_str());
        converters_[codePage] = cd;
        return cd;
    }

    std::map<int, iconv_t> converters_;
};

#endif

// ---------------------------------------------------------------------------
// Reader
// ---------------------------------------------------------------------------

enum class Destination { Text, FontTable, ColorTable, Skip };

struct GroupState {
    Destination destination = Destination::Text;
    bool bold = false, italic = false, underline = false;
    int colorIndex = 0;
    int font = -1;
    int ucSkip = 1;
};

// Destinations whose content is not document text.
bool isSkippedDestination(std::string_view word)
{
    static const char* const names[] = {"author", "bkmkend", "bkmkstart", "buptim", "colorschememapping", "comment",
        "company", "creatim", "datastore", "docvar", "doccomm", "falt", "fldinst", "filetbl", "footer", "footerf",
        "footerl", "footerr", "footnote", "generator", "header", "headerf", "headerl", "headerr", "info", "keywords",
        "latentstyles", "listoverridetable", "listtable", "mmathPr", "nonshppict", "object", "operator", "pgdsctbl",
        "pict", "printim", "private", "revtbl", "revtim", "rsidtbl", "stylesheet", "subject", "tc", "template",
        "themedata", "title", "txe", "userprops", "xe", "xmlnstbl"};
    for (const char* name : names)
        if (word == name)
            return true;
    return false;
}

class Reader {
public:
    explicit Reader(std::string_view data) : data_(data) { }

    RtfRuns Run()
    {
        stack_.emplace_back();
        while (pos_ < data_.size()) {
            const char c = data_[pos_++];
            switch (c) {
            case '{':
                flushBytes();
                skipFallback_ = 0;
                if (stack_.size() < kMaxDepth)
                    stack_.push_back(stack_.back());
                else
                    ++overflow_;
                break;
            case '}':
                flushBytes();
                skipFallback_ = 0;
                if (overflow_ > 0)
                    --overflow_;
                else if (stack_.size() > 1)
                    stack_.pop_back();
                break;
            case '\\':
                controlWord();
                break;
            case '\r':
            case '\n':
                break; // line breaks of the file are not text
            default:
                textByte(c);
                break;
            }
        }
        flushBytes();
        return std::move(runs_);
    }

private:
    // Groups nest deeper than any real document; beyond this they are only
    // counted, so hostile input cannot grow the state without bound.
    static constexpr size_t kMaxDepth = 512;

    GroupState& state() { return stack_.back(); }

    void controlWord()
    {
        if (pos_ >= data_.size())
            return;
        const char first = data_[pos_];
        if (!std::isalpha(uint8_t(first))) {
            ++pos_;
            controlSymbol(first);
            return;
        }
        const size_t start = pos_;
        while (pos_ < data_.size() && std::isalpha(uint8_t(data_[pos_])) && pos_ - start < 32)
            ++pos_;
        const std::string_view word = data_.substr(start, pos_ - start);
        bool hasParam = false;
        bool negative = false;
        int64_t param = 0;
        if (pos_ < data_.size() && data_[pos_] == '-' && pos_ + 1 < data_.size()
            && std::isdigit(uint8_t(data_[pos_ + 1]))) {
            negative = true;
            ++pos_;
        }
        for (int digits = 0; pos_ < data_.size() && std::isdigit(uint8_t(data_[pos_])); ++pos_, ++digits) {
            hasParam = true;
            if (digits < 10)
                param = param * 10 + (data_[pos_] - '0');
        }
        if (pos_ < data_.size() && data_[pos_] == ' ')
            ++pos_;
        param = std::clamp<int64_t>(negative ? -param : param, INT32_MIN, INT32_MAX);
        keyword(word, hasParam, int(param));
    }

    void controlSymbol(char c)
    {
        switch (c) {
        case '\'': {
            if (pos_ + 2 > data_.size()) {
                pos_ = data_.size(); // a cut escape at the end of the data
                return;
            }
            const int hi = HexDigitValue(data_[pos_]), lo = HexDigitValue(data_[pos_ + 1]);
            pos_ += 2;
            if (hi < 0 || lo < 0)
                return;
            textByte(char(hi * 16 + lo));
            return;
        }
        case '*':
            state().destination = Destination::Skip;
            return;
        case '~':
            codePoint(0x00A0);
            return;
        case '_':
            codePoint(0x2011);
            return;
        case '\\':
        case '{':
        case '}':
            textByte(c);
            return;
        case '\r':
        case '\n':
            codePoint('\n'); // "\" at a line end is \par
            return;
        default:
            return; // \- (optional hyphen), \| and the rest show nothing
        }
    }


    void keyword(std::string_view w, bool hasParam, int param)
    {
        flushBytes();
        if (w != "u")
            skipFallback_ = 0;
        GroupState& s = state();
        const bool on = !hasParam || param != 0;
        if (w == "fonttbl") {
            s.destination = Destination::FontTable;
        } else if (w == "colortbl") {
            s.destination = Destination::ColorTable;
            colors_.clear();
            pendingColor_ = -1;
        } else if (isSkippedDestination(w)) {
            s.destination = Destination::Skip;
        } else if (w == "bin") {
            // Binary data of the given length follows.
            pos_ += std::min<size_t>(size_t(std::max(param, 0)), data_.size() - pos_);
        } else if (s.destination == Destination::FontTable) {
            if (w == "f")
                tableFont_ = param;
            else if (w == "fcharset")
                fontCodePage_[tableFont_] = codePageOfCharset(param);
            else if (w == "cpg" && param > 0)
                fontCodePage_[tableFont_] = param;
        } else if (s.destination == Destination::ColorTable) {
            const int v = std::clamp(param, 0, 255);
            if (pendingColor_ < 0)
                pendingColor_ = 0;
            if (w == "red")
                pendingColor_ = (pendingColor_ & 0x00FFFF) | (v << 16);
            else if (w == "green")
                pendingColor_ = (pendingColor_ & 0xFF00FF) | (v << 8);
            else if (w == "blue")
                pendingColor_ = (pendingColor_ & 0xFFFF00) | v;
        } else if (s.destination == Destination::Skip) {
            // Nothing inside a skipped destination counts.
        } else if (w == "ansicpg") {
            if (param > 0)
                codePage_ = param;
        } else if (w == "deff") {
            defaultFont_ = param;
        } else if (w == "uc") {
            s.ucSkip = std::clamp(param, 0, 16);
        } else if (w == "u") {
            // A signed 16-bit number; anything wider is cut to its UTF-16 unit.
            unicode(uint16_t(param));
            skipFallback_ = s.ucSkip;
        } else if (w == "par" || w == "line" || w == "row" || w == "page" || w == "sect") {
            codePoint('\n');
        } else if (w == "tab" || w == "cell") {
            codePoint('\t');
        } else if (w == "b") {
            s.bold = on;
        } else if (w == "i") {
            s.italic = on;
        } else if (w == "ul" || w == "uld" || w == "uldb" || w == "uldash" || w == "ulth" || w == "ulw"
            || w == "ulwave") {
            s.underline = on;
        } else if (w == "ulnone") {
            s.underline = false;
        } else if (w == "cf") {
            s.colorIndex = std::max(param, 0);
        } else if (w == "f") {
            s.font = param;
        } else if (w == "plain") {
            s.bold = s.italic = s.underline = false;
            s.colorIndex = 0;
            s.font = -1;
        } else if (w == "emdash") {
            codePoint(0x2014);
        } else if (w == "endash") {
            codePoint(0x2013);
        } else if (w == "lquote") {
            codePoint(0x2018);
        } else if (w == "rquote") {
            codePoint(0x2019);
        } else if (w == "ldblquote") {
            codePoint(0x201C);
        } else if (w == "rdblquote") {
            codePoint(0x201D);
        } else if (w == "bullet") {
            codePoint(0x2022);
        } else if (w == "emspace" || w == "enspace" || w == "qmspace") {
            codePoint(' ');
        }
        // Any other control word changes nothing that the notepad shows.
    }

    void unicode(uint16_t value)
    {
        const auto c = char32_t(value);
        if (c == 0xFFFE || c == 0xFFFF)
            return; // not characters
        if (c >= 0xD800 && c < 0xDC00) {
            highSurrogate_ = c;
            return;
        }
        if (c >= 0xDC00 && c < 0xE000) {
            if (highSurrogate_)
                codePoint(0x10000 + ((highSurrogate_ - 0xD800) << 10) + (c - 0xDC00));
            else
                codePoint(0xFFFD);
            highSurrogate_ = 0;
            return;
        }
        codePoint(c);
    }

    void textByte(char c)
    {
        const Destination d = state().destination;
        if (skipFallback_ > 0) {
            --skipFallback_;
            return;
        }
        if (d == Destination::ColorTable) {
            if (c == ';') {
                colors_.push_back(pendingColor_);
                pendingColor_ = -1;
            }
            return;
        }
        if (d != Destination::Text)
            return;
        bytes_ += c;
    }

    // Bytes of text are decoded together, so that the two bytes of an East
    // Asian character given as two \'hh escapes stay one character.
    void flushBytes()
    {
        if (bytes_.empty())
            return;
        std::string text;
        bool ascii = std::all_of(bytes_.begin(), bytes_.end(), [](char b) { return uint8_t(b) < 0x80; });
        if (ascii)
            text = bytes_;
        else
            decoder_.Decode(currentCodePage(), bytes_, text);
        bytes_.clear();
        append(text);
    }

    int currentCodePage() const
    {
        const int font = stack_.back().font >= 0 ? stack_.back().font : defaultFont_;
        auto it = fontCodePage_.find(font);
        if (it != fontCodePage_.end() && it->second > 0 && it->second != 1252)
            return it->second;
        return codePage_;
    }

    void codePoint(char32_t c)
    {
        if (state().destination != Destination::Text)
            return;
        flushBytes();
        std::string text;
        AppendUtf8(text, c);
        append(text);
    }

    void append(const std::string& text)
    {
        if (text.empty() || state().destination != Destination::Text)
            return;
        const GroupState& s = state();
        RtfFormat format;
        format.bold = s.bold;
        format.italic = s.italic;
        format.underline = s.underline;
        if (s.colorIndex > 0 && size_t(s.colorIndex) < colors_.size())
            format.color = colors_[size_t(s.colorIndex)];
        if (!runs_.empty() && runs_.back().format == format)
            runs_.back().text += text;
        else
            runs_.push_back({text, format});
    }

    std::string_view data_;
    size_t pos_ = 0;
    std::vector<GroupState> stack_;
    size_t overflow_ = 0;
    RtfRuns runs_;
    std::string bytes_;
    CodePageDecoder decoder_;
    int codePage_ = 1252;
    int defaultFont_ = 0;
    int tableFont_ = 0;
    std::map<int, int> fontCodePage_;
    std::vector<int32_t> colors_;
    int32_t pendingColor_ = -1;
    int skipFallback_ = 0;
    char32_t highSurrogate_ = 0;
};

// ---------------------------------------------------------------------------
// Writer
// ---------------------------------------------------------------------------

void writeEscaped(std::string& out, std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const char32_t c = nextCodePoint(text, i);
        if (c == '\n') {
            out += "\\par\r\n";
        } else if (c == '\t') {
            out += "\\tab ";
        } else if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += char(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else if (c >= 0x7F) {
            // \uN takes a signed 16-bit number; characters beyond the basic
            // plane go as their UTF-16 surrogate pair. "?" is the fallback for
            // readers without Unicode.
            auto unit = [&out](char32_t u) { out += "\\u" + std::to_string(int16_t(uint16_t(u))) + '?'; };
            if (c > 0xFFFF) {
                unit(0xD800 + ((c - 0x10000) >> 10));
                unit(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                unit(c);
            }
        }
        // Other control characters have no place in the text.
    }
}

} // namespace

std::string WriteRtf(const RtfRuns& runs, const std::string& fontName, int pointSize)
{
    std::vector<int32_t> colors;
    for (const RtfRun& run : runs)
        if (run.format.color >= 0 && std::find(colors.begin(), colors.end(), run.format.color) == colors.end())
            colors.push_back(run.format.color);

    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern\\fcharset0 ";
    writeEscaped(out, fontName);
    out += ";}}\r\n{\\colortbl ;";
    for (int32_t color : colors)
        out += "\\red" + std::to_string((color >> 16) & 0xFF) + "\\green" + std::to_string((color >> 8) & 0xFF)
            + "\\blue" + std::to_string(color & 0xFF) + ';';
    out += "}\r\n\\viewkind4\\uc1\\pard\\f0\\fs" + std::to_string(std::clamp(pointSize, 1, 1000) * 2) + ' ';

    RtfFormat current;
    for (const RtfRun& run : runs) {
        const RtfFormat& f = run.format;
        if (f.bold != current.bold)
            out += f.bold ? "\\b " : "\\b0 ";
        if (f.italic != current.italic)
            out += f.italic ? "\\i " : "\\i0 ";
        if (f.underline != current.underline)
            out += f.underline ? "\\ul " : "\\ulnone ";
        if (f.color != current.color) {
            const auto it = std::find(colors.begin(), colors.end(), f.color);
            out += "\\cf" + std::to_string(f.color < 0 ? 0 : int(it - colors.begin()) + 1) + ' ';
        }
        current = f;
        writeEscaped(out, run.text);
    }
    out += "}\r\n";
    return out;
}

RtfRuns ReadRtf(std::string_view data)
{
    if (data.substr(0, 5) != "{\\rtf") {
        // Plain text: valid UTF-8 kept, malformed bytes replaced.
        std::string text;
        for (size_t i = 0; i < data.size();) {
            const char32_t c = nextCodePoint(data, i);
            if (c != '\r')
                AppendUtf8(text, c);
        }
        if (text.empty())
            return {};
        return {RtfRun {text, {}}};
    }
    return Reader(data).Run();
}

std::string RtfPlainText(const RtfRuns& runs)
{
    std::string text;
    for (const RtfRun& run : runs)
        text += run.text;
    return text;
}

} // namespace qx

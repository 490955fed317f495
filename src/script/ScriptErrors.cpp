#include "script/ScriptErrors.h"

#include <algorithm>

namespace qx {

namespace {

// Texts 0..30, by code.
const char* const kLanguageErrorTexts[] = {
    "Žádná chyba",
    "Chyba při čtením vlastnosti",
    "Chyba při zápisu vlastnosti",
    "Neznámý identifikátor",
    "Očekáván identifikátor",
    "Očekáván znak ';'",
    "Očekáváno 'Begin'",
    "Tento identifikátor je již použit",
    "Neočekávaný konec souboru",
    "Očekáván znak ','",
    "Chybná syntaxe",
    "Nesprávný formát řetězce",
    "Chybný výraz",
    "Očekáváno přiřazení",
    "Nesprávný typ",
    "Chybný výraz",
    "Očekáván znak '('",
    "Očekáván znak ')'",
    "Očekávána proměnná",
    "Očekáván znak '.'",
    "Očekáváno 'then'",
    "Očekáváno 'period'",
    "Nesprávný parametr",
    "Očekáváno 'to'",
    "Očekáváno 'do'",
    "Nesprávný rozsah",
    "Očekáváno 'of'",
    "Očekáváno 'end'",
    "Mimo rozsah proměnné",
    "Očekáváno otevření bloku",
    "Očekáváno uzavření bloku",
};

struct FaultText {
    uint16_t code;
    const char* text;
};
const FaultText kFaultTexts[] = {
    {seIntegerDivisionByZero, "Celočíselné dělení nulou"},
    {seRealDivisionByZero, "Dělení nulou"},
    {seRealOverflow, "Přetečení reálného čísla"},
    {seStackOverflow, "Příliš hluboká rekurze nebo vnoření"},
    {seOutOfMemory, "Řetězec nebo pole přesahuje povolenou velikost"},
    {seHostException, "Výjimka v hostitelské rutině"},
    {seInterrupted, "Skript byl přerušen"},
};

}  // namespace

std::string ScriptErrorText(uint16_t code) {
    if (code < sizeof(kLanguageErrorTexts) / sizeof(kLanguageErrorTexts[0])) return kLanguageErrorTexts[code];
    for (const FaultText& f : kFaultTexts)
        if (f.code == code) return f.text;
    return {};
}

namespace {

// Length of the UTF-8 sequence that starts with this byte; 0 for a byte that
// cannot start one.
int utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

bool isUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const int length = utf8SequenceLength(static_cast<unsigned char>(text[i]));
        if (length == 0 || i + length > text.size()) return false;
        for (int k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

// Characters of the line before byte `bytes` of it.
int columnOf(const std::string& line, size_t bytes) {
    if (!isUtf8(line)) return static_cast<int>(bytes) + 1;
    int characters = 0;
    for (size_t i = 0; i < bytes; ++i)
        if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++characters;
    return characters + 1;
}

}  // namespace

TScriptPlace ScriptPlaceOf(const std::vector<std::string>& lines, int32_t position) {
    if (lines.empty() || position <= 0) return {};
    size_t rest = static_cast<size_t>(position);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        // The line's own bytes, then its CR LF.
        if (rest < line.size() + 2 || i + 1 == lines.size())
            return {static_cast<int>(i) + 1, columnOf(line, std::min(rest, line.size()))};
        rest -= line.size() + 2;
    }
    return {};
}

std::string ScriptErrorReport(const std::string& file, const std::vector<std::string>& lines, uint16_t code,
                              int32_t position) {
    const TScriptPlace place = ScriptPlaceOf(lines, position);
    return file + ':' + std::to_string(place.Line) + ':' + std::to_string(place.Column) + ": error " +
           std::to_string(code) + " at " + std::to_string(position) + ": " + ScriptErrorText(code);
}

}  // namespace qx

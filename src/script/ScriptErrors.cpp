#include "script/ScriptErrors.h"

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

}  // namespace qx

#include "frame/FrameStrings.h"

#include <array>

namespace {

// In the order of FrameString.
const std::array<const char*, size_t(FrameString::Count)> kTexts = {
    "(žádný dokument)",
    "Nový dokument",
    "(žádný modul)",
    "Nelze otevřít soubor %1. Požadovaný soubor nebyl nalezen. Ujistěte se, že cesta v systému existuje a že "
    "síťové připojení je stále aktivní. Cesta: %2.",
    "Soubor %1 byl nalezen ale při pokusu o otevření souboru pro čtení došlo k chybě. Možná nemáte "
    "administrátorem přiřazena dostatečná práva. Je také možné, že soubor je již využíván a neumožňuje operace "
    "sdílení. Můžete ignorovat tuto chybu, spustit modul a dát mu možnost soubor otevřít.",
    "Stáhnout nové moduly",
    "Žádný z nainstalovaných modulů neumí pracovat s tímto typem souborů. Ujistěte se, že všechny moduly jsou "
    "skutečně zkopírovány v této složce: [%1].",
    "Quorvix 2 nemůže spustit nástroj %1 z modulu %2. Modul je poškozen nebo obsahuje chybu, která zabraňuje "
    "jeho inicializaci a spuštění.",
    "projekt '%1'",
    "Quorvix 2 vytvořil nový projekt s názvem %1. Chcete nyní tento projekt otevřít?",
    "Quorvix 2 nemůže otevřít projekt. Soubor nebyl nalezen, není přístupný nebo nebyl určen pro tuto verzi "
    "programu.",
    "Vytvořit plochu",
    "Vložte jméno nové plochy:",
    "Plocha",
    "Plocha s názvem %1 už v projektu existuje. Musíte zadat unikátní název.",
    "Opravdu chcete odstranit plochu s názvem %1?",
    "Všechny soubory (*.*)|*.*|Projekty (*.ini)|*.ini",
    "Quorvix 2 nemůže otevřít projekt %1. Soubor nebyl nalezen, není přístupný nebo nebyl určen pro tuto verzi "
    "programu.",
    "Projekt není otevřen",
    "Projekt '%1'",
    "Soubor obrázku pozadí nebyl nalezen, místo toho se použije výchozí nastavení.",
    "Varování: Operace automatického zálohování nebyla dokončena úspěšně. Záložní kopie nebyla vytvořena.",
    "Historie",
    "Dokumenty",
    "Chystáte se vymazat obsah složky Dokumenty. Tato operace nemůže být vrácena zpět. Chcete pokračovat?",
    "Jméno procedury",
    "Procedura:",
    "Všechny soubory (*.*)|*.*|Skripty (*.qx)|*.qx",
    "Dokument %1",
    "Skript „%1“ je otevřen v editoru a obsahuje neuložené změny.\n\nChcete jej před spuštěním uložit?",
    "Internetový prohlížeč se nepodařilo spustit.\n\nStránky programu Quorvix 2 najdete na adrese:\n%1\n\n"
    "Adresu můžete označit myší a zkopírovat (Ctrl+C).",
};

} // namespace

QString FrameText(FrameString id)
{
    return QString::fromUtf8(kTexts[size_t(id)]);
}

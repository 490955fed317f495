#include "frame/FrameActions.h"

#include "QX_Types.h"
#include "frame/FrameWindow.h"

#include <cstring>

namespace {

using F = TFrameWindowForm;
using A = FrameAction;
const int N = kNoImage;
const int X = kNoCommand;

#define H(name) &F::Action_##name##Execute

// One row per action, in the order of FrameAction.
constexpr TFrameActionDef kActions[] = {
    // File
    {A::FileNew, "Action_FileNew", "Soubor", "&Nový...", "Vytvořit nový dokument", "Ctrl+N", 0, 0, X, H(FileNew), false},
    {A::FileOpen, "Action_FileOpen", "Soubor", "&Otevřít...", "Otevřít dokument", "Ctrl+O", 1, 0, X, H(FileOpen), false},
    {A::FileSave, "Action_FileSave", "Soubor", "&Uložit", "Uložit dokument", "Ctrl+S", 2, 0, QXC_SAVE, H(FileSave), false},
    {A::FileSaveAs, "Action_FileSaveAs", "Soubor", "Uložit &jako...", "Uložit dokument pod novým jménem", "", 6, 0,
        QXC_SAVEAS, H(FileSaveAs), false},
    {A::FileSaveAll, "Action_FileSaveAll", "Soubor", "Uložit &vše", "Uložit všechny dokumenty", "", 3, 0, X,
        H(FileSaveAll), false},
    {A::FileProperties, "Action_FileProperties", "Soubor", "&Vlastnosti...", "Zobrazit vlastnosti dokumentu", "", 4,
        0, X, H(FileProperties), false},
    {A::FilePrint, "Action_FilePrint", "Soubor", "&Tisk...", "Vytisknout dokument", "Ctrl+P", 5, 0, QXC_PRINT, nullptr,
        false},
    {A::FileSendMailRecipient, "Action_FileSendMailRecipient", "Soubor", "&Příjemce pošty...",
        "Odeslat dokument elektronickou poštou", "", 12, 0, QXC_SENDMAIL, H(FileSendMailRecipient), false},
    {A::FileSendDesktop, "Action_FileSendDesktop", "Soubor", "&Plocha jako zástupce...",
        "Vytvořit zástupce dokumentu na ploše", "", 41, 0, X, H(FileSendDesktop), false},
    {A::FileSettingsAutoBackup, "Action_FileSettingsAutoBackup", "Soubor", "&Automatické zálohování...",
        "Nastavit funkci automatického zálohování", "", 22, 1, X, H(FileSettingsAutoBackup), false},
    {A::FileSettingsShortcuts, "Action_FileSettingsShortcuts", "Soubor", "&Klávesové zkratky...",
        "Změnit klávesové zkratky programu", "", 22, 1, X, H(FileSettingsShortcuts), false},
    {A::FileSettingsStartup, "Action_FileSettingsStartup", "Soubor", "&Spouštění a ukončování...",
        "Změnit vnitřní nastavení programu", "", 22, 1, X, H(FileSettingsStartup), false},
    {A::FileSettingsScripting, "Action_FileSettingsScripting", "Soubor", "Skriptování...", "Nastavit skriptování", "",
        22, 1, X, H(FileSettingsScripting), false},
    {A::FileExit, "Action_FileExit", "Soubor", "&Konec", "Ukončit aplikaci", "Alt+F4", N, 1, X, H(FileExit), false},

    // Edit
    {A::EditUndo, "Action_EditUndo", "Úpravy", "&Zpět", "Vrátit poslední provedenou operaci", "Ctrl+Z", 10, 0,
        QXC_UNDO, nullptr, false},
    {A::EditRedo, "Action_EditRedo", "Úpravy", "&Opakovat", "Opakovat poslední vrácenou operaci", "Ctrl+Y", 11, 0,
        QXC_REDO, nullptr, false},
    {A::EditCut, "Action_EditCut", "Úpravy", "&Vyjmout", "Vyjmout vybraná data do schránky", "Ctrl+X", 7, 0, QXC_CUT,
        nullptr, false},
    {A::EditCopy, "Action_EditCopy", "Úpravy", "&Kopírovat", "Zkopírovat vybraná data do schránky", "Ctrl+C", 8, 0,
        QXC_COPY, nullptr, false},
    {A::EditPaste, "Action_EditPaste", "Úpravy", "Vložit", "Vložit data ze schránky", "Ctrl+V", 9, 0, QXC_PASTE,
        nullptr, false},
    {A::EditCopyTo, "Action_EditCopyTo", "Úpravy", "Zkopírovat do...", "Zkopírovat vybraná data do jiného dokumentu",
        "", N, 0, QXC_COPYTO, nullptr, false},
    {A::EditPasteFrom, "Action_EditPasteFrom", "Úpravy", "Vložit z...", "Vložit do dokumentu data z jiného dokumentu",
        "", N, 0, QXC_PASTEFROM, nullptr, false},
    {A::EditSelectAll, "Action_EditSelectAll", "Úpravy", "Vybrat vše", "Vybrat všechna data v dokumentu", "", N, 0,
        QXC_SELECTALL, nullptr, false},
    {A::EditFind, "Action_EditFind", "Úpravy", "&Najít...", "Prohledat dokument", "Ctrl+F", 19, 0, QXC_FIND, nullptr,
        false},
    {A::EditReplace, "Action_EditReplace", "Úpravy", "Nahradit...", "Nahradit data v dokumentu", "", 20, 0,
        QXC_REPLACE, nullptr, false},
    {A::EditFindInFiles, "Action_EditFindInFiles", "Úpravy", "Hledat v souborech...",
        "Hledat text v souborech složky", "Ctrl+Shift+F", 19, 1, X, H(EditFindInFiles), false},
    {A::EditToggleBookmark, "Action_EditToggleBookmark", "Úpravy", "Přepnout &záložku",
        "Přepnout záložku na aktuální pozici", "Ctrl+Alt+T", 53, 0, QXC_TOGGLEBOOKMARK, nullptr, false},
    {A::EditNextBookmark, "Action_EditNextBookmark", "Úpravy", "Další záložka", "Přejít na další záložku", "", 54, 0,
        QXC_NEXTBOOKMARK, nullptr, false},
    {A::EditPrevBookmark, "Action_EditPrevBookmark", "Úpravy", "Předchozí záložka", "Přejít na předchozí záložku", "",
        55, 0, QXC_PREVBOOKMARK, nullptr, false},
    {A::EditRemoveAllBookmarks, "Action_EditRemoveAllBookmarks", "Úpravy", "Odstranit všechny záložky",
        "Odstranit všechny nastavené záložky", "", 56, 0, QXC_REMOVEBOOKMARKS, nullptr, false},

    // Format
    {A::FormatBold, "Action_FormatBold", "Formát", "Tučné", "Nastavit tučné písmo", "", 28, 0, QXC_BOLD, nullptr, false},
    {A::FormatItalic, "Action_FormatItalic", "Formát", "Kurzíva", "Nastavit kurzívu", "", 29, 0, QXC_ITALIC, nullptr,
        false},
    {A::FormatUnderline, "Action_FormatUnderline", "Formát", "Podrtžené", "Nastavit podtržené písmo", "", 30, 0,
        QXC_UNDERLINE, nullptr, false},
    {A::FormatLeftAlign, "Action_FormatLeftAlign", "Formát", "Zarovnat vlevo", "Nastavit zarovnání vlevo", "", 31, 0,
        QXC_LEFT, nullptr, true},
    {A::FormatCenterAlign, "Action_FormatCenterAlign", "Formát", "Zarovnat doprostřed",
        "Nastavit zarovnání doprostřed", "", 32, 0, QXC_CENTER, nullptr, true},
    {A::FormatRightAlign, "Action_FormatRightAlign", "Formát", "Zarovnat vpravo", "Nastavit zarovnání vpravo", "", 33,
        0, QXC_RIGHT, nullptr, true},
    {A::FormatNoAlign, "Action_FormatNoAlign", "Formát", "Bez zarovnání", "Zrušit zarovnávání", "", 34, 0,
        QXC_NOALIGN, nullptr, true},
    {A::FormatNumBullets, "Action_FormatNumBullets", "Formát", "Číslovaný seznam", "Vytvořit číslovaný seznam", "",
        35, 0, QXC_NUMBULLETS, nullptr, false},
    {A::FormatBullets, "Action_FormatBullets", "Formát", "Seznam", "Vytvořit seznam", "", 36, 0, QXC_BULLETS, nullptr,
        false},
    {A::FormatDecIndent, "Action_FormatDecIndent", "Formát", "Zmenšit odsazení", "Zmenšit odsazení", "", 37, 0,
        QXC_DECINDENT, nullptr, false},
    {A::FormatIncIndent, "Action_FormatIncIndent", "Formát", "Zvětšit odsazení", "Zvětšit odsazení", "", 38, 0,
        QXC_INCINDENT, nullptr, false},
    {A::FormatBgColor, "Action_FormatBgColor", "Formát", "Barva pozadí...", "Nastavit barvu pozadí", "", 39, 0,
        QXC_BGCOLOR, nullptr, false},
    {A::FormatTextColor, "Action_FormatTextColor", "Formát", "Barva textu...", "Nastavit barvu textu", "", 40, 0,
        QXC_TEXTCOLOR, nullptr, false},

    // View
    {A::ViewNotepad, "Action_ViewNotepad", "Zobrazit", "Poznámky", "Zobrazit poznámky", "", 13, 1, X, H(ViewNotepad),
        true},
    {A::ViewStatusbar, "Action_ViewStatusbar", "Zobrazit", "&Stavový řádek", "Přepnout zobrazení stavového řádku", "",
        N, 1, X, H(ViewStatusbar), true},
    {A::ViewDesktopOptions, "Action_ViewDesktopOptions", "Zobrazit", "Pozadí...",
        "Nastavit barvu nebo tapetu pro pozadí programu", "", N, 1, X, H(ViewDesktopOptions), false},
    {A::ViewFullscreen, "Action_ViewFullscreen", "Zobrazit", "&Celá obrazovka", "Přepnout zobrazovací režim", "F11", 51,
        1, X, H(ViewFullscreen), true},
    {A::ViewOutline, "Action_ViewOutline", "Zobrazit", "Přehled &symbolů",
        "Zobrazit přehled symbolů aktivního dokumentu", "Ctrl+Shift+O", N, 1, X, H(ViewOutline), true},
    {A::StatusBar, "Action_StatusBar", "", "", "", "", N, 1, X, H(StatusBar), true},

    // Project
    {A::ProjectNew, "Action_ProjectNew", "Projekt", "&Nový projekt...", "Vytvořit nový projekt", "", 43, 1, X,
        H(ProjectNew), false},
    {A::ProjectOpen, "Action_ProjectOpen", "Projekt", "&Otevřít projekt...", "Otevřít existující projekt", "", 44, 1, X,
        H(ProjectOpen), false},
    {A::ProjectSave, "Action_ProjectSave", "Projekt", "&Uložit projekt...", "Uložit projekt do souboru", "", 45, 1, X,
        H(ProjectSave), false},
    {A::ProjectClose, "Action_ProjectClose", "Projekt", "&Zavřít projekt", "Zavřít projekt", "", N, 1, X,
        H(ProjectClose), false},
    {A::ProjectSetup, "Action_ProjectSetup", "Projekt", "&Nastavit projekt...", "Zobrazit nastavení projektu", "", 46,
        1, X, H(ProjectSetup), false},
    {A::ProjectNewWorkspace, "Action_ProjectNewWorkspace", "Projekt", "&Vytvořit plochu",
        "Vytvořit novou plochu otevřeného projektu", "", 47, 1, X, H(ProjectNewWorkspace), false},
    {A::ProjectOpenWorkspace, "Action_ProjectOpenWorkspace", "Projekt", "Otevřít &plochu",
        "Načíst plochu otevřeného projektu", "", 48, 1, X, H(ProjectOpenWorkspace), false},
    {A::ProjectSaveWorkspace, "Action_ProjectSaveWorkspace", "Projekt", "Uložit plochu",
        "Uložit plochu otevřeného projektu", "", 49, 1, X, H(ProjectSaveWorkspace), false},
    {A::ProjectDeleteWorkspace, "Action_ProjectDeleteWorkspace", "Projekt", "&Odstranit plochu",
        "Smazat plochu otevřeného projektu", "", 50, 1, X, H(ProjectDeleteWorkspace), false},

    // Documents
    {A::DocsAddCurrFile, "Action_DocsAddCurrFile", "Dokumenty", "Přidat &upravovaný soubor",
        "Přidat právě upravovaný soubor do dokumentů", "", 58, 0, X, H(DocsAddCurrFile), false},
    {A::DocsAddFile, "Action_DocsAddFile", "Dokumenty", "Přidat soubor...", "Přidat libovolný soubor do dokumentů", "",
        59, 1, X, H(DocsAddFile), false},
    {A::DocsArrange, "Action_DocsArrange", "Dokumenty", "Uspořádat dokumenty...", "Uspořádat dokumenty", "", 60, 1, X,
        H(DocsArrange), false},
    {A::DocsClear, "Action_DocsClear", "Dokumenty", "&Odstranit dokumenty",
        "Odstranit všechny soubory ze složky dokumentů", "", 62, 1, X, H(DocsClear), false},
    {A::DocsCustomize, "Action_DocsCustomize", "Dokumenty", "Upravit &vzhled...", "Upravit vzhled složky dokumentů",
        "", 61, 1, X, H(DocsCustomize), false},

    // Script
    {A::ScriptExecute, "Action_ScriptExecute", "Skript", "&Spustit...", "Spustit vybraný skript", "", 63, 1, X,
        H(ScriptExecute), false},
    {A::ScriptExecuteProc, "Action_ScriptExecuteProc", "Skript", "Spustit &proceduru...",
        "Spustit vybranou proceduru ze skriptu", "", 64, 1, X, H(ScriptExecuteProc), false},
    {A::ScriptOpenExecute, "Action_ScriptOpenExecute", "Skript", "Spustit skript ze souboru...",
        "Načíst a spustit skript", "", 65, 1, X, H(ScriptOpenExecute), false},
    {A::ScriptOpenExecuteProc, "Action_ScriptOpenExecuteProc", "Skript", "Spustit proceduru ze souboru...",
        "Načíst a spustit proceduru ze skriptu", "", 66, 1, X, H(ScriptOpenExecuteProc), false},
    {A::ScriptNew, "Action_ScriptNew", "Skript", "&Nový", "Vytvořit nový skript", "", 67, 0, X, H(ScriptNew), false},
    {A::ScriptOpen, "Action_ScriptOpen", "Skript", "Otevřít...", "Otevřít existující skript", "", 68, 0, X,
        H(ScriptOpen), false},

    // Tools
    {A::ToolsSetup, "Action_ToolsSetup", "Nástroje", "&Nastavit...", "Nastavit externí nástroje", "", 26, 1, X,
        H(ToolsSetup), false},

    // Window
    {A::WindowNext, "Action_WindowNext", "Okno", "&Další...", "Přepnout na další okno", "F6", 14, 0, X, H(WindowNext),
        false},
    {A::WindowPrevious, "Action_WindowPrevious", "Okno", "&Předchozí...", "Přepnout na předchozí okno", "Ctrl+F6", 15,
        0, X, H(WindowPrevious), false},
    {A::WindowCascade, "Action_WindowCascade", "Okno", "&Kaskádovat", "Kaskádovat otevřená okna", "", 16, 0, X,
        H(WindowCascade), false},
    {A::WindowArrange, "Action_WindowArrange", "Okno", "&Uspořádat podélně", "Uspořádat otevřená okna", "", 17, 0, X,
        H(WindowArrange), false},
    {A::WindowArrangeV, "Action_WindowArrangeV", "Okno", "Uspořádat svisle", "Uspořádat otevřená okna svisle", "", 57,
        0, X, H(WindowArrangeV), false},
    {A::WindowArrangeIcons, "Action_WindowArrangeIcons", "Okno", "Uspořádat &ikony", "Uspořádat minimalizovaná okna",
        "", 18, 0, X, H(WindowArrangeIcons), false},
    {A::WindowMinimize, "Action_WindowMinimize", "Okno", "&Minimalizovat", "Mimimalizovat okno", "", N, 0, X,
        H(WindowMinimize), false},
    {A::WindowRestore, "Action_WindowRestore", "Okno", "Obnovit", "Obnovit okno", "", N, 0, X, H(WindowRestore), false},
    {A::WindowClose, "Action_WindowClose", "Okno", "&Zavřít", "Zavřít okno", "Ctrl+F4", 42, 0, X, H(WindowClose),
        false},
    {A::WindowCloseAll, "Action_WindowCloseAll", "Okno", "Zavřít vše", "Zavřít všechna okna", "Ctrl+Alt+F4", N, 0, X,
        H(WindowCloseAll), false},

    // Help; the web page's hint is its address (filled in when the action is made).
    {A::HelpIndex, "Action_HelpIndex", "Nápověda", "&Obsah", "Zobrazí seznam nápovědy", "F1", 24, 1, X, H(HelpIndex),
        false},
    {A::HelpWWW, "Action_HelpWWW", "Nápověda", "&Quorvix 2 na síti WWW...", "", "", N, 1, X, H(HelpWWW), false},
    {A::HelpSendMessage, "Action_HelpSendMessage", "Nápověda", "&Průvodce zprávou autorovi...",
        "Poslat zprávu autorovi", "", N, 1, X, H(HelpSendMessage), false},
    {A::HelpTip, "Action_HelpTip", "Nápověda", "&Tip pro tento den...", "Přeonout tip dne", "", N, 1, X, H(HelpTip),
        true},
    {A::HelpAbout, "Action_HelpAbout", "Nápověda", "&O aplikaci...", "Zobrazit informace o aplikaci", "", 25, 1, X,
        H(HelpAbout), false},

    // The notepad popup's clear command: empties the pane after a question.
    {A::SubmenuNotepadClear, "Action_SubmenuNotepadClear", "", "&Vymazat obsah", "Vymazat obsah pozámek", "", N, 1, X,
        H(SubmenuNotepadClear), false},
};

#undef H

constexpr bool rowsInOrder()
{
    int i = 0;
    for (const TFrameActionDef& d : kActions)
        if (int(d.id) != i++)
            return false;
    return i == kFrameActionCount;
}
static_assert(rowsInOrder(), "the action table must list every FrameAction once, in enum order");

} // namespace

const TFrameActionDef& FrameActionDef(FrameAction id)
{
    return kActions[int(id)];
}

const TFrameActionDef* FindFrameActionDef(const char* name)
{
    for (const TFrameActionDef& d : kActions)
        if (std::strcmp(d.name, name) == 0)
            return &d;
    return nullptr;
}

#include "platform/ShortcutCode.h"

namespace {

struct KeyRow {
    Qt::Key key;
    uint8_t vk;
};

// Keys whose Qt code is not their virtual-key code. The first row of a
// virtual-key code is the key that code reads back as; later rows are the
// shifted characters of the same key (on the US layout, the one Windows
// names the codes after), which a key event with Shift reports instead.
const KeyRow kKeys[] = {
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09}, {Qt::Key_Backtab, 0x09}, {Qt::Key_Clear, 0x0C},
    {Qt::Key_Return, 0x0D}, {Qt::Key_Enter, 0x0D}, {Qt::Key_Pause, 0x13}, {Qt::Key_CapsLock, 0x14},
    {Qt::Key_Escape, 0x1B}, {Qt::Key_Space, 0x20}, {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23}, {Qt::Key_Home, 0x24}, {Qt::Key_Left, 0x25}, {Qt::Key_Up, 0x26}, {Qt::Key_Right, 0x27},
    {Qt::Key_Down, 0x28}, {Qt::Key_Print, 0x2C}, {Qt::Key_Insert, 0x2D}, {Qt::Key_Delete, 0x2E},
    {Qt::Key_Help, 0x2F}, {Qt::Key_Menu, 0x5D}, {Qt::Key_NumLock, 0x90}, {Qt::Key_ScrollLock, 0x91},
    // The digit row with Shift.
    {Qt::Key_ParenRight, '0'}, {Qt::Key_Exclam, '1'}, {Qt::Key_At, '2'}, {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'}, {Qt::Key_Percent, '5'}, {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'}, {Qt::Key_ParenLeft, '9'},
    // The main keyboard's punctuation keys.
    {Qt::Key_Semicolon, 0xBA}, {Qt::Key_Colon, 0xBA}, {Qt::Key_Equal, 0xBB}, {Qt::Key_Plus, 0xBB},
    {Qt::Key_Comma, 0xBC}, {Qt::Key_Less, 0xBC}, {Qt::Key_Minus, 0xBD}, {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Period, 0xBE}, {Qt::Key_Greater, 0xBE}, {Qt::Key_Slash, 0xBF}, {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0}, {Qt::Key_AsciiTilde, 0xC0}, {Qt::Key_BracketLeft, 0xDB}, {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC}, {Qt::Key_Bar, 0xDC}, {Qt::Key_BracketRight, 0xDD}, {Qt::Key_BraceRight, 0xDD},
    {Qt::Key_Apostrophe, 0xDE}, {Qt::Key_QuoteDbl, 0xDE},
};

// The numeric keypad's keys that have codes of their own.
const KeyRow kKeypad[] = {
    {Qt::Key_0, 0x60}, {Qt::Key_1, 0x61}, {Qt::Key_2, 0x62}, {Qt::Key_3, 0x63}, {Qt::Key_4, 0x64},
    {Qt::Key_5, 0x65}, {Qt::Key_6, 0x66}, {Qt::Key_7, 0x67}, {Qt::Key_8, 0x68}, {Qt::Key_9, 0x69},
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B}, {Qt::Key_Minus, 0x6D}, {Qt::Key_Period, 0x6E},
    {Qt::Key_Slash, 0x6F}, {Qt::Key_Enter, 0x0D},
};

uint8_t virtualKey(Qt::Key key, bool keypad)
{
    if (keypad)
        for (const KeyRow& row : kKeypad)
            if (row.key == key)
                return row.vk;
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return uint8_t(key); // letters and digits share their codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return uint8_t(0x70 + (key - Qt::Key_F1));
    for (const KeyRow& row : kKeys)
        if (row.key == key)
            return row.vk;
    return 0;
}

} // namespace

uint16_t ShortcutCodeFromKey(QKeyCombination combination)
{
    const Qt::KeyboardModifiers mods = combination.keyboardModifiers();
    const uint8_t vk = virtualKey(combination.key(), mods.testFlag(Qt::KeypadModifier));
    if (vk == 0)
        return 0;
    uint16_t code = vk;
    if (mods.testFlag(Qt::ShiftModifier) || combination.key() == Qt::Key_Backtab)
        code |= kShortcutShift;
    if (mods.testFlag(Qt::ControlModifier))
        code |= kShortcutCtrl;
    if (mods.testFlag(Qt::AltModifier))
        code |= kShortcutAlt;
    return code;
}

uint16_t ShortcutCodeFromKeys(const QKeySequence& keys)
{
    return keys.isEmpty() ? 0 : ShortcutCodeFromKey(keys[0]);
}

QKeySequence ShortcutCodeToKeys(uint16_t code)
{
    const uint8_t vk = code & 0xFF;
    // The bits between the key and the modifiers name no key either.
    if (vk == 0 || (code & 0x1F00) != 0)
        return {};
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers mods;
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
        key = Qt::Key(vk);
    } else if (vk >= 0x70 && vk <= 0x87) {
        key = Qt::Key(Qt::Key_F1 + (vk - 0x70));
    } else if (vk >= 0x60 && vk <= 0x6F) {
        for (const KeyRow& row : kKeypad)
            if (row.vk == vk)
                key = row.key;
        mods |= Qt::KeypadModifier;
    } else {
        for (const KeyRow& row : kKeys)
            if (row.vk == vk) {
                key = row.key;
                break;
            }
    }
    if (key == Qt::Key_unknown)
        return {};
    if (code & kShortcutShift)
        mods |= Qt::ShiftModifier;
    if (code & kShortcutCtrl)
        mods |= Qt::ControlModifier;
    if (code & kShortcutAlt)
        mods |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(mods, key));
}

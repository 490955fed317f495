#include "platform/KeyCodes.h"

namespace {

const uint16_t kShift = 0x2000, kCtrl = 0x4000, kAlt = 0x8000;

struct KeyRow {
    uint8_t vk;
    int key; // Qt::Key
};

// Keys whose virtual-key code is not simply their character or function number.
const KeyRow kKeys[] = {
    {0x08, Qt::Key_Backspace}, {0x09, Qt::Key_Tab}, {0x0D, Qt::Key_Return}, {0x13, Qt::Key_Pause},
    {0x1B, Qt::Key_Escape}, {0x20, Qt::Key_Space}, {0x21, Qt::Key_PageUp}, {0x22, Qt::Key_PageDown},
    {0x23, Qt::Key_End}, {0x24, Qt::Key_Home}, {0x25, Qt::Key_Left}, {0x26, Qt::Key_Up}, {0x27, Qt::Key_Right},
    {0x28, Qt::Key_Down}, {0x2C, Qt::Key_Print}, {0x2D, Qt::Key_Insert}, {0x2E, Qt::Key_Delete},
    {0x6A, Qt::Key_Asterisk}, {0x6B, Qt::Key_Plus}, {0x6D, Qt::Key_Minus}, {0x6F, Qt::Key_Slash},
    {0xBA, Qt::Key_Semicolon}, {0xBB, Qt::Key_Equal}, {0xBC, Qt::Key_Comma}, {0xBE, Qt::Key_Period},
    {0xC0, Qt::Key_QuoteLeft}, {0xDB, Qt::Key_BracketLeft}, {0xDC, Qt::Key_Backslash},
    {0xDD, Qt::Key_BracketRight}, {0xDE, Qt::Key_Apostrophe},
};

int keyOf(uint8_t vk)
{
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        return vk; // Qt::Key_0.. and Qt::Key_A.. are the same numbers
    if (vk >= 0x60 && vk <= 0x69)
        return Qt::Key_0 + (vk - 0x60); // numeric keypad digits
    if (vk >= 0x70 && vk <= 0x87)
        return Qt::Key_F1 + (vk - 0x70);
    for (const KeyRow& row : kKeys)
        if (row.vk == vk)
            return row.key;
    return 0;
}

uint8_t vkOf(int key)
{
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return uint8_t(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return uint8_t(0x70 + (key - Qt::Key_F1));
    if (key == Qt::Key_Enter)
        return 0x0D;
    if (key == Qt::Key_Backtab)
        return 0x09;
    for (const KeyRow& row : kKeys)
        if (row.key == key)
            return row.vk;
    return 0;
}

} // namespace

QKeySequence ShortCutToKeySequence(uint16_t code)
{
    const int key = keyOf(uint8_t(code & 0xFF));
    if (!key)
        return {};
    Qt::KeyboardModifiers modifiers;
    if (code & kShift)
        modifiers |= Qt::ShiftModifier;
    if (code & kCtrl)
        modifiers |= Qt::ControlModifier;
    if (code & kAlt)
        modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, Qt::Key(key)));
}

uint16_t KeySequenceToShortCut(const QKeySequence& keys)
{
    if (keys.isEmpty())
        return 0;
    const QKeyCombination combination = keys[0];
    const uint8_t vk = vkOf(combination.key());
    if (!vk)
        return 0;
    uint16_t code = vk;
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers & Qt::ShiftModifier)
        code |= kShift;
    if (modifiers & Qt::ControlModifier)
        code |= kCtrl;
    if (modifiers & Qt::AltModifier)
        code |= kAlt;
    return code;
}

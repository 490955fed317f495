#pragma once
// The stored form of a keyboard shortcut: a 16-bit code whose low byte is the
// key's Windows virtual-key code, with 0x2000 for Shift, 0x4000 for Ctrl and
// 0x8000 for Alt; 0 is no shortcut (Ctrl+N 0x404E, Alt+F4 0x8073, F6 0x0075).
// Actions and external tools keep their shortcuts in this form, so the stored
// values are the same on every platform.
#include <QKeySequence>

#include <cstdint>

inline constexpr uint16_t kShortcutShift = 0x2000;
inline constexpr uint16_t kShortcutCtrl = 0x4000;
inline constexpr uint16_t kShortcutAlt = 0x8000;

// The code of the sequence's first key combination; 0 for an empty sequence
// or a key that has no virtual-key code.
uint16_t ShortcutCodeFromKeys(const QKeySequence& keys);
// The code of one key combination (as a key event gives it); 0 as above.
uint16_t ShortcutCodeFromKey(QKeyCombination key);
// The key sequence of a code; empty for 0 and for codes naming no key.
QKeySequence ShortcutCodeToKeys(uint16_t code);

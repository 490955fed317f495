#pragma once
// Shortcut codes as the settings store keeps them: a 16-bit value whose low
// byte is the Windows virtual-key code, with 0x2000 for Shift, 0x4000 for Ctrl
// and 0x8000 for Alt; 0 means no shortcut.
#include <QKeySequence>

#include <cstdint>

// The key combination of a shortcut code; empty for 0 and for a virtual-key
// code that has no key here.
QKeySequence ShortCutToKeySequence(uint16_t code);
// The code of the first combination of keys; 0 when it is empty or its key
// has no virtual-key code.
uint16_t KeySequenceToShortCut(const QKeySequence& keys);

#pragma once
// The keyboard's Num Lock and Caps Lock toggle states, read from the display
// server (X11) or, without one, from the keyboard LEDs the kernel exposes.
struct TLockKeyStates {
    bool NumLock = false;
    bool CapsLock = false;
};

// Both off when the states cannot be read.
TLockKeyStates ReadLockKeyStates();

// The status-bar text: "NUM " when Num Lock is on, then "CAP" when Caps Lock is on.
const char* LockKeyIndicatorText(const TLockKeyStates& states);

#pragma once
// The program's title and version.

inline constexpr const char* kApplicationTitle = "Quorvix 2";
inline constexpr int kVersionMajor = 2, kVersionMinor = 0, kVersionRelease = 1;

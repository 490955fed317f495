#pragma once
// Per-document cookies: a text each plug-in window may store for its file,
// kept under "Software\Quorvix\Cookies\<window class>" with one string value
// per file name (the default value for an untitled window), matched in its
// exact case where file names are case-sensitive.
class TQX_PluginWindow;

inline constexpr const char* kCookiesKey = "Software\\Quorvix\\Cookies";

// Creates the cookie key (module initialization).
void InitCookies();
// Hands the window its stored text (empty if none); false on any failure.
bool LoadWindowCookie(TQX_PluginWindow* window);
// Stores the text the window gives; false on any failure.
bool SaveWindowCookie(TQX_PluginWindow* window);

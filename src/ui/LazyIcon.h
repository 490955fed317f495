#pragma once
// An icon that is made when it is first drawn or measured, not when it is
// assigned. Reading an icon (parsing an SVG drawing, looking a name up in the
// icon theme, decoding a PNG, which also loads every image format plug-in of
// the toolkit) costs more than building the window it sits in; most icons of
// the frame are in menus nobody has opened yet, so the frame hands out these
// and the work happens at the first paint, once.
#include <QIcon>

#include <functional>

// make must give a non-null icon: the lazy icon reports itself as not null
// without making it. Copies share the made icon.
QIcon LazyIcon(std::function<QIcon()> make);

// QIcon::fromTheme(name, fallback), looked up in the icon theme when first
// drawn or measured, or asked whether it is null: a theme may lack the name,
// and a widget that shows its text instead of a null icon must know.
QIcon LazyThemeIcon(const QString& name, const QIcon& fallback = {});

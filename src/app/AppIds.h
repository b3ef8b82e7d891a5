#pragma once

// Command identifiers that the application shell defines. Their values are fixed: menus,
// toolbars and accelerators refer to them by number.

inline constexpr int ID_HELP_PRODUCTS = 182;
inline constexpr int ID_APP_DONATE = 32810;

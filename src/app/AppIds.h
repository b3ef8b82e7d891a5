#pragma once

// Command and window identifiers that the application shell defines. Their values are fixed:
// menus, toolbars, accelerators and saved layouts refer to them by number.

inline constexpr int ID_HELP_PRODUCTS = 182;
inline constexpr int ID_EDIT_FIND = 32780;
inline constexpr int ID_VIEW_XML_SOURCE = 32795;
inline constexpr int ID_SELECT_ALL = 32806;
inline constexpr int ID_EXPAND_ON_LOAD = 32809;
inline constexpr int ID_APP_DONATE = 32810;
inline constexpr int ID_VIEW_IMAGE = 32833;
// Bound to Shift+Esc; nothing handles it.
inline constexpr int ID_SHIFT_ESCAPE = 32857;
inline constexpr int ID_VIEW_ATTRIBUTES = 32861;
inline constexpr int ID_VIEW_OPTIONS = 32867;
inline constexpr int ID_EDIT_FIND_XPATH = 32870;

// The docking bars of the detail panes.
inline constexpr int IDW_ATTRIBUTES_BAR = 59748;
inline constexpr int IDW_SOURCE_BAR = 59749;
inline constexpr int IDW_IMAGE_BAR = 59750;

#pragma once

// Command identifiers of the tree view's commands and of its context menu. Their values are
// fixed: menus, accelerators and the context menu refer to them by number.

inline constexpr int ID_EDIT_DELETE_ITEM = 32774;
inline constexpr int ID_ACTIONS_EXPAND_ALL = 32782;
inline constexpr int ID_ACTIONS_COLLAPSE_ALL = 32783;
inline constexpr int ID_ADD_COMMENT = 32789;
inline constexpr int ID_ADD_TEXT = 32790;
inline constexpr int ID_ADD_CHILD_ELEMENT = 32791;
inline constexpr int ID_ADD_ATTRIBUTE = 32792;
inline constexpr int ID_ADD_ROOT_ELEMENT = 32793;
inline constexpr int ID_ADD_PROCESSING_INSTRUCTION = 32794;
inline constexpr int ID_EDIT_MOVE_UP = 32800;
inline constexpr int ID_EDIT_MOVE_DOWN = 32801;
inline constexpr int ID_ADD_CDATA_SECTION = 32802;
inline constexpr int ID_FILE_APPLY_XSLT = 32811;
inline constexpr int ID_EDIT_ITEM = 32814;
inline constexpr int ID_FILE_APPLY_LINKED_XSLT = 32828;
inline constexpr int ID_EDIT_FIND_NEXT = 32843;
inline constexpr int ID_EDIT_FIND_PREVIOUS = 32844;
inline constexpr int ID_VALIDATE_SCHEMA = 32849;
inline constexpr int ID_EDIT_COPY_PATH = 32871;

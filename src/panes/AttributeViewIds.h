#pragma once

// Commands of the attribute pane's context menu.

inline constexpr int ID_ATTRIBUTE_ADD = 32850;
inline constexpr int ID_ATTRIBUTE_DELETE = 32851;

#pragma once

// The image pane's scale commands, as its context menu and the command table know them.
inline constexpr int ID_SCALE_REALSIZE = 32839;
inline constexpr int ID_SCALE_FIT = 32840;
inline constexpr int ID_SCALE_STRETCH = 32838;

#pragma once

// Identifiers and codes of the docking machinery. Saved layouts refer to the dock bars by number.

inline constexpr int AFX_IDW_DOCKBAR_TOP = 59419;
inline constexpr int AFX_IDW_DOCKBAR_LEFT = 59420;
inline constexpr int AFX_IDW_DOCKBAR_RIGHT = 59421;
inline constexpr int AFX_IDW_DOCKBAR_BOTTOM = 59422;
inline constexpr int AFX_IDW_DOCKBAR_FLOAT = 59423;

// Hit codes of a bar's margin.
inline constexpr int HTNOWHERE = 0;
inline constexpr int HTCLIENT = 1;
inline constexpr int HTCAPTION = 2;
inline constexpr int HTLEFT = 10;
inline constexpr int HTRIGHT = 11;
inline constexpr int HTTOP = 12;
inline constexpr int HTTOPLEFT = 13;
inline constexpr int HTTOPRIGHT = 14;
inline constexpr int HTBOTTOM = 15;
inline constexpr int HTBOTTOMLEFT = 16;
inline constexpr int HTBOTTOMRIGHT = 17;
inline constexpr int HTCLOSE = 20;

// Modes of CalcDynamicLayout.
inline constexpr int LM_STRETCH = 0x01;
inline constexpr int LM_HORZ = 0x02;
inline constexpr int LM_MRUWIDTH = 0x04;
inline constexpr int LM_HORZDOCK = 0x08;
inline constexpr int LM_VERTDOCK = 0x10;
inline constexpr int LM_LENGTHY = 0x20;
inline constexpr int LM_COMMIT = 0x40;

inline constexpr bool IsHorizontalDockBar(int id)
{
    return id == AFX_IDW_DOCKBAR_TOP || id == AFX_IDW_DOCKBAR_BOTTOM;
}

inline constexpr bool IsVerticalDockBar(int id)
{
    return id == AFX_IDW_DOCKBAR_LEFT || id == AFX_IDW_DOCKBAR_RIGHT;
}

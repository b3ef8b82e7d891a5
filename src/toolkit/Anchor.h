#pragma once

// A point of a layout area in percent of its width and height: 0 is the left or top edge, 100
// the right or bottom edge.
struct Anchor {
    int x = 0;
    int y = 0;

    friend constexpr bool operator==(const Anchor&, const Anchor&) = default;
};

inline constexpr Anchor AnchorTopLeft { 0, 0 };
inline constexpr Anchor AnchorTopCenter { 50, 0 };
inline constexpr Anchor AnchorTopRight { 100, 0 };
inline constexpr Anchor AnchorMiddleLeft { 0, 50 };
inline constexpr Anchor AnchorMiddleCenter { 50, 50 };
inline constexpr Anchor AnchorMiddleRight { 100, 50 };
inline constexpr Anchor AnchorBottomLeft { 0, 100 };
inline constexpr Anchor AnchorBottomCenter { 50, 100 };
inline constexpr Anchor AnchorBottomRight { 100, 100 };
// Only as a bottom-right anchor: the same as the top-left one, so the control keeps its size.
inline constexpr Anchor AnchorNone { -1, -1 };

#pragma once

#include <QRect>
#include <QSize>

// Where the image pane draws a picture and how its scroll bars move: plain arithmetic on sizes.

// ImageScale values; any other value acts as Real Size.
inline constexpr int ScaleRealSize = 0;
inline constexpr int ScaleFit = 1;
inline constexpr int ScaleStretch = 2;

// The destination of a picture of natural size picture in the client rectangle client, before
// the scroll positions are subtracted.
QRect PictureRect(QSize picture, const QRect& client, int scale);

// Whether the pane shows scroll bars for a picture in the area left beside both bars.
bool NeedsScrollBars(QSize picture, QSize available, int scale);

// The highest position of a bar whose range is 0 … extent with page page.
int ScrollLimit(int extent, int page);

enum class ScrollRequest { LineBack, LineForward, PageBack, PageForward, Thumb, Start, End, Done };

// The new position of a bar at position with range 0 … extent and page page; thumb is the
// position carried by a thumb request.
int ScrollTo(ScrollRequest request, int position, int extent, int page, int thumb = 0);

#include "ImageGeometry.h"

#include <algorithm>

QRect PictureRect(QSize picture, const QRect& client, int scale)
{
    const int pw = picture.width();
    const int ph = picture.height();
    const int W = client.width();
    const int H = client.height();
    if (scale == ScaleStretch)
        return QRect(client.left(), client.top(), W, H);
    if (scale != ScaleFit || W < 1 || H < 1)
        return QRect(0, 0, pw, ph);
    // right and bottom are exclusive here, one past the inclusive QRect edges.
    const int right = client.left() + W;
    const int bottom = client.top() + H;
    const double r = static_cast<double>(pw) / ph;
    if (r < static_cast<double>(W) / H) {
        const int w = static_cast<int>(H * r);
        return QRect((client.left() + right - w) / 2, client.top(), w, H);
    }
    const int h = static_cast<int>(W / r);
    return QRect(client.left(), (client.top() + bottom - h) / 2, W, h);
}

bool NeedsScrollBars(QSize picture, QSize available, int scale)
{
    if (scale == ScaleFit || scale == ScaleStretch)
        return false;
    return !(picture.width() < available.width() && picture.height() < available.height());
}

int ScrollLimit(int extent, int page) { return std::max(0, extent - page + 1); }

int ScrollTo(ScrollRequest request, int position, int extent, int page, int thumb)
{
    const int limit = ScrollLimit(extent, page);
    switch (request) {
    case ScrollRequest::LineBack:
        return std::max(0, position - 1);
    case ScrollRequest::LineForward:
        return std::min(limit, position + 1);
    case ScrollRequest::PageBack:
        return std::max(0, position - page);
    case ScrollRequest::PageForward:
        return std::min(limit, position + page);
    case ScrollRequest::Thumb:
        return thumb;
    case ScrollRequest::Start:
        return 0;
    case ScrollRequest::End:
        return limit;
    case ScrollRequest::Done:
        break;
    }
    return position;
}

#pragma once

#include <QImage>
#include <QSize>

// The tall page of the long screenshot test: every pixel tells its own position, so a row doubled
// or lost in the joined picture shows.
namespace scrollpage {

constexpr QSize pageSize(900, 6000);
constexpr QSize viewSize(900, 700);
constexpr int pixelsPerNotch = 120;
constexpr int headerHeight = 60;  // with --header: rows at the top that never scroll

inline QRgb pagePixel(int x, int y)
{
    return qRgb(x & 255, y & 255, ((y >> 8) << 2) | (x >> 8));
}

inline QRgb headerPixel(int x, int y)
{
    return qRgb(255 - (x & 255), 200, y);
}

inline QImage page()
{
    QImage picture(pageSize, QImage::Format_RGB32);
    for (int y = 0; y < pageSize.height(); ++y)
        for (int x = 0; x < pageSize.width(); ++x)
            picture.setPixel(x, y, pagePixel(x, y));
    return picture;
}

inline QImage header()
{
    QImage picture(pageSize.width(), headerHeight, QImage::Format_RGB32);
    for (int y = 0; y < headerHeight; ++y)
        for (int x = 0; x < pageSize.width(); ++x)
            picture.setPixel(x, y, headerPixel(x, y));
    return picture;
}

}  // namespace scrollpage

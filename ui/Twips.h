#pragma once

#include <QPoint>
#include <QRect>

// Window geometry is kept in twips (1/1440 inch) and turned into pixels only
// where it is handed to Qt, at 15 twips a pixel (96 dots per inch).
inline constexpr int kTwipsPerPixel = 15;

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

struct TwipsSize {
    int width = 0;
    int height = 0;

    friend bool operator==(const TwipsSize&, const TwipsSize&) = default;
};

struct TwipsPoint {
    int x = 0;
    int y = 0;
};

// Nearest whole pixel; halves round away from zero.
constexpr int toPixels(int twips)
{
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

constexpr int toTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

inline QRect toPixels(const TwipsRect& r)
{
    return {toPixels(r.left), toPixels(r.top), toPixels(r.width), toPixels(r.height)};
}

inline QPoint toPixels(const TwipsPoint& p)
{
    return {toPixels(p.x), toPixels(p.y)};
}

// The outer edges of a window (its frame included), in twips.
struct WindowPlacement {
    qint32 top = 0;
    qint32 left = 0;
    qint32 width = 0;
    qint32 height = 0;

    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

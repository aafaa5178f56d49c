#include "ColourPalette.h"

namespace {
// Opaque sRGB from 8-bit channels. QColor keeps them as n * 257 of 65535, so each fraction it
// reports is exactly the double nearest to n / 255, never rounded through single precision.
QColor opaqueSrgb(int red, int green, int blue)
{
    return QColor(red, green, blue);
}
} // namespace

QColor ColourPalette::slateGrey()
{
    static const QColor colour = opaqueSrgb(50, 60, 65);
    return colour;
}

QColor ColourPalette::nearBlack()
{
    static const QColor colour = opaqueSrgb(25, 25, 30);
    return colour;
}

QColor ColourPalette::brightBlue()
{
    static const QColor colour = opaqueSrgb(60, 160, 240);
    return colour;
}

QColor ColourPalette::deepBlue()
{
    static const QColor colour = opaqueSrgb(30, 80, 120);
    return colour;
}

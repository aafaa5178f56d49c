import QtQuick
import Qt5Compat.GraphicalEffects as Effects

// Draws `source` over a blurred, offset silhouette of itself in one colour.
Effects.DropShadow {
    property real blurRadius: 10
    property real offsetX: 0
    property real offsetY: 0

    radius: blurRadius
    // The blur is smooth only with one sample per pixel of radius on each side.
    samples: 1 + 2 * Math.ceil(blurRadius)
    horizontalOffset: offsetX
    verticalOffset: offsetY
    transparentBorder: true
    cached: true
}

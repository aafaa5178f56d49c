import QtQuick
import Klonkel

// Fills an outline with a two-colour gradient and, where `rimWidth` is set, paints a band of
// another gradient centred on the outline over the fill. Drawn by one shader that works out each
// pixel's coverage itself: smooth edges at any scale, with no offscreen pass and no path.
ShaderEffect {
    property ShapeOutline outline: RectangleOutline {}
    // The frame the outline is drawn in, in this item's coordinates.
    property rect outlineFrame: Qt.rect(0, 0, width, height)
    // The gradients run from this frame's top-left corner to its bottom-right one.
    property rect gradientFrame: outlineFrame
    property color fillStart: "transparent"
    property color fillEnd: "transparent"
    property color rimStart: "transparent"
    property color rimEnd: "transparent"
    property real rimWidth: 0

    readonly property size size: Qt.size(width, height)
    readonly property rect outlineBox: outline.surfaceBox(outlineFrame)
    readonly property real cornerRadius: outline.surfaceCornerRadius(outlineFrame)

    fragmentShader: Qt.resolvedUrl("shaders/outlinesurface.frag.qsb")
}

import QtQuick
import Klonkel

// Fills an outline drawn in this item's frame with a two-colour gradient and, where `rimWidth` is
// set, paints a band of another gradient centred on the outline over the fill. The rim's outer
// half and a pixel of edge smoothing lie beyond the frame, so the shader draws a little beyond it
// and works out each pixel's coverage itself: smooth edges at any scale, with no offscreen pass
// and no path.
Item {
    id: surface

    property ShapeOutline outline: RectangleOutline {}
    // The gradients run from the frame's top-left corner to its bottom-right one.
    property color fillStart: "transparent"
    property color fillEnd: "transparent"
    property color rimStart: "transparent"
    property color rimEnd: "transparent"
    property real rimWidth: 0

    ShaderEffect {
        readonly property real margin: surface.rimWidth / 2 + 1
        readonly property rect frame: Qt.rect(margin, margin, surface.width, surface.height)

        anchors.fill: parent
        anchors.margins: -margin

        readonly property size size: Qt.size(width, height)
        readonly property rect outlineBox: surface.outline.surfaceBox(frame)
        readonly property real cornerRadius: surface.outline.surfaceCornerRadius(frame)
        readonly property rect gradientFrame: frame
        readonly property color fillStart: surface.fillStart
        readonly property color fillEnd: surface.fillEnd
        readonly property color rimStart: surface.rimStart
        readonly property color rimEnd: surface.rimEnd
        readonly property real rimWidth: surface.rimWidth

        fragmentShader: Qt.resolvedUrl("shaders/outlinesurface.frag.qsb")
    }
}

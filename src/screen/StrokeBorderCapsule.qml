import QtQuick

// The border of a capsule (a rectangle with fully rounded ends) stroked inside its frame:
// `lineWidth` grows inward from the edge, and half the frame's shorter side fills it solid.
//
// A rounded rectangle's border is exactly that stroke, and Qt Quick draws it with smooth edges by
// itself. A shape would need a supersampled layer, and a layer whose content moves, as this
// springs on every press, costs a second frame per animation step.
Item {
    id: capsule

    property real lineWidth: 1
    property color color: "black"

    readonly property real outerRadius: Math.min(width, height) / 2
    // A stroke as wide as the radius leaves no hole; a wider one cannot reach further in.
    readonly property real inset: Math.max(0, Math.min(lineWidth, outerRadius))

    Rectangle {
        anchors.fill: parent
        radius: capsule.outerRadius
        color: "transparent"
        border.color: capsule.color
        border.width: capsule.inset
        antialiasing: true
    }
}

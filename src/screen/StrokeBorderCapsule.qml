import QtQuick
import Klonkel

// The border of a capsule (a rectangle with fully rounded ends) stroked inside its frame: the
// capsule is inset by half the line width and that outline is stroked with the full width, so
// `lineWidth` grows inward from the edge, and half the frame's shorter side fills it solid.
//
// One shader draws it with smooth edges and takes each new width as a uniform: the ring springs
// on every press, and neither a path nor a layer has to be rebuilt per animation step.
Item {
    id: capsule

    property real lineWidth: 1
    property color color: "black"

    readonly property real outerRadius: Math.min(width, height) / 2
    // A stroke as wide as the radius leaves no hole; a wider one cannot reach further in.
    readonly property real inset: Math.max(0, Math.min(lineWidth, outerRadius))
    readonly property bool isSolid: inset >= outerRadius

    OutlineSurface {
        anchors.fill: parent
        anchors.margins: capsule.inset / 2
        outline: CapsuleOutline {}
        rimWidth: capsule.inset
        rimStart: capsule.color
        rimEnd: capsule.color
        // A solid stroke's inner edge would meet at the centre; the fill closes that point.
        fillStart: capsule.isSolid ? capsule.color : "transparent"
        fillEnd: fillStart
    }
}

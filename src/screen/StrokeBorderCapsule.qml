import QtQuick
import QtQuick.Shapes as Shapes
import Klonkel

// The border of a capsule (a rectangle with fully rounded ends) stroked inside its frame:
// `lineWidth` grows inward from the edge, and half the frame's shorter side fills it solid.
Item {
    id: capsule

    property real lineWidth: 1
    property color color: "black"

    readonly property real outerRadius: Math.min(width, height) / 2
    // A stroke as wide as the radius leaves no hole; a wider one cannot reach further in.
    readonly property real inset: Math.max(0, Math.min(lineWidth, outerRadius))

    function capsulePath(x: real, y: real, w: real, h: real): string {
        const r = Math.min(w, h) / 2
        if (r <= 0)
            return ""
        // Straight sides between two half circles; for a square frame the sides vanish.
        if (w >= h)
            return `M ${x + r} ${y} H ${x + w - r} A ${r} ${r} 0 0 1 ${x + w - r} ${y + h} `
                    + `H ${x + r} A ${r} ${r} 0 0 1 ${x + r} ${y} Z`
        return `M ${x + w} ${y + r} V ${y + h - r} A ${r} ${r} 0 0 1 ${x} ${y + h - r} `
                + `V ${y + r} A ${r} ${r} 0 0 1 ${x + w} ${y + r} Z`
    }

    AntialiasedShape {
        anchors.fill: parent

        // The stroke is drawn as the band between the capsule and the capsule inset by the line
        // width: the same pixels as a centred stroke on the half-inset outline, without the
        // stroker's trouble with lines as wide as the curve's radius.
        Shapes.ShapePath {
            strokeColor: "transparent"
            fillColor: capsule.color
            fillRule: Shapes.ShapePath.OddEvenFill
            PathSvg {
                path: capsule.capsulePath(0, 0, capsule.width, capsule.height) + " "
                      + capsule.capsulePath(capsule.inset, capsule.inset,
                                            capsule.width - 2 * capsule.inset,
                                            capsule.height - 2 * capsule.inset)
            }
        }
    }
}

import QtQml
import Klonkel

// The circle inscribed in a frame and centred in it. Outlines take the frame as arguments,
// so one outline object can describe the filled shape, its rim and its hit area.
ShapeOutline {
    function svgPath(x: real, y: real, width: real, height: real): string {
        const radius = Math.min(width, height) / 2
        if (radius <= 0)
            return ""
        const centreX = x + width / 2
        const centreY = y + height / 2
        // Two half-circle arcs: a single full-circle arc has coinciding end points and draws nothing.
        return `M ${centreX - radius} ${centreY} `
                + `A ${radius} ${radius} 0 1 0 ${centreX + radius} ${centreY} `
                + `A ${radius} ${radius} 0 1 0 ${centreX - radius} ${centreY} Z`
    }

    function contains(pointX: real, pointY: real, width: real, height: real): bool {
        const radius = Math.min(width, height) / 2
        const dx = pointX - width / 2
        const dy = pointY - height / 2
        return dx * dx + dy * dy <= radius * radius
    }
}

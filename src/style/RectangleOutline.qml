import QtQml
import Klonkel

// The whole frame as an outline, for surfaces that are not round.
ShapeOutline {
    function svgPath(x: real, y: real, width: real, height: real): string {
        if (width <= 0 || height <= 0)
            return ""
        return `M ${x} ${y} H ${x + width} V ${y + height} H ${x} Z`
    }

    function contains(pointX: real, pointY: real, width: real, height: real): bool {
        return pointX >= 0 && pointY >= 0 && pointX <= width && pointY <= height
    }
}

import QtQml

// What every outline offers: its path and its inside, for a given frame. Surfaces take any
// outline through this type, so the same background paints a circle or a rectangle.
QtObject {
    function svgPath(x: real, y: real, width: real, height: real): string {
        return ""
    }

    function contains(pointX: real, pointY: real, width: real, height: real): bool {
        return false
    }
}

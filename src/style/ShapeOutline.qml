import QtQml

// What every outline offers: how surfaces draw it and its inside, for a given frame. Surfaces
// take any outline through this type, so the same background paints a circle or a rectangle.
QtObject {
    // Surfaces draw every outline as a rounded rectangle: this box, with corners of this radius.
    function surfaceBox(frame: rect): rect {
        return frame
    }

    function surfaceCornerRadius(frame: rect): real {
        return 0
    }

    function contains(pointX: real, pointY: real, width: real, height: real): bool {
        return false
    }
}

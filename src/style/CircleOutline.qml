import QtQml
import Klonkel

// The circle inscribed in a frame and centred in it. Outlines take the frame as arguments,
// so one outline object can describe the filled shape, its rim and its hit area.
ShapeOutline {
    function surfaceBox(frame: rect): rect {
        const side = Math.min(frame.width, frame.height)
        return Qt.rect(frame.x + (frame.width - side) / 2, frame.y + (frame.height - side) / 2,
                       side, side)
    }

    function surfaceCornerRadius(frame: rect): real {
        return Math.min(frame.width, frame.height) / 2
    }

    function contains(pointX: real, pointY: real, width: real, height: real): bool {
        const radius = Math.min(width, height) / 2
        const dx = pointX - width / 2
        const dy = pointY - height / 2
        return dx * dx + dy * dy <= radius * radius
    }
}

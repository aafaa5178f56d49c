import QtQml
import Klonkel

// A rectangle whose shorter sides are half circles: a circle when the frame is square.
ShapeOutline {
    function surfaceCornerRadius(frame: rect): real {
        return Math.min(frame.width, frame.height) / 2
    }

    function contains(pointX: real, pointY: real, width: real, height: real): bool {
        const radius = Math.min(width, height) / 2
        const dx = Math.max(0, Math.abs(pointX - width / 2) - (width / 2 - radius))
        const dy = Math.max(0, Math.abs(pointY - height / 2) - (height / 2 - radius))
        return dx * dx + dy * dy <= radius * radius
    }
}

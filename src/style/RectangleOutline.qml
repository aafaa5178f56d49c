import QtQml
import Klonkel

// The whole frame as an outline, for surfaces that are not round.
ShapeOutline {
    function contains(pointX: real, pointY: real, width: real, height: real): bool {
        return pointX >= 0 && pointY >= 0 && pointX <= width && pointY <= height
    }
}

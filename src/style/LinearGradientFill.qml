import QtQuick
import QtQuick.Shapes as Shapes

// A two-colour gradient between two unit points of a frame: (0, 0) is the frame's top-left corner
// and (1, 1) its bottom-right one, so the gradient follows the frame whatever its size.
Shapes.LinearGradient {
    id: gradient

    property real frameX: 0
    property real frameY: 0
    property real frameWidth: 0
    property real frameHeight: 0
    property point startPoint: Qt.point(0, 0)
    property point endPoint: Qt.point(1, 1)
    property color startColor: "transparent"
    property color endColor: "transparent"

    x1: frameX + startPoint.x * frameWidth
    y1: frameY + startPoint.y * frameHeight
    x2: frameX + endPoint.x * frameWidth
    y2: frameY + endPoint.y * frameHeight

    GradientStop { position: 0; color: gradient.startColor }
    GradientStop { position: 1; color: gradient.endColor }
}

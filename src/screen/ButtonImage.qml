import QtQuick
import Klonkel

// The main button's face: the picture stretched to 100 x 90, hue-rotated by `hueAngleTarget`
// under a sweep that repeats and reverses once the target really changes, with a gray shadow.
Item {
    id: buttonImage

    required property real hueAngleTarget
    property int hueSweepDurationMs: 5000

    signal appeared

    implicitWidth: 100
    implicitHeight: 90

    Image {
        id: picture
        anchors.fill: parent
        visible: false
        source: Resources.image("Pellmor")
        fillMode: Image.Stretch
        smooth: true
    }

    // A missing picture leaves the bare button face rather than an empty texture.
    SoftShadow {
        anchors.fill: parent
        visible: picture.status === Image.Ready
        source: huedPicture
        color: "gray"
        blurRadius: 20
        offsetX: 5
        offsetY: 5
    }

    HueRotation {
        id: huedPicture
        anchors.fill: parent
        visible: picture.status === Image.Ready
        source: picture
        angleDegrees: hueAnimation.value

        RepeatingReversingAnimation {
            id: hueAnimation
            objectName: "hueAnimation"
            durationMs: buttonImage.hueSweepDurationMs
            target: buttonImage.hueAngleTarget
        }
    }

    ViewLifecycle {
        view: buttonImage
        onAppeared: buttonImage.appeared()
    }
}

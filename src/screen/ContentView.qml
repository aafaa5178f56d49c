import QtQuick
import Klonkel

// The main screen: a backdrop, a ring that springs open and shut behind everything else, and a
// title above the big button that plays the next clip.
Item {
    id: contentView

    // State, with the values every fresh screen starts from.
    property bool isToggled: false
    property real animationAmount: 0.1
    property bool shiftColors: false
    property color color: "blue"
    property bool showStroke: false
    property bool growFlower: false
    readonly property color bg: Qt.rgba(0, 0, 0, 1)

    readonly property real backdropOpacity: 0.8
    readonly property real ringDiameter: 180
    readonly property real ringPadding: 43
    readonly property real ringOpenLineWidth: 1
    readonly property real ringClosedLineWidth: 90
    readonly property real hueShiftedAngleDegrees: 45
    readonly property real hueRestingAngleDegrees: 1600
    readonly property int hueSweepDurationMs: 5000
    readonly property int growDurationMs: 1000

    // The soundboard writes the lines and plays; each function handed to it is the screen's own
    // change, which it runs at its place in the sequence.
    function buttonTapped() {
        Soundboard.press(() => linearAnimation.run(tapAnimation))
    }

    function tapAnimation() {
        color = Qt.colorEqual(color, "red") ? "blue" : "white"
        showStroke = !showStroke
    }

    function contentAppeared() {
        shiftColors = !shiftColors
        Soundboard.appear(() => {
            animationAmount = 1.0
        })
    }

    function contentDisappeared() {
        Soundboard.disappear()
    }

    function imageAppeared() {
        shiftColors = !shiftColors
    }

    width: 500
    height: 300

    // Changes made through it animate linearly over the default duration.
    AnimationTransaction {
        id: linearAnimation
        durationMs: 350
    }

    GradientRectangle {
        id: backdrop
        anchors.fill: parent
        startColor: Qt.alpha(ColourPalette.slateGrey, contentView.backdropOpacity)
        endColor: Qt.alpha(ColourPalette.nearBlack, contentView.backdropOpacity)
    }

    Column {
        id: ringColumn
        anchors.fill: parent
        spacing: 0

        Item {
            id: ringSpacer
            width: 1
            height: Math.max(0, ringColumn.height - paddedRing.height)
        }

        Item {
            id: paddedRing
            objectName: "paddedRing"
            anchors.horizontalCenter: parent.horizontalCenter
            width: ring.width + 2 * contentView.ringPadding
            height: ring.height + 2 * contentView.ringPadding

            StrokeBorderCapsule {
                id: ring
                objectName: "ring"
                x: contentView.ringPadding
                y: contentView.ringPadding
                width: contentView.ringDiameter
                height: contentView.ringDiameter
                color: ColourPalette.nearBlack
                lineWidth: ringSpring.value

                InterpolatingSpring {
                    id: ringSpring
                    objectName: "ringSpring"
                    mass: 1
                    stiffness: 60
                    damping: 15
                    initialVelocity: 0
                    target: contentView.showStroke ? contentView.ringOpenLineWidth
                                                   : contentView.ringClosedLineWidth
                }
            }
        }
    }

    Column {
        id: titleColumn
        anchors.centerIn: parent
        spacing: 30

        Item {
            id: title
            objectName: "title"
            anchors.horizontalCenter: parent.horizontalCenter
            implicitWidth: titleText.implicitWidth
            implicitHeight: titleText.implicitHeight

            SoftShadow {
                anchors.fill: titleText
                source: titleText
                color: ColourPalette.nearBlack
                blurRadius: 20
                offsetX: 5
                offsetY: 5
            }

            Text {
                id: titleText
                objectName: "titleText"
                text: qsTr("Pellmor Soundboard")
                font.pixelSize: 25
                font.weight: Font.Normal
                // The desktop's own hinted glyphs: crisp at this size, and one pipeline fewer for
                // a software renderer to build before the first frame than scalable text needs.
                renderType: Text.NativeRendering
                color: contentView.color

                Behavior on color {
                    enabled: linearAnimation.isOpen
                    ColorAnimation {
                        duration: linearAnimation.durationMs
                        easing.type: Easing.Linear
                    }
                }
            }

        }

        ColourFullButtonStyle {
            id: mainButton
            objectName: "mainButton"
            anchors.horizontalCenter: parent.horizontalCenter
            focus: true
            Accessible.name: qsTr("Play the next clip")

            // Scaling draws the button smaller but leaves its place in the column unchanged.
            scale: contentView.animationAmount
            Behavior on scale {
                EaseInOutAnimation {
                    durationMs: contentView.growDurationMs
                }
            }

            onClicked: contentView.buttonTapped()

            contentItem: ButtonImage {
                hueSweepDurationMs: contentView.hueSweepDurationMs
                hueAngleTarget: contentView.shiftColors ? contentView.hueShiftedAngleDegrees
                                                        : contentView.hueRestingAngleDegrees
                onAppeared: contentView.imageAppeared()
            }

            ViewLifecycle {
                view: mainButton
                onAppeared: contentView.contentAppeared()
                onDisappeared: contentView.contentDisappeared()
            }
        }
    }
}

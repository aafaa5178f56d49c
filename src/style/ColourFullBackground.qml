import QtQuick
import Klonkel

// Paints an outline with a gradient fill, a gradient rim and two soft shadows cast in opposite
// directions, in a resting look or, while `isHighlighted`, a pressed look. It knows nothing about
// what sits on it.
Item {
    id: background

    property bool isHighlighted: false
    property ShapeOutline outline: CircleOutline {}
    // Local state that never changes the look; it starts false and nothing writes it.
    property bool shiftColors: false

    readonly property real rimWidth: 4
    readonly property real shadowBlurRadius: 10

    component Look: QtObject {
        property color fillStart
        property color fillEnd
        property color rimStart
        property color rimEnd
        property point firstShadowOffset
        property point secondShadowOffset
    }

    readonly property Look pressedLook: Look {
        fillStart: ColourPalette.deepBlue
        fillEnd: ColourPalette.brightBlue
        rimStart: ColourPalette.brightBlue
        rimEnd: ColourPalette.deepBlue
        firstShadowOffset: Qt.point(5, 5)
        secondShadowOffset: Qt.point(-5, -5)
    }
    readonly property Look restingLook: Look {
        fillStart: ColourPalette.slateGrey
        fillEnd: ColourPalette.nearBlack
        rimStart: ColourPalette.deepBlue
        rimEnd: ColourPalette.brightBlue
        firstShadowOffset: Qt.point(-10, -10)
        secondShadowOffset: Qt.point(10, 10)
    }
    readonly property Look look: isHighlighted ? pressedLook : restingLook

    // The shadows are effects over a captured picture, and the second one is cast by the first:
    // the picture gets room around the shape for the outer rim and both shadows, or they are cut off.
    readonly property real paintMargin: rimWidth / 2 + 20 + 4 * shadowBlurRadius

    // The second shadow is cast by the first one together with the shape.
    SoftShadow {
        anchors.fill: castingSecondShadow
        source: castingSecondShadow
        color: ColourPalette.nearBlack
        blurRadius: background.shadowBlurRadius
        offsetX: background.look.secondShadowOffset.x
        offsetY: background.look.secondShadowOffset.y
    }

    Item {
        id: castingSecondShadow
        anchors.fill: parent
        anchors.margins: -background.paintMargin

        SoftShadow {
            anchors.fill: shapeWithRim
            source: shapeWithRim
            color: ColourPalette.slateGrey
            blurRadius: background.shadowBlurRadius
            offsetX: background.look.firstShadowOffset.x
            offsetY: background.look.firstShadowOffset.y
        }

        Item {
            id: shapeWithRim
            anchors.fill: parent

            OutlineSurface {
                x: background.paintMargin
                y: background.paintMargin
                width: background.width
                height: background.height
                outline: background.outline
                fillStart: background.look.fillStart
                fillEnd: background.look.fillEnd
                rimStart: background.look.rimStart
                rimEnd: background.look.rimEnd
                rimWidth: background.rimWidth
            }
        }
    }
}

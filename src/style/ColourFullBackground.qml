import QtQuick
import QtQuick.Shapes as Shapes
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

            // Grown by half the rim on every side: the shape's layer clips to its bounds, and where
            // the outline touches the frame the rim's outer half would be cut off.
            AntialiasedShape {
                id: shape
                readonly property real halfRim: background.rimWidth / 2
                x: background.paintMargin - halfRim
                y: background.paintMargin - halfRim
                width: background.width + background.rimWidth
                height: background.height + background.rimWidth

                Shapes.ShapePath {
                    strokeColor: "transparent"
                    fillGradient: LinearGradientFill {
                        frameX: shape.halfRim
                        frameY: shape.halfRim
                        frameWidth: background.width
                        frameHeight: background.height
                        startColor: background.look.fillStart
                        endColor: background.look.fillEnd
                    }
                    PathSvg {
                        path: background.outline.svgPath(shape.halfRim, shape.halfRim, background.width,
                                                         background.height)
                    }
                }

                // The rim is centred on the outline; a gradient stroke is drawn as the band between
                // the outline grown and shrunk by half the rim width.
                Shapes.ShapePath {
                    strokeColor: "transparent"
                    fillRule: Shapes.ShapePath.OddEvenFill
                    fillGradient: LinearGradientFill {
                        frameX: shape.halfRim
                        frameY: shape.halfRim
                        frameWidth: background.width
                        frameHeight: background.height
                        startColor: background.look.rimStart
                        endColor: background.look.rimEnd
                    }
                    PathSvg {
                        path: background.outline.svgPath(0, 0, shape.width, shape.height)
                              + " " + background.outline.svgPath(background.rimWidth,
                                                                 background.rimWidth,
                                                                 background.width - background.rimWidth,
                                                                 background.height - background.rimWidth)
                    }
                }
            }
        }
    }
}

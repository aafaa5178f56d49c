import QtQuick
import QtTest
import Klonkel

TestCase {
    id: testCase
    name: "ColourFullBackground"
    width: 300
    height: 300
    when: windowShown

    Component {
        id: circleComponent
        ColourFullBackground {
            x: 75
            y: 75
            width: 150
            height: 150
        }
    }

    Component {
        id: rectangleComponent
        ColourFullBackground {
            x: 50
            y: 100
            width: 200
            height: 100
            outline: RectangleOutline {}
        }
    }

    Component {
        id: buttonComponent
        ColourFullButtonStyle {
            x: 70
            y: 110
            contentItem: Item {
                implicitWidth: 100
                implicitHeight: 20
            }
        }
    }

    function show(component) {
        testCase.Window.window.color = "white"
        const item = createTemporaryObject(component, testCase.Window.window.contentItem)
        waitForRendering(item)
        return item
    }

    function near(a, b, tolerance) {
        return Math.abs(a.r - b.r) * 255 <= tolerance && Math.abs(a.g - b.g) * 255 <= tolerance
                && Math.abs(a.b - b.b) * 255 <= tolerance
    }

    function verifyNear(image, x, y, expected, tolerance, what) {
        verify(near(image.pixel(x, y), expected, tolerance),
               `${what} at (${x}, ${y}) is ${image.pixel(x, y)}, expected about ${expected}`)
    }

    function test_paletteIsExactlyEightBitFractions() {
        compare(ColourPalette.slateGrey.r, 0.19607843137254902)
        compare(ColourPalette.nearBlack.r, 0.09803921568627451)
        compare(ColourPalette.nearBlack.g, ColourPalette.nearBlack.r)
        compare(ColourPalette.brightBlue.g, 160 / 255)
        compare(ColourPalette.deepBlue.b, 120 / 255)
        for (const c of [ColourPalette.slateGrey, ColourPalette.nearBlack,
                         ColourPalette.brightBlue, ColourPalette.deepBlue])
            compare(c.a, 1)
    }

    // The fill of a 150-point square from its top-left corner, at (offset, offset) inside it.
    function fillAt(start, end, offset) {
        const t = offset / 150
        return Qt.rgba(start.r + (end.r - start.r) * t, start.g + (end.g - start.g) * t,
                       start.b + (end.b - start.b) * t, 1)
    }

    function test_restingAndPressedLooks() {
        const background = show(circleComponent)
        const centre = 150
        let image = grabImage(testCase.Window.window.contentItem)
        // Resting: the fill darkens from upper left to lower right, the rim brightens that way,
        // and the slate shadow falls up-left, the dark one down-right.
        verifyNear(image, centre - 50, centre - 50,
                   fillAt(ColourPalette.slateGrey, ColourPalette.nearBlack, 25), 3, "resting fill, upper left")
        verifyNear(image, centre + 50, centre + 50,
                   fillAt(ColourPalette.slateGrey, ColourPalette.nearBlack, 125), 3, "resting fill, lower right")
        verify(image.pixel(centre + 53, centre + 53).b > image.pixel(centre - 53, centre - 53).b,
               "resting rim runs from deep to bright blue")
        verifyNear(image, centre - 58, centre - 58, ColourPalette.slateGrey, 14, "resting upper-left shadow")
        verifyNear(image, centre + 58, centre + 58, ColourPalette.nearBlack, 14, "resting lower-right shadow")
        const resting = image

        background.isHighlighted = true
        waitForRendering(background)
        image = grabImage(testCase.Window.window.contentItem)
        verifyNear(image, centre - 50, centre - 50,
                   fillAt(ColourPalette.deepBlue, ColourPalette.brightBlue, 25), 3, "pressed fill, upper left")
        verifyNear(image, centre + 50, centre + 50,
                   fillAt(ColourPalette.deepBlue, ColourPalette.brightBlue, 125), 3, "pressed fill, lower right")
        verify(image.pixel(centre - 53, centre - 53).b > image.pixel(centre + 53, centre + 53).b,
               "pressed rim runs from bright to deep blue")
        // Pressed, the shadows swap sides and come in to 5 points, so here they are still blurred.
        verifyNear(image, centre - 57, centre - 57, ColourPalette.nearBlack, 24, "pressed upper-left shadow")
        const lowerRight = image.pixel(centre + 57, centre + 57)
        verify(lowerRight.b - lowerRight.r < 0.1, "the lower-right shadow is slate, not blue")
        verify(image.pixel(centre - 57, centre - 57).b < image.pixel(centre + 57, centre + 57).b,
               "the dark shadow is now up-left")

        background.isHighlighted = false
        background.shiftColors = true
        waitForRendering(background)
        verify(grabImage(testCase.Window.window.contentItem).equals(resting),
               "releasing restores exactly the resting look, whatever shiftColors holds")
    }

    function test_anyOutlineServes() {
        show(rectangleComponent)
        const image = grabImage(testCase.Window.window.contentItem)
        // The gradient spans the rectangle's own corners, and its corners are filled.
        verifyNear(image, 53, 103, ColourPalette.slateGrey, 14, "top-left corner")
        verifyNear(image, 246, 196, ColourPalette.nearBlack, 14, "bottom-right corner")
        verify(image.pixel(50, 150).b > image.pixel(56, 150).b + 0.1, "the rim follows the left edge")
    }

    function test_buttonStylePadsAndReactsInsideItsCircleOnly() {
        const button = show(buttonComponent)
        compare(button.width, 160)
        compare(button.height, 80)
        let clicks = 0
        button.clicked.connect(() => ++clicks)
        mouseClick(button, 80, 40)
        compare(clicks, 1)
        // Corners of the padded frame, and its sides beyond the 80-point circle, do nothing.
        mouseClick(button, 5, 5)
        mouseClick(button, 20, 40)
        compare(clicks, 1)
        mousePress(button, 80, 40)
        verify(button.background.isHighlighted)
        mouseRelease(button, 80, 40)
        verify(!button.background.isHighlighted)
    }
}

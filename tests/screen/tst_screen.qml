import QtQuick
import QtTest
import Klonkel

// The main screen drawn on a real X server and grabbed. One screen serves every case, in the
// numbered order, as one screen serves the user through a run.
TestCase {
    id: testCase
    name: "Screen"
    width: 500
    height: 300
    when: windowShown

    property Item view
    property Item button
    property var spring
    property Item ring

    Component {
        id: contentViewComponent
        ContentView {}
    }

    function initTestCase() {
        testCase.Window.window.color = "white"
        view = contentViewComponent.createObject(testCase.Window.window.contentItem)
        button = findChild(view, "mainButton")
        spring = findChild(view, "ringSpring")
        ring = findChild(view, "ring")
    }

    function verifyNear(image, x, y, expected, tolerance, what) {
        const c = image.pixel(x, y)
        verify(["r", "g", "b"].every(k => Math.abs(c[k] - expected[k]) * 255 <= tolerance),
               `${what} at (${x}, ${y}) is ${c}, expected ${expected}`)
    }

    // The backdrop as composed over the white window: 80 % of the diagonal gradient.
    function backdropAt(x, y) {
        const t = (x * 500 + y * 300) / (500 * 500 + 300 * 300)
        const a = ColourPalette.slateGrey, b = ColourPalette.nearBlack
        const mix = (from, to) => (from + (to - from) * t) * 0.8 + 0.2
        return Qt.rgba(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b), 1)
    }

    // Samples the ring's drawn width on every change until it comes to rest.
    function ringWidthsUntilSettled(action) {
        const widths = [ring.lineWidth]
        const record = () => widths.push(ring.lineWidth)
        ring.lineWidthChanged.connect(record)
        action()
        tryVerify(() => !spring.running, 5000, "the ring comes to rest")
        ring.lineWidthChanged.disconnect(record)
        waitForRendering(view)
        return widths
    }

    function test_1_appearsAsADiscAndGrowsTheButtonAboutItsCentre() {
        const centres = []
        const record = () => centres.push(button.mapToItem(view, button.width / 2, button.height / 2))
        button.scaleChanged.connect(record)
        waitForRendering(view)
        const image = grabImage(view)
        verify(button.scale < 0.5, "the button starts small")
        for (const [x, y] of [[208, 125], [292, 125], [185, 167], [315, 167]])
            verifyNear(image, x, y, ColourPalette.nearBlack, 2, "solid disc")
        for (const [x, y] of [[1, 1], [498, 298], [20, 280], [480, 20]])
            verifyNear(image, x, y, backdropAt(x, y), 3, "backdrop")

        tryCompare(button, "scale", 1.0, 3000)
        button.scaleChanged.disconnect(record)
        verify(centres.length > 5, "the button grows through frames rather than jumping")
        for (const c of centres)
            verify(Math.abs(c.x - centres[0].x) < 0.01 && Math.abs(c.y - centres[0].y) < 0.01, `centre moved to ${c}`)
        const box = button.mapToItem(view, 0, 0, button.width, button.height)
        compare([box.x, box.y, box.width, box.height].map(Math.round), [170, 105, 160, 150])
    }

    function test_2_ringOpensAndClosesWithoutJumping() {
        const opening = ringWidthsUntilSettled(() => mouseClick(button))
        verify(opening.length > 10, "the ring moves through frames")
        for (let i = 1; i < opening.length; ++i)
            verify(opening[i] <= opening[i - 1] + 1e-6, `the ring bounced at sample ${i}`)
        compare(opening[opening.length - 1], 1)
        let image = grabImage(view)
        verifyNear(image, 250, 77, ColourPalette.nearBlack, 2, "open ring's top edge")
        verifyNear(image, 308, 109, backdropAt(308, 109), 4, "inside the open ring")

        // A press while the ring moves turns it round from where it is, never by a leap.
        const turning = ringWidthsUntilSettled(() => {
            mouseClick(button)
            wait(150)
            mouseClick(button)
            wait(150)
            mouseClick(button)
        })
        for (let i = 1; i < turning.length; ++i)
            verify(Math.abs(turning[i] - turning[i - 1]) < 25, `the ring jumped from ${turning[i - 1]} to ${turning[i]}`)
        compare(turning[turning.length - 1], 90)
        verifyNear(grabImage(view), 308, 109, ColourPalette.nearBlack, 2, "closed disc")

        // At rest nothing is drawn: no animation runs on unseen, not even the picture's hue.
        wait(100)
        let frames = 0
        const count = () => ++frames
        testCase.Window.window.frameSwapped.connect(count)
        wait(700)
        testCase.Window.window.frameSwapped.disconnect(count)
        compare(frames, 0, "frames drawn while nothing moves")
    }

    function test_3_shadowsSwapWhileHeldAndOnlyTheCirclePresses() {
        const resting = grabImage(view)
        const centre = button.mapToItem(view, button.width / 2, button.height / 2)
        // Just outside the rim on the diagonal through the circle's centre.
        const reach = Math.round((75 + 4) / Math.SQRT2)
        const upperLeft = [Math.round(centre.x) - reach, Math.round(centre.y) - reach]
        const lowerRight = [Math.round(centre.x) + reach, Math.round(centre.y) + reach]
        verifyNear(resting, ...upperLeft, ColourPalette.slateGrey, 12, "resting upper-left shadow")
        verifyNear(resting, ...lowerRight, ColourPalette.nearBlack, 12, "resting lower-right shadow")

        mousePress(button)
        waitForRendering(view)
        const image = grabImage(view)
        verifyNear(image, ...upperLeft, ColourPalette.nearBlack, 12, "pressed upper-left shadow")
        verifyNear(image, ...lowerRight, ColourPalette.slateGrey, 12, "pressed lower-right shadow")
        verify(image.pixel(centre.x - 60, centre.y).b > image.pixel(centre.x, centre.y + 60).r,
               "the pressed face runs from deep to bright blue")
        // Let go elsewhere: no press, and exactly the resting look again.
        mouseMove(view, 5, 5)
        mouseRelease(view, 5, 5)
        waitForRendering(view)
        verify(grabImage(view).equals(resting), "the resting look did not come back")

        // Only the circle presses: not the corners of the button's square.
        const taps = Soundboard.presses
        mouseClick(button, 4, 4)
        mouseClick(button, button.width - 4, button.height - 4)
        compare(Soundboard.presses, taps, "a corner of the button's square pressed it")
        mouseClick(button)
        compare(Soundboard.presses, taps + 1)
    }
}

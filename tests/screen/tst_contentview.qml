import QtQuick
import QtTest
import Klonkel

TestCase {
    id: testCase
    name: "ContentView"
    width: 500
    height: 300
    when: windowShown

    readonly property color windowColour: "white"
    readonly property real backdropOpacity: 0.8

    Component {
        id: contentViewComponent
        ContentView {}
    }

    // The screen in a shown window, appeared, with the recording stand-in freshly reset.
    function showContentView() {
        Playback.reset()
        testCase.Window.window.color = windowColour
        const view = createTemporaryObject(contentViewComponent, testCase.Window.window.contentItem)
        tryVerify(() => Playback.calls.length > 0, 1000, "the screen appears")
        return view
    }

    function waitUntilGrown(view) {
        tryCompare(findChild(view, "mainButton"), "scale", 1.0, 3000)
    }

    function waitUntilRingSettles(view) {
        tryVerify(() => !findChild(view, "ringSpring").running, 5000, "the ring comes to rest")
        waitForRendering(view)
    }

    function colourDistance(image, x, y, expected) {
        const c = image.pixel(x, y)
        return Math.max(Math.abs(c.r - expected.r), Math.abs(c.g - expected.g),
                        Math.abs(c.b - expected.b)) * 255
    }

    function verifyColourNear(image, x, y, expected, tolerance, what) {
        const distance = colourDistance(image, x, y, expected)
        verify(distance <= tolerance,
               `${what} at (${x}, ${y}) is ${image.pixel(x, y)}, expected ${expected} (off by ${distance})`)
    }

    // The backdrop as composed over the window: 80 % of the diagonal gradient, 20 % window.
    function backdropAt(x, y) {
        const t = (x * 500 + y * 300) / (500 * 500 + 300 * 300)
        const a = ColourPalette.slateGrey
        const b = ColourPalette.nearBlack
        const mix = (from, to) => (from + (to - from) * t) * backdropOpacity
        return Qt.rgba(mix(a.r, b.r) + windowColour.r * (1 - backdropOpacity),
                       mix(a.g, b.g) + windowColour.g * (1 - backdropOpacity),
                       mix(a.b, b.b) + windowColour.b * (1 - backdropOpacity), 1)
    }

    function luminance(c) {
        return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b
    }

    function test_appearingRunsBothAppearActionsOnce() {
        const view = showContentView()
        compare(Playback.calls, ["writeLine:ContentView appeared!", "shuffleClipNames", "printPlaylist"])
        // Toggled by both appear actions: back where it started, so the hue never animates.
        compare(view.shiftColors, false)
        compare(view.animationAmount, 1.0)
        const hue = findChild(view, "hueAnimation")
        compare(hue.value, 1600)
        compare(hue.running, false)
        compare(view.isToggled, false)
        compare(view.growFlower, false)
        compare(view.bg, Qt.rgba(0, 0, 0, 1))
    }

    function test_layoutGeometry() {
        const view = showContentView()
        compare(view.width, 500)
        compare(view.height, 300)
        const paddedRing = findChild(view, "paddedRing")
        const ringBox = paddedRing.mapToItem(view, 0, 0, paddedRing.width, paddedRing.height)
        compare(Qt.rect(ringBox.x, ringBox.y, ringBox.width, ringBox.height), Qt.rect(117, 34, 266, 266))
        const ring = findChild(view, "ring")
        compare(ring.width, 180)
        compare(ring.height, 180)

        const button = findChild(view, "mainButton")
        compare(button.scale, 0.1, "the button starts at a tenth of its size")
        compare(button.width, 160)
        compare(button.height, 150)
        const title = findChild(view, "title")
        const titleBox = title.mapToItem(view, 0, 0, title.width, title.height)
        const buttonBox = button.mapToItem(view, 0, 0, button.width, button.height)
        // Scale draws the button smaller about its centre; mapped through the scale, its box is
        // a tenth of 160 x 150 around the same centre.
        fuzzyCompare(buttonBox.x + buttonBox.width / 2, 250, 0.01)
        fuzzyCompare(buttonBox.width, 16, 0.01)
        fuzzyCompare(button.x + button.width / 2, title.x + title.width / 2, 0.01)
        fuzzyCompare(button.y - (title.y + title.height), 30, 0.01)
        fuzzyCompare(titleBox.y + (button.y + button.height - title.y) / 2, 150, 0.51)

        waitUntilGrown(view)
        const grownBox = button.mapToItem(view, 0, 0, button.width, button.height)
        fuzzyCompare(grownBox.x, 170, 0.01)
        fuzzyCompare(grownBox.width, 160, 0.01)
        fuzzyCompare(grownBox.height, 150, 0.01)
    }

    function test_backdropIsEightyPercentOpaque() {
        const view = showContentView()
        waitForRendering(view)
        const image = grabImage(view)
        for (const [x, y] of [[1, 1], [498, 298], [20, 280], [480, 20]])
            verifyColourNear(image, x, y, backdropAt(x, y), 3, "backdrop")
    }

    function test_ringOpensAndClosesOnPresses() {
        const view = showContentView()
        waitForRendering(view)
        // Early, while the button is still small: the ring is a solid disc about (250, 167).
        let image = grabImage(view)
        for (const [x, y] of [[208, 125], [292, 125], [185, 167], [315, 167]])
            verifyColourNear(image, x, y, ColourPalette.nearBlack, 2, "disc")

        waitUntilGrown(view)
        const button = findChild(view, "mainButton")
        mouseClick(button)
        compare(view.showStroke, true)
        waitUntilRingSettles(view)
        compare(findChild(view, "ring").lineWidth, 1)
        image = grabImage(view)
        // Open: a 1-point line on the circle's edge, the backdrop inside it.
        verifyColourNear(image, 250, 77, ColourPalette.nearBlack, 2, "ring's top edge")
        verifyColourNear(image, 308, 109, backdropAt(308, 109), 4, "inside the open ring")

        mouseClick(button)
        compare(view.showStroke, false)
        waitUntilRingSettles(view)
        image = grabImage(view)
        verifyColourNear(image, 308, 109, ColourPalette.nearBlack, 2, "closed disc")
    }

    function test_ringClosesInWithoutBouncing() {
        const view = showContentView()
        waitUntilGrown(view)
        const spring = findChild(view, "ringSpring")
        const samples = []
        const record = () => samples.push([0, spring.value])
        spring.valueChanged.connect(record)
        mouseClick(findChild(view, "mainButton"))
        waitUntilRingSettles(view)
        spring.valueChanged.disconnect(record)
        verify(samples.length > 10, "the width moves through frames rather than jumping")
        // This spring is damped just below critical: it closes in without visible bouncing.
        for (let i = 1; i < samples.length; ++i)
            verify(samples[i][1] <= samples[i - 1][1] + 1e-6, `width rose at sample ${i}`)
        compare(samples[samples.length - 1][1], 1)
    }

    function test_titleTurnsFromBlueToWhiteOnFirstPress() {
        const view = showContentView()
        waitUntilGrown(view)
        const title = findChild(view, "title")
        const box = title.mapToItem(view, 0, 0, title.width, title.height)
        const countPixels = (image, test) => {
            let count = 0
            for (let y = Math.floor(box.y); y < box.y + box.height; ++y)
                for (let x = Math.floor(box.x); x < box.x + box.width; ++x)
                    if (test(image.pixel(x, y)))
                        ++count
            return count
        }
        const isBlue = c => c.b > 0.9 && c.r < 0.15 && c.g < 0.15
        const isWhite = c => c.r > 0.9 && c.g > 0.9 && c.b > 0.9
        let image = grabImage(view)
        verify(countPixels(image, isBlue) > 50, "blue title")
        compare(countPixels(image, isWhite), 0)

        mouseClick(findChild(view, "mainButton"))
        tryVerify(() => Qt.colorEqual(findChild(view, "titleText").color, "white"), 1000)
        waitForRendering(view)
        image = grabImage(view)
        verify(countPixels(image, isWhite) > 50, "white title")
        compare(countPixels(image, isBlue), 0)

        mouseClick(findChild(view, "mainButton"))
        compare(view.color, "#ffffff", "later presses leave the title white")
    }

    function test_shadowsSwapSidesWhilePressed() {
        const view = showContentView()
        waitUntilGrown(view)
        waitForRendering(view)
        const button = findChild(view, "mainButton")
        const centre = button.mapToItem(view, button.width / 2, button.height / 2)
        // Just outside the rim on the diagonal through the circle's centre.
        const reach = Math.round((75 + 4) / Math.SQRT2)
        const upperLeft = [Math.round(centre.x) - reach, Math.round(centre.y) - reach]
        const lowerRight = [Math.round(centre.x) + reach, Math.round(centre.y) + reach]

        let image = grabImage(view)
        verifyColourNear(image, ...upperLeft, ColourPalette.slateGrey, 12, "resting upper-left shadow")
        verifyColourNear(image, ...lowerRight, ColourPalette.nearBlack, 12, "resting lower-right shadow")

        mousePress(button)
        waitForRendering(view)
        image = grabImage(view)
        verifyColourNear(image, ...upperLeft, ColourPalette.nearBlack, 12, "pressed upper-left shadow")
        verifyColourNear(image, ...lowerRight, ColourPalette.slateGrey, 12, "pressed lower-right shadow")
        // The pressed face runs from deep to bright blue.
        verify(image.pixel(centre.x - 60, centre.y).b > image.pixel(centre.x, centre.y + 60).r)
        mouseRelease(button)
        waitForRendering(view)
        image = grabImage(view)
        verifyColourNear(image, ...upperLeft, ColourPalette.slateGrey, 12, "restored upper-left shadow")
    }

    function test_pressRunsTheActionInOrder() {
        const view = showContentView()
        waitUntilGrown(view)
        const button = findChild(view, "mainButton")
        Playback.reset()
        mouseClick(button)
        compare(Playback.calls, ["writeLine:button Tapped", "checkPlaylist", "clipNameAt:0",
                                 "playClip:first", "playIndex=1"])
        // A corner of the button's square lies outside its circle and does nothing.
        mouseClick(button, 4, 4)
        compare(Playback.calls.length, 5)
        // The three clips of the stand-in are used up on the third press, then it starts over.
        mouseClick(button)
        mouseClick(button)
        mouseClick(button)
        compare(Playback.calls.slice(-4), ["checkPlaylist", "clipNameAt:0", "playClip:first", "playIndex=1"])
    }

    function test_keyboardPressesTheFocusedButton() {
        const view = showContentView()
        waitUntilGrown(view)
        const button = findChild(view, "mainButton")
        compare(button.Accessible.role, Accessible.Button)
        verify(button.Accessible.name.length > 0)
        button.forceActiveFocus()
        Playback.reset()
        keyClick(Qt.Key_Space)
        keyClick(Qt.Key_Return)
        keyClick(Qt.Key_Enter)
        compare(Playback.calls.filter(call => call === "writeLine:button Tapped").length, 3)
    }

    function test_leavingTheScreenStopsAndEnds() {
        const view = showContentView()
        Playback.reset()
        view.visible = false
        compare(Playback.calls, ["writeLine:ContentView disappeared!", "stopClip", "endProcess"])
    }

    function test_rendererIdlesOnceSettled() {
        const view = showContentView()
        waitUntilGrown(view)
        mouseClick(findChild(view, "mainButton"))
        waitUntilRingSettles(view)
        wait(100)
        let frames = 0
        const count = () => ++frames
        const window = testCase.Window.window
        window.frameSwapped.connect(count)
        wait(700)
        window.frameSwapped.disconnect(count)
        compare(frames, 0, "no frames are drawn while nothing moves")
    }
}

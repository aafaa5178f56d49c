import QtQuick
import QtTest
import Klonkel

// Outline surfaces drawn on a real X server and grabbed over white: where the edge falls, how
// smooth it is, the gradient inside and the rim over the fill. (The ring's stroke, inward from
// its edge and solid when closed, is the screen test's.)
TestCase {
    id: testCase
    name: "OutlineSurface"
    width: 200
    height: 200
    when: windowShown

    Component {
        id: circleComponent
        OutlineSurface {
            // A circle of radius 60 centred on (100.5, 100): its left edge runs through the
            // middles of the pixels of column 40.
            x: 40.5
            y: 40
            width: 120
            height: 120
            outline: CircleOutline {}
            fillStart: "red"
            fillEnd: "blue"
        }
    }

    function sceneWith(component) {
        testCase.Window.window.color = "white"
        const item = component.createObject(testCase.Window.window.contentItem)
        waitForRendering(item)
        return item
    }
    function grab() {
        return grabImage(testCase.Window.window.contentItem)
    }
    // Whether the pixel is pure blue (or red), within `slack`.
    function isBlue(image, x, y, slack) {
        const c = image.pixel(x, y)
        return c.b >= 1 - slack && c.r <= slack && c.g <= slack
    }
    function isRed(image, x, y, slack) {
        const c = image.pixel(x, y)
        return c.r >= 1 - slack && c.b <= slack && c.g <= slack
    }

    function test_circleEdgeIsSmoothAndWhereTheOutlineIsAndTheGradientRunsDown() {
        const surface = sceneWith(circleComponent)
        const image = grab()
        // Pixels along the row through the centre: the edge lies at x = 40.5 and x = 160.5.
        for (const [x, expected] of [[38, 0], [39, 0], [40, 0.5], [41, 1], [100, 1], [159, 1],
                                     [160, 0.5], [161, 0], [162, 0]]) {
            const coverage = 1 - image.pixel(x, 100).g
            verify(Math.abs(coverage - expected) <= 0.25,
                   `coverage at x ${x} is ${coverage.toFixed(2)}, expected about ${expected}`)
        }
        compare(image.pixel(43, 43).g, 1, "frame corner outside the circle")
        // Along the diagonal the blue share grows with the distance from the frame's corner.
        const upper = image.pixel(70, 70), middle = image.pixel(100, 100), lower = image.pixel(130, 130)
        verify(upper.r > middle.r && middle.r > lower.r, `red falls: ${upper} ${middle} ${lower}`)
        verify(upper.b < middle.b && middle.b < lower.b, `blue rises: ${upper} ${middle} ${lower}`)
        verify(Math.abs(middle.r - 0.5) <= 0.03 && Math.abs(middle.b - 0.5) <= 0.03,
               `the middle is half way: ${middle}`)
        // Across the other diagonal the position along the gradient does not change.
        verify(Math.abs(image.pixel(130, 70).r - image.pixel(70, 130).r) <= 2 / 255,
               "the gradient leans off the diagonal")
        surface.destroy()
    }

    function test_rimIsCentredOnTheOutlineOverTheFill() {
        const surface = sceneWith(circleComponent)
        surface.fillEnd = "red"
        surface.rimStart = surface.rimEnd = "blue"
        surface.rimWidth = 10
        waitForRendering(surface)
        const image = grab()
        // Rim from x = 35.5 to 45.5 around the edge at 40.5, then the fill.
        compare(image.pixel(33, 100).g, 1, "outside the rim")
        verify(isBlue(image, 37, 100, 0.05) && isBlue(image, 43, 100, 0.05), "the rim's two halves")
        verify(isRed(image, 47, 100, 0.05), "the fill inside the rim")
        surface.destroy()
    }
}

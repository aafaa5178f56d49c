import QtQuick
import QtTest
import Klonkel

// Outline surfaces drawn on a real X server and grabbed over white: where the edge falls, how
// smooth it is, the gradient inside, the rim over the fill, and a stroke border thick enough to
// fill its capsule.
TestCase {
    id: testCase
    name: "OutlineSurface"
    width: 200
    height: 200
    when: windowShown

    readonly property color red: Qt.rgba(1, 0, 0, 1)
    readonly property color blue: Qt.rgba(0, 0, 1, 1)

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
            fillStart: testCase.red
            fillEnd: testCase.blue
        }
    }

    Component {
        id: capsuleComponent
        StrokeBorderCapsule {
            // Centred on (100.5, 100.5), the middle of a pixel, where a solid stroke's inner edge
            // would meet itself.
            x: 50
            y: 50
            width: 101
            height: 101
            color: testCase.blue
        }
    }

    function sceneWith(component) {
        testCase.Window.window.color = "white"
        const item = component.createObject(testCase.Window.window.contentItem)
        waitForRendering(item)
        return item
    }

    function test_circleEdgeIsSmoothAndWhereTheOutlineIs() {
        const surface = sceneWith(circleComponent)
        const image = grabImage(testCase.Window.window.contentItem)
        // Pixels along the row through the centre: the edge lies at x = 40.5 and x = 160.5.
        const row = 100
        for (const [x, expected] of [[38, 0], [39, 0], [40, 0.5], [41, 1], [100, 1], [159, 1],
                                     [160, 0.5], [161, 0], [162, 0]]) {
            const coverage = 1 - image.pixel(x, row).g
            verify(Math.abs(coverage - expected) <= 0.25,
                   `coverage at x ${x} is ${coverage.toFixed(2)}, expected about ${expected}`)
        }
        // The corners of the frame lie outside the circle.
        compare(image.pixel(43, 43).g, 1, "frame corner outside the circle")
        surface.destroy()
    }

    function test_gradientRunsFromTopLeftToBottomRight() {
        const surface = sceneWith(circleComponent)
        const image = grabImage(testCase.Window.window.contentItem)
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
        surface.fillEnd = testCase.red
        surface.rimStart = testCase.blue
        surface.rimEnd = testCase.blue
        surface.rimWidth = 10
        waitForRendering(surface)
        const image = grabImage(testCase.Window.window.contentItem)
        const row = 100
        // Rim from x = 35.5 to 45.5 around the edge at 40.5, then the fill.
        compare(image.pixel(33, row).g, 1, "outside the rim")
        verify(image.pixel(37, row).b > 0.95 && image.pixel(37, row).r < 0.05, "outer half of the rim")
        verify(image.pixel(43, row).b > 0.95 && image.pixel(43, row).r < 0.05, "inner half of the rim")
        verify(image.pixel(47, row).r > 0.95 && image.pixel(47, row).b < 0.05, "the fill inside the rim")
        surface.destroy()
    }

    function test_strokeBorderGrowsInwardAndFillsWhenAsWideAsTheRadius() {
        const capsule = sceneWith(capsuleComponent)
        capsule.lineWidth = 10
        waitForRendering(capsule)
        let image = grabImage(testCase.Window.window.contentItem)
        verify(image.pixel(52, 100).b > 0.95 && image.pixel(52, 100).r < 0.05, "the stroke inside the edge")
        compare(image.pixel(48, 100).g, 1, "nothing outside the frame")
        compare(image.pixel(100, 100).g, 1, "the hole in the middle")

        capsule.lineWidth = capsule.outerRadius
        waitForRendering(capsule)
        image = grabImage(testCase.Window.window.contentItem)
        for (const [x, y] of [[100, 100], [99, 100], [100, 99], [80, 80], [120, 120]]) {
            const c = image.pixel(x, y)
            verify(c.b > 0.98 && c.r < 0.02 && c.g < 0.02, `(${x}, ${y}) of the solid disc is ${c}`)
        }
        capsule.destroy()
    }
}

import QtQuick
import QtTest
import Klonkel

// A soft shadow drawn on a real X server and grabbed: a black square's shadow on white, read
// along the lines through the square's centre, against the Gaussian it is meant to be.
TestCase {
    id: testCase
    name: "SoftShadow"
    width: 300
    height: 300
    when: windowShown

    readonly property int side: 60
    readonly property int squareLeft: 120
    readonly property int squareTop: 120

    Component {
        id: sceneComponent
        Item {
            property alias shadow: shadow
            width: testCase.width
            height: testCase.height
            Rectangle {
                anchors.fill: parent
                color: "white"
            }
            SoftShadow {
                id: shadow
                anchors.fill: square
                source: square
                color: "black"
            }
            Rectangle {
                id: square
                x: testCase.squareLeft
                y: testCase.squareTop
                width: testCase.side
                height: testCase.side
                color: "black"
            }
        }
    }

    // 1 - erf(x), within 1.5e-7 (Abramowitz and Stegun 7.1.26).
    function erfc(x) {
        const t = 1 / (1 + 0.3275911 * Math.abs(x))
        const poly = t * (0.254829592 + t * (-0.284496736 + t * (1.421413741
                     + t * (-1.453152027 + t * 1.061405429))))
        const value = poly * Math.exp(-x * x)
        return x >= 0 ? value : 2 - value
    }

    function coverageAt(image, x, y) {
        return 1 - image.pixel(x, y).r
    }

    function test_shadowIsTheGaussianOfItsRadius_data() {
        return [{tag: "radius 10", radius: 10}, {tag: "radius 20", radius: 20}]
    }

    function test_shadowIsTheGaussianOfItsRadius(data) {
        const scene = sceneComponent.createObject(testCase.Window.window.contentItem)
        scene.shadow.blurRadius = data.radius
        waitForRendering(scene)
        const image = grabImage(scene)
        const left = squareLeft, top = squareTop
        const right = left + side - 1, bottom = top + side - 1, middle = top + side / 2
        // Each of the two passes strengthens coverage by a fiftieth.
        const lift = 1 / (0.98 * 0.98)
        const deviation = scene.shadow.deviation
        for (let d = 0; d < data.radius + 4; ++d) {
            const outside = [coverageAt(image, left - 1 - d, middle),
                             coverageAt(image, right + 1 + d, middle),
                             coverageAt(image, middle, top - 1 - d),
                             coverageAt(image, middle, bottom + 1 + d)]
            // Mirrored across the square: the blur neither leans nor shifts. (Across and down
            // may differ a little: the first pass's coverage is clamped before the second.)
            verify(Math.abs(outside[0] - outside[1]) <= 2 / 255
                   && Math.abs(outside[2] - outside[3]) <= 2 / 255,
                   `at ${d} px out the opposite sides differ: ${outside}`)
            if (d > data.radius + 1) {
                verify(outside.every(c => c === 0), `the shadow reaches ${d} px, beyond its radius`)
                continue
            }
            // The pixel's centre is d + 0.5 from the edge of a straight side.
            const expected = Math.min(1, lift * erfc((d + 0.5) / (deviation * Math.SQRT2)) / 2)
            for (const coverage of outside)
                verify(Math.abs(coverage - expected) <= 0.03,
                       `at ${d} px out the coverage is ${outside}, not ${expected}`)
        }
        scene.destroy()
    }
}

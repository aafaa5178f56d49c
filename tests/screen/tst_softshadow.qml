import QtQuick
import QtTest
import Klonkel

// A soft shadow drawn on a real X server and grabbed: a black square's shadow on white, read
// along the lines through the square's centre, against the falloff the look must have.
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

    // The straight edge's shadow that best fits `profile` (coverage at 0, 1, ... px out, each
    // pixel's centre half a pixel further): a Gaussian blur of deviation `deviation` and
    // strength `strength`, with the largest difference from it.
    function fitEdge(profile) {
        let best = {error: Infinity}
        for (let deviation = 0.5; deviation < profile.length; deviation += 0.01) {
            const model = profile.map((c, d) => erfc((d + 0.5) / (deviation * Math.SQRT2)) / 2)
            const strength = model.reduce((s, m, d) => s + m * profile[d], 0)
                             / model.reduce((s, m) => s + m * m, 0)
            const error = Math.max(...model.map((m, d) => Math.abs(strength * m - profile[d])))
            if (error < best.error)
                best = {deviation, strength, error}
        }
        return best
    }

    // A shadow of blur radius r fades out over r: a Gaussian of deviation about a third of it,
    // of which under 0.2 % is left at r. It is as strong as its source at its edge's inside.
    function test_shadowIsTheGaussianOfItsRadius_data() {
        return [{tag: "radius 10", radius: 10}, {tag: "radius 20", radius: 20}]
    }

    function test_shadowIsTheGaussianOfItsRadius(data) {
        testCase.Window.window.color = "white"
        const scene = sceneComponent.createObject(testCase.Window.window.contentItem)
        scene.shadow.blurRadius = data.radius
        waitForRendering(scene)
        const image = grabImage(testCase.Window.window.contentItem)
        const coverageAt = (x, y) => 1 - image.pixel(x, y).r
        const left = squareLeft, top = squareTop
        const right = left + side - 1, bottom = top + side - 1, middle = top + side / 2
        const profile = []
        for (let d = 0; d < data.radius + 4; ++d) {
            const outside = [coverageAt(left - 1 - d, middle), coverageAt(right + 1 + d, middle),
                             coverageAt(middle, top - 1 - d), coverageAt(middle, bottom + 1 + d)]
            // Mirrored across the square: the blur neither leans nor shifts. (Across and down
            // may differ a little: the first pass's coverage is clamped before the second.)
            verify(Math.abs(outside[0] - outside[1]) <= 2 / 255
                   && Math.abs(outside[2] - outside[3]) <= 2 / 255,
                   `at ${d} px out the opposite sides differ: ${outside}`)
            if (d > data.radius + 1)
                verify(outside.every(c => c === 0), `the shadow reaches ${d} px, beyond its radius`)
            else
                profile.push(outside.reduce((s, c) => s + c) / 4)
        }
        const fit = fitEdge(profile)
        verify(fit.error <= 0.03, `the falloff is no Gaussian: ${profile}, off by ${fit.error}`)
        verify(Math.abs(fit.deviation - data.radius / 3) <= 0.12 * data.radius / 3,
               `the falloff's deviation is ${fit.deviation}, not about ${data.radius / 3}`)
        verify(fit.strength > 0.95 && fit.strength < 1.15, `the shadow's strength is ${fit.strength}`)
        scene.destroy()
    }
}

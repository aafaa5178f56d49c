import QtQuick
import QtQuick.Window

// Draws a blurred, offset silhouette of `source` in one colour: a Gaussian of deviation
// (blurRadius + 1) / 3.3333 that reaches blurRadius on each side. It goes beneath its source
// (declared before it among siblings), which draws itself as usual: a copy of the source on top
// would cost every frame that draws it, the first above all, another full-size offscreen pass.
//
// The blur runs on a reduced copy of the silhouette, two passes of one direction each, and the
// result is scaled back up: a blur this wide holds no detail that the dropped pixels could
// carry, and a software renderer blurs a fraction of the pixels.
Item {
    id: softShadow

    property Item source
    property color color: "black"
    property real blurRadius: 10
    property real offsetX: 0
    property real offsetY: 0

    readonly property real deviation: (blurRadius + 1) / 3.3333

    // The passes work in device pixels, divided by the reduction.
    readonly property real devicePixels: Screen.devicePixelRatio
    readonly property real deviceDeviation: deviation * devicePixels
    // Keeps at least one and a half texels of deviation, or the scaled-up blur shows its texels,
    // and halves the window's own units at most (twice that in device pixels at a scale of two):
    // a text's strokes are thinner than four of them and would lose coverage.
    readonly property int reduction: Math.max(1, Math.min(2 * devicePixels,
                                                          Math.floor(deviceDeviation / 1.5)))
    // Reducing and scaling back up blur a little by themselves (a box of the reduction's width,
    // then a tent twice as wide): the passes leave that part of the variance to them.
    readonly property real reductionVariance: (reduction * reduction - 1) / 12
                                              + reduction * reduction / 6
    readonly property real reducedDeviation:
        Math.sqrt(Math.max(0.25, deviceDeviation * deviceDeviation - reductionVariance)) / reduction
    readonly property real reducedReach: blurRadius * devicePixels / reduction

    // Room for the blur to spread into, around the source.
    readonly property real border: Math.ceil(blurRadius) + reduction
    readonly property real paddedWidth: (source ? source.width : 0) + 2 * border
    readonly property real paddedHeight: (source ? source.height : 0) + 2 * border
    readonly property size reducedSize: Qt.size(
        Math.max(1, Math.ceil(paddedWidth * devicePixels / reduction)),
        Math.max(1, Math.ceil(paddedHeight * devicePixels / reduction)))

    component BlurPass: ShaderEffect {
        property Item source
        property vector2d texelStep
        property real deviation
        property real reach
        property color tint: "white"

        fragmentShader: Qt.resolvedUrl("shaders/gaussianblur.frag.qsb")
    }

    ShaderEffectSource {
        id: silhouette
        visible: false
        sourceItem: softShadow.source
        sourceRect: Qt.rect(-softShadow.border, -softShadow.border, softShadow.paddedWidth,
                            softShadow.paddedHeight)
        textureSize: softShadow.reducedSize // qmllint disable
        smooth: true
    }

    BlurPass {
        id: blurAcross
        width: softShadow.paddedWidth
        height: softShadow.paddedHeight
        deviation: softShadow.reducedDeviation
        reach: softShadow.reducedReach
        source: silhouette
        texelStep: Qt.vector2d(1 / softShadow.reducedSize.width, 0)
    }

    ShaderEffectSource {
        id: blurredAcross
        visible: false
        sourceItem: blurAcross
        hideSource: true
        textureSize: softShadow.reducedSize // qmllint disable
        smooth: true
    }

    BlurPass {
        x: softShadow.offsetX - softShadow.border
        y: softShadow.offsetY - softShadow.border
        width: softShadow.paddedWidth
        height: softShadow.paddedHeight
        deviation: softShadow.reducedDeviation
        reach: softShadow.reducedReach
        source: blurredAcross
        texelStep: Qt.vector2d(0, 1 / softShadow.reducedSize.height)
        tint: softShadow.color
        // Drawn at the reduced size too, and scaled up smoothly where it is shown.
        layer.enabled: true
        layer.smooth: true
        layer.textureSize: softShadow.reducedSize // qmllint disable
    }
}

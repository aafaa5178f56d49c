import QtQuick

// A rectangle filled with a two-colour gradient from its top-left corner to its bottom-right
// one. It covers whole windows and is drawn on every frame of an animation, so its shader does
// nothing else: an outline surface's per-pixel edge work over the whole window costs a software
// renderer more than the rest of such a frame.
ShaderEffect {
    property color startColor: "transparent"
    property color endColor: "transparent"

    readonly property size size: Qt.size(width, height)

    fragmentShader: Qt.resolvedUrl("shaders/gradientrectangle.frag.qsb")
}

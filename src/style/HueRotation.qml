import QtQuick

// Shows `source` with every colour's hue turned by `angleDegrees` (any angle; only its
// direction on the colour wheel shows).
ShaderEffect {
    property Item source
    property real angleDegrees: 0
    readonly property real angleRadians: angleDegrees * Math.PI / 180

    fragmentShader: Qt.resolvedUrl("shaders/huerotation.frag.qsb")
}

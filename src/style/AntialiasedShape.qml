import QtQuick
import QtQuick.Window
import QtQuick.Shapes as Shapes

// A shape with smooth edges. Shapes are not antialiased by themselves; this one is drawn into a
// texture of twice its resolution each way and filtered down when shown: the same four samples
// a pixel as 4x multisampling, but without the multisampled render target and pipelines, which
// a software renderer pays for dearly on the first frame.
Shapes.Shape {
    readonly property real supersampling: 2
    readonly property real texels: Screen.devicePixelRatio * supersampling

    layer.enabled: true
    layer.smooth: true
    // Qt.size() makes a size of reals, which the layer takes whole; the linter cannot tell.
    layer.textureSize: Qt.size(Math.ceil(width * texels), Math.ceil(height * texels)) // qmllint disable
}

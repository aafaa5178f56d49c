pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Templates as T
import Klonkel

// One of the window's own controls: a glyph, faint at rest so that it does not compete with the
// screen, on a disc that shows under the pointer or the keyboard's focus. The glyph's strokes are
// surfaces that smooth their own edges at the device's resolution, so it stays sharp at any scale.
T.AbstractButton {
    id: control

    // "close" or "minimize".
    required property string kind
    readonly property bool closes: kind === "close"
    readonly property bool lit: hovered || pressed || visualFocus
    readonly property real glyphLength: 10
    readonly property real glyphLineWidth: 1.5
    readonly property int fadeDurationMs: 120

    implicitWidth: 24
    implicitHeight: 24
    hoverEnabled: true
    // Reached by Tab; a click leaves the focus where it was, on the main button.
    focusPolicy: Qt.TabFocus

    background: Rectangle {
        radius: width / 2
        color: control.closes ? (control.pressed ? "#a51d2d" : "#e01b24")
                              : Qt.rgba(1, 1, 1, control.pressed ? 0.45 : 0.3)
        opacity: control.lit ? 1 : 0
        Behavior on opacity {
            NumberAnimation {
                duration: control.fadeDurationMs
            }
        }

        // The keyboard's focus, in the main button's focus-ring blue, just clear of the disc.
        Rectangle {
            anchors.fill: parent
            anchors.margins: -3
            radius: width / 2
            color: "transparent"
            border.color: ColourPalette.brightBlue
            border.width: 2
            visible: control.visualFocus
        }
    }

    contentItem: Item {
        opacity: control.lit ? 1 : 0.45
        Behavior on opacity {
            NumberAnimation {
                duration: control.fadeDurationMs
            }
        }

        Repeater {
            model: control.closes ? [45, -45] : [0]
            OutlineSurface {
                required property real modelData
                anchors.centerIn: parent
                width: control.glyphLength * (control.closes ? Math.SQRT2 : 1)
                height: control.glyphLineWidth
                rotation: modelData
                fillStart: "white"
                fillEnd: "white"
            }
        }
    }

    Keys.onReturnPressed: event => control.clickByKey(event)
    Keys.onEnterPressed: event => control.clickByKey(event)

    function clickByKey(event: KeyEvent) {
        if (!event.isAutoRepeat)
            control.clicked()
    }
}

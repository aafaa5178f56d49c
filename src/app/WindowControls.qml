pragma ComponentBehavior: Bound
import QtQuick
import Klonkel

// The window's close and minimise controls, in the order the desktop shows its own window
// buttons. The frameless window gets none from the window manager.
Row {
    id: controls

    // Whether close is the left one of the two.
    property bool closeFirst: false

    signal closeRequested
    signal minimiseRequested

    spacing: 6

    Repeater {
        model: controls.closeFirst ? ["close", "minimize"] : ["minimize", "close"]

        WindowControlButton {
            required property string modelData
            kind: modelData
            Accessible.name: closes ? qsTr("Close") : qsTr("Minimise")
            onClicked: closes ? controls.closeRequested() : controls.minimiseRequested()
        }
    }
}

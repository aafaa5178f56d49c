import QtQuick
import QtQuick.Window

Window {
    id: window

    // The mode's part, a file beside this one, or none: what a part imports is loaded with it.
    required property string part

    width: 500
    height: 300
    flags: Qt.Window | Qt.FramelessWindowHint
    visible: true

    Loader {
        anchors.fill: parent
        source: window.part
        // A click that could never sound must not pass for a slow one.
        onStatusChanged: if (status === Loader.Error) Qt.exit(1)
    }
}

import QtQuick
import BaselineTone

// Each click sounds a tone over a stream kept running: the floor of click to sound.
MouseArea {
    onClicked: tone.click()
    Component.onCompleted: if (!tone.connected) Qt.exit(1)

    ClickTone {
        id: tone
    }
}

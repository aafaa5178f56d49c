import QtQuick
import BaselineTone

// The empty window whose every click sounds a tone over a stream kept running.
EmptyWindow {
    MouseArea {
        anchors.fill: parent
        onClicked: tone.click()
    }

    ClickTone {
        id: tone
    }

    Component.onCompleted: if (!tone.connected) Qt.exit(1)
}

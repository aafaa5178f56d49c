import QtQuick
import BaselineMediaPlayer

// The empty window whose every click plays the next clip with a new QMediaPlayer.
EmptyWindow {
    MouseArea {
        anchors.fill: parent
        onClicked: trigger.click()
    }

    ClipTrigger {
        id: trigger
    }

    Component.onCompleted: if (!trigger.load(Qt.application.arguments)) Qt.exit(1)
}

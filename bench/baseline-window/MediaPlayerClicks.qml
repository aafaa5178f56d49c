import QtQuick
import BaselineMediaPlayer

// Each click plays the next clip with a new QMediaPlayer.
MouseArea {
    onClicked: trigger.click()
    Component.onCompleted: if (!trigger.load(Qt.application.arguments)) Qt.exit(1)

    ClipTrigger {
        id: trigger
    }
}

import QtQuick

// "qmllint disable type" below: Qt 6.4's qmllint takes Qt.callLater for a property; it is a method.

// Tells when `view` comes on screen (visible in a shown window) and when it leaves it, once for
// each passage. A window that closes takes its views off screen.
QtObject {
    id: lifecycle

    required property Item view

    signal appeared
    signal disappeared

    readonly property bool isOnScreen: view !== null && view.visible
                                       && view.Window.visibility !== Window.Hidden
    property bool wasOnScreen: false

    function follow() {
        if (isOnScreen === wasOnScreen)
            return
        wasOnScreen = isOnScreen
        if (isOnScreen)
            appeared()
        else
            disappeared()
    }

    // Appearing waits for the current turn to finish, so that a tree being built is complete, with
    // the animations declared around the view ready for what the appear actions change. Leaving
    // is at once: a closing window may be the last thing the program does.
    onIsOnScreenChanged: {
        if (isOnScreen)
            Qt.callLater(follow) // qmllint disable type
        else
            follow()
    }
    Component.onCompleted: Qt.callLater(follow) // qmllint disable type
}

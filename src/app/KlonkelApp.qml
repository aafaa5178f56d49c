import QtQuick
import QtQuick.Window
import Klonkel

// The app's one window: no title bar, sized by the main screen, moved by dragging its
// background, closed by its own control, the window manager, Ctrl+W or Ctrl+Q. Closing it takes
// the screen off screen, which ends the program.
Window {
    id: window

    width: contentView.width
    height: contentView.height
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    flags: Qt.Window | Qt.FramelessWindowHint
    // Task switchers and window lists show the app's name, which is not translated.
    title: "Klonkel"
    // The backdrop lets a fifth of this through: the desktop's window colour, light or dark as
    // its theme is, rather than Qt Quick's white. It follows the palette when the theme changes.
    color: palette.window
    visible: true

    Shortcut {
        sequences: ["Ctrl+W", "Ctrl+Q"]
        onActivated: window.close()
    }

    // Beneath the screen, so that it only receives presses that no control of the screen takes.
    MouseArea {
        property bool followsPointer: false
        property point pressPosition

        anchors.fill: parent
        // Without a window manager that moves windows, the window follows the pointer itself.
        onPressed: mouse => {
            followsPointer = !window.startSystemMove()
            pressPosition = Qt.point(mouse.x, mouse.y)
        }
        onPositionChanged: mouse => {
            if (!followsPointer)
                return
            window.x += mouse.x - pressPosition.x
            window.y += mouse.y - pressPosition.y
        }
    }

    ContentView {
        id: contentView
    }

    WindowButtonLayout {
        id: buttonLayout
    }

    // Over the screen's top corner, clear of the title, the button and the ring.
    WindowControls {
        objectName: "windowControls"
        readonly property real margin: 8
        x: buttonLayout.leading ? margin : window.width - width - margin
        y: margin
        closeFirst: buttonLayout.closeFirst
        // Appears once the desktop's side is known rather than jumping across.
        visible: buttonLayout.known
        onCloseRequested: window.close()
        onMinimiseRequested: window.showMinimized()
    }
}

import QtQuick
import QtQuick.Window

Window {
    width: 500
    height: 300
    flags: Qt.Window | Qt.FramelessWindowHint
    visible: true
}

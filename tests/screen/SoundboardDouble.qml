pragma Singleton
import QtQuick

// Stands in for the soundboard in screen tests: plays nothing, never ends the process, counts
// what the screen asked of it and runs the screen's own changes as the soundboard does.
QtObject {
    property int presses: 0
    property int appearances: 0

    function press(viewStep) {
        presses += 1
        viewStep()
    }
    function appear(viewStep) {
        appearances += 1
        viewStep()
    }
    function disappear() {}
}

pragma Singleton
import QtQuick

// Stands in for playback in screen tests: plays nothing, never ends the process, counts presses.
QtObject {
    property int playIndex: 0
    readonly property int clipCount: 3
    property int taps: 0

    function writeLine(line) { taps += line === "button Tapped" ? 1 : 0 }
    function checkPlaylist() { playIndex = playIndex === clipCount ? 0 : playIndex }
    function clipNameAt(index) { return "clip" + index }
    function shuffleClipNames() {}
    function printPlaylist() {}
    function playClip(name) {}
    function stopClip() {}
    function endProcess() {}
}

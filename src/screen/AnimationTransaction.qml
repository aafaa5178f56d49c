import QtQml

// Marks the changes made inside run() as animated; a property's Behavior enabled by `isOpen`
// then animates exactly those changes and no others.
QtObject {
    property int durationMs: 350
    readonly property bool isOpen: openDepth > 0
    property int openDepth: 0

    function run(change) {
        openDepth += 1
        try {
            change()
        } finally {
            openDepth -= 1
        }
    }
}

import QtQuick

// "qmllint disable type" below: Qt 6.4's qmllint takes Qt.callLater for a property; it is a method.

// A number that moves to each new `target` linearly and then keeps sweeping back and forth
// between where it was and the target, forever. Changes of `target` made in one turn of the
// event loop count as one update: when they cancel out, nothing moves and nothing runs.
QtObject {
    id: animation

    property real target: 0
    property int durationMs: 1000
    readonly property real value: shownValue
    readonly property bool running: sweep.running

    property real shownValue: 0
    property real sweepStart: 0
    property real sweepEnd: 0
    property bool isReady: false

    function commitTarget() {
        if (target === sweepEnd)
            return
        sweep.stop()
        sweepStart = shownValue
        sweepEnd = target
        sweep.start()
    }

    onTargetChanged: {
        if (isReady)
            Qt.callLater(commitTarget) // qmllint disable type
    }
    Component.onCompleted: {
        shownValue = target
        sweepStart = target
        sweepEnd = target
        isReady = true
    }

    readonly property SequentialAnimation sweep: SequentialAnimation {
        loops: Animation.Infinite

        NumberAnimation {
            target: animation
            property: "shownValue"
            from: animation.sweepStart
            to: animation.sweepEnd
            duration: animation.durationMs
            easing.type: Easing.Linear
        }
        NumberAnimation {
            target: animation
            property: "shownValue"
            from: animation.sweepEnd
            to: animation.sweepStart
            duration: animation.durationMs
            easing.type: Easing.Linear
        }
    }
}

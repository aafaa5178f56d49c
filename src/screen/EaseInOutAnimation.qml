import QtQuick

// Slow at both ends, following the cubic Bézier with control points (0.42, 0) and (0.58, 1).
NumberAnimation {
    property int durationMs: 350

    duration: durationMs
    easing.type: Easing.BezierSpline
    easing.bezierCurve: [0.42, 0, 0.58, 1, 1, 1]
}

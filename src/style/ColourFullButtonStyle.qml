import QtQuick
import QtQuick.Templates as T
import Klonkel

// A button drawn as its label on a padded circle of ColourFullBackground, pressed-looking while
// held. Only the circle reacts to the pointer, not the corners of its square.
T.AbstractButton {
    id: control

    readonly property CircleOutline outline: CircleOutline {}

    padding: 30
    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding

    containmentMask: QtObject {
        function contains(point: point): bool {
            return control.outline.contains(point.x, point.y, control.width, control.height)
        }
    }

    background: ColourFullBackground {
        isHighlighted: control.pressed
        outline: control.outline
    }

    // Shown only while focus came from the keyboard, so a click or the initial focus adds nothing
    // to the look: a thin ring in the rim's bright blue, just clear of the rim.
    OutlineSurface {
        id: focusRing
        objectName: "focusRing"
        readonly property real gap: 7
        readonly property real lineWidth: 2
        // The stroke is centred on the outline: its outer edge lies `gap` beyond the button.
        x: -gap + lineWidth / 2
        y: -gap + lineWidth / 2
        width: control.width + 2 * gap - lineWidth
        height: control.height + 2 * gap - lineWidth
        visible: control.visualFocus
        outline: control.outline
        rimStart: ColourPalette.brightBlue
        rimEnd: ColourPalette.brightBlue
        rimWidth: lineWidth
    }

    // Qt Quick keeps focus, and the reason it came, when Tab finds no other item to go to, so
    // a button alone in its window would never show that the keyboard has reached it.
    Keys.onTabPressed: event => control.keepFocusByKey(event, true)
    Keys.onBacktabPressed: event => control.keepFocusByKey(event, false)

    function keepFocusByKey(event: KeyEvent, forward: bool) {
        event.accepted = control.nextItemInFocusChain(forward) === control
        if (event.accepted)
            control.focusReason = forward ? Qt.TabFocusReason : Qt.BacktabFocusReason
    }

    // A press of the pointer hides the ring again, though the button keeps its focus. Passive,
    // so the button's own handling of the press is unchanged.
    TapHandler {
        onPressedChanged: if (pressed) control.focusReason = Qt.MouseFocusReason
    }

    // Space is handled by the template; Enter and Return press a focused button as well.
    Keys.onReturnPressed: event => control.clickByKey(event)
    Keys.onEnterPressed: event => control.clickByKey(event)

    function clickByKey(event: KeyEvent) {
        if (!event.isAutoRepeat)
            control.clicked()
    }

    Accessible.role: Accessible.Button
    Accessible.onPressAction: control.clicked()
}

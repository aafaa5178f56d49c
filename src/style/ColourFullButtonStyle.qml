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

import QtQuick
import QtQuick.Templates as T

// What the clickable controls of the screens share, placed inside the control: a cursor of
// its own under the mouse (the pointing hand unless told otherwise), the focus ring while the
// focus came from the keyboard, and Return and Enter as a click, once for a held key as Space
// gives, for a control that forwards its keys here (`Keys.forwardTo: [support]`).
//
// Declare it before the control's other children: a control inside it (a row's star) then
// lies above it and keeps its own cursor. It takes no clicks itself.
Item {
    id: support

    readonly property T.AbstractButton control: parent as T.AbstractButton
    property alias cursorShape: hover.cursorShape
    // The ring, for a shape other than the default (its `radius`, `inset`).
    readonly property alias ring: ring

    function clickFromKey(event) {
        if (!event.isAutoRepeat)
            control.clicked();
    }

    anchors.fill: parent

    Keys.onReturnPressed: event => clickFromKey(event)
    Keys.onEnterPressed: event => clickFromKey(event)

    HoverHandler {
        id: hover

        cursorShape: Qt.PointingHandCursor
    }

    FocusRing {
        id: ring

        shown: support.control.visualFocus
    }
}

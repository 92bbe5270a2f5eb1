import QtQuick
import QtQuick.Templates as T

// A button with no look of its own: its user draws `background` and `contentItem` and sets
// its size, with no padding or inset added, on every platform and style. Space and Return
// press it; a click does not take the keyboard focus; the focus ring shows while the focus
// came from the keyboard. Each click of a double click is a click, as the control reports
// it; a handler of doubleClicked would make it drop the second.
T.Button {
    id: button

    // The ring, for a shape other than the default (its `radius`, `inset`).
    readonly property alias focusRing: support.ring
    // The arrow unless told otherwise.
    property alias cursorShape: support.cursorShape

    padding: 0
    focusPolicy: Qt.TabFocus
    // What the control itself gives a screen reader, also where no screen reader runs.
    Accessible.name: text
    Keys.forwardTo: [support]

    ClickSupport {
        id: support

        cursorShape: Qt.ArrowCursor
    }
}

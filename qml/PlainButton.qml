import QtQuick
import QtQuick.Templates as T

// A button with no look of its own: its user draws `background` and `contentItem` and sets
// its size, with no padding or inset added, on every platform and style. Space and Return
// press it; a click does not take the keyboard focus, and every click of a double click
// counts; the focus ring shows while the focus came from the keyboard.
T.Button {
    id: button

    // The ring, for a shape other than the default (its `radius`, `inset`).
    readonly property alias focusRing: ring

    // One press for a held key, as Space gives.
    function pressFromKey(event) {
        if (!event.isAutoRepeat)
            clicked();
    }

    padding: 0
    focusPolicy: Qt.TabFocus
    // What the control itself gives a screen reader, also where no screen reader runs.
    Accessible.name: text
    Keys.onReturnPressed: event => pressFromKey(event)
    Keys.onEnterPressed: event => pressFromKey(event)
    // The second click of a double click is a click too.
    onDoubleClicked: clicked()

    FocusRing {
        id: ring

        shown: button.visualFocus
    }
}

import QtQuick

// The ring around the control that has the keyboard focus. It lies over its parent, a little
// outside it, and shows only while `shown` is true; bind that to the control's `visualFocus`,
// which is true for focus that came from the keyboard (Tab, Shift+Tab, the arrows), so the
// control looks as it always did at rest and under the mouse.
Rectangle {
    property bool shown: false
    property real inset: -3

    anchors.fill: parent
    anchors.margins: inset
    radius: 4
    color: "transparent"
    border.width: 2
    border.color: "#4da3ff"
    visible: shown
    z: 100
}

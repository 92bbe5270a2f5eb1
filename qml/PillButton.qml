import QtQuick

// A filled button with rounded ends and its text in bold white: Login and the home screen's
// Connect / Disconnect. The focus ring follows the rounded ends.
PlainButton {
    id: pillButton

    property color color

    focusRing.radius: Math.min(24, height / 2) + 3
    cursorShape: Qt.PointingHandCursor

    background: Rectangle {
        radius: 24
        color: pillButton.color
    }

    contentItem: Item {
        Text {
            anchors.centerIn: parent
            text: pillButton.text
            color: "white"
            font.bold: true
            font.pixelSize: 16
        }
    }
}

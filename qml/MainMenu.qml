import QtQuick

// The page shown while the user is signed in; the menu and its screens come later.
Rectangle {
    objectName: "mainMenu"
    implicitWidth: 1024
    implicitHeight: 600
    color: "#222222"

    Text {
        anchors.centerIn: parent
        text: "Signed in"
        color: "white"
        font.pixelSize: 16
    }
}

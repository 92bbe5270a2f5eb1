import QtQuick

// The location list. So far it offers only the signal by which a chosen location reaches
// the main menu.
Rectangle {
    signal connectToLocation(string name, string flag, bool favorite, string type)

    objectName: "locationScreen"
    implicitWidth: 1024
    implicitHeight: 600
    color: "#222222"
}

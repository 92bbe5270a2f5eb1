import QtQuick

// The options screen. So far it only takes the settings group that holds the options.
Rectangle {
    property var appSettings

    objectName: "settingsScreen"
    implicitWidth: 1024
    implicitHeight: 600
    color: "#222222"
}

import QtQuick
import QtQuick.Controls

// While `active`: dims whatever lies below, turns a spinner in the middle and takes every
// press and click, so that nothing below reacts.
Item {
    property bool active: false

    anchors.fill: parent
    z: 998

    Rectangle {
        anchors.fill: parent
        visible: parent.active
        color: "#000000"
        opacity: 0.4
    }

    BusyIndicator {
        anchors.centerIn: parent
        visible: parent.active
        running: parent.active
        Accessible.name: "Loading"
    }

    MouseArea {
        anchors.fill: parent
        enabled: parent.active
        acceptedButtons: Qt.AllButtons
    }
}

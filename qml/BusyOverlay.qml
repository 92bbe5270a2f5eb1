import QtQuick
import QtQuick.Controls

// While `active`: dims whatever lies below, turns a spinner in the middle and takes every
// press and click, so that nothing below reacts. The three layers stack at 998, 999 and 1000,
// above everything else on the page that holds the overlay.
Item {
    property bool active: false

    anchors.fill: parent
    z: 998

    Rectangle {
        z: 998
        anchors.fill: parent
        visible: parent.active
        color: "#000000"
        opacity: 0.4
    }

    BusyIndicator {
        z: 999
        anchors.centerIn: parent
        visible: parent.active
        running: parent.active
        // The styles draw the spinner in the palette's text (Fusion) or dark (Basic) colour,
        // both of which vanish on the dimmed dark page.
        palette.text: "white"
        palette.dark: "white"
        Accessible.name: "Loading"
    }

    MouseArea {
        z: 1000
        anchors.fill: parent
        enabled: parent.active
        acceptedButtons: Qt.AllButtons
    }
}

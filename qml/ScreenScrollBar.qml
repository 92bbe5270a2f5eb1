import QtQuick
import QtQuick.Templates as T

// The thin vertical scroll bar of the screens: shown only when the content is longer than
// the view, a "#555555" handle on a "#222222" track.
T.ScrollBar {
    id: scrollBar

    implicitWidth: 6
    implicitHeight: 100
    orientation: Qt.Vertical
    visible: size < 1.0
    interactive: true

    contentItem: Rectangle {
        implicitWidth: scrollBar.implicitWidth
        radius: 3
        color: "#555555"
        opacity: 0.7
    }

    background: Rectangle {
        implicitWidth: scrollBar.implicitWidth
        radius: 3
        color: "#222222"
    }
}

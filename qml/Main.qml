import QtQuick
import QtQuick.Controls

ApplicationWindow {
    id: window

    visible: true
    width: 1024
    height: 600
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    title: "Client VPN"
    color: "#1b1b1b"

    StackView {
        id: stackView

        anchors.fill: parent
    }
}

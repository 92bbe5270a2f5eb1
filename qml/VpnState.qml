pragma Singleton
import QtQuick

// The connection state as the screens show it; shared by every document of the window.
Item {
    property bool isConnected: false
    property bool isConnecting: false
    property bool isDisconnecting: false
    property bool isDisconnected: true
    property string currentLocationName: "Auto Select"
    property string currentLocationFlag: "qrc:/assets/icons/ic_network_option.png"
    property bool currentFavorite: false
    property string currentLocationType: "N/A"
    property int connectedSeconds: 0
    property string connectDuration: "0:00:00"
    readonly property string statusText: isDisconnecting ? "Disconnecting..."
                                         : isConnecting ? "Connecting..."
                                         : isConnected ? "Disconnect" : "Connect"
    readonly property string statusColor: isDisconnecting ? "#ff1a1a"
                                          : (isConnecting || isConnected) ? "green" : "#ff1a1a"

    visible: false
}

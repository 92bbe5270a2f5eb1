import QtQuick
import MyApp 1.0

// Mirrors the VPN manager's flags into VpnState and runs the connected-time counter. There is
// one, living as long as the window, so that VpnState equals the manager's flags and the
// counter runs whichever screen is shown, also after a sign-out and a new sign-in.
Item {
    id: monitor

    // The settings group that remembers whether the tunnel was up.
    required property QtObject settings

    // Hours without leading zero and without wrap, then two-digit minutes and seconds.
    function formatDuration(totalSeconds) {
        const twoDigits = value => (value < 10 ? "0" : "") + value;
        return Math.floor(totalSeconds / 3600) + ":" +
               twoDigits(Math.floor((totalSeconds % 3600) / 60)) + ":" +
               twoDigits(totalSeconds % 60);
    }

    function logFlags(prefix) {
        console.log(prefix, VpnState.isConnecting, "disconnecting=", VpnState.isDisconnecting,
                    "connected=", VpnState.isConnected);
    }

    objectName: "connectionMonitor"
    visible: false

    Connections {
        function onConnectedChanged() {
            VpnState.isConnected = vpnManager.connected;
            if (VpnState.isConnected) {
                VpnState.connectedSeconds = 0;
                durationTimer.start();
            } else {
                VpnState.connectDuration = "0:00:00";
                durationTimer.stop();
            }
            monitor.settings.savedConnected = VpnState.isConnected;
            monitor.logFlags("[DEBUG] onConnectedChanged: connecting=");
        }

        function onConnectingChanged() {
            VpnState.isConnecting = vpnManager.connecting;
            if (VpnState.isConnecting)
                VpnState.isDisconnecting = false;
            monitor.logFlags("[DEBUG] onConnectingChanged: connecting=");
        }

        function onDisconnectingChanged() {
            VpnState.isDisconnecting = vpnManager.disconnecting;
            VpnState.isConnected = false;
            monitor.logFlags("[DEBUG] onDisconnectingChanged: connecting=");
        }

        function onDisconnectedChanged() {
            VpnState.isDisconnected = vpnManager.disconnected;
            monitor.logFlags("[DEBUG] onDisconnectedChanged: connecting=");
        }

        target: vpnManager
    }

    Timer {
        id: durationTimer

        objectName: "durationTimer"
        interval: 1000
        repeat: true
        onTriggered: {
            VpnState.connectedSeconds += 1;
            VpnState.connectDuration = monitor.formatDuration(VpnState.connectedSeconds);
        }
    }
}

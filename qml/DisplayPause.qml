import QtQuick
import MyApp 1.0
import "StoredValues.js" as StoredValues

// Battery Optimization: when the display turns off while a tunnel is up, disconnects as the
// Disconnect button does and remembers the location; when it turns on again, connects there
// through the main menu as if the user had chosen it, unless the user started a connection of
// their own in between.
Item {
    id: displayPause

    // The settings group read by key.
    required property var settings
    // The stack whose current page, when it is the main menu, makes the connection.
    required property var stack
    // The location that the display's turning off disconnected, null while nothing is paused.
    property var pausedLocation: null

    function pause() {
        if (!vpnManager.connected || !StoredValues.isTrue(settings.value("batteryOptimization", false)))
            return;
        pausedLocation = { name: VpnState.currentLocationName, flag: VpnState.currentLocationFlag,
                           favorite: VpnState.currentFavorite, type: VpnState.currentLocationType };
        console.log("[Battery] The display turned off: pausing the tunnel to", pausedLocation.name);
        VpnState.isDisconnecting = true;
        vpnManager.disconnectVpn();
    }

    function resume() {
        const location = pausedLocation;
        if (!location)
            return;
        pausedLocation = null;
        const menu = stack.currentItem;
        if (!menu || typeof menu.connectToLocation !== "function") {
            console.log("[Battery] The display turned on: not resuming, the main menu is not shown");
            return;
        }
        console.log("[Battery] The display turned on: resuming the tunnel to", location.name);
        menu.connectToLocation(location.name, location.flag, location.favorite, location.type);
    }

    objectName: "displayPause"
    visible: false

    Connections {
        function onTurnedOff() {
            displayPause.pause();
        }

        function onTurnedOn() {
            displayPause.resume();
        }

        target: displayState
    }

    // Any attempt that starts while paused is the user's (Connect, or another location): the
    // pause is theirs to end then.
    Connections {
        function onConnectingChanged() {
            if (vpnManager.connecting)
                displayPause.pausedLocation = null;
        }

        target: vpnManager
    }
}

import QtQuick
import MyApp 1.0
import "AutoConnect.js" as AutoConnect
import "StoredValues.js" as StoredValues

// Brings back the tunnel that was up when the user's session ended: the location is recorded
// in the settings store as the session ends, and the next start connects to it by itself when
// Auto Connect is on, as if the user had pressed Connect with it. A connection made that way
// minimizes the window once it is up, when Shortcut Minimize is on.
Item {
    id: sessionRestore

    // The settings group read and written by key.
    required property var settings
    // The window that a connection made by the program minimizes.
    required property Window window
    readonly property string recordKey: "reconnectRecord"
    // The start's decision has been made; it is made once.
    property bool decided: false
    // The attempt under way was started by the program itself, not by the user.
    property bool startedByItself: false

    // Notes the location while a tunnel is up or reconnecting, at once and for good.
    function recordIfUp() {
        const up = vpnManager.connected || vpnManager.connecting;
        settings.setValue(recordKey, up ? AutoConnect.recordText(VpnState.currentLocationName,
                                                                 VpnState.currentLocationFlag,
                                                                 VpnState.currentFavorite,
                                                                 VpnState.currentLocationType)
                                        : "");
        settings.sync();
        if (up)
            console.log("[AutoConnect] The session ended with a tunnel to",
                        VpnState.currentLocationName, "- recorded for the next start");
    }

    function forget() {
        if (StoredValues.textOf(settings.value(recordKey, "")) === "")
            return;
        settings.setValue(recordKey, "");
        settings.sync();
    }

    // Once per start, when the directory request has ended: connects through `menu` (the main
    // menu, when it is shown) or says in one line why not; the record is used up either way.
    function reconnectAtStart(menu, directory) {
        if (decided)
            return;
        decided = true;
        const record = settings.value(recordKey, "");
        let decision = AutoConnect.startDecision(record, settings.value("autoConnect", false),
                                                 settings.value("isLoggedIn", false),
                                                 settings.value("expiryDate", ""), new Date(),
                                                 directory);
        if (decision.reconnect && !(menu && typeof menu.connectToLocation === "function"))
            decision = { reconnect: false, reason: "the main menu is not shown" };
        if (!decision.reconnect) {
            console.log("[AutoConnect] Not reconnecting at start:", decision.reason);
            forget();
            return;
        }
        const location = AutoConnect.locationOf(record);
        console.log("[AutoConnect] Reconnecting to", location.name,
                    "as when the last session ended");
        startedByItself = true;
        menu.connectToLocation(location.name, location.flag, location.favorite, location.type);
        forget();
    }

    objectName: "sessionRestore"
    visible: false

    Connections {
        function onEnding() {
            sessionRestore.recordIfUp();
        }

        target: sessionEnd
    }

    Connections {
        function onConnectedChanged() {
            if (!vpnManager.connected || !sessionRestore.startedByItself)
                return;
            sessionRestore.startedByItself = false;
            if (StoredValues.isTrue(sessionRestore.settings.value("shortcutMinimize", false))) {
                console.log("[AutoConnect] Connected by itself: the window is minimized");
                sessionRestore.window.showMinimized();
            }
        }

        // An attempt of the program's own that ended without a tunnel leaves the next to the user.
        function onConnectingChanged() {
            if (!vpnManager.connecting && !vpnManager.connected)
                sessionRestore.startedByItself = false;
        }

        target: vpnManager
    }

    // A window closed by the user, not by the session's end, stops the tunnel for good.
    Connections {
        function onClosing() {
            if (!sessionEnd.ending)
                sessionRestore.forget();
        }

        target: sessionRestore.window
    }
}

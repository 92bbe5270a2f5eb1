import QtQuick
import QtQuick.Controls
import Qt.labs.settings
import "PanelApi.js" as PanelApi
import "StoredValues.js" as StoredValues

ApplicationWindow {
    id: window

    // How long the server directory request may go unanswered before it counts as failed.
    property int directoryTimeout: 15000
    // The directory request while it runs, null otherwise.
    property var directoryRequest: null

    function initDefault(key, defaultValue) {
        const stored = appSettings.value(key);
        if (stored === undefined) {
            appSettings.setValue(key, defaultValue);
            console.log("[Settings] '" + key + "' set to default: " + defaultValue);
        } else {
            console.log("[Settings] '" + key + "' already exists: " + stored);
        }
    }

    function seedOptionDefaults() {
        const defaults = [
            ["batteryOptimization", false],
            ["killSwitch", false],
            ["autoConnect", false],
            ["vpnProtocol", "UDP"],
            ["ipv6", "Combined IPv4/IPv6 tunnel"],
            ["timeout", "30 seconds"],
            ["compression", "No"],
            ["forceAESCBC", false],
            ["insecureAlgos", false],
            ["minTLS", "TLS 1.2"],
            ["dnsFallback", false],
            ["shortcutMinimize", false]
        ];
        for (const entry of defaults)
            initDefault(entry[0], entry[1]);
    }

    // Hands an option that the VPN manager acts on to it (others are ignored); each attempt
    // takes them when it starts.
    function applyVpnOption(key, value) {
        if (key === "killSwitch")
            vpnManager.killSwitch = StoredValues.isTrue(value);
        else if (key === "timeout")
            vpnManager.connectTimeoutMs = StoredValues.connectTimeoutMs(value);
    }

    function hasValidSignIn(loggedIn, expiryText, now) {
        return StoredValues.isTrue(loggedIn) && StoredValues.isLaterThan(expiryText, now);
    }

    function routeAtStart() {
        loadFromApi();
        if (hasValidSignIn(appSettings.value("isLoggedIn", false),
                           appSettings.value("expiryDate", ""), new Date())) {
            console.log("[Main] Đăng nhập hợp lệ. Vào HomeScreen.");
            stackView.push(Qt.resolvedUrl("MainMenu.qml"));
        } else {
            console.log("[Main] Chưa đăng nhập hoặc hết hạn. Vào LoginScreen.");
            stackView.push(Qt.resolvedUrl("LoginScreen.qml"));
        }
    }

    function loadFromApi() {
        homeSettings.isLoading = true;
        console.log("[LocationScreen] Fetching server list from API..., isloading = ",
                    homeSettings.isLoading);
        directoryRequest = PanelApi.get(panelUrl + "/api/app-servers.json", finishDirectoryFetch);
        directoryDeadline.start();
    }

    // The directory in a reply, or null (logged) when the reply holds no usable directory.
    function directoryFromReply(status, text) {
        if (status !== 200) {
            console.warn("[LocationScreen] API request failed. Status: " + status);
            return null;
        }
        let directory;
        try {
            directory = JSON.parse(text);
        } catch (error) {
            console.warn("[LocationScreen] Server list is not JSON, keeping the stored copy:",
                         error.message);
            return null;
        }
        if (!directory || !directory.Servers) {
            console.warn("[LocationScreen] Server list has no Servers, keeping the stored copy");
            return null;
        }
        // No screen can show a Servers that is a number, a text or an object.
        if (!Array.isArray(directory.Servers)) {
            console.warn("[LocationScreen] Server list's Servers is not a list, keeping the stored copy");
            return null;
        }
        return directory;
    }

    // Ends the busy state whatever the outcome, so that no page is left covered.
    function finishDirectoryFetch(status, text) {
        directoryRequest = null;
        directoryDeadline.stop();
        const directory = directoryFromReply(status, text);
        if (directory) {
            homeSettings.rawApiData = directory;
            console.log("[LocationScreen] Server list received and stored");
        }
        homeSettings.isLoading = false;
        sessionRestore.reconnectAtStart(stackView.currentItem, homeSettings.rawApiData);
    }

    function abandonDirectoryFetch() {
        if (!directoryRequest)
            return;
        console.warn("[LocationScreen] API request timed out after", directoryTimeout, "ms");
        PanelApi.cancel(directoryRequest);
        finishDirectoryFetch(0, "");
    }

    visible: true
    width: 1024
    height: 600
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    title: "Client VPN"
    color: "#1b1b1b"

    // The settings groups exist by now: seed the options and hand the manager its own, then
    // route. (Qt runs the window's own completion handler before its children's, so seeding
    // cannot wait for appSettings'.)
    Component.onCompleted: {
        seedOptionDefaults();
        for (const key of ["killSwitch", "timeout"])
            applyVpnOption(key, appSettings.value(key));
        // Keeps the start at logon pointing at this program, which may have moved.
        if (StoredValues.isTrue(appSettings.value("autoConnect")))
            autoStart.setEnabled(true);
        routeAtStart();
    }
    Component.onDestruction: {
        if (directoryRequest)
            PanelApi.cancel(directoryRequest);
    }

    Settings {
        id: homeSettings

        property bool savedConnected: false
        property string savedLocationName: "Auto Select"
        property string savedLocationFlag: "qrc:/assets/icons/ic_network_option.png"
        property bool savedFavorite: false
        property string savedLocationType: "N/A"
        property string expiryDate: ""
        // The last directory received. Declared without an initial value: a var property
        // that starts as null is not restored from the store at the next start.
        property var rawApiData
        property bool isLoading: true

        objectName: "homeSettings"
    }

    Settings {
        id: appSettings

        objectName: "appSettings"
    }

    Timer {
        id: directoryDeadline

        interval: window.directoryTimeout
        onTriggered: window.abandonDirectoryFetch()
    }

    ConnectionMonitor {
        settings: homeSettings
    }

    SessionRestore {
        id: sessionRestore

        settings: appSettings
        window: window
    }

    DisplayPause {
        settings: appSettings
        stack: stackView
    }

    // The menu announces every option the user changes on the settings screen, with its value.
    Connections {
        function onOptionChanged(key, value) {
            if (key === "autoConnect")
                autoStart.setEnabled(StoredValues.isTrue(value));
            else
                window.applyVpnOption(key, value);
        }

        target: stackView.currentItem
        ignoreUnknownSignals: true
    }

    StackView {
        id: stackView

        objectName: "stackView"
        anchors.fill: parent
        // The keyboard focus starts on the shown page, which passes it to its first control.
        focus: true
    }
}

import QtQuick
import MyApp 1.0
import "KeyboardFocus.js" as KeyboardFocus

// The page shown while the user is signed in: one screen at a time above a bar of four
// entries, the hand-over of a location chosen on the location screen to the home screen,
// and sign-out.
Rectangle {
    id: mainMenu

    property string currentTab: "home"
    // The location chosen on the location screen, waiting for the next turn of the event loop.
    property var pendingLocation: null
    // The reason for the first focus of the shown screen: the ring shows on it after a sign-in
    // confirmed from the keyboard.
    property int entryFocusReason: Qt.OtherFocusReason
    // The screen in the loader; its functions depend on which document it is.
    readonly property var shownScreen: screenLoader.item

    // The user changed the option stored under `key` to `value` on the settings screen.
    signal optionChanged(string key, var value)

    // Replaces the shown screen by the document (created with the given properties, if any)
    // and gives the keyboard focus to its first control, with the ring when `via` (the control
    // that was used, else the one with the focus) showed it: from the keyboard, not the mouse.
    function showScreen(tab, document, properties, via) {
        const reason = KeyboardFocus.reasonAfter(via || Window.activeFocusItem);
        // Out of the old screen first, so that the new one receives the focus afresh.
        screenLoader.focus = false;
        if (properties)
            screenLoader.setSource(Qt.resolvedUrl(document), properties);
        else
            screenLoader.source = Qt.resolvedUrl(document);
        currentTab = tab;
        screenLoader.forceActiveFocus(reason);
    }

    function activate(tab, via) {
        if (tab === "home")
            showScreen(tab, "HomeScreen.qml", null, via);
        else if (tab === "locations")
            showScreen(tab, "LocationScreen.qml", null, via);
        else if (tab === "settings")
            showScreen(tab, "Settings.qml", { appSettings: appSettings }, via);
        else
            signOut();
    }

    // Stops listening to the location screen, then replaces it by a new home screen, which
    // connects to the location on the next turn of the event loop, once it is in place.
    function connectToLocation(name, flag, favorite, type) {
        console.log("[MainMenu] Received signal: connectToLocation", name, flag, favorite, type);
        currentTab = "home";
        showScreen("home", "HomeScreen.qml");
        pendingLocation = [name, flag, favorite, type];
        handOver.start();
    }

    function handOverLocation() {
        const location = pendingLocation;
        pendingLocation = null;
        if (location && shownScreen && typeof shownScreen.updateConnection === "function")
            shownScreen.updateConnection(location[0], location[1], location[2], location[3]);
    }

    function signOut() {
        if (vpnManager.connected) {
            console.log("[MainMenu] Disconnecting VPN before logout...");
            vpnManager.disconnectVpn();
        }
        homeSettings.savedConnected = false;
        appSettings.setValue("isLoggedIn", false);
        appSettings.setValue("expiryDate", "");
        console.log("[Logout] Đã đăng xuất. Trạng thái đã được xóa.");
        stackView.clear();
        stackView.push(Qt.resolvedUrl("LoginScreen.qml"));
        console.log("[Logout] stackView pop");
        currentTab = "logout";
    }

    objectName: "mainMenu"
    implicitWidth: 1024
    implicitHeight: 600
    color: "#222222"

    // The page stack gives the focus to the page; it belongs in the shown screen.
    onActiveFocusChanged: {
        if (activeFocus) {
            screenLoader.forceActiveFocus(entryFocusReason);
            entryFocusReason = Qt.OtherFocusReason;
        }
    }

    // Each screen marks its first control with `focus: true` (a screen that is a focus scope
    // marks its root too), so the loader's focus goes on to that control.
    Loader {
        id: screenLoader

        objectName: "screenLoader"
        anchors.fill: parent
        anchors.bottomMargin: navBar.height
        source: Qt.resolvedUrl("HomeScreen.qml")
    }

    // The location screen is heard only while it is the current tab.
    Connections {
        function onConnectToLocation(name, flag, favorite, type) {
            mainMenu.connectToLocation(name, flag, favorite, type);
        }

        target: mainMenu.currentTab === "locations" ? mainMenu.shownScreen : null
        ignoreUnknownSignals: true
    }

    // The settings screen is heard only while it is the current tab.
    Connections {
        function onOptionChanged(key, value) {
            mainMenu.optionChanged(key, value);
        }

        target: mainMenu.currentTab === "settings" ? mainMenu.shownScreen : null
        ignoreUnknownSignals: true
    }

    Timer {
        id: handOver

        interval: 0
        onTriggered: mainMenu.handOverLocation()
    }

    Rectangle {
        id: navBar

        objectName: "navBar"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 56
        color: "#222"
        enabled: !VpnState.isConnecting && !VpnState.isDisconnecting && !homeSettings.isLoading

        Row {
            id: navRow

            anchors.fill: parent
            anchors.margins: 4
            spacing: 8

            Repeater {
                model: [
                    { tab: "home", label: "Home", icon: "qrc:/assets/icons/ic_home.png" },
                    { tab: "locations", label: "Locations", icon: "qrc:/assets/icons/ic_location.png" },
                    { tab: "settings", label: "Settings", icon: "qrc:/assets/icons/ic_settings.png" },
                    { tab: "logout", label: "Logout", icon: "qrc:/assets/icons/ic_logout.png" }
                ]

                // An entry: icon, label and an underline while its tab is the current one.
                delegate: PlainButton {
                    id: entry

                    required property var modelData

                    objectName: modelData.tab + "Tab"
                    width: (navRow.width - 3 * navRow.spacing) / 4
                    height: navRow.height
                    text: modelData.label

                    contentItem: Item {
                        Column {
                            anchors.centerIn: parent
                            spacing: 2

                            Image {
                                anchors.horizontalCenter: parent.horizontalCenter
                                width: 24
                                height: 24
                                source: entry.modelData.icon
                            }

                            Text {
                                anchors.horizontalCenter: parent.horizontalCenter
                                text: entry.text
                                color: "white"
                                font.pixelSize: 10
                            }

                            Rectangle {
                                objectName: entry.modelData.tab + "Underline"
                                anchors.horizontalCenter: parent.horizontalCenter
                                width: 24
                                height: 2
                                radius: 1
                                color: mainMenu.currentTab === entry.modelData.tab ? "#00c0ff"
                                                                                    : "transparent"
                            }
                        }
                    }

                    onClicked: mainMenu.activate(modelData.tab, entry)
                }
            }
        }
    }

    BusyOverlay {
        active: homeSettings.isLoading
    }
}

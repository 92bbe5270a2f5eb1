import QtQuick
import QtQuick.Templates as T
import MyApp 1.0
import "ServerChoice.js" as ServerChoice

// The first tab: the connection's state, the chosen location with its flag and favourite
// star, the one button that connects or disconnects and, while connected, the private
// address, the time connected and the account's expiry date; under the button, why the last
// attempt failed or the last tunnel was lost.
Rectangle {
    id: homeScreen

    readonly property string expiryDate: homeSettings.expiryDate
    readonly property string statusLine: VpnState.isConnecting ? "Connecting..."
                                         : VpnState.isDisconnecting ? "Disconnecting..."
                                         : VpnState.isConnected ? "Connected" : "Disconnected"

    function isFavorite(favorites, name, type) {
        return favorites.some(favorite => favorite.name === name && favorite.type === type);
    }

    // The server that a connection to the location goes to, or null (logged).
    function serverFor(name, type) {
        const directory = homeSettings.rawApiData;
        if (name === ServerChoice.autoSelectName) {
            const candidates = ServerChoice.autoSelectCandidates(directory);
            if (candidates.length === 0) {
                console.warn("[Error] No available servers");
                return null;
            }
            const picked = candidates[Math.floor(Math.random() * candidates.length)];
            console.log("[AutoSelect] Picked:", picked.label);
            return picked;
        }
        const server = ServerChoice.serverNamed(directory, name, type);
        if (!server || server.host === "") {
            console.warn("[Error] Cannot find server info for", name);
            return null;
        }
        return server;
    }

    // Stops a running tunnel first, then connects to the location and remembers it, whatever
    // the manager made of the request.
    function updateConnection(name, flag, favorite, type) {
        if (VpnState.isConnected) {
            console.log("[HomeScreen] Disconnecting from:", VpnState.currentLocationName);
            VpnState.isDisconnecting = true;
            vpnManager.syncDisconnectVpn();
        }
        const server = serverFor(name, type);
        if (!server)
            return;
        console.log("[VPN] Connecting to", server.host, ":", server.port, "Category:", server.cat,
                    "User:", server.user, "Pass:", server.pass === "" ? "" : "[hidden]");
        vpnManager.connectVpn(server.host, server.port, server.cat, server.user, server.pass);
        VpnState.currentLocationName = name;
        VpnState.currentLocationFlag = flag;
        VpnState.currentFavorite = favorite;
        VpnState.currentLocationType = type;
        homeSettings.savedLocationName = name;
        homeSettings.savedLocationFlag = flag;
        homeSettings.savedFavorite = favorite;
        homeSettings.savedLocationType = type;
    }

    // Adds the current location to the favourites, or removes it when it is stored there.
    function updateFavorites() {
        const name = VpnState.currentLocationName;
        const type = VpnState.currentLocationType;
        const stored = locationLoader.loadFavorites();
        const kept = stored.filter(favorite => !(favorite.name === name && favorite.type === type));
        const add = kept.length === stored.length && name !== ServerChoice.autoSelectName;
        const favorites = add ? kept.concat([{ name: name, flag: VpnState.currentLocationFlag, type: type }])
                              : kept;
        if (!locationLoader.saveFavorites(favorites)) {
            console.warn("[Favorites] The favourites could not be saved; the star is unchanged");
            return;
        }
        VpnState.currentFavorite = add;
        homeSettings.savedFavorite = VpnState.currentFavorite;
    }

    function pressButton() {
        console.log("[DEBUG] Before click: connecting=", VpnState.isConnecting, "disconnecting=",
                    VpnState.isDisconnecting, "connected=", VpnState.isConnected);
        if (VpnState.isConnecting || VpnState.isDisconnecting)
            return;
        if (VpnState.isConnected) {
            console.log("[UI] Disconnect button clicked");
            VpnState.isDisconnecting = true;
            homeSettings.savedConnected = false;
            // One turn later, so that "Disconnecting..." is painted before the stop begins.
            disconnectLater.start();
            console.log("[UI] Disconnect done");
            return;
        }
        console.log("[UI] Connect button clicked");
        updateConnection(VpnState.currentLocationName, VpnState.currentLocationFlag,
                         VpnState.currentFavorite, VpnState.currentLocationType);
    }

    objectName: "homeScreen"
    implicitWidth: 1024
    implicitHeight: 600
    color: "#222222"

    Component.onCompleted: {
        VpnState.currentLocationName = homeSettings.savedLocationName;
        VpnState.currentLocationFlag = homeSettings.savedLocationFlag;
        VpnState.currentLocationType = homeSettings.savedLocationType;
        VpnState.currentFavorite = isFavorite(locationLoader.loadFavorites(),
                                              VpnState.currentLocationName,
                                              VpnState.currentLocationType);
        console.log("[HomeScreen] Loaded:", VpnState.currentLocationName, "Favorite:",
                    VpnState.currentFavorite);
    }

    // A label on the left half of its row and a value, right-aligned, on the right half.
    component InfoRow: Item {
        property alias label: labelText.text
        property alias value: valueText.text

        width: parent.width
        height: Math.max(labelText.implicitHeight, valueText.implicitHeight)

        Text {
            id: labelText

            width: parent.width / 2
            color: "#ccc"
            font.pixelSize: 14
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }

        Text {
            id: valueText

            x: parent.width / 2
            width: parent.width / 2
            color: "white"
            font.pixelSize: 14
            horizontalAlignment: Text.AlignRight
            Accessible.role: Accessible.StaticText
            Accessible.name: labelText.text + " " + text
        }
    }

    Timer {
        id: disconnectLater

        interval: 0
        onTriggered: {
            vpnManager.disconnectVpn();
            console.log("[UI] Disconnect done1");
        }
    }

    // A directory with servers has arrived: the start-up fetch is over for this screen.
    Connections {
        function onRawApiDataChanged() {
            const directory = homeSettings.rawApiData;
            if (directory !== null && typeof directory === "object" && "Servers" in directory)
                homeSettings.isLoading = false;
        }

        target: homeSettings
    }

    Image {
        objectName: "map"
        anchors.right: parent.right
        anchors.rightMargin: -40
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: parent.width / 2
        fillMode: Image.PreserveAspectFit
        source: VpnState.isConnected ? "qrc:/assets/icons/map_connected.png"
                                     : "qrc:/assets/icons/map_connect.png"
        Accessible.role: Accessible.Graphic
        Accessible.name: VpnState.isConnected ? "Map, connected" : "Map"
    }

    Column {
        id: controls

        y: parent.height / 3
        width: parent.width / 2
        spacing: 20
        // Keys, like clicks, reach nothing here while the busy overlay covers the screen.
        enabled: !homeSettings.isLoading

        Column {
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 16

            Text {
                objectName: "statusLine"
                anchors.horizontalCenter: parent.horizontalCenter
                text: homeScreen.statusLine
                color: "white"
                font.pixelSize: 16
                horizontalAlignment: Text.AlignHCenter
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }

            Item {
                width: 1
                height: 16
            }

            Row {
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 8

                Image {
                    objectName: "locationFlag"
                    anchors.verticalCenter: parent.verticalCenter
                    width: 24
                    height: 24
                    source: VpnState.currentLocationFlag
                    Accessible.role: Accessible.Graphic
                    Accessible.name: "Flag"
                }

                Text {
                    objectName: "locationName"
                    anchors.verticalCenter: parent.verticalCenter
                    text: VpnState.currentLocationName
                    color: "white"
                    font.pixelSize: 14
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }

                // Marked while the location is a favourite; a press adds or removes it.
                T.CheckBox {
                    id: star

                    objectName: "star"
                    anchors.verticalCenter: parent.verticalCenter
                    width: 20
                    height: 20
                    padding: 0
                    focusPolicy: Qt.TabFocus
                    visible: VpnState.currentLocationName !== ServerChoice.autoSelectName
                    text: "Favorite " + VpnState.currentLocationName
                    checked: VpnState.currentFavorite
                    // The mark follows the stored favourites, which a press changes.
                    nextCheckState: () => star.checkState

                    indicator: Image {
                        width: 20
                        height: 20
                        source: star.checked ? "qrc:/assets/icons/ic_star_checked.png"
                                             : "qrc:/assets/icons/ic_star.png"
                    }

                    onClicked: homeScreen.updateFavorites()

                    ClickSupport {}
                }
            }
        }

        PillButton {
            id: connectButton

            objectName: "connectButton"
            anchors.horizontalCenter: parent.horizontalCenter
            width: 252
            height: 40
            focus: true
            text: VpnState.statusText
            color: VpnState.statusColor

            onClicked: homeScreen.pressButton()
        }

        Item {
            objectName: "infoPanel"
            width: parent.width
            height: infoRows.implicitHeight + 64
            visible: VpnState.isConnected

            Column {
                id: infoRows

                anchors.fill: parent
                anchors.margins: 32
                spacing: 8

                InfoRow {
                    objectName: "privateIpRow"
                    label: "Private IP Address:"
                    // The manager goes before the documents when the program ends.
                    value: (vpnManager ? vpnManager.privateIp : "") || "-"
                }

                InfoRow {
                    objectName: "durationRow"
                    label: "Time Connected:"
                    value: VpnState.connectDuration
                }

                InfoRow {
                    objectName: "expiryRow"
                    label: "Expiry Date:"
                    value: homeScreen.expiryDate
                }
            }
        }
    }

    // Placed over the layout rather than in it, so that nothing else moves when it shows.
    Text {
        objectName: "failureLine"
        x: controls.x
        y: controls.y + connectButton.y + connectButton.height + 12
        width: controls.width
        visible: text !== ""
        text: vpnManager ? vpnManager.lastError : ""
        color: "#ffb74d"
        font.pixelSize: 13
        horizontalAlignment: Text.AlignHCenter
        elide: Text.ElideRight
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }

    BusyOverlay {
        active: homeSettings.isLoading
    }
}

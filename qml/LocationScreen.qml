import QtQuick
import QtQuick.Controls
import "ServerChoice.js" as ServerChoice
import "StoredValues.js" as StoredValues

// The locations that the user can connect to, in three tabs: the countries and the cities of
// the server directory, and the stored favourites. A star on each row marks or unmarks a
// favourite; a click on a row asks whether to connect ("Auto Select" connects at once). The
// screen connects nothing itself: it emits connectToLocation for the main menu.
Rectangle {
    id: locationScreen

    readonly property string autoSelectFlag: "qrc:/assets/icons/ic_network_option.png"
    property string currentTab: "Countries"
    property string selectedLocationName: ""
    property string selectedLocationFlag: ""
    property bool selectedLocationFavorite: false
    property string selectedLocationType: ""
    property bool showDialog: false
    property ListModel locationModel: ListModel {}

    signal connectToLocation(string name, string flag, bool favorite, string type)

    function hasIdentity(record, name, type) {
        return StoredValues.textOf(record.name) === name &&
               StoredValues.textOf(record.type) === type;
    }

    // A missing or empty code counts as "unknown", for which no flag image exists.
    function flagUrl(code) {
        const text = StoredValues.textOf(code) || "unknown";
        return "qrc:/assets/flags/" + text.toUpperCase() + ".png";
    }

    // The stored favourites are read once for a whole tab and handed in; without them, the
    // store is read for this one look-up.
    function isInFavorites(name, type, favorites) {
        return (favorites || locationLoader.loadFavorites()).some(
            record => hasIdentity(record, name, type));
    }

    function directoryRows(tabName) {
        const directory = homeSettings.rawApiData;
        const favorites = locationLoader.loadFavorites();
        const row = (name, code, type) => {
            const text = StoredValues.textOf(name);
            return { name: text, flag: flagUrl(code), type: type,
                     favorite: isInFavorites(text, type, favorites) };
        };
        if (tabName === "Countries")
            return ServerChoice.listOf(directory, "Servers").map(
                entry => row(entry.Name, entry.Flag, "Country"));
        if (tabName === "Cities")
            return ServerChoice.listOf(directory, "Cities").map(
                entry => row(entry.CityName, entry.Origin, "City"));
        return [];
    }

    function loadTabData(tabName) {
        locationModel.clear();
        locationModel.append({ name: ServerChoice.autoSelectName, flag: autoSelectFlag,
                               favorite: false, type: "none" });
        if (tabName === "Favorites")
            loadFavorites();
        else
            locationModel.append(directoryRows(tabName));
        console.log("[LocationScreen] Loaded " + locationModel.count + " items for tab: " + tabName);
    }

    // Fills the list with the stored favourites (this tab has no "Auto Select" row).
    function loadFavorites() {
        const rows = locationLoader.loadFavorites().map(record => ({
            name: StoredValues.textOf(record.name), flag: StoredValues.textOf(record.flag),
            favorite: true, type: StoredValues.textOf(record.type)
        }));
        locationModel.clear();
        locationModel.append(rows);
        console.log("[Favorites] Loaded " + locationModel.count + " favorite items.");
    }

    function switchTab(tabName) {
        currentTab = tabName;
        console.log("[LocationScreen] Switched tab to: " + tabName);
        if (homeSettings.rawApiData !== null && homeSettings.rawApiData !== undefined)
            loadTabData(currentTab);
    }

    function selectRow(index) {
        const item = locationModel.get(index);
        selectedLocationName = item.name;
        selectedLocationFlag = item.flag;
        selectedLocationFavorite = item.favorite;
        selectedLocationType = item.type;
        if (item.name === ServerChoice.autoSelectName) {
            console.log("[Connect] Auto Select chosen");
            emitSelection();
        } else {
            showDialog = true;
        }
    }

    function emitSelection() {
        connectToLocation(selectedLocationName, selectedLocationFlag, selectedLocationFavorite,
                          selectedLocationType);
    }

    function toggleFavorite(index) {
        const item = locationModel.get(index);
        const newState = !item.favorite;
        locationModel.setProperty(index, "favorite", newState);
        const favorites = locationLoader.loadFavorites().filter(
            record => !hasIdentity(record, item.name, item.type));
        if (newState)
            favorites.push({ name: item.name, flag: item.flag, type: item.type });
        console.log("[Favorites] Saving (after toggle):", JSON.stringify(favorites));
        locationLoader.saveFavorites(favorites);
        if (currentTab === "Favorites")
            loadTabData(currentTab);
    }

    function rowsOfList() {
        const rows = [];
        for (let i = 0; i < locationModel.count; ++i)
            rows.push(locationModel.get(i));
        return rows;
    }

    // Keeps the stored favourites in their order, less those unmarked in this list, then
    // appends the rows newly marked here.
    function saveFavorites() {
        const rows = rowsOfList();
        const record = item => ({ name: item.name, flag: item.flag, type: item.type });
        const merged = [];
        for (const stored of locationLoader.loadFavorites()) {
            const shown = rows.find(item => hasIdentity(stored, item.name, item.type));
            if (!shown)
                merged.push(stored);
            else if (shown.favorite)
                merged.push(record(shown));
        }
        for (const item of rows) {
            if (item.favorite && !merged.some(kept => hasIdentity(kept, item.name, item.type)))
                merged.push(record(item));
        }
        console.log("[Favorites] Saving merged:", JSON.stringify(merged));
        locationLoader.saveFavorites(merged);
    }

    function addFavorite() {
        for (let i = 0; i < locationModel.count; ++i) {
            if (locationModel.get(i).name === selectedLocationName) {
                locationModel.setProperty(i, "favorite", true);
                break;
            }
        }
        saveFavorites();
        showDialog = false;
    }

    function connectSelected() {
        console.log("[Connect] Triggered connection to " + selectedLocationName);
        showDialog = false;
        emitSelection();
    }

    objectName: "locationScreen"
    implicitWidth: 1024
    implicitHeight: 544
    color: "#222222"

    Component.onCompleted: loadTabData(currentTab)

    // A bold red text that acts as a button in the confirmation dialog.
    component DialogButton: Text {
        id: dialogButton

        signal activated

        color: "red"
        font.bold: true
        font.pixelSize: 14
        Accessible.role: Accessible.Button
        Accessible.name: text
        Accessible.onPressAction: activated()

        MouseArea {
            anchors.fill: parent
            anchors.margins: -6
            cursorShape: Qt.PointingHandCursor
            onClicked: dialogButton.activated()
        }
    }

    Text {
        id: title

        x: 16
        y: 16
        text: "Select Location"
        color: "white"
        font.bold: true
        font.pixelSize: 20
    }

    Row {
        id: tabRow

        anchors.left: title.left
        anchors.top: title.bottom
        anchors.topMargin: 12
        spacing: 8

        Repeater {
            model: ["Countries", "Cities", "Favorites"]

            Rectangle {
                id: tab

                required property string modelData
                readonly property bool current: locationScreen.currentTab === modelData

                objectName: "tab" + modelData
                width: 100
                height: 32
                radius: 8
                color: current ? "white" : "#3a3a3a"
                Accessible.role: Accessible.PageTab
                Accessible.name: modelData
                Accessible.selected: current
                Accessible.onPressAction: locationScreen.switchTab(modelData)

                Text {
                    anchors.centerIn: parent
                    text: tab.modelData
                    color: tab.current ? "black" : "white"
                    font.pixelSize: 14
                }

                MouseArea {
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                    onClicked: locationScreen.switchTab(tab.modelData)
                }
            }
        }
    }

    ListView {
        id: locationList

        objectName: "locationList"
        anchors.top: tabRow.bottom
        anchors.topMargin: 12
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: locationScreen.locationModel
        reuseItems: true
        Accessible.role: Accessible.List
        Accessible.name: locationScreen.currentTab

        ScrollBar.vertical: ScreenScrollBar {}

        delegate: Item {
            id: locationRow

            required property int index
            required property string name
            required property string flag
            required property bool favorite
            required property string type
            readonly property bool isAutoSelect: name === ServerChoice.autoSelectName

            width: ListView.view.width
            height: 49
            Accessible.role: Accessible.ListItem
            Accessible.name: name
            Accessible.onPressAction: locationScreen.selectRow(index)

            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: locationScreen.selectRow(locationRow.index)
            }

            Image {
                id: flagImage

                x: 16
                width: 24
                height: 24
                anchors.verticalCenter: parent.verticalCenter
                source: locationRow.flag
                fillMode: Image.PreserveAspectFit
                asynchronous: true
            }

            Text {
                anchors.left: flagImage.right
                anchors.leftMargin: 12
                anchors.right: starSquare.left
                anchors.verticalCenter: parent.verticalCenter
                text: locationRow.name
                color: "white"
                font.pixelSize: 14
                elide: Text.ElideRight
            }

            // Takes its clicks also on the "Auto Select" row, where it does nothing.
            Item {
                id: starSquare

                objectName: "star"
                width: 32
                height: 32
                anchors.right: parent.right
                anchors.rightMargin: 35
                anchors.verticalCenter: parent.verticalCenter
                Accessible.role: Accessible.CheckBox
                Accessible.name: "Favorite " + locationRow.name
                Accessible.checkable: true
                Accessible.checked: locationRow.favorite
                Accessible.ignored: locationRow.isAutoSelect
                Accessible.onToggleAction: locationScreen.toggleFavorite(locationRow.index)

                Image {
                    width: 20
                    height: 20
                    anchors.centerIn: parent
                    visible: !locationRow.isAutoSelect
                    source: locationRow.favorite ? "qrc:/assets/icons/ic_star_checked.png"
                                                 : "qrc:/assets/icons/ic_star.png"
                }

                MouseArea {
                    anchors.fill: parent
                    cursorShape: locationRow.isAutoSelect ? Qt.ArrowCursor : Qt.PointingHandCursor
                    onClicked: {
                        if (!locationRow.isAutoSelect)
                            locationScreen.toggleFavorite(locationRow.index);
                    }
                }
            }

            Rectangle {
                width: parent.width
                height: 1
                anchors.bottom: parent.bottom
                visible: locationRow.index < locationRow.ListView.view.count - 1
                color: "#3a3a3a"
            }
        }
    }

    // Neither layer takes mouse input: rows, stars and tabs outside the dialog's three
    // buttons stay clickable while it is open.
    Rectangle {
        anchors.fill: parent
        visible: locationScreen.showDialog
        color: "black"
        opacity: 0.5
    }

    Rectangle {
        objectName: "connectDialog"
        width: 300
        height: 100
        anchors.centerIn: parent
        visible: locationScreen.showDialog
        radius: 8
        color: "#444"
        border.color: "gray"
        Accessible.role: Accessible.Dialog
        Accessible.name: dialogText.text

        Text {
            id: dialogText

            objectName: "dialogText"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.margins: 16
            text: "Do you want to connect to " + locationScreen.selectedLocationName + "?"
            color: "white"
            font.pixelSize: 14
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
        }

        Row {
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 16
            spacing: 24

            DialogButton {
                objectName: "addFavoriteButton"
                visible: locationScreen.currentTab !== "Favorites"
                text: "Add Favorite"
                onActivated: locationScreen.addFavorite()
            }

            DialogButton {
                objectName: "noButton"
                text: "No"
                onActivated: locationScreen.showDialog = false
            }

            DialogButton {
                objectName: "connectButton"
                text: "Connect"
                onActivated: locationScreen.connectSelected()
            }
        }
    }
}

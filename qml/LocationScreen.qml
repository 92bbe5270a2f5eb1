import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import "KeyboardFocus.js" as KeyboardFocus
import "ServerChoice.js" as ServerChoice
import "StoredValues.js" as StoredValues

// The locations that the user can connect to, in three tabs: the countries and the cities of
// the server directory, and the stored favourites. A star on each row marks or unmarks a
// favourite; a click on a row asks whether to connect ("Auto Select" connects at once). The
// screen connects nothing itself: it emits connectToLocation for the main menu.
//
// From the keyboard: Tab reaches the tabs, then the current row and its star; Up and Down
// move through the rows. The question keeps Tab among its buttons and closes on Escape as
// "No" does. Focus starts on the Countries tab.
FocusScope {
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
        // The rows are laid out at once, not at the next frame, so focus can move to them.
        locationList.forceLayout();
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

    // Focus that the screen moves for the user shows its ring when the focus it takes over did.
    function focusReason() {
        return KeyboardFocus.reasonAfter(Window.activeFocusItem as T.Control);
    }

    function focusRow(index, reason) {
        if (index < 0 || index >= locationModel.count)
            return;
        locationList.currentIndex = index;
        KeyboardFocus.moveTo(locationList.currentItem, reason);
    }

    // `reason`: the ring follows only where the control that was used showed its own.
    function openDialog(reason) {
        showDialog = true;
        KeyboardFocus.moveTo(connectButton, reason);
    }

    // Focus goes back to the row that the question was about.
    function closeDialog(reason) {
        showDialog = false;
        focusRow(locationList.currentIndex, reason);
    }

    // `via`: the row, when it was used (by the mouse or the keyboard).
    function selectRow(index, via) {
        const reason = KeyboardFocus.reasonAfter(via);
        locationList.currentIndex = index;
        const item = locationModel.get(index);
        selectedLocationName = item.name;
        selectedLocationFlag = item.flag;
        selectedLocationFavorite = item.favorite;
        selectedLocationType = item.type;
        if (item.name === ServerChoice.autoSelectName) {
            console.log("[Connect] Auto Select chosen");
            // The main menu hands the focus on as the row has it.
            focusRow(index, reason);
            emitSelection();
        } else {
            openDialog(reason);
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
            reloadFavorites(index);
    }

    // An unmarked favourite leaves the tab; a focused star hands its focus to the row that
    // takes the place of its own, or to the tab when none is left.
    function reloadFavorites(index) {
        const reason = focusReason();
        const hadFocus = locationList.activeFocus;
        loadTabData(currentTab);
        if (!hadFocus)
            return;
        if (locationModel.count > 0)
            focusRow(Math.min(index, locationModel.count - 1), reason);
        else
            KeyboardFocus.moveTo(tabs.itemAt(tabs.model.indexOf(currentTab)), reason);
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

    function addFavorite(reason) {
        for (let i = 0; i < locationModel.count; ++i) {
            if (locationModel.get(i).name === selectedLocationName) {
                locationModel.setProperty(i, "favorite", true);
                break;
            }
        }
        saveFavorites();
        closeDialog(reason);
    }

    function connectSelected(reason) {
        console.log("[Connect] Triggered connection to " + selectedLocationName);
        closeDialog(reason);
        emitSelection();
    }

    objectName: "locationScreen"
    focus: true
    implicitWidth: 1024
    implicitHeight: 544

    Keys.onEscapePressed: event => {
        if (showDialog)
            closeDialog(Qt.TabFocusReason);
        else
            event.accepted = false;
    }

    Component.onCompleted: loadTabData(currentTab)

    Rectangle {
        anchors.fill: parent
        color: "#222222"
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
            id: tabs

            model: ["Countries", "Cities", "Favorites"]

            T.TabButton {
                id: tab

                required property int index
                required property string modelData
                readonly property bool current: locationScreen.currentTab === modelData

                objectName: "tab" + modelData
                width: 100
                height: 32
                focus: index === 0
                text: modelData
                checked: current
                Accessible.selected: current

                Keys.forwardTo: [tabSupport]
                onClicked: locationScreen.switchTab(modelData)

                background: Rectangle {
                    radius: 8
                    color: tab.current ? "white" : "#3a3a3a"
                }

                contentItem: Item {
                    Text {
                        anchors.centerIn: parent
                        text: tab.text
                        color: tab.current ? "black" : "white"
                        font.pixelSize: 14
                    }
                }

                ClickSupport {
                    id: tabSupport

                    ring.radius: 11
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
        // The current row is drawn by its ring only; the view moves to it only for focus from
        // the keyboard (the row's own handler), never by sliding after a click.
        highlightFollowsCurrentItem: false
        model: locationScreen.locationModel
        reuseItems: true
        Accessible.role: Accessible.List
        Accessible.name: locationScreen.currentTab

        ScrollBar.vertical: ScreenScrollBar {}

        // Only the current row and its star take focus from Tab (a control keeps it while it
        // has the focus); Up and Down move the current row.
        delegate: T.ItemDelegate {
            id: locationRow

            required property int index
            required property string name
            required property string flag
            required property bool favorite
            required property string type
            readonly property bool isAutoSelect: name === ServerChoice.autoSelectName

            objectName: "row"
            width: ListView.view.width
            height: 49
            text: name
            focusPolicy: ListView.isCurrentItem || activeFocus ? Qt.TabFocus : Qt.NoFocus

            Keys.forwardTo: [rowSupport]
            Keys.onUpPressed: locationScreen.focusRow(index - 1, Qt.TabFocusReason)
            Keys.onDownPressed: locationScreen.focusRow(index + 1, Qt.TabFocusReason)
            onClicked: locationScreen.selectRow(index, locationRow)
            // A row focused from the keyboard is brought into view; the mouse moves nothing.
            onVisualFocusChanged: {
                if (visualFocus)
                    ListView.view.positionViewAtIndex(index, ListView.Contain);
            }

            ClickSupport {
                id: rowSupport

                ring.inset: 2
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
            T.CheckBox {
                id: starSquare

                objectName: "star"
                width: 32
                height: 32
                anchors.right: parent.right
                anchors.rightMargin: 35
                anchors.verticalCenter: parent.verticalCenter
                focusPolicy: (locationRow.ListView.isCurrentItem || activeFocus) && checkable
                             ? Qt.TabFocus : Qt.NoFocus
                padding: 6
                checkable: !locationRow.isAutoSelect
                checked: locationRow.favorite
                Accessible.name: "Favorite " + locationRow.name
                Accessible.ignored: locationRow.isAutoSelect

                onToggled: locationScreen.toggleFavorite(locationRow.index)

                // The padding centres the 20 x 20 star in its square.
                contentItem: Image {
                    visible: starSquare.checkable
                    source: locationRow.favorite ? "qrc:/assets/icons/ic_star_checked.png"
                                                 : "qrc:/assets/icons/ic_star.png"
                }

                ClickSupport {
                    cursorShape: starSquare.checkable ? Qt.PointingHandCursor : Qt.ArrowCursor
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

        // Each button's padding of 6 is its click area around its text: the texts stand 16
        // from the dialog's edges and 24 apart.
        Row {
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 10
            spacing: 12

            TextButton {
                id: addFavoriteButton

                objectName: "addFavoriteButton"
                visible: locationScreen.currentTab !== "Favorites"
                padding: 6
                text: "Add Favorite"
                KeyNavigation.tab: noButton
                KeyNavigation.backtab: connectButton
                onClicked: locationScreen.addFavorite(KeyboardFocus.reasonAfter(addFavoriteButton))
            }

            TextButton {
                id: noButton

                objectName: "noButton"
                padding: 6
                text: "No"
                KeyNavigation.backtab: addFavoriteButton
                onClicked: locationScreen.closeDialog(KeyboardFocus.reasonAfter(noButton))
            }

            TextButton {
                id: connectButton

                objectName: "connectButton"
                padding: 6
                text: "Connect"
                KeyNavigation.tab: addFavoriteButton
                onClicked: locationScreen.connectSelected(KeyboardFocus.reasonAfter(connectButton))
            }
        }
    }
}

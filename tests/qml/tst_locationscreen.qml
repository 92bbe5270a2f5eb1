import QtQuick
import QtQuick.Window
import QtTest
import MyApp 1.0

// The location screen on its own, with the real location store in a temporary HOME (the
// screen reaches the directory by the id homeSettings, as it does from the window's scope),
// and once in the program's window, through the main menu to a connection.
MainWindowTestCase {
    id: locationTest

    readonly property var directory: ({
        Servers: [{ Name: "Spain", Flag: "es" }, { Name: "Japan" }, { Name: "Spain", Flag: "SP" },
                  { Name: "Paris", Flag: "" }],
        Cities: [{ CityName: "Paris", Origin: "fr" }, { CityName: "Osaka", Origin: "jp" }]
    })
    // Numbers, objects, lists and null where texts belong, and elements that are no entries.
    readonly property var wrongTypedDirectory: ({
        Servers: [{ Name: 42, Flag: 7 }, { Name: null, Flag: null }, null, 5, "text",
                  { Name: { a: 1 }, Flag: ["se"] }],
        Cities: [{ CityName: true, Origin: {} }, null]
    })
    readonly property var autoRow: ["Auto Select", "qrc:/assets/icons/ic_network_option.png", false,
                                    "none"]
    property Component screenComponent: Qt.createComponent("qrc:/qml/LocationScreen.qml")
    property string favoritesPath

    function flag(code) {
        return "qrc:/assets/flags/" + code + ".png";
    }

    // Favourites are written and compared as "name|type", the store's identity.
    function storeFavorites(keys) {
        testHelper.writeFile(favoritesPath, JSON.stringify(keys.map(key => (
            { name: key.split("|")[0], type: key.split("|")[1], flag: flag("NO") }))));
    }

    function storedFavorites() {
        return locationLoader.loadFavorites().map(record => record.name + "|" + record.type);
    }

    function createScreen() {
        verify(screenComponent.status === Component.Ready, screenComponent.errorString());
        const screen = createTemporaryObject(screenComponent, screenWindow.contentItem);
        verify(screen);
        connectSpy.target = screen;
        connectSpy.clear();
        waitForRendering(screen);
        return screen;
    }

    function rowsOf(screen) {
        const rows = [];
        for (let i = 0; i < screen.locationModel.count; ++i) {
            const row = screen.locationModel.get(i);
            rows.push([row.name, row.flag, row.favorite, row.type]);
        }
        return rows;
    }

    // Clicks a tab, a row (by name, and type if given) or the star of a row.
    function click(screen, what, name, type) {
        if (what === "tab")
            return mouseClick(findChild(screen, "tab" + name));
        const list = findChild(screen, "locationList");
        const index = rowsOf(screen).findIndex(row => row[0] === name && (!type || row[3] === type));
        verify(index >= 0, "row " + name);
        list.positionViewAtIndex(index, ListView.Contain);
        const row = list.itemAtIndex(index);
        mouseClick(row, what === "star" ? row.width - 51 : 100, 24);
    }

    function initTestCase() {
        favoritesPath = testHelper.appDataPath("favorites.json");
    }

    function init() {
        homeSettings.rawApiData = directory;
        testHelper.removeFile(favoritesPath);
        storeFavorites(["Paris|City", "Spain|Country"]);
        testHelper.clearLog();
    }

    function test_tabRows_data() {
        return [
            { tag: "Countries", tab: "Countries", rows: [autoRow,
                ["Spain", flag("ES"), true, "Country"], ["Japan", flag("UNKNOWN"), false, "Country"],
                ["Spain", flag("SP"), true, "Country"], ["Paris", flag("UNKNOWN"), false, "Country"]] },
            { tag: "Cities", tab: "Cities", rows: [autoRow, ["Paris", flag("FR"), true, "City"],
                                                   ["Osaka", flag("JP"), false, "City"]] },
            { tag: "Favorites", tab: "Favorites", rows: [["Paris", flag("NO"), true, "City"],
                                                         ["Spain", flag("NO"), true, "Country"]] },
            { tag: "no arrays", directory: { Other: 1 }, tab: "Cities", rows: [autoRow] },
            { tag: "wrong types: countries", directory: wrongTypedDirectory, tab: "Countries", rows: [autoRow,
                ["42", flag("7"), false, "Country"], ["", flag("UNKNOWN"), false, "Country"],
                ["[object Object]", flag("SE"), false, "Country"]] },
            { tag: "wrong types: cities", directory: wrongTypedDirectory, tab: "Cities",
              rows: [autoRow, ["true", flag("[OBJECT OBJECT]"), false, "City"]] },
            // Without a directory a tab click highlights the tab and rebuilds nothing.
            { tag: "null directory", directory: null, tab: "Favorites", rows: [autoRow] }
        ];
    }

    function test_tabRows(data) {
        if (data.directory !== undefined)
            homeSettings.rawApiData = data.directory;
        const screen = createScreen();
        click(screen, "tab", data.tab);
        compare(findChild(screen, "tab" + data.tab).color, Qt.color("white"));
        compare(rowsOf(screen), data.rows);
        compare(linesStartingWith("[LocationScreen] Loaded").pop(), "[LocationScreen] Loaded "
                + data.rows.length + " items for tab: " + (data.directory === null ? "Countries"
                                                                                     : data.tab));
        const list = findChild(screen, "locationList");
        list.forceLayout();
        for (let i = 0; i < data.rows.length; ++i) {
            const star = findChild(list.itemAtIndex(i), "star").children[0];
            compare(star.visible, data.rows[i][0] !== "Auto Select");
            compare(star.source.toString(), data.rows[i][2] ? "qrc:/assets/icons/ic_star_checked.png"
                                                            : "qrc:/assets/icons/ic_star.png");
        }
    }

    // Each step is [tab, name, type]: a click on that row's star. `check` is [tab, name, the
    // row's mark afterwards (undefined: no such row)].
    function test_starToggle_data() {
        return [
            { tag: "a city does not mark the country of its name", stored: [],
              steps: [["Cities", "Paris", "City"]], after: ["Paris|City"],
              check: ["Countries", "Paris", false] },
            { tag: "unmarking drops every record of that identity and nothing else",
              stored: ["Spain|Country", "Paris|City", "Spain|Country", "Spain|City"],
              steps: [["Countries", "Spain", "Country"]], after: ["Paris|City", "Spain|City"],
              check: ["Countries", "Spain", false] },
            { tag: "marking again moves to the end", stored: ["Spain|Country", "Paris|City"],
              steps: [["Countries", "Spain", "Country"], ["Countries", "Spain", "Country"]],
              after: ["Paris|City", "Spain|Country"], check: ["Countries", "Spain", true] },
            { tag: "unmarked favourite leaves the Favorites tab",
              stored: ["Spain|Country", "Paris|City"], steps: [["Favorites", "Paris", "City"]],
              after: ["Spain|Country"], check: ["Favorites", "Paris", undefined] },
            { tag: "the Auto Select square does nothing", stored: ["Spain|Country"],
              steps: [["Countries", "Auto Select", "none"]], after: ["Spain|Country"],
              check: ["Countries", "Auto Select", false] }
        ];
    }

    function test_starToggle(data) {
        storeFavorites(data.stored);
        const screen = createScreen();
        for (const step of data.steps) {
            click(screen, "tab", step[0]);
            click(screen, "star", step[1], step[2]);
        }
        compare(storedFavorites(), data.after);
        compare(connectSpy.count, 0);
        verify(!screen.showDialog);
        compare(linesStartingWith("[Favorites] Saving (after toggle):").length,
                data.steps[0][1] === "Auto Select" ? 0 : data.steps.length);
        click(screen, "tab", data.check[0]);
        const shown = rowsOf(screen).find(row => row[0] === data.check[1]);
        compare(shown ? shown[2] : undefined, data.check[2]);
    }

    function test_dialog() {
        const screen = createScreen();
        const dialogText = findChild(screen, "dialogText");
        click(screen, "row", "Japan");
        verify(screen.showDialog);
        compare(dialogText.text, "Do you want to connect to Japan?");
        // Rows stay clickable through the dim layer: the dialog follows the new row.
        click(screen, "row", "Spain");
        compare(dialogText.text, "Do you want to connect to Spain?");
        mouseClick(findChild(screen, "noButton"));
        verify(!screen.showDialog);
        compare(connectSpy.count, 0);

        click(screen, "row", "Spain");
        mouseClick(findChild(screen, "connectButton"));
        verify(!screen.showDialog);
        click(screen, "row", "Auto Select");
        verify(!screen.showDialog);
        compare(connectSpy.count, 2);
        compare(Array.from(connectSpy.signalArguments[0]), ["Spain", flag("ES"), true, "Country"]);
        compare(Array.from(connectSpy.signalArguments[1]), autoRow);
        compare(linesStartingWith("[Connect]"), ["[Connect] Triggered connection to Spain",
                                     "[Connect] Auto Select chosen"]);
    }

    function test_addFavorite() {
        storeFavorites(["Spain|Country", "Japan|Country"]);
        const screen = createScreen();
        const addFavorite = () => mouseClick(findChild(screen, "addFavoriteButton"));
        click(screen, "tab", "Cities");
        click(screen, "row", "Osaka");
        addFavorite();
        verify(!screen.showDialog);
        compare(storedFavorites(), ["Spain|Country", "Japan|Country", "Osaka|City"]);
        compare(rowsOf(screen)[2][2], true);
        // Already a favourite: the same locations stay in the same order.
        click(screen, "tab", "Countries");
        click(screen, "row", "Spain");
        addFavorite();
        compare(storedFavorites(), ["Spain|Country", "Japan|Country", "Osaka|City"]);
        compare(linesStartingWith("[Favorites] Saving merged:").length, 2);
        compare(connectSpy.count, 0);

        click(screen, "tab", "Favorites");
        click(screen, "row", "Osaka");
        verify(screen.showDialog);
        verify(!findChild(screen, "addFavoriteButton").visible);
    }

    // Through the real menu: a city chosen in the dialog reaches a new home screen, which
    // connects to that city's server (the OpenVPN simulator brings the tunnel up).
    function test_connectThroughMenu() {
        startClean();
        const menu = pageOf(signedInWindow());
        mouseClick(findChild(menu, "locationsTab"));
        const screen = menu.shownScreen;
        compare(rowsOf(screen).map(row => row[0]), ["Auto Select", "Paris", "Hostless", "Zero"]);
        click(screen, "tab", "Cities");
        click(screen, "row", "Paris", "City");
        mouseClick(findChild(screen, "connectButton"));
        tryCompare(VpnState, "isConnected", true, 5000);
        compare([menu.currentTab, VpnState.currentLocationName, VpnState.currentLocationType],
                ["home", "Paris", "City"]);
        verify(linesStartingWith("[VPN] Connecting to 10.0.0.2 : 443").length === 1);
        vpnManager.syncDisconnectVpn();
    }

    function test_unusableEntryThroughMenu_data() {
        return [
            { tag: "host an object", name: "42", refusal: "[VPN] Refusing to connect: the server's host is not usable" },
            { tag: "port an object", name: "Portless", refusal: "[VPN] Refusing to connect: the server's port is not usable" }
        ];
    }

    // A row of a wrong-typed directory can be chosen; the connection it asks for is refused
    // with a log line, and the menu answers again.
    function test_unusableEntryThroughMenu(data) {
        startClean();
        const window = signedInWindow();
        homeSettingsOf(window).rawApiData = {
            Servers: [{ Name: 42, ServerHost: { ip: "127.0.0.1" }, OpenVPNTCPPort: 1194, Category: "default", User: "u" },
                      { Name: "Portless", ServerHost: "127.0.0.1", OpenVPNTCPPort: {}, Category: "default", User: "u" }]
        };
        const menu = pageOf(window);
        mouseClick(findChild(menu, "locationsTab"));
        const screen = menu.shownScreen;
        compare(rowsOf(screen).map(row => row[0]), ["Auto Select", "42", "Portless"]);
        click(screen, "row", data.name);
        mouseClick(findChild(screen, "connectButton"));
        tryVerify(() => testHelper.logLines().indexOf(data.refusal) >= 0, 5000);
        compare(linesStartingWith("[VPN] Starting OpenVPN"), []);
        compare(linesStartingWith("[Error]"), []);
        compare([VpnState.isConnecting, VpnState.isConnected], [false, false]);
        verify(findChild(menu, "navBar").enabled);
    }

    // The window's settings group as far as this screen reads it.
    QtObject {
        id: homeSettings

        property var rawApiData: null
    }

    // The test's own window does not receive synthesized mouse events under the offscreen
    // platform; a window of the menu's content size does.
    Window {
        id: screenWindow

        width: 1024
        height: 544
        visible: true
    }

    SignalSpy {
        id: connectSpy

        signalName: "connectToLocation"
    }
}

import QtQuick
import QtQuick.Window
import QtTest

// The location screen on its own, with the real location store in a temporary HOME. The
// screen reaches the directory by the id homeSettings, as it does from the window's scope.
TestCase {
    id: locationTest

    readonly property var directory: ({
        Servers: [
            { Name: "Spain", Flag: "es" },
            { Name: "Japan" },
            { Name: "Spain", Flag: "SP" },
            { Name: "Paris", Flag: "" }
        ],
        Cities: [
            { CityName: "Paris", Origin: "fr" },
            { CityName: "Osaka", Origin: "jp" }
        ]
    })
    readonly property string autoFlag: "qrc:/assets/icons/ic_network_option.png"
    property Component screenComponent: Qt.createComponent("qrc:/qml/LocationScreen.qml")
    property string favoritesPath

    function flag(code) {
        return "qrc:/assets/flags/" + code + ".png";
    }

    // Records as "name|type", the store's identity.
    function identities(records) {
        return records.map(record => record.name + "|" + record.type);
    }

    function storeFavorites(keys) {
        const records = keys.map(key => ({ name: key.split("|")[0], type: key.split("|")[1],
                                           flag: flag("NO") }));
        testHelper.writeFile(favoritesPath, JSON.stringify(records));
    }

    function storedFavorites() {
        return identities(locationLoader.loadFavorites());
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

    function rowItem(screen, name, type) {
        const list = findChild(screen, "locationList");
        for (let i = 0; i < screen.locationModel.count; ++i) {
            const row = screen.locationModel.get(i);
            if (row.name === name && (type === undefined || row.type === type)) {
                list.positionViewAtIndex(i, ListView.Contain);
                const item = list.itemAtIndex(i);
                verify(item, "row " + name + " is shown");
                return item;
            }
        }
        fail("no row " + name);
    }

    function clickTab(screen, tabName) {
        mouseClick(findChild(screen, "tab" + tabName));
    }

    function clickRow(screen, name, type) {
        mouseClick(rowItem(screen, name, type), 100, 24);
    }

    function clickStar(screen, name, type) {
        const row = rowItem(screen, name, type);
        mouseClick(row, row.width - 19, 24);
    }

    function lines(prefix) {
        return testHelper.logLines().filter(line => line.startsWith(prefix));
    }

    function initTestCase() {
        favoritesPath = testHelper.appDataPath("favorites.json");
    }

    function init() {
        homeSettings.rawApiData = directory;
        testHelper.removeFile(favoritesPath);
        testHelper.clearLog();
    }

    function test_tabRows_data() {
        return [
            { tag: "Countries", rows: [
                ["Auto Select", autoFlag, false, "none"],
                ["Spain", flag("ES"), true, "Country"],
                ["Japan", flag("UNKNOWN"), false, "Country"],
                ["Spain", flag("SP"), true, "Country"],
                ["Paris", flag("UNKNOWN"), false, "Country"]] },
            { tag: "Cities", rows: [
                ["Auto Select", autoFlag, false, "none"],
                ["Paris", flag("FR"), true, "City"],
                ["Osaka", flag("JP"), false, "City"]] },
            { tag: "Favorites", rows: [
                ["Paris", flag("NO"), true, "City"],
                ["Spain", flag("NO"), true, "Country"]] }
        ];
    }

    function test_tabRows(data) {
        storeFavorites(["Paris|City", "Spain|Country"]);
        const screen = createScreen();
        clickTab(screen, data.tag);
        compare(screen.currentTab, data.tag);
        compare(rowsOf(screen), data.rows);
        compare(lines("[LocationScreen] Loaded").pop(),
                "[LocationScreen] Loaded " + data.rows.length + " items for tab: " + data.tag);
        // Every row's star shows its mark; the "Auto Select" row shows none.
        const list = findChild(screen, "locationList");
        list.forceLayout();
        for (let i = 0; i < data.rows.length; ++i) {
            const star = findChild(list.itemAtIndex(i), "star").children[0];
            compare(star.visible, data.rows[i][0] !== "Auto Select");
            compare(star.source.toString(), data.rows[i][2] ? "qrc:/assets/icons/ic_star_checked.png"
                                                            : "qrc:/assets/icons/ic_star.png");
        }
    }

    function test_withoutDirectory_data() {
        return [
            { tag: "null", value: null, afterTabClick: ["Auto Select"] },
            { tag: "no arrays", value: { Other: 1 }, afterTabClick: ["Spain"] }
        ];
    }

    // Only a null directory keeps the rows of the tab shown before a tab click.
    function test_withoutDirectory(data) {
        homeSettings.rawApiData = data.value;
        const screen = createScreen();
        compare(rowsOf(screen), [["Auto Select", autoFlag, false, "none"]]);
        storeFavorites(["Spain|Country"]);
        clickTab(screen, "Favorites");
        compare(findChild(screen, "tabFavorites").color, Qt.color("white"));
        compare(rowsOf(screen).map(row => row[0]), data.afterTabClick);
    }

    // Each step is [tab, name, type]: a click on that row's star. The stored list afterwards.
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
            clickTab(screen, step[0]);
            clickStar(screen, step[1], step[2]);
        }
        compare(storedFavorites(), data.after);
        compare(connectSpy.count, 0);
        verify(!screen.showDialog);
        clickTab(screen, data.check[0]);
        const shown = rowsOf(screen).find(row => row[0] === data.check[1]);
        compare(shown ? shown[2] : undefined, data.check[2]);
        compare(lines("[Favorites] Saving (after toggle):").length,
                data.steps[0][1] === "Auto Select" ? 0 : data.steps.length);
    }

    function test_dialog() {
        storeFavorites(["Spain|Country"]);
        const screen = createScreen();
        const dialogText = findChild(screen, "dialogText");
        clickRow(screen, "Japan");
        verify(screen.showDialog);
        compare(dialogText.text, "Do you want to connect to Japan?");
        // Rows stay clickable through the dim layer: the dialog follows the new row.
        clickRow(screen, "Spain");
        compare(dialogText.text, "Do you want to connect to Spain?");
        mouseClick(findChild(screen, "noButton"));
        verify(!screen.showDialog);
        compare(connectSpy.count, 0);

        clickRow(screen, "Spain");
        mouseClick(findChild(screen, "connectButton"));
        verify(!screen.showDialog);
        compare(connectSpy.count, 1);
        compare(Array.from(connectSpy.signalArguments[0]), ["Spain", flag("ES"), true, "Country"]);
        compare(lines("[Connect]"), ["[Connect] Triggered connection to Spain"]);

        clickRow(screen, "Auto Select");
        verify(!screen.showDialog);
        compare(Array.from(connectSpy.signalArguments[1]), ["Auto Select", autoFlag, false, "none"]);
        compare(lines("[Connect]").pop(), "[Connect] Auto Select chosen");
    }

    function test_addFavorite() {
        storeFavorites(["Spain|Country", "Japan|Country"]);
        const screen = createScreen();
        clickTab(screen, "Cities");
        clickRow(screen, "Osaka");
        mouseClick(findChild(screen, "addFavoriteButton"));
        verify(!screen.showDialog);
        compare(connectSpy.count, 0);
        compare(storedFavorites(), ["Spain|Country", "Japan|Country", "Osaka|City"]);
        compare(rowsOf(screen)[2][2], true);
        verify(lines("[Favorites] Saving merged:").length === 1);

        // Already a favourite: the same locations stay in the same order.
        clickTab(screen, "Countries");
        clickRow(screen, "Spain");
        mouseClick(findChild(screen, "addFavoriteButton"));
        compare(storedFavorites(), ["Spain|Country", "Japan|Country", "Osaka|City"]);

        clickTab(screen, "Favorites");
        clickRow(screen, "Osaka");
        verify(screen.showDialog);
        verify(!findChild(screen, "addFavoriteButton").visible);
    }

    when: windowShown

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

import QtQuick
import QtQuick.Templates as T
import QtTest

// The location screen on its own, with the real location store in a temporary HOME (the
// screen reaches the directory by the id homeSettings, as it does from the window's scope).
// Its hand-over through the main menu is tested with the menu.
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
    readonly property string favoritesPath: testHelper.appDataPath("favorites.json")

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
        const screen = showScreen("qrc:/qml/LocationScreen.qml");
        connectSpy.target = screen;
        connectSpy.clear();
        return screen;
    }

    function rowsOf(screen) {
        const model = screen.locationModel;
        return Array.from({ length: model.count }, (_, i) => model.get(i))
            .map(row => [row.name, row.flag, row.favorite, row.type]);
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

    // "tabCountries", "noButton", or "row Spain" / "star Spain" for a row and its star.
    function focusedControl() {
        const item = screenWindow.activeFocusItem;
        const row = (item.objectName === "star" ? item.parent : item) as T.AbstractButton;
        return row.objectName === "row" ? item.objectName + " " + row.text : item.objectName;
    }

    function init() {
        homeSettings.rawApiData = directory;
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
        compare(findChild(screen, "tab" + data.tab).background.color, Qt.color("white"));
        compare(rowsOf(screen), data.rows);
        const loadedTab = data.directory === null ? "Countries" : data.tab;
        compare(linesStartingWith("[LocationScreen] Loaded").pop(),
                "[LocationScreen] Loaded " + data.rows.length + " items for tab: " + loadedTab);
        const list = findChild(screen, "locationList");
        list.forceLayout();
        const stars = data.rows.map((row, i) => findChild(list.itemAtIndex(i), "star"));
        compare(stars.map(star => [star.contentItem.visible, String(star.contentItem.source), star.checked]),
                data.rows.map(row => [row[0] !== "Auto Select",
                                      "qrc:/assets/icons/ic_star" + (row[2] ? "_checked" : "") + ".png", row[2]]));
    }

    // Each step is [tab, name, type]: a click on that row's star. `marked` is the clicked row's
    // mark right after the last click (undefined: the row is gone from the tab).
    function test_starToggle_data() {
        return [
            { tag: "a city does not mark the country of its name", stored: [],
              steps: [["Cities", "Paris", "City"]], after: ["Paris|City"], marked: true },
            { tag: "unmarking drops every record of that identity and nothing else",
              stored: ["Spain|Country", "Paris|City", "Spain|Country", "Spain|City"],
              steps: [["Countries", "Spain", "Country"]], after: ["Paris|City", "Spain|City"], marked: false },
            { tag: "marking again moves to the end", stored: ["Spain|Country", "Paris|City"],
              steps: [["Countries", "Spain", "Country"], ["Countries", "Spain", "Country"]],
              after: ["Paris|City", "Spain|Country"], marked: true },
            { tag: "unmarked favourite leaves the Favorites tab", stored: ["Spain|Country", "Paris|City"],
              steps: [["Favorites", "Paris", "City"]], after: ["Spain|Country"], marked: undefined },
            { tag: "the Auto Select square does nothing", stored: ["Spain|Country"],
              steps: [["Countries", "Auto Select", "none"]], after: ["Spain|Country"], marked: false }
        ];
    }

    function test_starToggle(data) {
        storeFavorites(data.stored);
        const screen = createScreen();
        for (const step of data.steps) {
            click(screen, "tab", step[0]);
            click(screen, "star", step[1], step[2]);
        }
        compare([storedFavorites(), connectSpy.count, screen.showDialog], [data.after, 0, false]);
        compare(linesStartingWith("[Favorites] Saving (after toggle):").length,
                data.steps[0][1] === "Auto Select" ? 0 : data.steps.length);
        const last = data.steps[data.steps.length - 1];
        const row = rowsOf(screen).find(shown => shown[0] === last[1] && shown[3] === last[2]);
        compare(row ? row[2] : undefined, data.marked);
    }

    // The dialog follows the last row clicked (rows stay clickable through the dim layer).
    // "Add Favorite" keeps the favourites of the other tabs in their order and moves nothing
    // for a favourite; it is not offered on the Favorites tab. "Auto Select" needs no dialog.
    function test_dialog() {
        storeFavorites(["Spain|Country", "Japan|Country"]);
        const screen = createScreen();
        const choose = (tab, name, button) => {
            click(screen, "tab", tab);
            click(screen, "row", name);
            if (button)
                mouseClick(findChild(screen, button));
        };
        choose("Countries", "Paris");
        verify(screen.showDialog);
        click(screen, "row", "Japan");
        compare(findChild(screen, "dialogText").text, "Do you want to connect to Japan?");
        mouseClick(findChild(screen, "noButton"));
        verify(!screen.showDialog);
        choose("Cities", "Osaka", "addFavoriteButton");
        compare([screen.showDialog, rowsOf(screen)[2][2]], [false, true]);
        choose("Countries", "Spain", "addFavoriteButton");
        compare(storedFavorites(), ["Spain|Country", "Japan|Country", "Osaka|City"]);
        compare([linesStartingWith("[Favorites] Saving merged:").length, connectSpy.count], [2, 0]);

        choose("Favorites", "Osaka");
        compare([screen.showDialog, findChild(screen, "addFavoriteButton").visible], [true, false]);
        mouseClick(findChild(screen, "connectButton"));
        choose("Countries", "Auto Select");
        verify(!screen.showDialog);
        compare(connectSpy.signalArguments.map(args => Array.from(args)),
                [["Osaka", flag("JP"), true, "City"], autoRow]);
        compare(linesStartingWith("[Connect]"),
                ["[Connect] Triggered connection to Osaka", "[Connect] Auto Select chosen"]);
    }

    function test_mouseAnswerMovesNothing_data() {
        return [{ tag: "No", button: "noButton" }, { tag: "Add Favorite", button: "addFavoriteButton" },
                { tag: "Connect", button: "connectButton" }, { tag: "star on Favorites", star: true }];
    }

    // Answered with the mouse, the question hands the focus back to its row without a ring and
    // without moving the list, also when that row is partly out of view; so does a star on the
    // Favorites tab while the list has the focus. The list is watched for longer than a slide
    // of the view to that row would take.
    function test_mouseAnswerMovesNothing(data) {
        const names = Array.from({ length: 12 }, (_, i) => "C" + i);
        homeSettings.rawApiData = { Servers: names.map(name => ({ Name: name })) };
        storeFavorites(names.map(name => name + "|Country"));
        const screen = createScreen();
        if (data.star)
            click(screen, "tab", "Favorites");
        const list = findChild(screen, "locationList");
        const row = list.itemAtIndex(Math.floor(list.height / 49));
        verify(row.y < list.height && row.y + row.height > list.height, "row partly shown");
        mouseClick(row, 100, (list.height - row.y) / 2);
        compare([screen.showDialog, list.contentY], [true, 0]);
        mouseClick(findChild(screen, data.button || "noButton"));
        wait(2000);
        let at = 0;
        if (data.star) {
            compare(list.contentY, at);
            // Scrolled as by the wheel, so that the star of the partly shown row can be clicked.
            list.contentY = at = 20;
            const star = findChild(row, "star");
            mouseClick(star, star.width / 2, (list.height + at - row.y - star.y) / 2);
            wait(2000);
        }
        compare([screen.showDialog, list.contentY, screenWindow.activeFocusItem.visualFocus],
                [false, at, false]);
        if (!data.star)
            compare(focusedControl(), "row " + row.text);
    }

    // The keys are pressed in turn on a screen focused as the main menu focuses it; `focus`
    // is the control focused after each key, each showing its ring. Countries: "Auto Select",
    // Spain (marked), Japan, Spain (marked), Paris.
    function test_keys_data() {
        return [
            { tag: "Tab: the tabs, the current row, round (no star on Auto Select)",
              keys: ["Tab", "Tab", "Tab", "Tab", "Backtab"],
              focus: ["tabCities", "tabFavorites", "row Auto Select", "tabCountries", "row Auto Select"] },
            { tag: "Up and Down stop at the ends, Tab reaches the current row's star",
              keys: ["Backtab", "Up", "Down", "Down", "Down", "Down", "Down", "Tab", "Up", "Backtab"],
              focus: ["row Auto Select", "row Auto Select", "row Spain", "row Japan", "row Spain",
                      "row Paris", "row Paris", "star Paris", "row Spain", "tabFavorites"] },
            { tag: "the question keeps Tab among its buttons; Escape answers No",
              keys: ["Backtab", "Down", "Return", "Tab", "Tab", "Tab", "Backtab", "Escape"],
              focus: ["row Auto Select", "row Spain", "connectButton", "addFavoriteButton",
                      "noButton", "connectButton", "noButton", "row Spain"] },
            { tag: "on Favorites the question has no Add Favorite", keys: ["Backtab", "Backtab",
              "Space", "Tab", "Return", "Tab", "Tab", "Space"], tab: "Favorites",
              focus: ["row Auto Select", "tabFavorites", "tabFavorites", "row Paris",
                      "connectButton", "noButton", "connectButton", "row Paris"], connects: ["Paris"] },
            { tag: "Down scrolls to the focused row", keys: ["Backtab", ...Array(12).fill("Down")],
              directory: { Servers: Array.from({ length: 12 }, (_, i) => ({ Name: "C" + i })) },
              focus: ["row Auto Select", ...Array.from({ length: 12 }, (_, i) => "row C" + i)] },
            { tag: "unmarking a focused favourite focuses the row in its place, or the tab",
              keys: ["Backtab", "Backtab", "Space", "Tab", "Tab", "Space", "Tab", "Space"],
              focus: ["row Auto Select", "tabFavorites", "tabFavorites", "row Paris", "star Paris",
                      "row Spain", "star Spain", "tabFavorites"], tab: "Favorites", stored: [] }
        ];
    }

    function test_keys(data) {
        homeSettings.rawApiData = data.directory || directory;
        const screen = createScreen();
        const list = findChild(screen, "locationList");
        screen.forceActiveFocus();
        compare(focusedControl(), "tabCountries");
        const trail = data.keys.map(key => {
            keyClick(Qt["Key_" + key]);
            const item = screenWindow.activeFocusItem;
            const top = item.mapToItem(list, 0, 0).y;
            const inView = top >= 0 && top + item.height <= list.height;
            return [focusedControl(), item.visualFocus, inView || !["row", "star"].includes(item.objectName)];
        });
        compare(trail, data.focus.map(name => [name, true, true]));
        compare([screen.currentTab, screen.showDialog, connectSpy.signalArguments.map(args => args[0]),
                 storedFavorites()], [data.tab || "Countries", false, data.connects || [],
                                      data.stored || ["Paris|City", "Spain|Country"]]);
    }

    // The window's settings group as far as this screen reads it.
    QtObject {
        id: homeSettings

        property var rawApiData: null
    }

    SignalSpy {
        id: connectSpy

        signalName: "connectToLocation"
    }
}

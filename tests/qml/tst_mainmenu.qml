import QtQuick
import QtTest
import MyApp 1.0

// The main menu: the locked bar and the busy overlay, the hand-over of a location chosen on
// the location screen to a new home screen, and sign-out.
MainWindowTestCase {
    id: menuTest

    property var window
    property var menu

    function clickTab(tab) {
        mouseClick(findChild(menu, tab + "Tab"));
    }

    function init() {
        startClean();
        window = signedInWindow();
        menu = pageOf(window);
    }

    function cleanup() {
        vpnManager.syncDisconnectVpn();
        VpnState.isConnecting = false;
        VpnState.isDisconnecting = false;
    }

    function test_barLocked_data() {
        return [{ tag: "connecting", lock: () => VpnState.isConnecting = true },
                { tag: "disconnecting", lock: () => VpnState.isDisconnecting = true },
                { tag: "loading", lock: () => homeSettingsOf(window).isLoading = true }];
    }

    // No entry reacts and the home screen's button ignores the click; while loading the
    // overlay takes the click before the button sees it.
    function test_barLocked(data) {
        data.lock();
        testHelper.clearLog();
        clickTab("locations");
        clickTab("logout");
        mouseClick(findChild(menu.shownScreen, "connectButton"));
        compare([menu.currentTab, menu.shownScreen.objectName, stackOf(window).depth], ["home", "homeScreen", 1]);
        compare(linesStartingWith("[DEBUG] Before click").length, data.tag === "loading" ? 0 : 1);
        compare(linesStartingWith("[UI]"), []);
    }

    // A city chosen in the location screen's dialog (from the window's directory) reaches
    // updateConnection of a new home screen once, on the next turn, which connects to it.
    // The menu stops listening before the location screen goes.
    function test_locationChoiceReachesHome() {
        clickTab("locations");
        const locations = menu.shownScreen;
        locations.switchTab("Cities");
        compare(locations.locationModel.get(1).name, "Paris");
        locations.selectRow(1);
        testHelper.clearLog();
        let tabWhenReplaced = "";
        findChild(menu, "screenLoader").sourceChanged.connect(() => tabWhenReplaced = menu.currentTab);
        mouseClick(findChild(locations, "connectButton"));
        compare(tabWhenReplaced, "home");
        compare(linesStartingWith("[MainMenu]"),
                ["[MainMenu] Received signal: connectToLocation Paris qrc:/assets/flags/UNKNOWN.png false City"]);
        const underlined = ["home", "locations", "settings", "logout"].filter(
            tab => Qt.colorEqual(findChild(menu, tab + "Underline").color, "#00c0ff"));
        compare([menu.currentTab, underlined, menu.shownScreen.objectName], ["home", ["home"], "homeScreen"]);
        compare(linesStartingWith("[VPN] Connecting to"), [], "not before the next turn");
        tryVerify(() => findChild(menu, "locationScreen") === null, 5000, "one screen at a time");
        tryCompare(VpnState, "isConnected", true, 5000);
        compare(linesStartingWith("[VPN] Connecting to"),
                ["[VPN] Connecting to 10.0.0.2 : 443 Category: goose User: pc Pass: [hidden]"]);
        compare([VpnState.currentLocationName, VpnState.currentLocationType], ["Paris", "City"]);
    }

    function test_unusableEntryChosen_data() {
        return [
            { tag: "host an object", row: 1, refusal: "[VPN] Refusing to connect: the server's host is not usable" },
            { tag: "port an object", row: 2, refusal: "[VPN] Refusing to connect: the server's port is not usable" }
        ];
    }

    // A row of a wrong-typed directory (a number shown as its text) can be chosen; the
    // connection it asks for is refused with a log line, and the bar answers again.
    function test_unusableEntryChosen(data) {
        homeSettingsOf(window).rawApiData = {
            Servers: [{ Name: 42, ServerHost: { ip: "127.0.0.1" }, OpenVPNTCPPort: 1194, Category: "default", User: "u" },
                      { Name: "Portless", ServerHost: "127.0.0.1", OpenVPNTCPPort: {}, Category: "default", User: "u" }]
        };
        clickTab("locations");
        const locations = menu.shownScreen;
        compare([locations.locationModel.get(1).name, locations.locationModel.get(2).name], ["42", "Portless"]);
        locations.selectRow(data.row);
        testHelper.clearLog();
        mouseClick(findChild(locations, "connectButton"));
        tryVerify(() => testHelper.logLines().indexOf(data.refusal) >= 0, 5000);
        compare(linesStartingWith("[VPN] Starting OpenVPN"), []);
        compare(linesStartingWith("[Error]"), []);
        compare([VpnState.isConnecting, VpnState.isConnected], [false, false]);
        verify(findChild(menu, "navBar").enabled);
    }

    function test_keyboard_data() {
        return [
            { tag: "Tab", keys: ["Tab", "Tab", "Tab", "Tab", "Tab"],
              focus: ["homeTab", "locationsTab", "settingsTab", "logoutTab", "connectButton"] },
            { tag: "Return on Home", keys: ["Tab", "Return"], focus: ["homeTab", "connectButton"] },
            { tag: "Space on Locations", keys: ["Tab", "Tab", "Space"], focus: ["homeTab", "locationsTab", "tabCountries"] },
            { tag: "Return on Settings", keys: ["Shift+Tab", "Shift+Tab", "Return"], focus: ["logoutTab", "settingsTab", "switch"] },
            { tag: "Return on Logout", keys: ["Shift+Tab", "Return"], focus: ["logoutTab", "usernameFieldInput (no ring)"] }
        ];
    }

    // The bar follows the home screen in the Tab order; its entries open their screen with the
    // focus, and the ring, on its first control.
    function test_keyboard(data) {
        activate(window);
        compare(focusOf(window), "connectButton (no ring)");
        compare(pressKeys(window, data.keys), data.focus);
    }

    // An entry clicked with the mouse hands the focus on without the ring, also after the
    // keyboard showed it.
    function test_entryClickedShowsNoRing() {
        activate(window);
        compare(pressKeys(window, ["Tab", "Tab", "Tab", "Tab", "Tab"]).pop(), "connectButton");
        clickTab("locations");
        compare(focusOf(window), "tabCountries (no ring)");
    }

    // Where a click acts, a double click acts twice: `control` is reached on the `page`
    // ("login" after sign-out), `acts` counts what the clicks did (or the control's `signal`:
    // a second click on the entry of the shown screen loads nothing again).
    function test_doubleClick_data() {
        const lines = prefix => () => linesStartingWith(prefix).length;
        const emitted = () => controlSpy.count;
        return [
            { tag: "Login", page: "login", control: "loginButton", acts: lines("[UI] Sign-in request failed") },
            { tag: "the remember box", page: "login", control: "rememberBox", signal: "checkedChanged", acts: emitted },
            { tag: "the home button", page: "home", control: "connectButton", acts: lines("[DEBUG] Before click") },
            { tag: "the home star", page: "home", control: "star", signal: "checkedChanged", acts: emitted },
            { tag: "a menu entry", page: "home", control: "locationsTab", signal: "clicked", acts: emitted },
            { tag: "a location tab", page: "locations", control: "tabCities", acts: lines("[LocationScreen] Switched tab") },
            { tag: "a row's star", page: "locations", control: "star", acts: lines("[Favorites] Saving (after toggle)") }
        ];
    }

    // A location without a server shows the home screen's star, and its button connects nothing.
    function test_doubleClick(data) {
        homeSettingsOf(window).savedLocationName = "Nowhere";
        homeSettingsOf(window).savedLocationType = "Country";
        menu.activate("settings");
        menu.activate(data.page === "login" ? "logout" : data.page);
        const page = pageOf(window);
        if (data.page === "login") {
            findChild(page, "usernameField").text = "demo";
            findChild(page, "passwordField").text = "demo1234";
        }
        // A row's star: the one of the Countries tab's second row, Paris.
        const list = findChild(page, "locationList");
        const control = findChild(list && data.control === "star" ? list.itemAtIndex(1) : page, data.control);
        controlSpy.target = control;
        controlSpy.signalName = data.signal || "";
        controlSpy.clear();
        testHelper.clearLog();
        mouseDoubleClickSequence(control);
        tryVerify(() => data.acts() >= 2);
        wait(50);
        compare(data.acts(), 2);
    }

    function test_signOut_data() {
        return [{ tag: "not connected", connected: false }, { tag: "connected", connected: true }];
    }

    function test_signOut(data) {
        if (data.connected) {
            menu.shownScreen.updateConnection("Paris", "", false, "Country");
            tryCompare(VpnState, "isConnected", true, 5000);
        }
        homeSettingsOf(window).savedLocationName = "Paris";
        testHelper.clearLog();
        clickTab("logout");
        const lines = testHelper.logLines();
        const stopLines = ["[MainMenu] Disconnecting VPN before logout...", "[VPN] Sending terminate signal..."];
        compare(lines.filter(line => stopLines.includes(line)), data.connected ? stopLines : []);
        verify(lines.indexOf("[Logout] Đã đăng xuất. Trạng thái đã được xóa.") < lines.indexOf("[Logout] stackView pop"));
        compare([String(testHelper.storeValue("isLoggedIn")), testHelper.storeValue("expiryDate")], ["false", ""]);
        compare([homeSettingsOf(window).savedConnected, homeSettingsOf(window).savedLocationName], [false, "Paris"]);
        compare([stackOf(window).depth, pageOf(window).objectName], [1, "loginScreen"]);

        // The stop ends with no menu shown; a new sign-in in the same run finds the bar usable.
        tryCompare(VpnState, "isDisconnecting", false, 10000);
        verify(VpnState.isDisconnected && !VpnState.isConnected);
        stackOf(window).push("qrc:/qml/MainMenu.qml");
        verify(findChild(pageOf(window), "navBar").enabled);
    }

    SignalSpy {
        id: controlSpy
    }

    name: "MainMenu"
}

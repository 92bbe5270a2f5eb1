import QtQuick
import QtTest
import MyApp 1.0

// The main menu: the locked bar and the busy overlay, the hand-over of a chosen location to
// the home screen, and sign-out.
MainWindowTestCase {
    id: menuTest

    readonly property var tabNames: ["home", "locations", "settings", "logout"]
    property var window
    property var menu

    function clickTab(tab) {
        mouseClick(findChild(menu, tab + "Tab"));
    }

    function underlined() {
        return tabNames.filter(tab => Qt.colorEqual(findChild(menu, tab + "Underline").color, "#00c0ff"));
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

    // No entry reacts; while loading the overlay also takes the clicks meant for the screen.
    function test_barLocked(data) {
        data.lock();
        testHelper.clearLog();
        clickTab("locations");
        clickTab("logout");
        mouseClick(findChild(menu.shownScreen, "connectButton"));
        compare([menu.currentTab, menu.shownScreen.objectName, stackOf(window).depth], ["home", "homeScreen", 1]);
        compare(linesStartingWith("[DEBUG] Before click").length, data.tag === "loading" ? 0 : 1);
        compare(String(testHelper.storeValue("isLoggedIn")), "true");
    }

    // The home screen's updateConnection runs once, on the next turn, on the new home screen.
    function test_locationChoiceReachesHome() {
        clickTab("locations");
        const locations = menu.shownScreen;
        testHelper.clearLog();
        locations.connectToLocation("Nowhere", "qrc:/assets/flags/FR.png", true, "Country");
        compare(linesStartingWith("[MainMenu]"),
                ["[MainMenu] Received signal: connectToLocation Nowhere qrc:/assets/flags/FR.png true Country"]);
        compare([menu.currentTab, underlined(), menu.shownScreen.objectName], ["home", ["home"], "homeScreen"]);
        compare(linesStartingWith("[Error]"), [], "not before the next turn");
        tryVerify(() => findChild(menu, "locationScreen") === null, 5000, "one screen at a time");
        tryVerify(() => linesStartingWith("[Error]").length === 1);
        wait(50);
        compare(linesStartingWith("[Error]"), ["[Error] Cannot find server info for Nowhere"]);
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

    name: "MainMenu"
}

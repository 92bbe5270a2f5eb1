import QtQuick
import QtTest
import MyApp 1.0

// The home screen with the real VPN manager driving the OpenVPN simulator: the button's
// states and counter across tabs, the server choice, and the favourite star.
MainWindowTestCase {
    id: homeTest

    property var window
    property var settings

    function home() {
        return findChild(window, "homeScreen");
    }

    function shown(objectName) {
        return findChild(home(), objectName);
    }

    function valueOf(rowName) {
        return shown(rowName).value;
    }

    function clickTab(tab) {
        mouseClick(findChild(pageOf(window), tab + "Tab"));
        wait(0);
    }

    function connectAndWait() {
        mouseClick(shown("connectButton"));
        tryCompare(VpnState, "isConnected", true, 5000);
    }

    function init() {
        startClean();
        window = signedInWindow();
        settings = homeSettingsOf(window);
    }

    function cleanup() {
        vpnManager.syncDisconnectVpn();
    }

    function test_connectCountSwitchTabsAndDisconnect() {
        const button = shown("connectButton");
        mouseClick(button);
        compare(VpnState.statusText, "Connecting...");
        compare(shown("statusLine").text, "Connecting...");
        // A click while connecting is only logged.
        testHelper.clearLog();
        mouseClick(button);
        compare(linesStartingWith("[DEBUG] Before click"), ["[DEBUG] Before click: connecting= true disconnecting= false connected= false"]);
        compare(linesStartingWith("[UI]").concat(linesStartingWith("[VPN] Connecting to")), []);

        tryCompare(VpnState, "isConnected", true, 5000);
        compare(shown("statusLine").text, "Connected");
        compare(VpnState.statusText, "Disconnect");
        verify(shown("infoPanel").visible);
        compare(shown("map").source, "qrc:/assets/icons/map_connected.png");
        tryCompare(shown("privateIpRow"), "value", "10.8.0.2");
        compare(valueOf("expiryRow"), "2099-12-31");
        compare(settings.savedConnected, true);
        VpnState.connectedSeconds = 3599;
        tryCompare(shown("durationRow"), "value", "1:00:00", 1500);

        // The counter and the flags carry on while another tab is shown.
        clickTab("settings");
        compare(home(), null);
        tryCompare(VpnState, "connectDuration", "1:00:01", 1500);
        clickTab("home");
        compare(shown("statusLine").text, "Connected");
        tryCompare(shown("durationRow"), "value", "1:00:02", 1500);

        testHelper.clearLog();
        mouseClick(shown("connectButton"));
        compare(VpnState.statusText, "Disconnecting...");
        compare(settings.savedConnected, false);
        compare(linesStartingWith("[UI]"), ["[UI] Disconnect button clicked", "[UI] Disconnect done"]);
        tryCompare(VpnState, "statusText", "Connect", 10000);
        compare(linesStartingWith("[UI]").pop(), "[UI] Disconnect done1");
        compare(shown("statusLine").text, "Disconnected");
        compare(VpnState.connectDuration, "0:00:00");
        verify(VpnState.connectedSeconds > 3600, "the count is kept until the next connection");
        verify(!shown("infoPanel").visible);
    }

    function test_tunnelEndsOnAnotherTab() {
        vpnManager.syncDisconnectVpn();
        testHelper.setEnvironment("OPENVPN_SIM_SCENARIO", "out Initialization Sequence Completed\nsleep 600\nexit 1");
        connectAndWait();
        clickTab("locations");
        tryCompare(VpnState, "isDisconnected", true, 5000);
        compare(VpnState.isConnected, false);
        verify(findChild(window, "navBar").enabled);
        clickTab("home");
        compare(shown("statusLine").text, "Disconnected");
        compare(shown("connectButton").Accessible.name, "Connect");
        compare(VpnState.connectDuration, "0:00:00");
    }

    function test_counterFormat() {
        const monitor = findChild(window, "connectionMonitor");
        const expected = [[5, "0:00:05"], [3599, "0:59:59"], [3723, "1:02:03"], [97200, "27:00:00"], [360000, "100:00:00"]];
        for (const [seconds, text] of expected)
            compare(monitor.formatDuration(seconds), text);
    }

    function test_serverChoice_data() {
        const auto = { name: "Auto Select", type: "none" };
        return [
            { tag: "country by name", name: "Paris", type: "Country", line: "10.0.0.1 : 1195 Category: fastvpn User: fr Pass: [hidden]" },
            { tag: "city of the same name", name: "Paris", type: "City", line: "10.0.0.2 : 443 Category: goose User: pc Pass: [hidden]" },
            { tag: "zero port", name: "Zero", type: "Country", line: "10.0.0.3 : 1194 Category: default User: z Pass: " },
            { tag: "entry without host", name: "Hostless", type: "Country", error: "[Error] Cannot find server info for Hostless" },
            { tag: "no type", name: "Paris", type: "N/A", error: "[Error] Cannot find server info for Paris" },
            Object.assign({ tag: "auto select: a country, only among hosts", line: "10.0.0.9 : 2195 Category: pia User: a Pass: [hidden]",
                            directory: { Servers: [{ Name: "H1" }, { Name: "A", ServerHost: "10.0.0.9", ServerTCPPort: 2195, OpenVPNTCPPort: "1", Category: "pia", User: "a", Pass: "x" }],
                                         Cities: [{ CityName: "H2", OpenVPNTCPPort: "7" }] } }, auto),
            Object.assign({ tag: "auto select: a city", line: "10.0.0.8 : 1194 Category: goose User: c Pass: ",
                            directory: { Servers: [{ Name: "H1", ServerTCPPort: "9" }], Cities: [{ CityName: "Lyon", ServerHost: "10.0.0.8", Category: "goose", User: "c" }] } }, auto),
            Object.assign({ tag: "auto select: no host anywhere", error: "[Error] No available servers",
                            directory: { Servers: [{ Name: "H1" }], Cities: [{ CityName: "H2" }] } }, auto),
            Object.assign({ tag: "auto select: no directory", error: "[Error] No available servers", directory: {} }, auto)
        ];
    }

    // The server that a location reaches, and the location remembered only when one is found.
    function test_serverChoice(data) {
        if (data.directory)
            settings.rawApiData = data.directory;
        testHelper.clearLog();
        home().updateConnection(data.name, "qrc:/assets/flags/FR.png", true, data.type);
        compare(linesStartingWith("[Error]"), data.error ? [data.error] : []);
        compare(linesStartingWith("[VPN] Connecting to"), data.line ? ["[VPN] Connecting to " + data.line] : []);
        compare(VpnState.currentLocationType, data.error ? "N/A" : data.type);
        compare(settings.savedLocationType, data.error ? "N/A" : data.type);
        compare(settings.savedFavorite, !data.error);
        compare(VpnState.isConnecting, !data.error);
    }

    function test_failedLookupWhileConnectedLeavesTunnelDown() {
        home().updateConnection("Paris", "", false, "City");
        tryCompare(VpnState, "isConnected", true, 5000);
        testHelper.clearLog();
        home().updateConnection("Nowhere", "", false, "Country");
        compare(linesStartingWith("[HomeScreen]"), ["[HomeScreen] Disconnecting from: Paris"]);
        compare(linesStartingWith("[Error]"), ["[Error] Cannot find server info for Nowhere"]);
        verify(vpnManager.disconnected);
        compare([VpnState.isConnected, VpnState.isConnecting, VpnState.isDisconnecting], [false, false, false]);
        compare([VpnState.currentLocationName, VpnState.currentLocationType], ["Paris", "City"]);
    }

    // The star follows the favourites file, never "Auto Select", and tells a country from a
    // city of the same name.
    function test_favoriteStar() {
        locationLoader.saveFavorites([{ name: "Paris", flag: "f", type: "City" }]);
        settings.savedLocationName = "Paris";
        settings.savedLocationType = "Country";
        settings.savedFavorite = true;
        clickTab("settings");
        clickTab("home");
        compare(VpnState.currentFavorite, false);
        const star = shown("star");
        verify(star.visible);
        mouseClick(star);
        compare(VpnState.currentFavorite, true);
        compare(locationLoader.loadFavorites().map(f => f.name + "/" + f.type), ["Paris/City", "Paris/Country"]);
        mouseClick(star);
        compare([VpnState.currentFavorite, settings.savedFavorite], [false, false]);
        compare(locationLoader.loadFavorites().map(f => f.name + "/" + f.type), ["Paris/City"]);

        VpnState.currentLocationName = "Auto Select";
        verify(!star.visible);
        home().updateFavorites();
        compare(locationLoader.loadFavorites().length, 1);
        compare(VpnState.currentFavorite, false);
    }

    name: "HomeScreen"
}

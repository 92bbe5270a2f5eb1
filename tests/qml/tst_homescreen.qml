import QtQuick
import QtTest
import MyApp 1.0

// The home screen with the real VPN manager driving the OpenVPN simulator: the button's
// states and the counter across tabs, the server choice, and the favourite star.
MainWindowTestCase {
    id: homeTest

    property var window
    property var settings

    function shown(objectName) {
        return findChild(findChild(window, "homeScreen"), objectName);
    }

    function clickTab(tab) {
        mouseClick(findChild(pageOf(window), tab + "Tab"));
        wait(0);
    }

    function favorites() {
        return locationLoader.loadFavorites().map(favorite => favorite.name + "/" + favorite.type);
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
        mouseClick(shown("connectButton"));
        compare([VpnState.statusText, shown("statusLine").text], ["Connecting...", "Connecting..."]);
        testHelper.clearLog();
        mouseClick(shown("connectButton"));
        compare(linesStartingWith("[UI]").concat(linesStartingWith("[VPN] Connecting to")), [], "click ignored");

        tryCompare(VpnState, "isConnected", true, 5000);
        compare([VpnState.statusText, shown("statusLine").text, settings.savedConnected], ["Disconnect", "Connected", true]);
        compare(shown("map").source, "qrc:/assets/icons/map_connected.png");
        tryCompare(shown("privateIpRow"), "value", "10.8.0.2");
        compare(shown("expiryRow").value, "2099-12-31");
        VpnState.connectedSeconds = 3599;
        tryCompare(shown("durationRow"), "value", "1:00:00", 1500);
        compare(findChild(window, "connectionMonitor").formatDuration(360000), "100:00:00");

        // The counter and the flags carry on while another tab is shown.
        clickTab("settings");
        tryCompare(VpnState, "connectDuration", "1:00:01", 1500);
        clickTab("home");
        compare(shown("statusLine").text, "Connected");

        testHelper.clearLog();
        mouseClick(shown("connectButton"));
        compare([VpnState.statusText, settings.savedConnected], ["Disconnecting...", false]);
        compare(linesStartingWith("[UI]"), ["[UI] Disconnect button clicked", "[UI] Disconnect done"]);
        tryCompare(VpnState, "statusText", "Connect", 10000);
        compare(linesStartingWith("[UI]").pop(), "[UI] Disconnect done1");
        compare([shown("statusLine").text, VpnState.connectDuration], ["Disconnected", "0:00:00"]);
        verify(VpnState.connectedSeconds > 3600 && !shown("infoPanel").visible);
    }

    // Why the attempt failed, in one line centred under the button that moves nothing, until
    // the next attempt starts.
    function test_failureLineUnderTheButton() {
        const home = findChild(window, "homeScreen");
        const button = shown("connectButton");
        const line = shown("failureLine");
        const buttonAt = button.mapToItem(home, 0, 0);
        verify(!line.visible);
        testHelper.setEnvironment("OPENVPN_SIM_SCENARIO", "out AUTH: Received control message: AUTH_FAILED\nexit 1");
        mouseClick(button);
        tryCompare(line, "text", "The server refused the user name or password.", 5000);
        const lineAt = line.mapToItem(home, 0, 0);
        compare([line.visible, line.Accessible.name, line.lineCount], [true, line.text, 1]);
        compare(button.mapToItem(home, 0, 0), buttonAt);
        verify(lineAt.y >= buttonAt.y + button.height);
        fuzzyCompare(lineAt.x + line.width / 2, buttonAt.x + button.width / 2, 0.5);

        testHelper.setEnvironment("OPENVPN_SIM_SCENARIO", "demo");
        mouseClick(button);
        verify(!line.visible);
        tryCompare(VpnState, "isConnected", true, 5000);
        compare(line.text, "");
    }

    function test_tunnelEndsOnAnotherTab() {
        testHelper.setEnvironment("OPENVPN_SIM_SCENARIO", "out Initialization Sequence Completed\nsleep 600\nexit 1");
        mouseClick(shown("connectButton"));
        tryCompare(VpnState, "isConnected", true, 5000);
        clickTab("locations");
        tryCompare(VpnState, "isDisconnected", true, 5000);
        verify(!VpnState.isConnected && findChild(window, "navBar").enabled);
        clickTab("home");
        compare([shown("statusLine").text, shown("connectButton").Accessible.name], ["Disconnected", "Connect"]);
        compare(shown("failureLine").text, "The connection was lost.");
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
        findChild(window, "homeScreen").updateConnection(data.name, "qrc:/assets/flags/FR.png", true, data.type);
        compare(linesStartingWith("[Error]"), data.error ? [data.error] : []);
        compare(linesStartingWith("[VPN] Connecting to"), data.line ? ["[VPN] Connecting to " + data.line] : []);
        const stored = data.error ? ["N/A", "N/A", false] : [data.type, data.type, true];
        compare([VpnState.currentLocationType, settings.savedLocationType, settings.savedFavorite], stored);
        compare(VpnState.isConnecting, !data.error);
    }

    function test_wrongTypedDirectory_data() {
        const entry = { Name: "X", ServerHost: "127.0.0.1", OpenVPNTCPPort: "1194", Category: "default", User: "u", Pass: "p" };
        const row = (tag, values, refusal) => ({ tag: tag, entry: Object.assign({}, entry, values), refusal: refusal });
        return [
            row("host an object", { ServerHost: { ip: "127.0.0.1" } }, "[VPN] Refusing to connect: the server's host is not usable"),
            row("port an object", { OpenVPNTCPPort: { port: 1194 } }, "[VPN] Refusing to connect: the server's port is not usable"),
            row("port a negative number", { OpenVPNTCPPort: -1 }, "[VPN] Refusing to connect: the server's port is not usable"),
            row("user a list with a path", { User: ["a/b"] }, "[VPN] Refusing to connect: the server's user is not usable"),
            row("category a list", { Category: ["default", "pia"] }, "[VPN] Cannot open resource file: \"default,pia\""),
            row("category null", { Category: null }, "[VPN] Cannot open resource file: \"\""),
            row("name a list", { Name: ["Y"] }, "[Error] Cannot find server info for X")
        ];
    }

    // An entry whose values cannot be used starts nothing, says why, and leaves the window
    // usable.
    function test_wrongTypedDirectory(data) {
        settings.rawApiData = { Servers: [data.entry, null, 5, "text"], Cities: { CityName: 3 } };
        testHelper.clearLog();
        findChild(window, "homeScreen").updateConnection("X", "", false, "Country");
        verify(testHelper.logLines().indexOf(data.refusal) >= 0, testHelper.logLines().join("\n"));
        compare(linesStartingWith("[VPN] Starting OpenVPN"), []);
        compare([vpnManager.connecting, VpnState.isConnecting, VpnState.isConnected], [false, false, false]);
        verify(findChild(window, "navBar").enabled);
        compare(shown("connectButton").Accessible.name, "Connect");
    }

    // A window started with a wrong-typed directory in the store builds its screens without a
    // script error, and Auto Select refuses the entry it draws.
    function test_startWithWrongTypedDirectory() {
        settings.rawApiData = { Servers: [{ Name: [], ServerHost: { a: 1 }, ServerTCPPort: {} }, null, 5],
                                Cities: "text" };
        closeWindow(window);
        testHelper.clearLog();
        testHelper.usePanel(testHelper.unusedPortUrl());
        window = createWindow();
        tryCompare(homeSettingsOf(window), "isLoading", false, 10000);
        verify(shown("connectButton"));
        mouseClick(shown("connectButton"));
        verify(testHelper.logLines().indexOf("[VPN] Refusing to connect: the server's host is not usable") >= 0);
        const scriptErrors = testHelper.logLines().filter(line => /TypeError|ReferenceError|RangeError/.test(line));
        compare(scriptErrors, []);
        compare(VpnState.isConnecting, false);
        verify(findChild(window, "navBar").enabled);
    }

    function test_failedLookupWhileConnectedLeavesTunnelDown() {
        const home = findChild(window, "homeScreen");
        home.updateConnection("Paris", "", false, "City");
        tryCompare(VpnState, "isConnected", true, 5000);
        testHelper.clearLog();
        home.updateConnection("Nowhere", "", false, "Country");
        compare(linesStartingWith("[HomeScreen]"), ["[HomeScreen] Disconnecting from: Paris"]);
        compare(linesStartingWith("[Error]"), ["[Error] Cannot find server info for Nowhere"]);
        compare([vpnManager.disconnected, VpnState.isConnected, VpnState.isDisconnecting], [true, false, false]);
        compare([VpnState.currentLocationName, VpnState.currentLocationType], ["Paris", "City"]);
    }

    // The screen ends the busy state itself when a directory with servers arrives.
    function test_directoryEndsLoading() {
        settings.isLoading = true;
        settings.rawApiData = { Cities: [] };
        compare(settings.isLoading, true);
        settings.rawApiData = { Servers: [] };
        compare(settings.isLoading, false);
    }

    // The star follows the favourites file, tells a country from a city of the same name and
    // never adds "Auto Select".
    function test_favoriteStar() {
        locationLoader.saveFavorites([{ name: "Paris", flag: "f", type: "City" }]);
        settings.savedLocationName = "Paris";
        settings.savedLocationType = "Country";
        settings.savedFavorite = true;
        clickTab("settings");
        clickTab("home");
        compare(VpnState.currentFavorite, false);
        mouseClick(shown("star"));
        compare([VpnState.currentFavorite, favorites()], [true, ["Paris/City", "Paris/Country"]]);
        mouseClick(shown("star"));
        compare([VpnState.currentFavorite, settings.savedFavorite, favorites()], [false, false, ["Paris/City"]]);
        VpnState.currentLocationName = "Auto Select";
        findChild(window, "homeScreen").updateFavorites();
        compare([shown("star").visible, VpnState.currentFavorite, favorites()], [false, false, ["Paris/City"]]);
    }

    name: "HomeScreen"
}

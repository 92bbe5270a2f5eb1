import QtQuick
import MyApp 1.0

// The home screen with the real VPN manager driving the OpenVPN simulator: the button's
// states and the counter across tabs, the failure line, the server choice and the star.
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
        tryCompare(VpnState, "isConnected", true, 5000);
        compare([VpnState.statusText, shown("statusLine").text, settings.savedConnected, String(shown("map").source)],
                ["Disconnect", "Connected", true, "qrc:/assets/icons/map_connected.png"]);
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

        // The stop begins one turn after the click, once "Disconnecting..." is shown.
        testHelper.clearLog();
        mouseClick(shown("connectButton"));
        compare([VpnState.statusText, settings.savedConnected], ["Disconnecting...", false]);
        compare(linesStartingWith("[UI]"), ["[UI] Disconnect button clicked", "[UI] Disconnect done"]);
        tryCompare(VpnState, "statusText", "Connect", 10000);
        compare(linesStartingWith("[UI]").pop(), "[UI] Disconnect done1");
        compare([shown("statusLine").text, VpnState.connectDuration], ["Disconnected", "0:00:00"]);
        verify(VpnState.connectedSeconds > 3600 && !shown("infoPanel").visible);
    }

    // A tunnel that ends by itself while another tab is shown: the flags follow, and the new
    // home screen says why in one line centred under the button, which moves nothing, until
    // the next attempt starts.
    function test_tunnelLostOnAnotherTab() {
        const buttonAt = shown("connectButton").mapToItem(null, 0, 0);
        testHelper.setEnvironment("OPENVPN_SIM_SCENARIO", "out Initialization Sequence Completed\nsleep 3000\nexit 1");
        mouseClick(shown("connectButton"));
        tryCompare(VpnState, "isConnected", true, 5000);
        clickTab("locations");
        tryCompare(VpnState, "isDisconnected", true, 10000);
        verify(!VpnState.isConnected && findChild(window, "navBar").enabled);
        clickTab("home");
        const button = shown("connectButton");
        const line = shown("failureLine");
        compare([shown("statusLine").text, button.Accessible.name], ["Disconnected", "Connect"]);
        compare([line.text, line.visible, line.Accessible.name, line.lineCount],
                ["The connection was lost.", true, line.text, 1]);
        const lineAt = line.mapToItem(null, 0, 0);
        compare(button.mapToItem(null, 0, 0), buttonAt);
        verify(lineAt.y >= buttonAt.y + button.height);
        fuzzyCompare(lineAt.x + line.width / 2, buttonAt.x + button.width / 2, 0.5);

        testHelper.setEnvironment("OPENVPN_SIM_SCENARIO", "demo");
        mouseClick(button);
        verify(!line.visible);
        tryCompare(VpnState, "isConnected", true, 5000);
        compare(line.text, "");
    }

    // Rows with a directory are "Auto Select" (type "none") over that directory; `loading`: the
    // busy state stays on when that directory arrives.
    function test_serverChoice_data() {
        return [
            { tag: "country by name", name: "Paris", type: "Country", line: "10.0.0.1 : 1195 Category: fastvpn User: fr Pass: [hidden]" },
            { tag: "zero port", name: "Zero", type: "Country", line: "10.0.0.3 : 1194 Category: default User: z Pass: " },
            { tag: "entry without host", name: "Hostless", type: "Country", error: "[Error] Cannot find server info for Hostless" },
            { tag: "unknown name, while connected", connected: true, name: "Nowhere", type: "Country",
              error: "[Error] Cannot find server info for Nowhere" },
            { tag: "no type", name: "Paris", type: "N/A", error: "[Error] Cannot find server info for Paris" },
            { tag: "auto select: a country, only among hosts", line: "10.0.0.9 : 2195 Category: pia User: a Pass: [hidden]",
              directory: { Servers: [{ Name: "H1" }, { Name: "A", ServerHost: "10.0.0.9", ServerTCPPort: 2195, OpenVPNTCPPort: "1", Category: "pia", User: "a", Pass: "x" }],
                           Cities: [{ CityName: "H2", OpenVPNTCPPort: "7" }] } },
            { tag: "auto select: a city", line: "10.0.0.8 : 1194 Category: goose User: c Pass: ",
              directory: { Servers: [{ Name: "H1", ServerTCPPort: "9" }], Cities: [{ CityName: "Lyon", ServerHost: "10.0.0.8", Category: "goose", User: "c" }] } },
            { tag: "auto select: no host anywhere", error: "[Error] No available servers",
              directory: { Servers: [{ Name: "H1" }], Cities: [{ CityName: "H2" }] } },
            { tag: "auto select: no directory", error: "[Error] No available servers", directory: {}, loading: true }
        ];
    }

    // The server that a location reaches, and the location remembered only when one is found.
    // A tunnel that runs is stopped first, and stays down when the look-up fails.
    function test_serverChoice(data) {
        const home = findChild(window, "homeScreen");
        const name = data.name || "Auto Select";
        const type = data.directory ? "none" : data.type;
        if (data.connected) {
            home.updateConnection("Paris", "", false, "City");
            tryCompare(VpnState, "isConnected", true, 5000);
        }
        // The screen itself ends the busy state when a directory with servers arrives.
        if (data.directory) {
            settings.isLoading = true;
            settings.rawApiData = data.directory;
            compare(settings.isLoading, data.loading === true);
        }
        testHelper.clearLog();
        home.updateConnection(name, "qrc:/assets/flags/FR.png", true, type);
        compare(linesStartingWith("[HomeScreen] Disconnecting"), data.connected ? ["[HomeScreen] Disconnecting from: Paris"] : []);
        compare(linesStartingWith("[Error]"), data.error ? [data.error] : []);
        compare(linesStartingWith("[VPN] Connecting to"), data.line ? ["[VPN] Connecting to " + data.line] : []);
        const before = data.connected ? ["Paris", "City", "City", false] : ["Auto Select", "N/A", "N/A", false];
        compare([VpnState.currentLocationName, VpnState.currentLocationType, settings.savedLocationType, settings.savedFavorite],
                data.error ? before : [name, type, type, true]);
        compare([VpnState.isConnecting, VpnState.isConnected, VpnState.isDisconnecting, vpnManager.disconnected],
                [!data.error, false, false, !!data.error]);
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

    // The star follows the favourites file, tells a country from a city of the same name and
    // never adds "Auto Select".
    function test_favoriteStar() {
        const favorites = () => locationLoader.loadFavorites().map(record => record.name + "/" + record.type);
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

    function showParis() {
        locationLoader.saveFavorites([]);
        settings.savedLocationName = "Paris";
        settings.savedLocationType = "Country";
        clickTab("settings");
        clickTab("home");
    }

    // The star comes before the button, and Space marks it; while the busy overlay covers the
    // screen the keys reach nothing, and the focus is back on the button when it goes.
    function test_keyboard() {
        showParis();
        activate(window);
        compare(pressKeys(window, ["Shift+Tab", "Space", "Tab"]), ["star", "star", "connectButton"]);
        verify(VpnState.currentFavorite);
        settings.isLoading = true;
        pressKeys(window, ["Space", "Shift+Tab", "Space", "Return"]);
        settings.isLoading = false;
        compare([VpnState.currentFavorite, linesStartingWith("[DEBUG] Before click"), focusOf(window)],
                [true, [], "connectButton (no ring)"]);
    }

    name: "HomeScreen"
}

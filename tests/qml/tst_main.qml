import QtQuick
import MyApp 1.0
import "qrc:/qml/AutoConnect.js" as AutoConnect
import "qrc:/qml/StoredValues.js" as StoredValues

// The main window: seeding of the options, the sign-in gate, and the server directory fetch
// against the real panel program.
MainWindowTestCase {
    id: mainTest

    readonly property var optionDefaults: [
        ["batteryOptimization", false],
        ["killSwitch", false],
        ["autoConnect", false],
        ["vpnProtocol", "UDP"],
        ["ipv6", "Combined IPv4/IPv6 tunnel"],
        ["timeout", "30 seconds"],
        ["compression", "No"],
        ["forceAESCBC", false],
        ["insecureAlgos", false],
        ["minTLS", "TLS 1.2"],
        ["dnsFallback", false],
        ["shortcutMinimize", false]
    ]
    // The window's own settings that a first start writes, as the store holds them as text.
    readonly property var homeDefaults: [
        ["savedConnected", "false"],
        ["savedLocationName", "Auto Select"],
        ["savedLocationFlag", "qrc:/assets/icons/ic_network_option.png"],
        ["savedFavorite", "false"],
        ["savedLocationType", "N/A"],
        ["expiryDate", ""]
    ]
    readonly property string fetchLine: "[LocationScreen] Fetching server list from API..., isloading =  true"
    readonly property string storedLine: "[LocationScreen] Server list received and stored"
    readonly property string validLine: "[Main] Đăng nhập hợp lệ. Vào HomeScreen."
    readonly property string invalidLine: "[Main] Chưa đăng nhập hoặc hết hạn. Vào LoginScreen."
    // A directory whose entries have every value of the wrong type.
    readonly property var wrongTypedDirectory: ({
        Servers: [
            { Name: 42, Flag: 7, ServerHost: 127001, OpenVPNTCPPort: { port: 1194 }, Category: ["default"],
              User: null, Pass: null },
            { Name: null, Flag: null, ServerHost: null, OpenVPNTCPPort: null, Category: null, User: null,
              Pass: null },
            null, 5, "text"
        ],
        Cities: [{ CityName: 3, ServerHost: [], OpenVPNTCPPort: true }, null]
    })
    property string demoPanel
    property string oldDirectoryPanel

    // The date of the UTC day that is `offset` days from today, as YYYY-MM-DD.
    function utcDay(offset) {
        const day = new Date();
        day.setUTCDate(day.getUTCDate() + offset);
        return day.toISOString().slice(0, 10);
    }

    // The demo directory as the panel serves it.
    function demoDirectory() {
        return JSON.parse(testHelper.readFile(testHelper.sourcePath("demo/app-servers.json")));
    }

    // Panel options that serve one of the certificates of tests/data/panel-tls.
    function panelTls(name) {
        return ["--cert", testHelper.sourcePath("tests/data/panel-tls/" + name + ".crt"),
                "--key", testHelper.sourcePath("tests/data/panel-tls/" + name + ".key")];
    }

    function initTestCase() {
        demoPanel = startPanel(testHelper.sourcePath("demo/app-servers.json"));
        oldDirectoryPanel = startPanel(tempFile("old-directory.json",
            JSON.stringify({ Servers: [{ Name: "Oldland", ServerHost: "127.0.0.1" }] })));
    }

    function init() {
        startClean();
        testHelper.usePanel(demoPanel);
    }

    function test_firstStartSeedsEveryOption() {
        const window = createWindow();
        compare(linesStartingWith("[Settings]"),
                optionDefaults.map(entry => "[Settings] '" + entry[0] + "' set to default: " + entry[1]));
        for (const entry of optionDefaults)
            compare(String(testHelper.storeValue(entry[0])), String(entry[1]), entry[0]);
        compare(testHelper.storeValue("isLoggedIn"), undefined);
        compare(linesStartingWith("[Main]"), [invalidLine]);
        compare(pageOf(window).objectName, "loginScreen");
        // The options are seeded before the directory request and the routing.
        const lines = testHelper.logLines();
        verify(lines.indexOf("[Settings] 'shortcutMinimize' set to default: false")
               < lines.findIndex(line => line.startsWith("[LocationScreen] Fetching")));
        // The window's settings group writes its defaults under the keys the screens read.
        closeWindow(window);
        for (const entry of homeDefaults)
            compare(String(testHelper.storeValue(entry[0])), entry[1], entry[0]);
    }

    function test_laterStartKeepsStoredOptions() {
        closeWindow(createWindow());
        testHelper.setStoreValue("killSwitch", "true");
        testHelper.setStoreValue("timeout", "15 seconds");
        testHelper.setStoreValue("vpnProtocol", "");
        testHelper.setStoreValue("minTLS", "TLS 1.3");
        testHelper.clearLog();

        createWindow();
        const stored = { killSwitch: "true", timeout: "15 seconds", vpnProtocol: "", minTLS: "TLS 1.3" };
        const expected = optionDefaults.map(entry => {
            const value = entry[0] in stored ? stored[entry[0]] : entry[1];
            return "[Settings] '" + entry[0] + "' already exists: " + value;
        });
        compare(linesStartingWith("[Settings]"), expected);
        compare(testHelper.storeValue("vpnProtocol"), "");
        compare(testHelper.storeValue("killSwitch"), "true");
        compare(testHelper.storeValue("minTLS"), "TLS 1.3");
        compare([vpnManager.killSwitch, vpnManager.connectTimeoutMs], [true, 15000]);
    }

    function test_connectTimeoutOfStoredChoice() {
        const choices = ["15 seconds", "30 seconds", "1 minute", "2 minutes", "Continuously retry",
                         "5 minutes", "", undefined];
        compare(choices.map(StoredValues.connectTimeoutMs),
                [15000, 30000, 60000, 120000, 0, 60000, 60000, 60000]);
    }

    function test_gate_data() {
        return [
            { tag: "signed in, expiry ahead", loggedIn: true, expiry: utcDay(1), menu: true },
            { tag: "flag read back as text", loggedIn: "true", expiry: utcDay(30), menu: true },
            { tag: "flag as the text false", loggedIn: "false", expiry: utcDay(30), menu: false },
            { tag: "never signed in", loggedIn: undefined, expiry: utcDay(30), menu: false },
            { tag: "empty expiry", loggedIn: true, expiry: "", menu: false },
            { tag: "past expiry", loggedIn: true, expiry: utcDay(-1), menu: false },
            { tag: "expiry day itself", loggedIn: true, expiry: utcDay(0), menu: false },
            { tag: "expiry not a date", loggedIn: true, expiry: "soon", menu: false }
        ];
    }

    function test_gate(data) {
        if (data.loggedIn !== undefined)
            testHelper.setStoreValue("isLoggedIn", data.loggedIn);
        testHelper.setStoreValue("expiryDate", data.expiry);
        const requestsBefore = testHelper.panelRequests(demoPanel, "/api/app-servers.json");

        const window = createWindow();
        const gateLines = linesStartingWith("[Main]");
        compare(gateLines, [data.menu ? validLine : invalidLine]);
        compare(stackOf(window).depth, 1);
        compare(pageOf(window).objectName, data.menu ? "mainMenu" : "loginScreen");

        // The directory request goes out before the routing decision, on both branches.
        const lines = testHelper.logLines();
        verify(lines.indexOf(fetchLine) >= 0 && lines.indexOf(fetchLine) < lines.indexOf(gateLines[0]),
               "fetch before routing");
        tryVerify(() => testHelper.panelRequests(demoPanel, "/api/app-servers.json") === requestsBefore + 1);
    }

    function test_garbageInTheStore_data() {
        const keys = optionDefaults.map(entry => entry[0]).concat(homeDefaults.map(entry => entry[0]))
            .concat(["rawApiData", "isLoading", "savedUsername", "savedPassword"]);
        const garbage = ["@Variant(\\0\\0\\0\\x7f\\xff)", "@ByteArray(\\xff\\xfe)", "\\x1b[2J\\0",
                         "{\\\"Servers\\\": 5}", "@Point(1 2)", "-1e999"];
        const file = (signedIn) => "[General]\n" + keys.map((key, i) => key + "=" + garbage[i % garbage.length]).join("\n")
            + (signedIn ? "\nisLoggedIn=true\nexpiryDate=2099-12-31\n" : "\nisLoggedIn=@Variant(garbage)\nexpiryDate=tomorrow\n");
        return [
            { tag: "signed out", store: file(false), page: "loginScreen" },
            { tag: "signed in", store: file(true), page: "mainMenu" }
        ];
    }

    // A store with a value of the wrong kind under every key: the window still routes, ends
    // its busy state and raises no script error.
    function test_garbageInTheStore(data) {
        testHelper.writeStoreFile(data.store);
        testHelper.usePanel(testHelper.unusedPortUrl());
        const window = createWindow();
        compare(pageOf(window).objectName, data.page);
        tryCompare(homeSettingsOf(window), "isLoading", false, 10000);
        wait(50);
        const scriptErrors = testHelper.logLines().filter(line => /Error:|Unable to assign/.test(line));
        compare(scriptErrors, []);
        closeWindow(window);
    }

    // The stored day is 00:00 UTC of that day: valid until that instant, not from it on.
    function test_expiryBoundary() {
        const window = createWindow();
        verify(window.hasValidSignIn(true, "2026-12-31", new Date(Date.UTC(2026, 11, 30, 23, 59, 59))));
        verify(!window.hasValidSignIn(true, "2026-12-31", new Date(Date.UTC(2026, 11, 31))));
        verify(!window.hasValidSignIn("false", "2026-12-31", new Date(Date.UTC(2026, 0, 1))));
    }

    function test_directoryFetch_data() {
        return [
            { tag: "directory", panel: () => demoPanel, expected: "Vietnam", log: storedLine },
            { tag: "status 500", panel: () => startPanel(testHelper.sourcePath("demo/app-servers.json"), ["--status", "500"]),
              expected: "Oldland", log: "[LocationScreen] API request failed. Status: 500" },
            { tag: "no reply from the panel", panel: () => testHelper.unusedPortUrl(),
              expected: "Oldland", log: "[LocationScreen] API request failed. Status: 0" },
            { tag: "body not JSON", panel: () => startPanel(tempFile("html.json", "<html>busy</html>")),
              expected: "Oldland", log: "[LocationScreen] Server list is not JSON" },
            { tag: "reply without Servers",
              panel: () => startPanel(tempFile("cities.json", JSON.stringify({ Cities: [{ CityName: "Lyon" }] }))),
              expected: "Oldland", log: "[LocationScreen] Server list has no Servers" },
            { tag: "reply held until the deadline", panel: () => startPanel(testHelper.sourcePath("demo/app-servers.json"), ["--no-reply"]),
              timeout: 1000, expected: "Oldland", log: "[LocationScreen] API request timed out after 1000 ms" },
            { tag: "reply after the deadline", panel: () => startPanel(testHelper.sourcePath("demo/app-servers.json"), ["--delay-ms", "2000"]),
              timeout: 1000, expected: "Oldland", log: "[LocationScreen] API request timed out after 1000 ms" },
            { tag: "truncated body", panel: () => startPanel(tempFile("truncated.json", JSON.stringify(demoDirectory()).slice(0, 700))),
              expected: "Oldland", log: "[LocationScreen] Server list is not JSON" },
            { tag: "body of 6 MB", panel: () => startPanel(tempFile("big.json", JSON.stringify({ Padding: "x".repeat(6000000) }))),
              expected: "Oldland", log: "[LocationScreen] Server list has no Servers" },
            { tag: "JSON array", panel: () => startPanel(tempFile("array.json", "[{\"Servers\": []}]")),
              expected: "Oldland", log: "[LocationScreen] Server list has no Servers" },
            { tag: "JSON null", panel: () => startPanel(tempFile("null.json", "null")),
              expected: "Oldland", log: "[LocationScreen] Server list has no Servers" },
            { tag: "JSON text", panel: () => startPanel(tempFile("text.json", "\"Servers\"")),
              expected: "Oldland", log: "[LocationScreen] Server list has no Servers" },
            { tag: "Servers an object", panel: () => startPanel(tempFile("object.json", JSON.stringify({ Servers: { Name: "X" } }))),
              expected: "Oldland", log: "[LocationScreen] Server list's Servers is not a list" },
            { tag: "Servers a number", panel: () => startPanel(tempFile("number.json", "{\"Servers\": 7}")),
              expected: "Oldland", log: "[LocationScreen] Server list's Servers is not a list" },
            { tag: "entries of wrong types", panel: () => startPanel(tempFile("wrong-types.json", JSON.stringify(wrongTypedDirectory))),
              expected: 42, log: storedLine },
            { tag: "expired certificate", panel: () => startPanel(testHelper.sourcePath("demo/app-servers.json"), panelTls("expired")),
              expected: "Oldland", log: "[LocationScreen] API request failed. Status: 0" },
            { tag: "untrusted certificate", panel: () => startPanel(testHelper.sourcePath("demo/app-servers.json"), panelTls("untrusted")),
              expected: "Oldland", log: "[LocationScreen] API request failed. Status: 0" }
        ];
    }

    // Each start sets the busy state, and the completion of the request ends it whatever the
    // outcome; only a usable directory replaces the one stored by an earlier run.
    function test_directoryFetch(data) {
        testHelper.usePanel(oldDirectoryPanel);
        let window = createWindow();
        tryCompare(homeSettingsOf(window), "isLoading", false);
        closeWindow(window);
        compare(testHelper.storeValue("rawApiData").Servers[0].Name, "Oldland");

        testHelper.usePanel(data.panel());
        testHelper.clearLog();
        testHelper.setStoreValue("isLoggedIn", true);
        testHelper.setStoreValue("expiryDate", utcDay(30));
        // Seconds for a reply that comes, also under Wine on a loaded machine; a short deadline
        // only where the panel never answers in time.
        window = createWindow({ directoryTimeout: data.timeout || 10000 });
        const settings = homeSettingsOf(window);
        compare(settings.isLoading, true);
        compare(settings.rawApiData.Servers[0].Name, "Oldland");
        tryCompare(settings, "isLoading", false, 20000);
        compare(settings.rawApiData.Servers[0].Name, data.expected);
        // The main menu's bar answers again.
        verify(findChild(window, "navBar").enabled);
        mouseClick(findChild(pageOf(window), "settingsTab"));
        compare(pageOf(window).currentTab, "settings");
        const outcome = testHelper.logLines().filter(line => line.startsWith("[LocationScreen]")
                                                              && line !== fetchLine);
        verify(outcome.some(line => line.startsWith(data.log)), outcome.join("\n"));
        compare(outcome.indexOf(storedLine) >= 0, data.expected !== "Oldland");

        closeWindow(window);
        compare(testHelper.storeValue("rawApiData").Servers[0].Name, data.expected);
    }

    function test_reconnectDecision_data() {
        const paris = AutoConnect.recordText("Paris", "qrc:/assets/flags/FR.png", false, "Country");
        const now = new Date(Date.UTC(2026, 11, 30, 12));
        const all = { record: paris, autoConnect: "true", loggedIn: "true", expiry: "2026-12-31",
                      directory: testDirectory, reason: "" };
        const row = (tag, change) => Object.assign({ tag: tag, now: now }, all, change);
        return [
            row("everything present (stored texts)", {}),
            row("everything present (booleans)", { autoConnect: true, loggedIn: true }),
            row("no record", { record: "", reason: "no tunnel was up when the last session ended" }),
            row("record not readable", { record: "{\"name\":", reason: "no tunnel was up when the last session ended" }),
            row("record without a name", { record: "{\"flag\":\"x\"}", reason: "no tunnel was up when the last session ended" }),
            row("Auto Connect off", { autoConnect: "false", reason: "Auto Connect is off" }),
            row("Auto Connect never stored", { autoConnect: undefined, reason: "Auto Connect is off" }),
            row("signed out", { loggedIn: "false", reason: "nobody is signed in" }),
            row("expiry day reached", { expiry: "2026-12-30", reason: "the account has expired" }),
            row("no expiry date", { expiry: "", reason: "the account has expired" }),
            row("no directory", { directory: null, reason: "no server directory is loaded" }),
            row("directory without servers", { directory: { Servers: [], Cities: testDirectory.Cities },
                                               reason: "no server directory is loaded" })
        ];
    }

    function test_reconnectDecision(data) {
        const decision = AutoConnect.startDecision(data.record, data.autoConnect, data.loggedIn,
                                                   data.expiry, data.now, data.directory);
        compare(decision.reason, data.reason);
        compare(decision.reconnect, data.reason === "");
    }

    // The session ends with a tunnel up: the next start connects there by itself, uses the
    // record up and, Shortcut Minimize being on, minimizes the window once connected; the
    // user's own connection before did not. A window closed while connected records nothing.
    function test_reconnectAfterTheSessionEnds() {
        testHelper.setStoreValue("autoConnect", true);
        testHelper.setStoreValue("shortcutMinimize", true);
        let window = signedInWindow();
        pageOf(window).connectToLocation("Paris", "qrc:/assets/flags/FR.png", false, "Country");
        tryCompare(vpnManager, "connected", true, 10000);
        wait(50);
        compare(window.visibility === Window.Minimized, false);
        sessionEnd.note();
        compare(AutoConnect.locationOf(testHelper.storeValue("reconnectRecord")).name, "Paris");
        closeWindow(window);
        sessionEnd.callOff();
        vpnManager.syncDisconnectVpn();
        compare(AutoConnect.locationOf(testHelper.storeValue("reconnectRecord")).name, "Paris");

        testHelper.clearLog();
        window = signedInWindow();
        tryCompare(vpnManager, "connected", true, 10000);
        compare(VpnState.currentLocationName, "Paris");
        tryCompare(window, "visibility", Window.Minimized);
        compare(linesStartingWith("[AutoConnect]"), ["[AutoConnect] Reconnecting to Paris as when the last session ended",
                                                     "[AutoConnect] Connected by itself: the window is minimized"]);
        compare(StoredValues.textOf(testHelper.storeValue("reconnectRecord")), "");

        sessionEnd.note();
        window.close();
        sessionEnd.callOff();
        closeWindow(window);
        vpnManager.syncDisconnectVpn();
        verify(AutoConnect.locationOf(testHelper.storeValue("reconnectRecord")) !== null, "recorded at the end");
        window = signedInWindow();
        tryCompare(vpnManager, "connected", true, 10000);
        window.close();
        closeWindow(window);
        vpnManager.syncDisconnectVpn();
        compare(StoredValues.textOf(testHelper.storeValue("reconnectRecord")), "");
        testHelper.clearLog();
        window = signedInWindow();
        compare(linesStartingWith("[AutoConnect]"),
                ["[AutoConnect] Not reconnecting at start: no tunnel was up when the last session ended"]);
        compare(vpnManager.connecting || vpnManager.connected, false);
        closeWindow(window);
    }

    // Battery Optimization on: the display's turning off disconnects a tunnel that is up and
    // its turning on connects there again; a connection the user makes in between ends the
    // pause. With the option off nothing happens.
    function test_displayPausesTheTunnel() {
        testHelper.setStoreValue("batteryOptimization", true);
        const window = signedInWindow();
        pageOf(window).connectToLocation("Paris", "qrc:/assets/flags/FR.png", false, "Country");
        tryCompare(vpnManager, "connected", true, 10000);
        displayState.note(false);
        tryCompare(vpnManager, "disconnected", true, 10000);
        displayState.note(true);
        tryCompare(vpnManager, "connected", true, 10000);
        compare(VpnState.currentLocationType, "Country");

        displayState.note(false);
        tryCompare(vpnManager, "disconnected", true, 10000);
        pageOf(window).connectToLocation("Paris", "qrc:/assets/flags/FR.png", false, "City");
        tryCompare(vpnManager, "connected", true, 10000);
        testHelper.setStoreValue("batteryOptimization", false);
        displayState.note(true);
        displayState.note(false);
        displayState.note(true);
        wait(50);
        compare(vpnManager.connected, true);
        compare(VpnState.currentLocationType, "City");
        compare(linesStartingWith("[Battery]"),
                ["[Battery] The display turned off: pausing the tunnel to Paris",
                 "[Battery] The display turned on: resuming the tunnel to Paris",
                 "[Battery] The display turned off: pausing the tunnel to Paris"]);
        vpnManager.syncDisconnectVpn();
        closeWindow(window);
    }

    name: "Main"
}

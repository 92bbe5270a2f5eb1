import QtQuick
import QtTest

// A test case that creates the program's main window from the resource bundle, with a fresh
// settings store for every test function, against panel programs started for the test.
TestCase {
    id: testCase

    property Component mainComponent: Qt.createComponent("qrc:/qml/Main.qml")
    // The test's own window does not receive synthesized input under the offscreen platform;
    // a window of the menu's content size, made on first use, does.
    property Component screenWindowComponent: Component {
        Window {
            width: 1024
            height: 544
            visible: true
        }
    }
    property Window screenWindow: null
    // A directory whose servers the OpenVPN simulator accepts: a country and a city of the
    // same name, and entries without a host or with a zero port.
    readonly property var testDirectory: ({
        Servers: [{ Name: "Paris", ServerHost: "10.0.0.1", OpenVPNTCPPort: "1195", ServerTCPPort: "2195", Category: "fastvpn", User: "fr", Pass: "fr-pass" },
                  { Name: "Hostless", OpenVPNTCPPort: "1194", Category: "default", User: "h" },
                  { Name: "Zero", ServerHost: "10.0.0.3", OpenVPNTCPPort: 0, Category: "default", User: "z" }],
        Cities: [{ CityName: "Paris", ServerHost: "10.0.0.2", OpenVPNTCPPort: 443, Category: "goose", User: "pc", Pass: "pc-pass" }]
    })

    // Starts a panel serving the given directory file and the demo accounts, plus options.
    function startPanel(directoryPath, options) {
        const url = testHelper.startPanel(["--directory", directoryPath, "--accounts",
                                           testHelper.sourcePath("demo/accounts.json")]
                                          .concat(options || []));
        verify(url !== "", "panel started");
        return url;
    }

    // A file with the given text in the temporary directory, for panel options.
    function tempFile(name, text) {
        return testHelper.writeTempFile(name, text);
    }

    function createWindow(properties) {
        verify(mainComponent.status === Component.Ready, mainComponent.errorString());
        const window = createTemporaryObject(mainComponent, testCase, properties || {});
        verify(window, "Main.qml created");
        return window;
    }

    // Destroys the window at once, which writes what its settings groups still hold.
    function closeWindow(window) {
        window.destroy();
        wait(0);
    }

    // A window with a valid stored sign-in, showing the main menu over the test directory,
    // and the OpenVPN simulator set to the scenario ("demo": a tunnel that comes up).
    function signedInWindow(scenario) {
        testHelper.setEnvironment("OPENVPN_SIM_SCENARIO", scenario || "demo");
        testHelper.setStoreValue("isLoggedIn", true);
        testHelper.setStoreValue("expiryDate", "2099-12-31");
        testHelper.usePanel(testHelper.unusedPortUrl());
        const window = createWindow();
        tryCompare(homeSettingsOf(window), "isLoading", false, 10000);
        homeSettingsOf(window).rawApiData = testDirectory;
        return window;
    }

    // A screen document on its own in that window, created with the given properties, active
    // and drawn.
    function showScreen(document, properties) {
        const component = Qt.createComponent(document);
        verify(component.status === Component.Ready, component.errorString());
        screenWindow = screenWindow || screenWindowComponent.createObject(testCase);
        const screen = createTemporaryObject(component, screenWindow.contentItem, properties || {});
        verify(screen, document);
        screenWindow.requestActivate();
        tryCompare(screenWindow, "active", true);
        waitForRendering(screen);
        return screen;
    }

    // Makes the window the one that key events go to.
    function activate(window) {
        window.requestActivate();
        tryCompare(window, "active", true);
    }

    // The objectName of the item with the keyboard focus, marked when no focus ring shows on
    // it, on the box around it (a text field's) or in its ClickSupport.
    function focusOf(window) {
        const item = window.activeFocusItem;
        if (!item)
            return "";
        const holders = [item, item.parent].concat(Array.from(item.children));
        const ring = holders.some(holder => Array.from(holder.children).some(child => child.shown === true));
        return item.objectName + (ring ? "" : " (no ring)");
    }

    // Presses each key ("Tab", "Shift+Tab", "Space", ...) and returns where the focus is
    // after each.
    function pressKeys(window, keys) {
        return keys.map(key => {
            keySequence(key);
            return focusOf(window);
        });
    }

    function homeSettingsOf(window) {
        return findChild(window, "homeSettings");
    }

    function stackOf(window) {
        return findChild(window, "stackView");
    }

    function pageOf(window) {
        return stackOf(window).currentItem;
    }

    function linesStartingWith(prefix) {
        return testHelper.logLines().filter(line => line.startsWith(prefix));
    }

    // For init(): no window left from the test before, an empty store and an empty log.
    function startClean() {
        wait(0);
        testHelper.clearStore();
        testHelper.clearLog();
    }

    when: windowShown
}

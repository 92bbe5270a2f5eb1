import QtQuick
import QtQuick.Controls
import QtQuick.Window
import QtTest
import Qt.labs.settings

// The settings screen with the program's real settings store (in a temporary HOME), handed a
// settings group as the main menu hands it the window's.
MainWindowTestCase {
    id: settingsTest

    readonly property var defaults: ({
        batteryOptimization: false, killSwitch: false, autoConnect: false, vpnProtocol: "UDP",
        ipv6: "Combined IPv4/IPv6 tunnel", timeout: "30 seconds", compression: "No",
        forceAESCBC: false, insecureAlgos: false, minTLS: "TLS 1.2", dnsFallback: false,
        shortcutMinimize: false
    })
    property Component screenComponent: Qt.createComponent("qrc:/qml/Settings.qml")

    function createScreen() {
        verify(screenComponent.status === Component.Ready, screenComponent.errorString());
        const screen = createTemporaryObject(screenComponent, screenWindow.contentItem,
                                             { appSettings: store, width: 1024, height: 544 });
        verify(screen);
        screenWindow.requestActivate();
        tryCompare(screenWindow, "active", true);
        waitForRendering(screen);
        return screen;
    }

    function rowOf(screen, key) {
        const row = findChild(screen, "row_" + key).item;
        verify(row, key);
        return row;
    }

    // Opens a choice row's popup; returns it.
    function openPopup(screen, key) {
        const row = rowOf(screen, key);
        const view = findChild(screen, "settingsView");
        view.contentY = Math.min(row.parent.y, view.contentHeight - view.height);
        mouseClick(row);
        tryCompare(row.popup, "opened", true);
        return row.popup;
    }

    function markedChoices(popup) {
        const list = findChild(popup.contentItem, "choiceList");
        list.forceLayout();
        return list.model.filter((choice, i) => findChild(list.itemAtIndex(i), "marker").color
                                                === Qt.color("#ff3b3b"));
    }

    function init() {
        startClean();
        testHelper.usePanel(testHelper.unusedPortUrl());
    }

    function test_defaultsAfterSeeding() {
        closeWindow(createWindow());
        testHelper.clearLog();
        const screen = createScreen();
        for (const key in defaults) {
            const row = rowOf(screen, key);
            if (typeof defaults[key] === "boolean")
                compare(row.checked, false, key);
            else
                compare(row.selected, defaults[key], key);
        }
        compare(linesStartingWith("[SettingToggle] Loaded").length, 7);
        compare(linesStartingWith("[SettingToggle] Loaded killSwitch"),
                ["[SettingToggle] Loaded killSwitch = false"]);
    }

    function test_toggle_data() {
        return [
            { tag: "boolean true", stored: true, on: true, line: "Loaded killSwitch = true" },
            { tag: "text true after a restart", stored: "true", on: true,
              line: "Loaded killSwitch = true" },
            { tag: "text false", stored: "false", on: false, line: "Loaded killSwitch = false" },
            { tag: "other text", stored: "yes", on: false, line: "Loaded killSwitch = yes" },
            { tag: "absent", stored: undefined, on: false, line: "No value found for killSwitch" }
        ];
    }

    function test_toggle(data) {
        if (data.stored !== undefined)
            testHelper.setStoreValue("killSwitch", data.stored);
        const row = rowOf(createScreen(), "killSwitch");
        compare(row.checked, data.on);
        compare(linesStartingWith("[SettingToggle]").filter(line => line.includes("killSwitch")),
                ["[SettingToggle] " + data.line]);
        compare(testHelper.storeValue("killSwitch"), data.stored, "loading writes nothing");

        mouseClick(findChild(row, "switch"));
        compare(row.checked, !data.on);
        compare(testHelper.storeValue("killSwitch"), !data.on);
        compare(linesStartingWith("[SettingToggle] Saved"),
                ["[SettingToggle] Saved killSwitch = " + !data.on]);
    }

    function test_choice_data() {
        return [
            { tag: "three choices", key: "vpnProtocol", pick: "TCP", height: 184 },
            { tag: "five choices", key: "timeout", pick: "Continuously retry", height: 240 },
            { tag: "the choice already marked", key: "compression", pick: "No", height: 184 },
            { tag: "stored text none of the choices", key: "minTLS", stored: "SSL 3",
              pick: "TLS 1.0", height: 240 }
        ];
    }

    function test_choice(data) {
        const stored = data.stored || defaults[data.key];
        testHelper.setStoreValue(data.key, stored);
        const screen = createScreen();
        const row = rowOf(screen, data.key);
        valueSpy.target = row;
        valueSpy.clear();
        const popup = openPopup(screen, data.key);
        compare(popup.height, data.height);
        compare(markedChoices(popup), data.stored ? [] : [stored]);

        mouseClick(findChild(popup.contentItem, "choice_" + data.pick));
        tryCompare(popup, "visible", false);
        compare(testHelper.storeValue(data.key), data.pick);
        compare(valueSpy.count, 1);
        compare(valueSpy.signalArguments[0][0], data.pick);
        compare(markedChoices(openPopup(screen, data.key)), [data.pick]);
    }

    function test_cancelStoresNothing_data() {
        return [{ tag: "CANCEL" }, { tag: "Escape" }, { tag: "press outside" }];
    }

    function test_cancelStoresNothing(data) {
        testHelper.setStoreValue("ipv6", "IPv4-only tunnel");
        const screen = createScreen();
        const popup = openPopup(screen, "ipv6");
        if (data.tag === "CANCEL")
            mouseClick(findChild(popup.contentItem, "cancelButton"));
        else if (data.tag === "Escape")
            keyClick(Qt.Key_Escape); // the popup has the focus of the active window
        else
            mousePress(screen, 1000, 10);
        tryCompare(popup, "visible", false);
        compare(testHelper.storeValue("ipv6"), "IPv4-only tunnel");
        compare(markedChoices(openPopup(screen, "ipv6")), ["IPv4-only tunnel"]);
    }

    function test_lastRowIsReachedByScrolling() {
        const screen = createScreen();
        const view = findChild(screen, "settingsView");
        verify(view.contentHeight > view.height);
        verify(view.ScrollBar.vertical.visible);
        const last = rowOf(screen, "shortcutMinimize");
        verify(last.mapToItem(view, 0, last.height).y > view.height);
        view.contentY = view.contentHeight - view.height;
        verify(last.mapToItem(view, 0, last.height).y <= view.height);
    }

    Settings {
        id: store
    }

    Window {
        id: screenWindow

        width: 1024
        height: 544
        visible: true
    }

    SignalSpy {
        id: valueSpy

        signalName: "valueChanged"
    }
}

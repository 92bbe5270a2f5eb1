import QtCore
import QtQuick
import QtQuick.Controls
import QtTest
import Qt.labs.settings

// The settings screen with the program's real settings store (in a temporary HOME): through
// the main menu, and on its own, handed a settings group as the menu hands it the window's.
MainWindowTestCase {
    id: settingsTest

    readonly property var defaults: ({
        batteryOptimization: false, killSwitch: false, autoConnect: false, vpnProtocol: "UDP",
        ipv6: "Combined IPv4/IPv6 tunnel", timeout: "30 seconds", compression: "No",
        forceAESCBC: false, insecureAlgos: false, minTLS: "TLS 1.2", dnsFallback: false,
        shortcutMinimize: false
    })

    function createScreen() {
        return showScreen("qrc:/qml/Settings.qml", { appSettings: store, width: 1024, height: 544 });
    }

    function rowOf(screen, key) {
        const row = findChild(screen, "row_" + key).item;
        verify(row, key);
        return row;
    }

    // Opens a choice row's popup with a click on the row's lower part, its top scrolled out of
    // view, which scrolls nothing; returns it.
    function openPopup(screen, key) {
        const row = rowOf(screen, key);
        const view = findChild(screen, "settingsView");
        view.contentY = Math.min(row.mapToItem(view.contentItem, 0, 0).y + 8, view.contentHeight - view.height);
        const contentY = view.contentY;
        mouseClick(row, row.width / 2, row.height - 8);
        tryCompare(row.popup, "opened", true);
        compare(view.contentY, contentY);
        return row.popup;
    }

    // A stored value as text: the registry keeps no types, so on Windows a stored boolean reads
    // back as "true" or "false", as it does from the file after a restart.
    function storedText(key) {
        return String(testHelper.storeValue(key));
    }

    function markedChoices(popup) {
        const list = findChild(popup.contentItem, "choiceList");
        list.forceLayout();
        return list.model.filter((choice, i) => findChild(list.itemAtIndex(i), "marker").color
                                                === Qt.color("#ff3b3b"));
    }

    // The focused row's key, or the objectName of the focused control of a popup.
    function focusedControl() {
        const item = screenWindow.activeFocusItem;
        for (let up = item; up; up = up.parent) {
            if (up.objectName.startsWith("row_"))
                return up.objectName.slice(4);
        }
        return item.objectName;
    }

    function init() {
        startClean();
        testHelper.usePanel(testHelper.unusedPortUrl());
    }

    // Through the real menu, which hands the screen the window's settings group: every row
    // shows the value seeded at start, a change is stored, and the manager follows.
    function test_seededDefaultsThroughMenu() {
        const menu = pageOf(signedInWindow());
        mouseClick(findChild(menu, "settingsTab"));
        const screen = menu.shownScreen;
        const shown = key => typeof defaults[key] === "boolean" ? rowOf(screen, key).checked
                                                                : rowOf(screen, key).selected;
        compare(Object.keys(defaults).map(shown), Object.values(defaults));
        compare(linesStartingWith("[SettingToggle] Loaded").length, 7);
        // The line's spacing of 8 and its gap of 20 stand right of the switch.
        const toggle = rowOf(screen, "killSwitch");
        const toggleSwitch = findChild(toggle, "switch");
        compare(toggle.width - toggleSwitch.mapToItem(toggle, toggleSwitch.width, 0).x, 28);
        // The twelve rows are taller than the menu's content area: the view scrolls.
        const view = findChild(screen, "settingsView");
        verify(view.contentHeight > view.height && view.ScrollBar.vertical.visible);
        mouseClick(toggleSwitch);
        compare(storedText("killSwitch"), "true");
        // The window hands the two options that act on connections to the manager at once.
        compare(vpnManager.killSwitch, true);
        const popup = openPopup(screen, "timeout");
        findChild(popup.contentItem, "choiceList").forceLayout();
        mouseClick(findChild(popup.contentItem, "choice_Continuously retry"));
        compare([testHelper.storeValue("timeout"), vpnManager.connectTimeoutMs],
                ["Continuously retry", 0]);
    }

    // Turning Auto Connect on where the start at logon cannot be registered: the row says so
    // under its description, and stops saying it once a change works.
    function test_autoConnectSaysWhenTheStartAtLogonFails() {
        if (Qt.platform.os === "windows")
            skip("The task scheduler cannot be made to fail here");
        const config = String(StandardPaths.writableLocation(StandardPaths.GenericConfigLocation))
            .replace(/^file:\/\//, "");
        testHelper.writeFile(config + "/autostart", "not a folder");
        const menu = pageOf(signedInWindow());
        mouseClick(findChild(menu, "settingsTab"));
        const row = rowOf(menu.shownScreen, "autoConnect");
        const note = findChild(row, "note");
        compare(note.visible, false);
        mouseClick(findChild(row, "switch"));
        compare(storedText("autoConnect"), "true");
        verify(note.visible && note.text.startsWith("Client VPN could not be set to start when you log on: "),
               note.text);
        testHelper.removeFile(config + "/autostart");
        mouseClick(findChild(row, "switch"));
        mouseClick(findChild(row, "switch"));
        compare(note.visible, false);
        verify(testHelper.readFile(config + "/autostart/client-vpn.desktop") !== undefined);
        mouseClick(findChild(row, "switch"));
        compare(testHelper.readFile(config + "/autostart/client-vpn.desktop"), undefined);
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
        compare(storedText("killSwitch"), String(data.stored), "loading writes nothing");

        mouseClick(findChild(row, "switch"));
        compare([row.checked, storedText("killSwitch")], [!data.on, String(!data.on)]);
        compare(linesStartingWith("[SettingToggle] Saved"),
                ["[SettingToggle] Saved killSwitch = " + !data.on]);
    }

    // `close` picks `pick`, or closes the popup another way, which stores nothing.
    function test_choice_data() {
        return [
            { tag: "three choices", key: "vpnProtocol", close: "TCP", height: 184 },
            { tag: "five choices", key: "timeout", close: "Continuously retry", height: 240 },
            { tag: "the choice already marked", key: "compression", close: "No", height: 184 },
            { tag: "stored text none of the choices", key: "minTLS", stored: "SSL 3",
              close: "TLS 1.0", height: 240 },
            { tag: "CANCEL", key: "ipv6", close: "cancelButton", height: 184 },
            { tag: "Escape", key: "ipv6", close: Qt.Key_Escape, height: 184 },
            { tag: "press outside", key: "ipv6", close: "outside", height: 184 }
        ];
    }

    // The pick is announced after `selected` is set and before it is stored, and the view stays
    // where it was when the popup closes.
    function test_choice(data) {
        const stored = data.stored || defaults[data.key];
        testHelper.setStoreValue(data.key, stored);
        const screen = createScreen();
        const row = rowOf(screen, data.key);
        valueSpy.target = row;
        valueSpy.clear();
        let seen = [];
        row.valueChanged.connect(() => seen = [row.selected, store.value(data.key), row.popup.opened]);
        const popup = openPopup(screen, data.key);
        const contentY = findChild(screen, "settingsView").contentY;
        compare(popup.height, data.height);
        compare(markedChoices(popup), data.stored ? [] : [stored]);

        const picked = findChild(popup.contentItem, "choice_" + data.close);
        if (picked)
            mouseClick(picked);
        else if (data.close === Qt.Key_Escape)
            keyClick(Qt.Key_Escape); // the popup has the focus of the active window
        else if (data.close === "outside")
            mousePress(screen, 1000, 10);
        else
            mouseClick(findChild(popup.contentItem, data.close));
        tryCompare(popup, "visible", false);
        compare(findChild(screen, "settingsView").contentY, contentY);
        const after = picked ? data.close : stored;
        compare(testHelper.storeValue(data.key), after);
        compare(valueSpy.signalArguments.map(args => args[0]), picked ? [after] : []);
        compare(seen, picked ? [after, stored, true] : []);
        compare(markedChoices(openPopup(screen, data.key)), [after]);
    }

    // The keys are pressed in turn on a screen focused as the main menu focuses it; `focus`
    // is the row or popup control focused after each key, each showing its ring, and a
    // focused row is wholly in view. `stored`: the values that differ from the defaults after.
    function test_keys_data() {
        return [
            { tag: "Tab goes from row to row and round, the view follows",
              keys: ["Backtab", "Tab", "Tab", "Tab", "Tab"],
              focus: ["shortcutMinimize", "batteryOptimization", "killSwitch", "autoConnect", "vpnProtocol"] },
            { tag: "Return opens on the marked choice, Down and Space pick the next",
              keys: ["Tab", "Tab", "Tab", "Return", "Down", "Space"],
              focus: ["killSwitch", "autoConnect", "vpnProtocol", "choice_UDP", "choice_TCP", "vpnProtocol"],
              stored: { vpnProtocol: "TCP" } },
            { tag: "Up and Down stop at the ends, Tab reaches CANCEL and wraps, Escape stores nothing",
              keys: ["Tab", "Tab", "Tab", "Space", "Up", "Up", "Down", "Down", "Down", "Tab", "Tab", "Escape"],
              focus: ["killSwitch", "autoConnect", "vpnProtocol", "choice_UDP", "choice_Adaptive",
                      "choice_Adaptive", "choice_UDP", "choice_TCP", "choice_TCP", "cancelButton",
                      "choice_Adaptive", "vpnProtocol"] },
            { tag: "Return on CANCEL", keys: ["Backtab", "Backtab", "Backtab", "Space", "Tab", "Return"],
              focus: ["shortcutMinimize", "dnsFallback", "minTLS", "choice_TLS 1.2", "cancelButton", "minTLS"] }
        ];
    }

    function test_keys(data) {
        Object.keys(defaults).forEach(key => testHelper.setStoreValue(key, defaults[key]));
        const screen = createScreen();
        const view = findChild(screen, "settingsView");
        screen.forceActiveFocus();
        compare(focusedControl(), "batteryOptimization");
        const trail = data.keys.map(key => {
            keyClick(Qt["Key_" + key]);
            const item = screenWindow.activeFocusItem;
            const row = findChild(screen, "row_" + focusedControl());
            const top = row ? row.mapToItem(view, 0, 0).y : 0;
            return [focusedControl(), item.visualFocus, top >= 0 && top + (row ? row.height : 0) <= view.height];
        });
        compare(trail, data.focus.map(name => [name, true, true]));
        const expected = Object.assign({}, defaults, data.stored);
        compare(Object.keys(defaults).map(storedText), Object.values(expected).map(String));
    }

    Settings {
        id: store
    }

    SignalSpy {
        id: valueSpy

        signalName: "valueChanged"
    }
}

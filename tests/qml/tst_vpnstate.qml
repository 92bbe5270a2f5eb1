import QtQuick
import QtTest
import MyApp 1.0

// The shared connection state: the connect button's text and colour for every combination
// of flags that the screens produce.
TestCase {
    id: stateTest

    // The singleton as the documents reach it.
    property var vpnState: VpnState

    function setFlags(connected, connecting, disconnecting, disconnected) {
        vpnState.isConnected = connected;
        vpnState.isConnecting = connecting;
        vpnState.isDisconnecting = disconnecting;
        vpnState.isDisconnected = disconnected;
    }

    // Runs before any test function has changed the instance.
    function initTestCase() {
        compare(vpnState.isDisconnected, true);
        compare(vpnState.statusText, "Connect");
        compare(vpnState.statusColor, "#ff1a1a");
    }

    function test_button_data() {
        return [
            { tag: "idle", flags: [false, false, false], text: "Connect", color: "#ff1a1a" },
            { tag: "connecting", flags: [false, true, false], text: "Connecting...", color: "green" },
            { tag: "connected", flags: [true, false, false], text: "Disconnect", color: "green" },
            { tag: "re-establishing", flags: [true, true, false], text: "Connecting...", color: "green" },
            { tag: "disconnecting, not yet confirmed", flags: [true, false, true],
              text: "Disconnecting...", color: "#ff1a1a" },
            { tag: "disconnecting, confirmed", flags: [false, false, true],
              text: "Disconnecting...", color: "#ff1a1a" },
            { tag: "disconnecting while connecting", flags: [false, true, true],
              text: "Disconnecting...", color: "#ff1a1a" }
        ];
    }

    // The disconnected flag takes part in neither value.
    function test_button(data) {
        for (const disconnected of [true, false]) {
            setFlags(data.flags[0], data.flags[1], data.flags[2], disconnected);
            compare(vpnState.statusText, data.text, "disconnected " + disconnected);
            compare(vpnState.statusColor, data.color, "disconnected " + disconnected);
        }
    }

    name: "VpnState"
}

import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T

// The twelve options of the program, each written to the settings store the moment the user
// changes it, and announced with its new value. The window hands Kill Switch and Connection
// Timeout on to the VPN manager and acts on Auto Connect and Shortcut Minimize; the other
// options are stored and shown only.
//
// From the keyboard: Tab goes from row to row (the switch of a toggle row) and the view
// scrolls to show the focused row; a click scrolls nothing. Focus starts on the first row.
FocusScope {
    id: settingsScreen

    // The settings group that the main menu hands in; every row reads and writes through it.
    property var appSettings: null
    // Toggle rows have no choices; choice rows list theirs in display order.
    readonly property var rows: [
        { key: "batteryOptimization", title: "Battery Optimization",
          description: "Pause VPN when screen is blanked" },
        { key: "killSwitch", title: "Kill Switch",
          description: "Block internet while VPN is paused or reconnecting" },
        { key: "autoConnect", title: "Auto Connect",
          description: "If a VPN connection is active on device shutdown, try to reconnect it on reboot" },
        { key: "vpnProtocol", title: "VPN Protocol", description: "Select the VPN Protocol",
          options: ["Adaptive", "UDP", "TCP"] },
        { key: "ipv6", title: "IPv6", description: "IPv6 tunnel preference.",
          options: ["Combined IPv4/IPv6 tunnel", "IPv4-only tunnel", "No preference"] },
        { key: "timeout", title: "Connection Timeout",
          description: "How long should Velmora try to connect before giving up?",
          options: ["15 seconds", "30 seconds", "1 minute", "2 minutes", "Continuously retry"] },
        { key: "compression", title: "Compression", description: "Tunnel compression options",
          options: ["No", "Full", "Downlink only"] },
        { key: "forceAESCBC", title: "Force AES-CBC ciphersuites",
          description: "Enabling this option can sometimes help when connecting to legacy servers." },
        { key: "insecureAlgos", title: "Use insecure algorithms",
          description: "Enable support for MD5 signatures of X509 certificates. Note that MD5 is broken and should not be used" },
        { key: "minTLS", title: "Minimum TLS version",
          description: "Select the minimum SSL/TLS version for communication with the OpenVPN Server.",
          options: ["Disabled", "Profile Default", "TLS 1.0", "TLS 1.1", "TLS 1.2"] },
        { key: "dnsFallback", title: "DNS Fallback",
          description: "Use Google DNS servers as a fallback for connections that route all internet traffic through the VPN tunnel but don't define any VPN DNS servers" },
        { key: "shortcutMinimize", title: "Shortcut Minimize",
          description: "When VPN connection is launched from a shortcut or automatically on reboot, and no user input is required to authenticate connection, minimize the app after VPN connects." }
    ]

    // The user changed the option stored under `key` to `value`.
    signal optionChanged(string key, var value)

    // Scrolls the view so that the row is wholly shown with the spacing around it; the first
    // row comes with the heading above it.
    function reveal(row, index) {
        const top = index === 0 ? 0 : content.y + row.y - content.spacing;
        const bottom = content.y + row.y + row.height + content.spacing;
        const wanted = Math.min(Math.max(scrollView.contentY, bottom - scrollView.height), top);
        scrollView.contentY = Math.max(0, Math.min(wanted, scrollView.contentHeight - scrollView.height));
    }

    objectName: "settingsScreen"
    focus: true
    implicitWidth: 1024
    implicitHeight: 600

    Rectangle {
        anchors.fill: parent
        color: "#222222"
    }

    Flickable {
        id: scrollView

        objectName: "settingsView"
        anchors.fill: parent
        clip: true
        contentWidth: width
        contentHeight: content.height + 32
        boundsBehavior: Flickable.StopAtBounds
        flickableDirection: Flickable.VerticalFlick

        ScrollBar.vertical: ScreenScrollBar {}

        Column {
            id: content

            x: 16
            y: 16
            width: scrollView.width - 32
            spacing: 12

            Text {
                text: "Settings"
                color: "white"
                font.pixelSize: 20
                font.bold: true
            }

            Repeater {
                model: settingsScreen.rows

                // Each row gets its inputs before it is complete, when it reads the store.
                Loader {
                    id: row

                    required property int index
                    required property var modelData

                    objectName: "row_" + modelData.key
                    width: parent.width
                    focus: index === 0

                    // Only focus from the keyboard scrolls: a click focuses without moving the view.
                    onActiveFocusChanged: {
                        const control = Window.activeFocusItem as T.Control;
                        if (activeFocus && control && control.visualFocus)
                            settingsScreen.reveal(row, index);
                    }

                    Component.onCompleted: {
                        const inputs = {
                            title: modelData.title,
                            description: modelData.description,
                            settingsKey: modelData.key,
                            appSettings: settingsScreen.appSettings
                        };
                        if (modelData.options) {
                            inputs.options = modelData.options;
                            setSource("SettingRadioPopup.qml", inputs);
                        } else {
                            setSource("SettingToggle.qml", inputs);
                        }
                    }

                    // The Auto Connect row says when the start at logon could not be changed.
                    Binding {
                        target: row.item
                        property: "note"
                        value: autoStart.failure
                        when: row.modelData.key === "autoConnect" && row.status === Loader.Ready
                    }

                    // Both kinds of row announce a change that the user made.
                    Connections {
                        function onValueChanged(newValue) {
                            settingsScreen.optionChanged(row.modelData.key, newValue);
                        }

                        target: row.item
                    }
                }
            }
        }
    }
}

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import "StoredValues.js" as StoredValues

// An on/off option: its title and description, and a switch that writes the option to the
// settings store as a boolean the moment the user flips it.
Item {
    id: settingToggle

    property alias title: labels.title
    property alias description: labels.description
    property string settingsKey: ""
    property var appSettings: null
    readonly property alias checked: toggleSwitch.checked
    // A line under the description when the option could not take effect; empty otherwise.
    property string note: ""

    // The user flipped the switch to `newValue`; the store holds it by now.
    signal valueChanged(bool newValue)

    function isStored() {
        return settingsKey !== "" && appSettings !== null && appSettings !== undefined;
    }

    // A boolean read by key comes back as the text "true" or "false" after a restart.
    function loadStoredValue() {
        if (!isStored())
            return;
        const stored = appSettings.value(settingsKey);
        if (stored === undefined) {
            console.log("[SettingToggle] No value found for " + settingsKey);
            return;
        }
        toggleSwitch.checked = StoredValues.isTrue(stored);
        console.log("[SettingToggle] Loaded", settingsKey, "=", stored);
    }

    function store(on) {
        if (isStored()) {
            appSettings.setValue(settingsKey, on);
            console.log("[SettingToggle] Saved", settingsKey, "=", on);
        }
        valueChanged(on);
    }

    width: parent ? parent.width : implicitWidth
    implicitWidth: 400
    height: content.implicitHeight + 8

    Component.onCompleted: loadStoredValue()

    ColumnLayout {
        id: content

        width: parent.width
        spacing: 8

        RowLayout {
            Layout.fillWidth: true
            spacing: 8

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 4

                SettingLabels {
                    id: labels

                    Layout.fillWidth: true
                }

                Text {
                    objectName: "note"
                    Layout.fillWidth: true
                    visible: settingToggle.note !== ""
                    text: settingToggle.note
                    color: "#ffb74d"
                    font.pixelSize: 12
                    wrapMode: Text.Wrap
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
            }

            Item {
                Layout.preferredWidth: 12
            }

            // Only a flip by the user (pointer or keyboard) is stored, never the loading. The
            // switch is the row's one control, so it has the row's focus.
            Switch {
                id: toggleSwitch

                objectName: "switch"
                Layout.alignment: Qt.AlignVCenter
                focus: true
                Accessible.name: settingToggle.title
                Accessible.description: settingToggle.note === "" ? settingToggle.description
                                        : settingToggle.description + " " + settingToggle.note

                onToggled: settingToggle.store(checked)

                FocusRing {
                    shown: toggleSwitch.visualFocus
                    radius: 11
                }
            }

            Item {
                Layout.preferredWidth: 20
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: "#333"
        }
    }
}

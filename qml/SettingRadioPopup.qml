import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Templates as T
import "KeyboardFocus.js" as KeyboardFocus

// An option that takes one text out of a fixed list. The row shows only its title and
// description; a click opens a popup that marks the current choice, and picking a choice
// writes its text to the settings store at once.
//
// From the keyboard: Space or Return opens the popup with the focus on the marked choice;
// Up and Down move through the choices, Tab goes on to CANCEL, Escape closes. The focus
// comes back to the row when the popup closes.
T.AbstractButton {
    id: settingRadio

    property alias title: labels.title
    property alias description: labels.description
    property var options: []
    property string settingsKey: ""
    property var appSettings: null
    property string selected: ""
    readonly property alias popup: choicePopup

    // The user picked `newValue`, which the store is about to hold: a listener takes the value
    // from here, not from the store.
    signal valueChanged(string newValue)

    function isStored() {
        return settingsKey !== "" && appSettings !== null && appSettings !== undefined;
    }

    function openChoices() {
        choicePopup.focusReason = KeyboardFocus.reasonAfter(settingRadio);
        choicePopup.open();
    }

    // The list lays out its choices at once when the popup has just opened.
    function focusChoice(index) {
        choiceList.forceLayout();
        const choice = choiceList.itemAtIndex(index);
        if (choice)
            KeyboardFocus.moveTo(choice, choicePopup.focusReason);
    }

    function choose(choice) {
        selected = choice;
        valueChanged(choice);
        if (isStored())
            appSettings.setValue(settingsKey, choice);
        choicePopup.close();
    }

    width: parent ? parent.width : implicitWidth
    implicitWidth: 400
    height: labels.implicitHeight + 16
    focus: true
    Accessible.role: Accessible.ComboBox
    Accessible.name: title
    Accessible.description: description

    Keys.forwardTo: [rowSupport]
    onClicked: openChoices()
    Component.onCompleted: {
        if (isStored())
            selected = appSettings.value(settingsKey) ?? "";
    }

    ClickSupport {
        id: rowSupport
    }

    ColumnLayout {
        width: parent.width
        spacing: 8

        RowLayout {
            Layout.fillWidth: true
            spacing: 0

            SettingLabels {
                id: labels

                Layout.fillWidth: true
                Layout.rightMargin: 80
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: "#333"
        }
    }

    Popup {
        id: choicePopup

        // The reason for the focus moved into the popup and back to the row: keyboard focus
        // when the row was opened from the keyboard.
        property int focusReason: Qt.OtherFocusReason

        objectName: "choicePopup"
        x: (settingRadio.width - width) / 2 - 20
        y: (settingRadio.height - height) / 2
        width: 300
        height: Math.min(settingRadio.options.length * 28 + 100, 360)
        padding: 0
        modal: true
        focus: true
        closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside

        onOpened: settingRadio.focusChoice(Math.max(settingRadio.options.indexOf(settingRadio.selected), 0))
        onClosed: KeyboardFocus.moveTo(settingRadio, focusReason)

        background: Rectangle {
            radius: 12
            color: "#2a2a2a"
        }

        ColumnLayout {
            anchors.fill: parent
            anchors.margins: 6
            spacing: 12

            Text {
                Layout.fillWidth: true
                text: settingRadio.title
                color: "white"
                font.pixelSize: 16
                font.bold: true
                elide: Text.ElideRight
            }

            ListView {
                id: choiceList

                objectName: "choiceList"
                Layout.fillWidth: true
                Layout.preferredHeight: Math.min(contentHeight, 180)
                clip: true
                boundsBehavior: Flickable.StopAtBounds
                spacing: 4
                model: settingRadio.options
                Accessible.role: Accessible.List
                Accessible.name: settingRadio.title

                // The text and a marker drawn red for the choice that `selected` holds.
                delegate: T.RadioButton {
                    id: choice

                    required property int index
                    required property string modelData

                    objectName: "choice_" + modelData
                    width: ListView.view.width
                    height: 24
                    leftPadding: 4
                    text: modelData
                    checked: modelData === settingRadio.selected

                    Keys.forwardTo: [choiceSupport]
                    Keys.onUpPressed: settingRadio.focusChoice(index - 1)
                    Keys.onDownPressed: settingRadio.focusChoice(index + 1)
                    onClicked: settingRadio.choose(modelData)

                    contentItem: Row {
                        spacing: 6

                        Rectangle {
                            objectName: "marker"
                            width: 16
                            height: 16
                            anchors.verticalCenter: parent.verticalCenter
                            radius: 8
                            color: choice.checked ? "#ff3b3b" : "#444"
                            border.color: "white"
                            border.width: 1
                        }

                        Text {
                            anchors.verticalCenter: parent.verticalCenter
                            text: choice.text
                            color: "white"
                            font.pixelSize: 12
                        }
                    }

                    ClickSupport {
                        id: choiceSupport

                        ring.inset: 0
                    }
                }
            }

            Rectangle {
                Layout.fillWidth: true
                Layout.preferredHeight: 1
                color: "#444"
            }

            Item {
                Layout.fillWidth: true
                Layout.preferredHeight: 20

                TextButton {
                    objectName: "cancelButton"
                    width: 80
                    height: 20
                    anchors.right: parent.right
                    text: "CANCEL"
                    onClicked: choicePopup.close()
                }
            }
        }
    }
}

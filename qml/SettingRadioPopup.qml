import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// An option that takes one text out of a fixed list. The row shows only its title and
// description; a click opens a popup that marks the current choice, and picking a choice
// writes its text to the settings store at once.
Item {
    id: settingRadio

    property alias title: labels.title
    property alias description: labels.description
    property var options: []
    property string settingsKey: ""
    property var appSettings: null
    property string selected: ""
    readonly property alias popup: choicePopup

    signal valueChanged(string newValue)

    function isStored() {
        return settingsKey !== "" && appSettings !== null && appSettings !== undefined;
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
    Accessible.role: Accessible.ComboBox
    Accessible.name: title
    Accessible.description: description
    Accessible.onPressAction: choicePopup.open()

    Component.onCompleted: {
        if (isStored())
            selected = appSettings.value(settingsKey) ?? "";
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

    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: choicePopup.open()
    }

    Popup {
        id: choicePopup

        objectName: "choicePopup"
        x: (settingRadio.width - width) / 2 - 20
        y: (settingRadio.height - height) / 2
        width: 300
        height: Math.min(settingRadio.options.length * 28 + 100, 360)
        padding: 0
        modal: true
        focus: true
        closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside

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

                delegate: Item {
                    id: choice

                    required property string modelData
                    readonly property bool marked: modelData === settingRadio.selected

                    objectName: "choice_" + modelData
                    width: ListView.view.width
                    height: 24
                    Accessible.role: Accessible.RadioButton
                    Accessible.name: modelData
                    Accessible.checkable: true
                    Accessible.checked: marked
                    Accessible.onPressAction: settingRadio.choose(modelData)

                    Row {
                        x: 4
                        anchors.verticalCenter: parent.verticalCenter
                        spacing: 6

                        Rectangle {
                            objectName: "marker"
                            width: 16
                            height: 16
                            anchors.verticalCenter: parent.verticalCenter
                            radius: 8
                            color: choice.marked ? "#ff3b3b" : "#444"
                            border.color: "white"
                            border.width: 1
                        }

                        Text {
                            anchors.verticalCenter: parent.verticalCenter
                            text: choice.modelData
                            color: "white"
                            font.pixelSize: 12
                        }
                    }

                    MouseArea {
                        anchors.fill: parent
                        cursorShape: Qt.PointingHandCursor
                        onClicked: settingRadio.choose(choice.modelData)
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

                Text {
                    objectName: "cancelButton"
                    width: 80
                    height: 20
                    anchors.right: parent.right
                    text: "CANCEL"
                    color: "red"
                    font.pixelSize: 14
                    font.bold: true
                    horizontalAlignment: Text.AlignRight
                    verticalAlignment: Text.AlignVCenter
                    Accessible.role: Accessible.Button
                    Accessible.name: text
                    Accessible.onPressAction: choicePopup.close()

                    MouseArea {
                        anchors.fill: parent
                        cursorShape: Qt.PointingHandCursor
                        onClicked: choicePopup.close()
                    }
                }
            }
        }
    }
}

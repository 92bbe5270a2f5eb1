import QtQuick
import QtQuick.Layouts

// An option's bold title above its grey description, both wrapped to the row's width.
ColumnLayout {
    property alias title: titleLabel.text
    property alias description: descriptionLabel.text

    spacing: 4

    Text {
        id: titleLabel

        Layout.fillWidth: true
        color: "white"
        font.pixelSize: 14
        font.bold: true
        wrapMode: Text.Wrap
    }

    Text {
        id: descriptionLabel

        Layout.fillWidth: true
        color: "#aaa"
        font.pixelSize: 12
        wrapMode: Text.Wrap
    }
}

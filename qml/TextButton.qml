import QtQuick

// A bold red text that acts as a button: the answers of the location question and the
// CANCEL of a choice popup. The text fills the button less its padding, so a padding widens
// the click area around the text.
PlainButton {
    id: textButton

    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    focusRing.inset: 0
    cursorShape: Qt.PointingHandCursor

    contentItem: Text {
        text: textButton.text
        color: "red"
        font.bold: true
        font.pixelSize: 14
        horizontalAlignment: Text.AlignRight
        verticalAlignment: Text.AlignVCenter
    }
}

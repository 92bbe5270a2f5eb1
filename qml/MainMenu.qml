import QtQuick

Rectangle {
    color: "#1b1b1b"
}

import QtQuick

Rectangle {
    color: "#2f2f2f"
}

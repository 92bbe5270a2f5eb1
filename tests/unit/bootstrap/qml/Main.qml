import QtQuick

// A main document that does not compile: the program must give up with exit code -1.
Item {
    width: 10 +
}

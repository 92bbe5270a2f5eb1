import QtQuick
import QtTest

// A test case that creates the program's main window from the resource bundle, with a fresh
// settings store for every test function, against panel programs started for the test.
TestCase {
    id: testCase

    property Component mainComponent: Qt.createComponent("qrc:/qml/Main.qml")

    // Starts a panel serving the given directory file and the demo accounts, plus options.
    function startPanel(directoryPath, options) {
        const url = testHelper.startPanel(["--directory", directoryPath, "--accounts",
                                           testHelper.sourcePath("demo/accounts.json")]
                                          .concat(options || []));
        verify(url !== "", "panel started");
        return url;
    }

    // A file with the given text in the temporary directory, for panel options.
    function tempFile(name, text) {
        return testHelper.writeTempFile(name, text);
    }

    function createWindow(properties) {
        verify(mainComponent.status === Component.Ready, mainComponent.errorString());
        const window = createTemporaryObject(mainComponent, testCase, properties || {});
        verify(window, "Main.qml created");
        return window;
    }

    // Destroys the window at once, which writes what its settings groups still hold.
    function closeWindow(window) {
        window.destroy();
        wait(0);
    }

    function homeSettingsOf(window) {
        return findChild(window, "homeSettings");
    }

    function stackOf(window) {
        return findChild(window, "stackView");
    }

    function pageOf(window) {
        return stackOf(window).currentItem;
    }

    function linesStartingWith(prefix) {
        return testHelper.logLines().filter(line => line.startsWith(prefix));
    }

    // For init(): no window left from the test before, an empty store and an empty log.
    function startClean() {
        wait(0);
        testHelper.clearStore();
        testHelper.clearLog();
    }

    when: windowShown
}

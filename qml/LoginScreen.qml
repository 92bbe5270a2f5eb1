import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Qt.labs.settings
import "KeyboardFocus.js" as KeyboardFocus
import "PanelApi.js" as PanelApi

Rectangle {
    id: loginScreen

    // The "Remember Login Details" mark, on at first.
    property alias remember: rememberBox.checked
    // Sign-in requests still waiting for their reply.
    property var pendingRequests: []
    // How the last sign-in was confirmed: the main menu shows the focus ring when by keyboard.
    property int signInFocusReason: Qt.OtherFocusReason

    function restoreRememberedLogin() {
        if (loginSettings.savedUsername === "")
            return;
        usernameField.text = loginSettings.savedUsername;
        passwordField.text = loginSettings.savedPassword;
        remember = true;
    }

    function signInUrl(username, password) {
        return panelUrl + "/api/auth.php?" + PanelApi.query([
            ["username", username],
            ["password", password],
            ["device_id", "device123"],
            ["device_model", "QtDevice"]
        ]);
    }

    function login(reason) {
        signInFocusReason = reason;
        const username = usernameField.text.trim();
        const password = passwordField.text.trim();
        if (username === "" || password === "") {
            messageLine.text = "Please input username/password";
            return;
        }
        messageLine.text = "Logging in...";
        const request = PanelApi.get(signInUrl(username, password), (status, text) => {
            pendingRequests = pendingRequests.filter(pending => pending !== request);
            handleReply(status, text, username, password);
        });
        pendingRequests = pendingRequests.concat([request]);
    }

    function handleReply(status, text, username, password) {
        if (status !== 200) {
            messageLine.text = "Network error: " + status;
            console.warn("[UI] Sign-in request failed. Status:", status);
            return;
        }
        try {
            const reply = JSON.parse(text);
            if (reply.auth !== true) {
                messageLine.text = reply.message || "Login failed";
                console.log("[UI] Sign-in refused for", username);
                return;
            }
            completeSignIn(reply, username, password);
        } catch (error) {
            messageLine.text = "Invalid response";
            console.warn("[UI] Sign-in reply could not be handled:", error.message);
        }
    }

    // The text before the first blank of the reply's expiry; empty when it has none.
    function expiryDateOf(expiry) {
        return expiry ? expiry.split(" ")[0] : "";
    }

    function completeSignIn(reply, username, password) {
        messageLine.text = "";
        homeSettings.expiryDate = expiryDateOf(reply.expiry);
        loginSettings.savedUsername = remember ? username : "";
        loginSettings.savedPassword = remember ? password : "";
        homeSettings.savedConnected = false;
        credHelper.writeAuthFile(username, password);
        appSettings.setValue("isLoggedIn", true);
        appSettings.setValue("expiryDate", homeSettings.expiryDate);
        console.log("[UI] Signed in as", username, "until", homeSettings.expiryDate);
        // A second reply (a second click) while the main menu shows opens nothing more.
        if (stackView.currentItem === loginScreen)
            stackView.push(Qt.resolvedUrl("MainMenu.qml"), { entryFocusReason: signInFocusReason });
    }

    objectName: "loginScreen"
    implicitWidth: 1024
    implicitHeight: 600
    color: "#2f2f2f"

    Component.onCompleted: restoreRememberedLogin()
    // The page stack gives the focus to the page; it belongs in the first field.
    onActiveFocusChanged: if (activeFocus) usernameField.focusField(Qt.OtherFocusReason)
    // A reply that arrives after this screen is gone (after sign-out) must change nothing.
    Component.onDestruction: pendingRequests.forEach(request => PanelApi.cancel(request))

    // A white box with an icon tile on the left and a text field beside it.
    component InputBox: Rectangle {
        id: inputBox

        property alias icon: iconImage.source
        property alias text: field.text
        property alias placeholderText: field.placeholderText
        property alias echoMode: field.echoMode

        // Return or Enter in the field.
        signal accepted

        function focusField(reason) {
            field.forceActiveFocus(reason);
        }

        width: parent.width
        height: 48
        radius: 12
        color: "white"

        Rectangle {
            id: tile

            width: 48
            height: parent.height
            radius: 12
            color: "#dddddd"

            // Squares the tile's right edge, where the field begins.
            Rectangle {
                width: parent.radius
                height: parent.height
                anchors.right: parent.right
                color: parent.color
            }

            Image {
                id: iconImage

                width: 24
                height: 24
                anchors.centerIn: parent
                fillMode: Image.PreserveAspectFit
            }
        }

        TextField {
            id: field

            objectName: inputBox.objectName + "Input"
            anchors.left: tile.right
            anchors.leftMargin: 8
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            color: "black"
            placeholderTextColor: "#888888"
            font.pixelSize: 14
            horizontalAlignment: TextInput.AlignLeft
            selectByMouse: true
            background: null
            Accessible.name: placeholderText

            onAccepted: inputBox.accepted()
        }

        // Around the whole box, for focus that came from the keyboard.
        FocusRing {
            shown: field.activeFocus && (field.focusReason === Qt.TabFocusReason
                                         || field.focusReason === Qt.BacktabFocusReason)
            radius: inputBox.radius + 3
        }
    }

    Settings {
        id: loginSettings

        property string savedUsername: ""
        property string savedPassword: ""
    }

    Image {
        y: 80
        width: 360
        height: 80
        anchors.horizontalCenter: parent.horizontalCenter
        source: "qrc:/assets/icons/ic_banner.png"
        fillMode: Image.PreserveAspectFit
    }

    Column {
        width: parent.width * 0.78
        anchors.centerIn: parent
        anchors.verticalCenterOffset: 80
        spacing: 16

        InputBox {
            id: usernameField

            objectName: "usernameField"
            icon: "qrc:/assets/icons/ic_username.png"
            placeholderText: "Username"

            // Return moves on as Tab does.
            onAccepted: passwordField.focusField(Qt.TabFocusReason)
        }

        InputBox {
            id: passwordField

            objectName: "passwordField"
            icon: "qrc:/assets/icons/ic_password.png"
            placeholderText: "Password"
            echoMode: TextInput.Password

            onAccepted: loginScreen.login(Qt.TabFocusReason)
        }

        Row {
            height: 24
            spacing: 8

            T.CheckBox {
                id: rememberBox

                objectName: "rememberBox"
                width: 20
                height: 20
                anchors.verticalCenter: parent.verticalCenter
                padding: 0
                focusPolicy: Qt.TabFocus
                text: "Remember Login Details"
                checked: true

                indicator: Rectangle {
                    width: 20
                    height: 20
                    radius: 4
                    color: rememberBox.checked ? "#ff1a1a" : "transparent"
                    border.color: "white"

                    Text {
                        anchors.centerIn: parent
                        text: rememberBox.checked ? "✔" : ""
                        color: "white"
                        font.bold: true
                        font.pixelSize: 14
                    }
                }

                FocusRing {
                    shown: rememberBox.visualFocus
                }
            }

            // Part of the check box for the mouse; the check box alone carries the name.
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: rememberBox.text
                color: "white"
                font.pixelSize: 13
                Accessible.ignored: true

                MouseArea {
                    anchors.fill: parent
                    onClicked: rememberBox.toggle()
                }
            }
        }

        Text {
            id: messageLine

            objectName: "messageLine"
            width: parent.width
            color: "#bbbbbb"
            font.pixelSize: 13
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            Accessible.role: Accessible.StaticText
            Accessible.name: text
            Accessible.ignored: text === ""
        }

        PillButton {
            id: loginButton

            objectName: "loginButton"
            width: parent.width
            height: 48
            text: "Login"
            color: "#ff1a1a"

            onClicked: loginScreen.login(KeyboardFocus.reasonAfter(loginButton))
        }
    }
}

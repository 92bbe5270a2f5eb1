import QtQuick

// The login screen as the window shows it at a start without a valid sign-in, signing in
// against the real panel program over HTTPS.
MainWindowTestCase {
    id: loginTest

    readonly property var accounts: [
        { username: "demo", password: "demo1234", expiry: "2035-12-31 23:59:59", message: "Welcome" },
        { username: "a&b=c#d+e f", password: "p&ss=w#rd+ 1 %20", expiry: "2030-06-30 12:00:00" },
        { username: "Đức", password: "mật khẩu", expiry: "2032-03-04 05:06:07" },
        { username: "dateonly", password: "pw", expiry: "2031-01-02" },
        { username: "suspended", password: "pw", disabled: true, message: "This account is suspended." },
        { username: "silent", password: "pw", disabled: true }
    ]
    property string directoryPath
    property string accountsPanel
    property string slowPanel

    // A panel that checks the accounts above.
    function startAccountsPanel(options) {
        const url = testHelper.startPanel(["--directory", directoryPath, "--accounts",
                                           tempFile("accounts.json", JSON.stringify(accounts))]
                                          .concat(options));
        verify(url !== "", "panel started");
        return url;
    }

    // A panel that answers every well-formed sign-in with the given body.
    function startBodyPanel(name, authBody) {
        const url = testHelper.startPanel(["--directory", directoryPath, "--auth-body-file",
                                           tempFile(name, authBody)]);
        verify(url !== "", "panel started");
        return url;
    }

    function loginScreenOf(window) {
        const page = pageOf(window);
        compare(page.objectName, "loginScreen");
        return page;
    }

    function signIn(screen, username, password) {
        findChild(screen, "usernameField").text = username;
        findChild(screen, "passwordField").text = password;
        mouseClick(findChild(screen, "loginButton"));
    }

    function messageOf(screen) {
        return findChild(screen, "messageLine").text;
    }

    function authRequests(url) {
        return testHelper.panelRequests(url, "/api/auth.php");
    }

    // What an earlier sign-in with "Remember Login Details" left behind.
    function storeEarlierSignIn() {
        testHelper.setStoreValue("savedUsername", "keep");
        testHelper.setStoreValue("savedPassword", "keep-pass");
        testHelper.setStoreValue("savedConnected", true);
    }

    function initTestCase() {
        directoryPath = testHelper.sourcePath("demo/app-servers.json");
        accountsPanel = startAccountsPanel([]);
        slowPanel = startAccountsPanel(["--delay-ms", "400"]);
    }

    function init() {
        startClean();
        testHelper.removeFile(testHelper.authFilePath());
        testHelper.usePanel(accountsPanel);
    }

    function test_emptyFieldsSendNothing_data() {
        return [
            { tag: "both empty", username: "", password: "" },
            { tag: "no password", username: "demo", password: "" },
            { tag: "no user name", username: "", password: "demo1234" },
            { tag: "user name of blanks", username: "   ", password: "demo1234" },
            { tag: "password of white space", username: "demo", password: " \t\n " },
            { tag: "user name of non-ASCII white space", username: "\u00a0\u2003\u3000\u2028",
              password: "demo1234" }
        ];
    }

    function test_emptyFieldsSendNothing(data) {
        const screen = loginScreenOf(createWindow());
        const requestsBefore = authRequests(accountsPanel);
        signIn(screen, data.username, data.password);
        compare(messageOf(screen), "Please input username/password");
        wait(200);
        compare(authRequests(accountsPanel), requestsBefore);
    }

    // The panel reads the four keys in this order, with the two fixed device values.
    function test_signInRequest() {
        const screen = loginScreenOf(createWindow());
        compare(screen.signInUrl("a&b", "p w+#="), accountsPanel + "/api/auth.php"
                + "?username=a%26b&password=p%20w%2B%23%3D&device_id=device123&device_model=QtDevice");
    }

    function test_unsuccessfulSignInChangesNothing_data() {
        return [
            { tag: "wrong password", panel: () => accountsPanel, username: "demo", password: "wrong",
              message: "Invalid username or password" },
            { tag: "refused with a message", panel: () => accountsPanel, username: "suspended",
              password: "pw", message: "This account is suspended." },
            { tag: "refused without a message", panel: () => accountsPanel, username: "silent",
              password: "pw", message: "Login failed" },
            { tag: "auth as the text true",
              panel: () => startBodyPanel("auth-text.json", '{"auth": "true", "expiry": "2035-12-31", "message": ""}'),
              username: "demo", password: "demo1234", message: "Login failed" },
            { tag: "status 500", panel: () => startAccountsPanel(["--status", "500"]),
              username: "demo", password: "demo1234", message: "Network error: 500" },
            { tag: "nothing listening", panel: () => testHelper.unusedPortUrl(),
              username: "demo", password: "demo1234", message: "Network error: 0" },
            { tag: "reply not JSON", panel: () => startBodyPanel("auth-html.json", "<html>maintenance</html>"),
              username: "demo", password: "demo1234", message: "Invalid response" },
            { tag: "reply JSON null", panel: () => startBodyPanel("auth-null.json", "null"),
              username: "demo", password: "demo1234", message: "Invalid response" },
            { tag: "expiry not text", panel: () => startBodyPanel("auth-number.json", '{"auth": true, "expiry": 42}'),
              username: "demo", password: "demo1234", message: "Invalid response" }
        ];
    }

    function test_unsuccessfulSignInChangesNothing(data) {
        storeEarlierSignIn();
        const authFile = testHelper.authFilePath();
        credHelper.writeAuthFile("old", "old-pass");
        testHelper.usePanel(data.panel());
        const window = createWindow();
        const screen = loginScreenOf(window);

        signIn(screen, data.username, data.password);
        compare(messageOf(screen), "Logging in...");
        tryCompare(findChild(screen, "messageLine"), "text", data.message, 10000);
        compare(stackOf(window).depth, 1);
        compare(homeSettingsOf(window).expiryDate, "");

        closeWindow(window);
        compare(testHelper.storeValue("isLoggedIn"), undefined);
        verify(!testHelper.storeValue("expiryDate"), "no expiry stored");
        compare(testHelper.storeValue("savedUsername"), "keep");
        compare(testHelper.storeValue("savedPassword"), "keep-pass");
        compare(testHelper.readFile(authFile), "old\nold-pass\n");
    }

    function test_successfulSignIn_data() {
        return [
            { tag: "blanks around the values trimmed", panel: () => accountsPanel,
              typedUser: "  demo ", typedPassword: "\tdemo1234 ", remember: true,
              username: "demo", password: "demo1234", expiry: "2035-12-31" },
            { tag: "remember off erases the remembered login", panel: () => accountsPanel,
              typedUser: "demo", typedPassword: "demo1234", remember: false,
              username: "demo", password: "demo1234", expiry: "2035-12-31" },
            { tag: "& = # + % and blanks inside the values", panel: () => accountsPanel,
              typedUser: "a&b=c#d+e f", typedPassword: "p&ss=w#rd+ 1 %20", remember: true,
              username: "a&b=c#d+e f", password: "p&ss=w#rd+ 1 %20", expiry: "2030-06-30" },
            { tag: "letters outside ASCII", panel: () => accountsPanel,
              typedUser: "Đức", typedPassword: "mật khẩu", remember: true,
              username: "Đức", password: "mật khẩu", expiry: "2032-03-04" },
            { tag: "expiry without a blank", panel: () => accountsPanel,
              typedUser: "dateonly", typedPassword: "pw", remember: true,
              username: "dateonly", password: "pw", expiry: "2031-01-02" },
            { tag: "reply without expiry",
              panel: () => startBodyPanel("auth-noexpiry.json", '{"auth": true, "message": "Welcome"}'),
              typedUser: "demo", typedPassword: "demo1234", remember: true,
              username: "demo", password: "demo1234", expiry: "" }
        ];
    }

    function test_successfulSignIn(data) {
        storeEarlierSignIn();
        testHelper.usePanel(data.panel());
        const window = createWindow();
        const screen = loginScreenOf(window);
        // The remembered login is shown, with the remember box on.
        compare(findChild(screen, "usernameField").text, "keep");
        compare(findChild(screen, "passwordField").text, "keep-pass");
        compare(screen.remember, true);
        if (!data.remember)
            mouseClick(findChild(screen, "rememberBox"));
        compare(screen.remember, data.remember);

        signIn(screen, data.typedUser, data.typedPassword);
        tryCompare(stackOf(window), "depth", 2, 10000);
        compare(pageOf(window).objectName, "mainMenu");
        compare(messageOf(screen), "");
        compare(homeSettingsOf(window).expiryDate, data.expiry);
        compare(homeSettingsOf(window).savedConnected, false);
        compare(testHelper.readFile(testHelper.authFilePath()), data.username + "\n" + data.password + "\n");

        closeWindow(window);
        compare(String(testHelper.storeValue("isLoggedIn")), "true");
        compare(testHelper.storeValue("expiryDate"), data.expiry);
        compare(String(testHelper.storeValue("savedConnected")), "false");
        compare(testHelper.storeValue("savedUsername"), data.remember ? data.username : "");
        compare(testHelper.storeValue("savedPassword"), data.remember ? data.password : "");
    }

    // Return in the user name field moves on to the password; Return there signs in.
    function test_returnKeySignsIn() {
        const window = createWindow();
        const screen = loginScreenOf(window);
        findChild(screen, "usernameField").text = "demo";
        findChild(screen, "passwordField").text = "demo1234";
        const usernameInput = findChild(screen, "usernameFieldInput");
        const passwordInput = findChild(screen, "passwordFieldInput");
        usernameInput.accepted();
        verify(passwordInput.focus);
        compare(messageOf(screen), "");
        passwordInput.accepted();
        tryVerify(() => pageOf(window).objectName === "mainMenu", 10000);
    }

    // The focus starts in the user name field without a ring; the keys go round the form in
    // reading order with the ring, flip the mark and press Login.
    function test_keyboard() {
        const window = createWindow();
        const screen = loginScreenOf(window);
        activate(window);
        // A real platform activates the window and then moves the focus into it.
        tryVerify(() => focusOf(window) === "usernameFieldInput (no ring)", 5000, focusOf(window));
        compare(pressKeys(window, ["Tab", "Tab", "Space", "Tab", "Return", "Tab", "Shift+Tab"]),
                ["passwordFieldInput", "rememberBox", "rememberBox", "loginButton", "loginButton",
                 "usernameFieldInput", "loginButton"]);
        compare([screen.remember, messageOf(screen)], [false, "Please input username/password"]);
    }

    // A second click sends a second request; its successful reply opens nothing more.
    function test_secondSuccessfulReplyPushesNothing() {
        testHelper.usePanel(slowPanel);
        const window = createWindow();
        const screen = loginScreenOf(window);
        signIn(screen, "demo", "demo1234");
        mouseClick(findChild(screen, "loginButton"));
        tryVerify(() => linesStartingWith("[UI] Signed in as").length === 2, 10000);
        compare(stackOf(window).depth, 2);
        compare(pageOf(window).objectName, "mainMenu");
    }

    function test_signInFocusRing_data() {
        return [{ tag: "Return", keys: ["Tab", "Return"], ring: true },
                { tag: "Space on Login", keys: ["Tab", "Tab", "Tab", "Space"], ring: true },
                { tag: "click on Login", ring: false }];
    }

    // The home screen's button has the focus after the sign-in, with its ring only when the
    // sign-in was confirmed from the keyboard.
    function test_signInFocusRing(data) {
        testHelper.usePanel(accountsPanel);
        const window = createWindow();
        const screen = loginScreenOf(window);
        activate(window);
        findChild(screen, "usernameField").text = "demo";
        findChild(screen, "passwordField").text = "demo1234";
        tryVerify(() => focusOf(window) === "usernameFieldInput (no ring)", 5000, focusOf(window));
        if (data.keys)
            pressKeys(window, data.keys);
        else
            mouseClick(findChild(screen, "loginButton"));
        tryCompare(stackOf(window), "depth", 2, 10000);
        tryVerify(() => focusOf(window).startsWith("connectButton"));
        compare(focusOf(window), data.ring ? "connectButton" : "connectButton (no ring)");
    }

    // A reply that arrives after the screen is gone is dropped quietly and signs nobody in.
    function test_replyAfterTheScreenIsGoneChangesNothing() {
        testHelper.usePanel(slowPanel);
        const window = createWindow();
        const requestsBefore = authRequests(slowPanel);
        signIn(loginScreenOf(window), "demo", "demo1234");
        tryVerify(() => authRequests(slowPanel) === requestsBefore + 1, 10000);
        closeWindow(window);
        wait(800);
        compare(testHelper.storeValue("isLoggedIn"), undefined);
        compare(testHelper.readFile(testHelper.authFilePath()), undefined);
        compare(testHelper.logLines().filter(line => line.indexOf("Error") >= 0), []);
    }

    name: "LoginScreen"
}

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "PanelApi.h"
#include "PanelOptions.h"
#include "PanelProcess.h"
#include "TestEnvironment.h"

using Fields = QList<QPair<QString, QString>>;

namespace {

const QString sourceDir = QStringLiteral(SOURCE_DIR);

// A query as the client writes it: every value percent-encoded.
QByteArray signInQuery(const QString &username, const QString &password)
{
    return "username=" + QUrl::toPercentEncoding(username) +
           "&password=" + QUrl::toPercentEncoding(password) +
           "&device_id=device123&device_model=QtDevice";
}

struct Answer
{
    int status = 0;
    QByteArray body;
    QByteArray contentType;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
};

// The panel program started on a free port with the demo certificate and copies of the
// demo data in a temporary folder.
class RunningPanel
{
public:
    // Starts the program and waits for its ready line.
    bool start(const QStringList &extraArguments = {})
    {
        directoryFile = m_dir.filePath(QStringLiteral("app-servers.json"));
        accountsFile = m_dir.filePath(QStringLiteral("accounts.json"));
        QFile::copy(sourceDir + QStringLiteral("/demo/app-servers.json"), directoryFile);
        QFile::copy(sourceDir + QStringLiteral("/demo/accounts.json"), accountsFile);
        m_tls.addCaCertificates(
            QSslCertificate::fromPath(sourceDir + QStringLiteral("/demo/pki/ca.crt")));
        m_process =
            std::make_unique<PanelProcess>(QStringLiteral(PANEL_PROGRAM), sourceDir,
                                           QStringList{QStringLiteral("--directory"), directoryFile,
                                                       QStringLiteral("--accounts"), accountsFile} +
                                               extraArguments);
        QString error;
        if (!m_process->start(&error)) {
            qWarning().noquote() << error;
            return false;
        }
        baseUrl = m_process->url();
        return true;
    }

    Answer get(const QString &pathAndQuery, int timeoutMs = 10000)
    {
        QNetworkRequest request(QUrl(baseUrl + pathAndQuery));
        request.setSslConfiguration(m_tls);
        request.setTransferTimeout(timeoutMs);
        QNetworkReply *reply = m_network.get(request);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        finished.wait(timeoutMs + 5000);
        Answer answer;
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.body = reply->readAll();
        answer.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
        answer.error = reply->error();
        reply->deleteLater();
        return answer;
    }

    // Everything the program has written to either stream so far.
    QString output() { return m_process->output(); }

    bool isRunning() const { return m_process->isRunning(); }

    QString baseUrl;
    QString directoryFile;
    QString accountsFile;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<PanelProcess> m_process;
    QNetworkAccessManager m_network;
    QSslConfiguration m_tls = QSslConfiguration::defaultConfiguration();
};

QJsonObject json(const QByteArray &body)
{
    return QJsonDocument::fromJson(body).object();
}

} // namespace

class TestPanel : public QObject
{
    Q_OBJECT

private slots:
    void decodesQueries_data();
    void decodesQueries();
    void answersSignIns_data();
    void answersSignIns();
    void rejectsBrokenAccountFiles();
    void writesWholeResponsesAndOneLineLogTexts();
    void readsCommandLine();

    void signsInOverHttpsWithValuesIntact_data();
    void signsInOverHttpsWithValuesIntact();
    void servesTheDirectoryFileAsItIsNow();
    void answersBadRequestsWithoutCrashingOrLoggingPasswords();
    void testOptionsShapeTheReplies();
};

void TestPanel::decodesQueries_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<Fields>("fields");

    QTest::newRow("plain") << QByteArray("username=demo&password=demo1234") << true
                           << Fields{{"username", "demo"}, {"password", "demo1234"}};
    QTest::newRow("escaped delimiters") << QByteArray("password=a%26b%3Dc%23d%2Be%20f") << true
                                        << Fields{{"password", "a&b=c#d+e f"}};
    QTest::newRow("plus is a blank")
        << QByteArray("password=a+b") << true << Fields{{"password", "a b"}};
    QTest::newRow("utf-8") << QByteArray("username=Ng%C3%B4") << true
                           << Fields{{"username", QStringLiteral("Ngô")}};
    QTest::newRow("equals inside a value")
        << QByteArray("password=a=b") << true << Fields{{"password", "a=b"}};
    QTest::newRow("empty parts and a bare key")
        << QByteArray("&username=&&flag") << true << Fields{{"username", ""}, {"flag", ""}};
    QTest::newRow("empty") << QByteArray() << true << Fields{};
    QTest::newRow("bad escape") << QByteArray("password=%zz") << false << Fields{};
    QTest::newRow("cut escape") << QByteArray("password=ab%2") << false << Fields{};
    QTest::newRow("lone percent") << QByteArray("password=%") << false << Fields{};
    QTest::newRow("invalid utf-8") << QByteArray("username=%ff%fe") << false << Fields{};
    QTest::newRow("key twice") << QByteArray("username=a&username=b") << false << Fields{};
}

void TestPanel::decodesQueries()
{
    QFETCH(QByteArray, query);
    QFETCH(bool, valid);
    QFETCH(Fields, fields);

    Fields decoded;
    QCOMPARE(PanelApi::decodeQuery(query, &decoded), valid);
    if (valid)
        QCOMPARE(decoded, fields);
}

void TestPanel::answersSignIns_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("expected"); // the reply body, compact JSON

    const QString invalid =
        QStringLiteral(R"({"auth":false,"message":"Invalid username or password"})");
    QTest::newRow("right password")
        << signInQuery("demo", "demo1234") << 200
        << QStringLiteral(R"({"auth":true,"expiry":"2035-12-31 23:59:59","message":"Welcome"})");
    QTest::newRow("symbols in the password")
        << signInQuery("symbols", "p&ss=w#rd+ 1") << 200
        << QStringLiteral(R"({"auth":true,"expiry":"2030-06-30 12:00:00","message":""})");
    QTest::newRow("expired account still signs in")
        << signInQuery("expired", "expired1234") << 200
        << QStringLiteral(R"({"auth":true,"expiry":"2020-01-31 23:59:59",)"
                          R"("message":"Your subscription has expired"})");
    QTest::newRow("wrong password") << signInQuery("demo", "demo12345") << 200 << invalid;
    QTest::newRow("password with a blank added")
        << signInQuery("demo", "demo1234 ") << 200 << invalid;
    QTest::newRow("user name in another case") << signInQuery("Demo", "demo1234") << 200 << invalid;
    QTest::newRow("unknown user") << signInQuery("nobody", "demo1234") << 200 << invalid;
    QTest::newRow("suspended account")
        << signInQuery("suspended", "suspended1234") << 200
        << QStringLiteral(R"({"auth":false,"message":)"
                          R"("This account is suspended. Please contact support."})");
    QTest::newRow("suspended account, wrong password")
        << signInQuery("suspended", "guess") << 200 << invalid;
    QTest::newRow("no password") << QByteArray("username=demo") << 400
                                 << QStringLiteral(
                                        R"({"error":"username and password are required"})");
    QTest::newRow("empty user name")
        << QByteArray("username=&password=demo1234") << 400
        << QStringLiteral(R"({"error":"username and password are required"})");
    QTest::newRow("malformed") << QByteArray("username=demo&password=%G0") << 400
                               << QStringLiteral(R"({"error":"malformed query"})");
}

void TestPanel::answersSignIns()
{
    QFETCH(QByteArray, query);
    QFETCH(int, status);
    QFETCH(QString, expected);

    QList<PanelApi::Account> accounts;
    QVERIFY(PanelApi::parseAccounts(readFileBytes(sourceDir + "/demo/accounts.json"), &accounts));
    const PanelApi::SignIn signIn = PanelApi::readSignIn(query);
    if (status == 400) {
        QCOMPARE(QString::fromUtf8(PanelApi::errorReply(400, signIn.error).body), expected);
        return;
    }
    QVERIFY2(signIn.error.isEmpty(), qPrintable(signIn.error));
    const PanelApi::Reply reply = PanelApi::checkSignIn(accounts, signIn);
    QCOMPARE(reply.status, status);
    QCOMPARE(QString::fromUtf8(reply.body), expected);
    QCOMPARE(reply.username, signIn.username);
}

void TestPanel::rejectsBrokenAccountFiles()
{
    const QList<QByteArray> broken{"[{\"username\": ", R"({"username": "demo"})",
                                   R"([{"username": "a"}, 3])", R"([{"password": "x"}])"};
    for (const QByteArray &json : broken) {
        QList<PanelApi::Account> accounts{PanelApi::Account{}};
        QVERIFY2(!PanelApi::parseAccounts(json, &accounts), json.constData());
    }
}

void TestPanel::writesWholeResponsesAndOneLineLogTexts()
{
    const QByteArray body = QStringLiteral(R"({"message":"Chào bạn"})").toUtf8();
    const QByteArray response = PanelApi::httpResponse(200, body);
    QVERIFY(response.startsWith("HTTP/1.1 200 OK\r\n"));
    QVERIFY(response.contains("\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n"));
    QVERIFY(response.endsWith("\r\n\r\n" + body));

    QCOMPARE(PanelApi::quoted(QStringLiteral("a\"b\nc")), QStringLiteral(R"("a\"b\nc")"));
}

void TestPanel::readsCommandLine()
{
    const QStringList tls{"clientvpn-panel", "--cert", "c.pem", "--key", "k.pem"};
    PanelOptions options;
    QString error;
    QString help;

    QVERIFY(PanelOptions::parse(tls, &options, &error, &help));
    QCOMPARE(options.address, QHostAddress(QHostAddress::LocalHost));
    QCOMPARE(options.port, quint16(8443));
    QVERIFY(PanelOptions::parse(tls + QStringList{"--port", "0", "--address", "::1", "--status",
                                                  "503", "--delay-ms", "250", "--no-reply"},
                                &options, &error, &help));
    QCOMPARE(options.port, quint16(0));
    QCOMPARE(options.address, QHostAddress(QHostAddress::LocalHostIPv6));
    QCOMPARE(options.forcedStatus, 503);
    QCOMPARE(options.delayMs, 250);
    QVERIFY(options.noReply);

    const QList<QStringList> refused{
        {"clientvpn-panel", "--key", "k.pem"}, tls + QStringList{"--port", "65536"},
        tls + QStringList{"--port", "80a"},    tls + QStringList{"--address", "localhost"},
        tls + QStringList{"--status", "100"},  tls + QStringList{"--delay-ms", "-1"},
        tls + QStringList{"--unknown"},        tls + QStringList{"extra"}};
    for (const QStringList &arguments : refused) {
        QVERIFY2(!PanelOptions::parse(arguments, &options, &error, &help),
                 qPrintable(arguments.join(' ')));
        QVERIFY(!error.isEmpty());
    }
    QVERIFY(!PanelOptions::parse({"clientvpn-panel", "--help"}, &options, &error, &help));
    QVERIFY(error.isEmpty());
    QVERIFY(help.contains("--directory"));
}

void TestPanel::signsInOverHttpsWithValuesIntact_data()
{
    QTest::addColumn<QString>("username");
    QTest::addColumn<QString>("password");
    QTest::newRow("demo account") << "demo"
                                  << "demo1234";
    QTest::newRow("ampersand, equals, number sign, plus, blank") << "symbols"
                                                                 << "p&ss=w#rd+ 1";
    QTest::newRow("the same in the user name") << "a&b=c#d+e f"
                                               << "x y+z";
    QTest::newRow("letters beyond ASCII") << QStringLiteral("Nguyễn") << QStringLiteral("mật khẩu");
}

void TestPanel::signsInOverHttpsWithValuesIntact()
{
    QFETCH(QString, username);
    QFETCH(QString, password);

    RunningPanel panel;
    QVERIFY(panel.start());
    if (username != "demo" && username != "symbols") {
        QVERIFY(writeFileBytes(
            panel.accountsFile,
            QJsonDocument::fromVariant(QVariantList{QVariantMap{{"username", username},
                                                                {"password", password},
                                                                {"expiry", "2031-01-01 00:00:00"}}})
                .toJson()));
    }
    const Answer accepted = panel.get("/api/auth.php?" + signInQuery(username, password));
    QCOMPARE(accepted.status, 200);
    QCOMPARE(accepted.contentType, QByteArray("application/json"));
    QCOMPARE(json(accepted.body).value("auth"), QJsonValue(true));

    // Sent unescaped, the value is cut at the first '&' or '#' or loses its '+': a refusal.
    if (password.contains('&') || password.contains('+')) {
        const Answer unescaped =
            panel.get("/api/auth.php?username=" + QUrl::toPercentEncoding(username) +
                      "&password=" + password.toUtf8());
        QCOMPARE(json(unescaped.body).value("auth"), QJsonValue(false));
    }
}

void TestPanel::servesTheDirectoryFileAsItIsNow()
{
    RunningPanel panel;
    QVERIFY(panel.start());
    const Answer first = panel.get("/api/app-servers.json");
    QCOMPARE(first.status, 200);
    QCOMPARE(first.contentType, QByteArray("application/json"));
    QCOMPARE(first.body, readFileBytes(panel.directoryFile));
    QVERIFY(json(first.body).value("Servers").toArray().size() >= 12);

    QVERIFY(writeFileBytes(panel.directoryFile, "this is not JSON"));
    QCOMPARE(panel.get("/api/app-servers.json").body, QByteArray("this is not JSON"));

    QFile::remove(panel.directoryFile);
    QCOMPARE(panel.get("/api/app-servers.json").status, 500);
}

void TestPanel::answersBadRequestsWithoutCrashingOrLoggingPasswords()
{
    RunningPanel panel;
    QVERIFY(panel.start());
    const QString secret = QStringLiteral("s3cret&pass");

    QCOMPARE(panel.get("/api/auth.php?username=demo").status, 400);
    QCOMPARE(panel.get("/api/auth.php?password=" + QUrl::toPercentEncoding(secret)).status, 400);
    const Answer invalidUtf8 = panel.get("/api/auth.php?username=demo&password=%ff");
    QCOMPARE(invalidUtf8.status, 400);
    QVERIFY(json(invalidUtf8.body).contains("error"));
    QCOMPARE(panel.get("/api/other.php").status, 404);
    QCOMPARE(panel.get("/api/auth.php?" + signInQuery("demo", secret)).status, 200);

    // Bytes that are no HTTP at all, over TLS, and a connection dropped mid-request.
    QSslSocket raw;
    raw.setPeerVerifyMode(QSslSocket::VerifyNone);
    raw.connectToHostEncrypted("127.0.0.1", QUrl(panel.baseUrl).port());
    QVERIFY(raw.waitForEncrypted(5000));
    raw.write("\x01\x02 NOT HTTP\r\n\r\nGET /api/auth.php?username=demo&pass");
    raw.waitForBytesWritten(5000);
    raw.abort();

    QVERIFY(writeFileBytes(panel.accountsFile, "[{\"username\": \"demo\","));
    QCOMPARE(panel.get("/api/auth.php?" + signInQuery("demo", secret)).status, 500);

    QVERIFY(panel.isRunning());
    QCOMPARE(panel.get("/api/app-servers.json").status, 200);
    const QString log = panel.output();
    QVERIFY2(log.contains(R"(GET "/api/auth.php" user "demo" -> 200 refused)"), qPrintable(log));
    QVERIFY(!log.contains("s3cret"));
    QVERIFY(!log.contains("password="));
}

void TestPanel::testOptionsShapeTheReplies()
{
    {
        RunningPanel panel;
        QVERIFY(panel.start({"--status", "503"}));
        QCOMPARE(panel.get("/api/app-servers.json").status, 503);
        QCOMPARE(panel.get("/api/auth.php?" + signInQuery("demo", "demo1234")).status, 503);
    }
    {
        QTemporaryDir dir;
        const QString body = dir.filePath("auth.json");
        QVERIFY(writeFileBytes(body, R"({"auth": "true", "message": ""})"));
        RunningPanel panel;
        QVERIFY(panel.start({"--auth-body-file", body}));
        const Answer answer = panel.get("/api/auth.php?" + signInQuery("anyone", "anything"));
        QCOMPARE(answer.body, readFileBytes(body));
        QCOMPARE(panel.get("/api/auth.php?username=anyone").status, 400);
    }
    {
        RunningPanel panel;
        QVERIFY(panel.start({"--delay-ms", "600"}));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(panel.get("/api/app-servers.json").status, 200);
        QVERIFY(clock.elapsed() >= 600);
    }
    {
        RunningPanel panel;
        QVERIFY(panel.start({"--no-reply"}));
        const Answer answer = panel.get("/api/app-servers.json", 1000);
        QCOMPARE(answer.status, 0);
        QVERIFY(answer.error != QNetworkReply::NoError);
        QVERIFY(panel.output().contains("no reply"));
    }
}

QTEST_GUILESS_MAIN(TestPanel)
#include "tst_panel.moc"

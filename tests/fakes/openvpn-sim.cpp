// Stands in for the OpenVPN command-line program: takes "--config <file>", checks that the
// file exists and then follows a scenario from the environment variable OPENVPN_SIM_SCENARIO,
// one step per line:
//
//   out <text>      writes the text and a line end to standard output
//   part <text>     writes the text to standard output without a line end
//   err <text>      writes the text and a line end to standard error
//   flood <n> <text> writes the text and a line end n times in one burst
//   hex <bytes>     writes the bytes given as hexadecimal digits (control characters, invalid
//                   UTF-8) to standard output as they are
//   long <n>        writes n bytes of "x" to standard output without a line end
//   sleep <ms>      pauses
//   ignore-term     ignores the polite termination request from now on, whether it comes as
//                   a signal or over the management interface
//   management off  stops listening on the management interface
//   management refuse  refuses every password given to the management interface
//   management delay <ms>  holds the answer to the next signal command for the time, and
//                   acts on the command then, whether or not its client is still there
//   wait            waits for the termination request (for ever if it is ignored)
//   exit <code>     ends with the exit code
//   crash           ends abnormally
//   pid             writes "PID <process id>"
//   args            writes "ARGS" and the command-line arguments
//   demo            behaves like a successful connection to the remote of the configuration
//                   (real-looking lines with a private address), then waits
//
// Without the variable, or with the value "demo", it runs the demo step. A termination
// request that is not ignored ends the program at once with exit code 0, as OpenVPN does.
// On POSIX systems the restart signal (SIGUSR1) prints a reconnect's markers, as below.
//
// A "management <address> <port> <password file>" line in the configuration opens the
// management interface on that port, as far as a client needs it to stop OpenVPN or restart
// its connection: the password prompt, a wrong password prompted for again, the greeting,
// "signal SIGTERM", and "signal SIGUSR1", answered by a connecting marker and the completion
// marker as a reconnect prints them. It is served while the scenario pauses or waits.
#include <QByteArray>
#include <QCoreApplication>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#include <unistd.h>
#define SIM_POSIX 1
#else
#include <process.h>
#include <windows.h>
#endif

namespace {

volatile std::sig_atomic_t terminationRequested = 0;
volatile std::sig_atomic_t restartRequested = 0;
bool politeRequestIgnored = false;

void onTerminate(int)
{
    terminationRequested = 1;
}

void onRestart(int)
{
    restartRequested = 1;
}

void write(std::FILE *stream, const std::string &text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

std::string timestamped(const std::string &text);

// What OpenVPN prints when it restarts its connection, on the management command or the signal.
void printRestart()
{
    write(stdout, timestamped("SIGUSR1[hard,] received, process restarting"));
    write(stdout, timestamped("Attempting to establish TCP connection with "
                              "[AF_INET]127.0.0.1:1194"));
    write(stdout, timestamped("Initialization Sequence Completed"));
}

std::string fromHex(const std::string &digits)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return bytes;
}

std::string repeated(const std::string &text, long count)
{
    std::string burst;
    burst.reserve(text.size() * static_cast<std::size_t>(count));
    for (long i = 0; i < count; ++i)
        burst += text;
    return burst;
}

void endIfAskedTo()
{
    if (restartRequested) {
        restartRequested = 0;
        printRestart();
    }
    if (terminationRequested) {
        write(stdout, "SIGTERM[hard,] received, process exiting\n");
        std::exit(0);
    }
}

void pause(long milliseconds)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < until) {
        endIfAskedTo();
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    endIfAskedTo();
}

[[noreturn]] void waitForTermination()
{
    for (;;)
        pause(1000);
}

[[noreturn]] void crash()
{
#ifdef SIM_POSIX
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    std::abort();
#else
    // abort() ends a Windows program with the ordinary exit code 3; a crashed one ends with
    // the status of its exception, here an access violation, without an error report dialog.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(EXCEPTION_ACCESS_VIOLATION));
    std::abort();
#endif
}

long processId()
{
#ifdef SIM_POSIX
    return static_cast<long>(getpid());
#else
    return static_cast<long>(_getpid());
#endif
}

std::string timestamped(const std::string &text)
{
    const std::time_t now = std::time(nullptr);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", std::localtime(&now));
    return stamp + text + "\n";
}

// The words after `directive` on the first line of the configuration that starts with it
// and has at least `count` of them (a double-quoted word may hold blanks), or none.
std::vector<std::string> directiveOf(const std::string &configPath, const std::string &directive,
                                     std::size_t count)
{
    std::ifstream config(configPath);
    std::string line;
    while (std::getline(config, line)) {
        std::istringstream words(line);
        std::string name, word;
        std::vector<std::string> found;
        if (!(words >> name) || name != directive)
            continue;
        while (words >> std::quoted(word))
            found.push_back(word);
        if (found.size() >= count)
            return found;
    }
    return {};
}

// The address and port of the first remote line of the configuration.
std::string remoteOf(const std::string &configPath)
{
    const std::vector<std::string> remote = directiveOf(configPath, "remote", 2);
    return remote.empty() ? "127.0.0.1:1194" : remote[0] + ":" + remote[1];
}

class ManagementInterface
{
public:
    // Listens as the configuration's management line says; false when it cannot.
    bool open(const std::string &configPath)
    {
        const std::vector<std::string> words = directiveOf(configPath, "management", 3);
        if (words.empty())
            return true;
        std::ifstream file(words[2]);
        std::getline(file, m_password);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] { acceptClient(); });
        return m_server.listen(QHostAddress::LocalHost, quint16(std::stoi(words[1])));
    }

    void close() { m_server.close(); }
    void refusePasswords() { m_refusePasswords = true; }
    void delayNextSignal(int milliseconds) { m_delayMs = milliseconds; }

private:
    void acceptClient()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            auto in = std::make_shared<bool>(m_password.empty());
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket, in] { answer(socket, *in); });
            socket->write(m_password.empty() ? greeting : "ENTER PASSWORD:");
        }
    }

    // `in`: the client has given the password.
    void answer(QTcpSocket *socket, bool &in)
    {
        while (socket->canReadLine()) {
            const QByteArray line = socket->readLine().trimmed();
            if (!in) {
                in = !m_refusePasswords && line.toStdString() == m_password;
                socket->write(in ? QByteArray("SUCCESS: password is correct\r\n") + greeting
                                 : QByteArray("ENTER PASSWORD:"));
            } else if (line == "signal SIGTERM" || line == "signal SIGUSR1") {
                const QPointer<QTcpSocket> client(socket);
                QTimer::singleShot(std::exchange(m_delayMs, 0), [client, line] {
                    if (client) {
                        client->write("SUCCESS: " + line + " thrown\r\n");
                        client->flush();
                    }
                    act(line);
                });
            } else {
                socket->write("ERROR: unknown command, enter 'help' for more options\r\n");
            }
        }
    }

    static void act(const QByteArray &command)
    {
        if (command == "signal SIGTERM") {
            if (!politeRequestIgnored)
                terminationRequested = 1;
            return;
        }
        printRestart();
    }

    static constexpr const char *greeting =
        ">INFO:OpenVPN Management Interface Version 5 -- type 'help' for more info\r\n";
    QTcpServer m_server;
    std::string m_password;
    bool m_refusePasswords = false;
    int m_delayMs = 0;
};

ManagementInterface *management = nullptr;

[[noreturn]] void demo(const std::string &configPath)
{
    const std::string remote = "[AF_INET]" + remoteOf(configPath);
    const char *lines[] = {
        "OpenVPN 2.6 (simulator) [SSL (OpenSSL)] [LZO] [LZ4]",
        "TCP/UDP: Preserving recently used remote address: ",
        "Attempting to establish TCP connection with ",
        "TCP connection established with ",
        "Peer Connection Initiated with ",
        "PUSH: Received control message: 'PUSH_REPLY,route-gateway 10.8.0.1,topology subnet,"
        "ping 10,ping-restart 60,ifconfig 10.8.0.2 255.255.255.0,peer-id 0'",
        "TUN/TAP device tun0 opened",
        "net_addr_v4_add: 10.8.0.2/24 dev tun0",
        "Initialization Sequence Completed",
    };
    for (const char *line : lines) {
        std::string text = line;
        if (text.back() == ' ')
            text += remote;
        write(stdout, timestamped(text));
        pause(150);
    }
    waitForTermination();
}

void run(const std::string &step, const std::string &argument, int argc, char **argv)
{
    if (step == "out") {
        write(stdout, argument + "\n");
    } else if (step == "part") {
        write(stdout, argument);
    } else if (step == "err") {
        write(stderr, argument + "\n");
    } else if (step == "flood") {
        const std::size_t space = argument.find(' ');
        const std::string text = space == std::string::npos ? "" : argument.substr(space + 1);
        write(stdout, repeated(text + "\n", std::atol(argument.c_str())));
    } else if (step == "hex") {
        write(stdout, fromHex(argument));
    } else if (step == "long") {
        write(stdout, std::string(static_cast<std::size_t>(std::atol(argument.c_str())), 'x'));
    } else if (step == "sleep") {
        pause(std::atol(argument.c_str()));
    } else if (step == "ignore-term") {
        std::signal(SIGTERM, SIG_IGN);
        politeRequestIgnored = true;
    } else if (step == "management") {
        if (argument == "off")
            management->close();
        else if (argument.rfind("delay ", 0) == 0)
            management->delayNextSignal(std::atoi(argument.c_str() + 6));
        else
            management->refusePasswords();
    } else if (step == "wait") {
        waitForTermination();
    } else if (step == "exit") {
        std::exit(std::atoi(argument.c_str()));
    } else if (step == "crash") {
        crash();
    } else if (step == "pid") {
        write(stdout, "PID " + std::to_string(processId()) + "\n");
    } else if (step == "args") {
        std::string line = "ARGS";
        for (int i = 1; i < argc; ++i)
            line += std::string(" ") + argv[i];
        write(stdout, line + "\n");
    } else if (step == "demo") {
        demo(argv[2]);
    } else {
        write(stderr, "openvpn-sim: unknown step " + step + "\n");
        std::exit(2);
    }
    endIfAskedTo();
}

} // namespace

int main(int argc, char **argv)
{
    std::signal(SIGTERM, onTerminate);
#ifdef SIM_POSIX
    std::signal(SIGUSR1, onRestart);
#endif
    QCoreApplication app(argc, argv);
    if (argc != 3 || std::string(argv[1]) != "--config") {
        write(stdout, "Options error: expected --config <file>\n");
        return 1;
    }
    if (!std::ifstream(argv[2])) {
        write(stdout, std::string("Options error: cannot open config file ") + argv[2] + "\n");
        return 1;
    }
    ManagementInterface managementInterface;
    if (!managementInterface.open(argv[2])) {
        write(stdout, "MANAGEMENT: Socket bind failed on local address\n");
        return 1;
    }
    management = &managementInterface;

    const char *scenario = std::getenv("OPENVPN_SIM_SCENARIO");
    std::istringstream steps(scenario ? scenario : "demo");
    std::string line;
    while (std::getline(steps, line)) {
        const std::size_t space = line.find(' ');
        const std::string step = line.substr(0, space);
        const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
        if (!step.empty())
            run(step, argument, argc, argv);
    }
    return 0;
}

#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#include <utility>
#include <vector>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif
#ifdef Q_OS_UNIX
#include <cerrno>
#include <signal.h>
#elif defined(Q_OS_WIN)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

// The whole content of a file, or nothing when it cannot be read. With QIODevice::Text, CR LF
// line ends read as LF on Windows.
inline QByteArray readFileBytes(const QString &path, QIODevice::OpenMode mode = {})
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | mode) ? file.readAll() : QByteArray();
}

// `text` as a file written in text mode holds it: with CR LF line ends on Windows.
inline QByteArray textModeBytes(QByteArray text)
{
#ifdef Q_OS_WIN
    text.replace('\n', "\r\n");
#endif
    return text;
}

// Replaces a whole file, creating its folder first; false when that fails.
inline bool writeFileBytes(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

// Whether the process `pid` has ended and been reaped, so that no process has that id.
inline bool processIsGone(qint64 pid)
{
#ifdef Q_OS_WIN
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return true;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
#else
    return ::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH;
#endif
}

// Points HOME, the XDG folders and the temporary directory at a fresh temporary folder for
// the lifetime of the object, so that a test never touches the real user's files, and
// restores them after. One home at a time: a second one made while the first exists lies
// inside the first's temporary folder.
//
// Windows takes the per-user folders from the profile, not from the environment: there the
// application data lies in Qt's test area of the profile (QStandardPaths' test mode), in the
// organisation's folder, which the home empties when it is made and when it ends.
class TemporaryHome
{
public:
    TemporaryHome()
    {
        const QString root = m_dir.path();
        const QString temp = root + QStringLiteral("/tmp");
        set("HOME", root);
        set("XDG_CONFIG_HOME", root + QStringLiteral("/.config"));
        set("XDG_DATA_HOME", root + QStringLiteral("/.local/share"));
        set("XDG_CACHE_HOME", root + QStringLiteral("/.cache"));
        set("TMPDIR", temp);
#ifdef Q_OS_WIN
        set("TEMP", temp);
        set("TMP", temp);
        m_testMode = QStandardPaths::isTestModeEnabled();
        QStandardPaths::setTestModeEnabled(true);
        removeOrganisationData();
#endif
        QDir().mkpath(temp);
    }
    ~TemporaryHome()
    {
#ifdef Q_OS_WIN
        removeOrganisationData();
        QStandardPaths::setTestModeEnabled(m_testMode);
#endif
        for (const auto &[name, value] : m_previous) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }

    QString path() const
    {
        return m_dir.path();
    }

    // Whether `path` lies where this home keeps the user's files.
    bool holds(const QString &path) const
    {
#ifdef Q_OS_WIN
        return QStandardPaths::isTestModeEnabled() && path.contains(QLatin1String("/qttest/"));
#else
        return path.startsWith(m_dir.path() + QLatin1Char('/'));
#endif
    }

private:
#ifdef Q_OS_WIN
    // The organisation's folder of application data in the test area, whatever it holds.
    static void removeOrganisationData()
    {
        if (QCoreApplication::organizationName().isEmpty())
            return;
        const QString folder =
            QFileInfo(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).path();
        if (QFileInfo(folder).isDir())
            QDir(folder).removeRecursively();
        else
            QFile::remove(folder);
    }

    bool m_testMode = false;
#endif

    void set(const char *name, const QString &value)
    {
        m_previous.push_back(
            {name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray()});
        qputenv(name, value.toUtf8());
    }

    std::vector<std::pair<const char *, QByteArray>> m_previous;
    QTemporaryDir m_dir;
};

// Collects the debug log while it exists (and still prints it), so that tests can check the
// lines that the system writes.
class LogCapture
{
public:
    LogCapture() : m_previous(qInstallMessageHandler(&LogCapture::handle)) { s_active = this; }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }

    QStringList lines() const
    {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }

    bool contains(const QString &line) const { return lines().contains(line); }

    QStringList matching(const QString &prefix) const
    {
        QStringList found;
        for (const QString &line : lines()) {
            if (line.startsWith(prefix))
                found.append(line);
        }
        return found;
    }

    void clear()
    {
        QMutexLocker lock(&m_mutex);
        m_lines.clear();
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (LogCapture *capture = s_active) {
            QMutexLocker lock(&capture->m_mutex);
            capture->m_lines.append(message);
        }
        if (s_active && s_active->m_previous)
            s_active->m_previous(type, context, message);
    }

    inline static LogCapture *s_active = nullptr;
    QtMessageHandler m_previous;
    mutable QMutex m_mutex;
    QStringList m_lines;
};

// Moves the file at `path` aside while the object exists, with a file holding `standIn` in its
// place when that is given, and puts it back after.
class FileSetAside
{
    Q_DISABLE_COPY(FileSetAside)

public:
    explicit FileSetAside(const QString &path, const QByteArray &standIn = {})
        : m_path(path), m_moved(QFile::rename(path, path + QStringLiteral(".aside"))),
          m_done(m_moved && (standIn.isEmpty() || writeFileBytes(path, standIn)))
    {}
    ~FileSetAside()
    {
        if (m_moved && (!QFile::exists(m_path) || QFile::remove(m_path)))
            QFile::rename(m_path + QStringLiteral(".aside"), m_path);
    }

    bool isDone() const { return m_done; }

private:
    const QString m_path;
    const bool m_moved;
    const bool m_done;
};

#ifdef Q_OS_LINUX
// A full disk, as far as this process can tell: while the object exists, no file may grow
// past `bytes`, and a write beyond that fails instead of raising SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limited = m_previous;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_previous); }

    bool isActive() const { return m_active; }

private:
    rlimit m_previous{};
    bool m_active = false;
};
#endif

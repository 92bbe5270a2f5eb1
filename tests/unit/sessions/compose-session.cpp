// Prepares the files of one connection as the manager does and prints where the composed
// configuration went; exits with 1 when they could not be prepared.
#include "SessionFiles.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const SessionFiles::Session session =
        SessionFiles::prepare(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("default"),
                              QStringLiteral("alice"), QStringLiteral("pw"), false);
    std::puts(qPrintable(session.configPath));
    return session.configPath.isEmpty() ? 1 : 0;
}

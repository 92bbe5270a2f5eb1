#include "OpenVpnProgram.h"

namespace OpenVpnProgram {

QString programName()
{
    return QStringLiteral("openvpn");
}

Registration registration()
{
    return {};
}

QString systemProgram()
{
    return QStringLiteral("/usr/sbin/openvpn");
}

} // namespace OpenVpnProgram

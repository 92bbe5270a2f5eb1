#pragma once

#include <QByteArray>

namespace PanelTrust {

// Adds the CA certificates of a PEM bundle to the process-wide default TLS configuration,
// next to the system's own, so that every HTTPS request (including those made from QML)
// trusts them. Must run before the QML engine is created. Returns how many were added.
int addExtraCaCertificates(const QByteArray &pem);

} // namespace PanelTrust

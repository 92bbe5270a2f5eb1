#include "PanelTrust.h"

#include <QDebug>
#include <QSslCertificate>
#include <QSslConfiguration>

namespace PanelTrust {

int addExtraCaCertificates(const QByteArray &pem)
{
    const QList<QSslCertificate> certificates = QSslCertificate::fromData(pem, QSsl::Pem);
    if (certificates.isEmpty())
        return 0;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(certificates);
    QSslConfiguration::setDefaultConfiguration(configuration);
    qDebug() << "[Main] Trusting" << certificates.size() << "extra CA certificate(s) for the panel";
    return certificates.size();
}

} // namespace PanelTrust

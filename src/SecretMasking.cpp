#include "SecretMasking.h"

#include "LiteralReplace.h"

#include <QRegularExpression>

namespace SecretMasking {

QString maskSecretBlocks(const QString &config)
{
    static const QRegularExpression blockRegex(
        QStringLiteral("<(key|tls-auth|tls-crypt|tls-crypt-v2|secret|pkcs12|auth-user-pass|"
                       "http-proxy-user-pass)>(.*?)(?:</\\1>|\\z)"),
        QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption);

    return replaceLiterally(config, blockRegex, 2,
                            QLatin1Char('\n') + QLatin1String(hiddenMarker) + QLatin1Char('\n'));
}

} // namespace SecretMasking

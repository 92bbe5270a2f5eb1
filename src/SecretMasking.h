#pragma once

#include <QString>

// Keeps secrets out of the debug log.
namespace SecretMasking {

// The text put in place of a hidden secret.
inline constexpr char hiddenMarker[] = "[hidden]";

// The configuration with the content of every inline block that holds private key material
// or credentials (<key>, <tls-auth>, <tls-crypt>, <tls-crypt-v2>, <secret>, <pkcs12>,
// <auth-user-pass>, <http-proxy-user-pass>) replaced by one line holding hiddenMarker; a block
// that is never closed is hidden up to the end. The tag lines, everything outside such blocks
// and public material such as <ca>, <cert> or <crl-verify> stay as they are.
QString maskSecretBlocks(const QString &config);

} // namespace SecretMasking

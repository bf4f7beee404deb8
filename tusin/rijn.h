#pragma once
// The file cipher of the data packages: AES-256-GCM under a key derived from the key text with
// PBKDF2-HMAC-SHA256 and a random salt. The package holds a header (mark, rounds, salt, nonce; all of it
// authenticated), the cipher text and the tag. Decryption writes its target only when the tag checks
// out, so a wrong key, a changed byte or a cut package leaves no target. Both stream in 1 MiB pieces and
// write a temporary file renamed into place.

#include <QString>

enum TRijnResult : int {
    rijnOk = 0,
    rijnCannotRead = 1,
    rijnCannotWrite = 2,
    rijnBadKey = 3,
    rijnNotPackage = 4,
    rijnAuthFailed = 5,
    rijnCipherError = 6,
};

int EncryptFile(const QString& source, const QString& target, const QString& key, QString* error = nullptr);
int DecryptFile(const QString& source, const QString& target, const QString& key, QString* error = nullptr);

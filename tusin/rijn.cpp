#include "tusin/rijn.h"

#include "platform/Cp932.h"
#include "tusin/StagedFile.h"

#include <QFile>
#include <QFileInfo>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <memory>
#include <vector>

namespace {

constexpr char kMark[8] = {'Q', 'V', 'W', 'E', 'N', '\x1a', '0', '1'};
constexpr int kSaltSize = 16;
constexpr int kNonceSize = 12;
constexpr int kTagSize = 16;
constexpr int kHeaderSize = 8 + 4 + kSaltSize + kNonceSize;
constexpr quint32 kRounds = 200000;
// A package asking for more rounds than this is not ours (and would keep the program busy for long).
constexpr quint32 kMaxRounds = 10000000;
constexpr qint64 kChunk = 1 << 20;

struct CtxDeleter {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using Ctx = std::unique_ptr<EVP_CIPHER_CTX, CtxDeleter>;

int failWith(QString* error, int code, const QString& text) {
    if (error)
        *error = text;
    return code;
}

bool deriveKey(const QString& keyText, const unsigned char* salt, quint32 rounds, unsigned char* key) {
    bool ok = false;
    const QByteArray pass = cp932::encode(keyText, &ok);
    if (!ok || keyText.isEmpty())
        return false;
    return PKCS5_PBKDF2_HMAC(pass.constData(), static_cast<int>(pass.size()), salt, kSaltSize,
                             static_cast<int>(rounds), EVP_sha256(), 32, key) == 1;
}

Ctx startCipher(bool encrypt, const unsigned char* key, const QByteArray& header) {
    Ctx ctx(EVP_CIPHER_CTX_new());
    const auto* nonce = reinterpret_cast<const unsigned char*>(header.constData()) + 12 + kSaltSize;
    int len = 0;
    if (!ctx ||
        EVP_CipherInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr, encrypt ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kNonceSize, nullptr) != 1 ||
        EVP_CipherInit_ex(ctx.get(), nullptr, nullptr, key, nonce, -1) != 1 ||
        EVP_CipherUpdate(ctx.get(), nullptr, &len, reinterpret_cast<const unsigned char*>(header.constData()),
                         static_cast<int>(header.size())) != 1)
        return nullptr;
    return ctx;
}

// The cipher of a package header: the key derived from the key text with the header's salt.
int keyedCipher(bool encrypt, const QString& key, const QByteArray& header, quint32 rounds, Ctx& ctx,
                QString* error) {
    std::array<unsigned char, 32> keyBytes{};
    if (!deriveKey(key, reinterpret_cast<const unsigned char*>(header.constData()) + 12, rounds,
                   keyBytes.data()))
        return failWith(error, rijnBadKey, QStringLiteral("暗号キーが正しくありません。"));
    ctx = startCipher(encrypt, keyBytes.data(), header);
    if (!ctx)
        return failWith(error, rijnCipherError, QStringLiteral("暗号処理に失敗しました。"));
    return rijnOk;
}

bool openSource(QFile& in, const QString& target, QString* error) {
    if (QFileInfo(in.fileName()).canonicalFilePath() == QFileInfo(target).canonicalFilePath()) {
        failWith(error, 0, QStringLiteral("元のファイルと同じファイルには書き出せません。"));
        return false;
    }
    if (!QFileInfo(in.fileName()).isFile() || !in.open(QIODevice::ReadOnly)) {
        failWith(error, 0, QStringLiteral("%1 を読めません。").arg(in.fileName()));
        return false;
    }
    return true;
}

// Runs the cipher over `length` bytes of the source into the output.
int stream(EVP_CIPHER_CTX* ctx, QFile& in, qint64 length, StagedFile& out, QString* error) {
    std::vector<unsigned char> plain(kChunk), coded(kChunk + 32);
    QString why;
    while (length > 0) {
        const qint64 want = std::min(length, kChunk);
        const qint64 got = in.read(reinterpret_cast<char*>(plain.data()), want);
        if (got != want)
            return failWith(error, rijnCannotRead, QStringLiteral("%1 を読めません。").arg(in.fileName()));
        int len = 0;
        if (EVP_CipherUpdate(ctx, coded.data(), &len, plain.data(), static_cast<int>(got)) != 1)
            return failWith(error, rijnCipherError, QStringLiteral("暗号処理に失敗しました。"));
        if (!out.write(reinterpret_cast<const char*>(coded.data()), len, &why))
            return failWith(error, rijnCannotWrite, why);
        length -= got;
    }
    return rijnOk;
}

} // namespace

int EncryptFile(const QString& source, const QString& target, const QString& key, QString* error) {
    QFile in(source);
    if (!openSource(in, target, error))
        return rijnCannotRead;
    QByteArray header(kMark, sizeof kMark);
    const quint32 rounds = kRounds;
    for (int i = 0; i < 4; ++i)
        header += static_cast<char>((rounds >> (8 * i)) & 0xFF);
    QByteArray random(kSaltSize + kNonceSize, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(random.data()), static_cast<int>(random.size())) != 1)
        return failWith(error, rijnCipherError, QStringLiteral("乱数を作れません。"));
    header += random;
    Ctx ctx;
    if (const int rc = keyedCipher(true, key, header, rounds, ctx, error); rc != rijnOk)
        return rc;
    StagedFile out(target);
    QString why;
    if (!out.open(&why) || !out.write(header.constData(), header.size(), &why))
        return failWith(error, rijnCannotWrite, why);
    if (const int rc = stream(ctx.get(), in, in.size(), out, error); rc != rijnOk)
        return rc;
    std::array<unsigned char, kTagSize + 32> tail{};
    int len = 0;
    if (EVP_EncryptFinal_ex(ctx.get(), tail.data(), &len) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagSize, tail.data() + len) != 1)
        return failWith(error, rijnCipherError, QStringLiteral("暗号処理に失敗しました。"));
    if (!out.write(reinterpret_cast<const char*>(tail.data()), len + kTagSize, &why) || !out.commit(&why))
        return failWith(error, rijnCannotWrite, why);
    return rijnOk;
}

int DecryptFile(const QString& source, const QString& target, const QString& key, QString* error) {
    QFile in(source);
    if (!openSource(in, target, error))
        return rijnCannotRead;
    const qint64 length = in.size() - kHeaderSize - kTagSize;
    const QByteArray header = in.read(kHeaderSize);
    if (length < 0 || header.size() != kHeaderSize || !header.startsWith(QByteArray(kMark, sizeof kMark)))
        return failWith(error, rijnNotPackage,
                        QStringLiteral("%1 は暗号化ファイルではありません。").arg(source));
    quint32 rounds = 0;
    for (int i = 0; i < 4; ++i)
        rounds |= static_cast<quint32>(static_cast<unsigned char>(header[8 + i])) << (8 * i);
    if (rounds == 0 || rounds > kMaxRounds)
        return failWith(error, rijnNotPackage,
                        QStringLiteral("%1 は暗号化ファイルではありません。").arg(source));
    Ctx ctx;
    if (const int rc = keyedCipher(false, key, header, rounds, ctx, error); rc != rijnOk)
        return rc;
    StagedFile out(target);
    QString why;
    if (!out.open(&why))
        return failWith(error, rijnCannotWrite, why);
    if (const int rc = stream(ctx.get(), in, length, out, error); rc != rijnOk)
        return rc;
    QByteArray tag = in.read(kTagSize);
    std::array<unsigned char, 32> tail{};
    int len = 0;
    if (tag.size() != kTagSize ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagSize, tag.data()) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), tail.data(), &len) != 1)
        return failWith(
            error, rijnAuthFailed,
            QStringLiteral("%1 を復号できません。キーが違うか、ファイルが壊れています。").arg(source));
    if (!out.commit(&why))
        return failWith(error, rijnCannotWrite, why);
    return rijnOk;
}

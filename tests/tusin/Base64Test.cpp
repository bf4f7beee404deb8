// The relay service's Base64: RFC 4648 encoding, and the service's own lossy decoding.
#include "platform/Cp932.h"
#include "tusin/xPzConv.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    QByteArray bytes;
    const char* base64;
};

TEST(Base64, EncodesAndDecodesAsRfc4648) {
    const Case cases[] = {
        {QByteArray(), ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foobar", "Zm9vYmFy"},
        {QByteArray("\xff\xfe\xfd", 3), "//79"},
        {QByteArray("\xfb\xef", 2), "++8="},
        {cp932::encode(QStringLiteral("株式会社テスト　１")), "ipSOronvjtCDZYNYg2eBQIJQ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base64);
        EXPECT_EQ(TxPzConv::EncodeBase64(c.bytes), QLatin1String(c.base64));
        EXPECT_EQ(TxPzConv::DecodeBase64(QString::fromLatin1(c.base64)), c.bytes);
    }
}

TEST(Base64, DecodesLossilyAsTheServiceDoes) {
    const Case cases[] = {
        // A zero second or third byte is dropped; a zero first byte stays.
        {QByteArray("ab", 2), "YQBi"},
        {QByteArray("\0a", 2), "AGE="},
        {QByteArray("a", 1), "YQAA"},
        // A trailing group of fewer than four characters is ignored.
        {"foo", "Zm9vYg"},
        {QByteArray(), "Zm9"},
        // Characters outside the alphabet (also "=", blanks, line breaks) count as 64 and add no bits,
        // but take their place in the group.
        {QByteArray("\0", 1), "===="},
        {QByteArray("f`=", 3), "Zm\n9v"},
        {QByteArray("f`=", 3), "Zm 9v"},
        {QByteArray("f", 1), "Zg*?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base64);
        EXPECT_EQ(TxPzConv::DecodeBase64(QString::fromLatin1(c.base64)), c.bytes);
    }
    // A character beyond Latin-1 also takes one place.
    EXPECT_EQ(TxPzConv::DecodeBase64(QStringLiteral("Zgあ=")), QByteArray("f"));
}

} // namespace

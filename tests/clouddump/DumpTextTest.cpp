#include "clouddump/uAccZip.h"
#include "clouddump/z5FtpWebDbSqlDump.h"
#include "clouddump/z5WebSolvarnetDataDump.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

TEST(DumpText, EscapingWorksOnCharacters) {
    struct Case {
        QString in, out;
    } cases[] = {
        {QStringLiteral("O'Neil\\x"), QStringLiteral("O\\'Neil\\\\x")},
        // "ソ" and "表" end in the byte 0x5C in CP932: they stay as they are.
        {QStringLiteral("ソフト表示"), QStringLiteral("ソフト表示")},
        {QStringLiteral("a\r\nb"), QStringLiteral("a\\r\\nb")},
        {QString(), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EscapeSqlText(c.in), c.out) << c.in.toStdString();
}

TEST(DumpText, ColoursAreRgbNumbers) {
    EXPECT_EQ(ColorToRgbInt(0x0000FF), QStringLiteral("16711680")); // pure red, red in the lowest byte
    EXPECT_EQ(ColorToRgbInt(0xFFFFFF), QStringLiteral("16777215"));
    EXPECT_EQ(ColorToRgbInt(0xFF0000), QStringLiteral("255"));
    // clWindow resolves to white.
    EXPECT_EQ(ColorToRgbInt(qint32(0x80000005)), QStringLiteral("16777215"));
}

TEST(DumpText, DateTimesAreClamped) {
    struct Case {
        TDateTime value;
        const char* kind;
        const char* text;
    } cases[] = {
        {TDateTime::fromDate(1960, 5, 1), "DATETIME", "'1970-01-02 00:00:00'"},
        {TDateTime::fromDate(1970, 1, 1), "DATETIME", "'1970-01-02 00:00:00'"},
        {TDateTime::fromDateTime(1970, 1, 1, 12, 0, 0), "DATETIME", "'1970-01-01 12:00:00'"},
        {TDateTime::fromDate(2040, 1, 1), "datetime", "'2038-01-01 00:00:00'"},
        {TDateTime::fromDate(2037, 12, 31), "DATE", "'2037-12-31'"},
        {TDateTime::fromDate(1969, 12, 31), "DATE", "'1970-01-02'"},
        {TDateTime::fromDate(2015, 4, 1), "TEXT", "'0000-00-00'"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DumpDateText(QString::fromLatin1(c.kind), c.value), QString::fromLatin1(c.text)) << c.text;
}

TEST(DumpText, ResultTexts) {
    EXPECT_EQ(TFtpWebDbSqlDump::ResultText(QStringLiteral("000")), QStringLiteral("正常終了"));
    EXPECT_EQ(TFtpWebDbSqlDump::ResultText(QStringLiteral("902")), QStringLiteral("通信ID不明"));
    EXPECT_EQ(TFtpWebDbSqlDump::ResultText(QStringLiteral("813")),
              QStringLiteral("SQLDumpファイルZip圧縮失敗"));
    EXPECT_EQ(TFtpWebDbSqlDump::ResultText(QString()), QStringLiteral("原因不明のエラー発生"));
    EXPECT_EQ(TFtpWebDbSqlDump::ResultText(QStringLiteral("0")), QStringLiteral("原因不明のエラー発生"));
}

QByteArray run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(-1);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput();
}

TEST(ZipFiles, OneEncryptedEntryUnderItsBareName) {
    testenv::TempEnvironment env;
    const QString sql = env.path() + QStringLiteral("/work dir/placc.sql");
    const QByteArray bytes = "DROP DATABASE x;\r\n-- 漢字\r\n" + QByteArray(5000, 'a');
    ASSERT_TRUE(testenv::writeFile(sql, bytes));
    const QString zip = env.path() + QStringLiteral("/work dir/placc.zip");
    ASSERT_EQ(ZipFiles(QStringLiteral("-D -P Kvwnte5172 -q -j"), u'"' + zip + u'"', u'"' + sql + u'"'), 0);

    const QString listing = QString::fromUtf8(run(QStringLiteral("unzip"), {QStringLiteral("-Z1"), zip}));
    EXPECT_EQ(listing.trimmed(), QStringLiteral("placc.sql"));
    int code = 0;
    EXPECT_EQ(run(QStringLiteral("unzip"),
                  {QStringLiteral("-P"), QStringLiteral("Kvwnte5172"), QStringLiteral("-p"), zip}, &code),
              bytes);
    EXPECT_EQ(code, 0);
    run(QStringLiteral("unzip"), {QStringLiteral("-P"), QStringLiteral("wrong"), QStringLiteral("-p"), zip},
        &code);
    EXPECT_NE(code, 0);
    // Without the password nothing is readable either.
    EXPECT_NE(run(QStringLiteral("unzip"), {QStringLiteral("-P"), QString(), QStringLiteral("-p"), zip}),
              bytes);
}

TEST(ZipFiles, MissingSourceFailsWithoutArchive) {
    testenv::TempEnvironment env;
    const QString zip = env.path() + QStringLiteral("/placc.zip");
    ASSERT_TRUE(testenv::writeFile(zip, "old"));
    EXPECT_GT(ZipFiles(QStringLiteral("-D -P pw -q -j"), zip, env.path() + QStringLiteral("/none.sql")), 0);
    EXPECT_FALSE(QFile::exists(zip));
}

} // namespace

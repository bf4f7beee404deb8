// The dictionary exchange file: a round trip between two datasets gives the same file, the header and
// version checks refuse a file before anything is deleted, and unknown accounts and tax codes are
// stored without codes or with the fallback tax code.

#include "CashBookSupport.h"

#include "platform/Cp932.h"
#include "tusin/z5FileLoader.h"

#include <QFile>

namespace {

QStringList linesOf(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return cp932::decode(f.readAll()).split(QStringLiteral("\r\n"));
}

void writeLines(const QString& path, const QStringList& lines) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(cp932::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
}

class JisyoLoaderTest : public CashBookTest {
protected:
    void SetUp() override {
        CashBookTest::SetUp();
        // The source: sections of the company (one stored with an empty facility code; the partner headings
        // a new facility starts with are left out) and entries with a double quote, a tab and a line break
        // in their texts.
        for (const char* sql :
             {"INSERT INTO TEKDICTI (CREC, SCODE, SORTCODE, TEXT, MOVEMENT) VALUES (7, '', 5, '売上', 1)",
              "INSERT INTO TEKDICTI (CREC, SCODE, SORTCODE, TEXT, MOVEMENT) VALUES (8, '', 9, '経費', 0)",
              "DELETE FROM TORDICTI",
              "INSERT INTO TORDICTI (CREC, SCODE, SORTCODE, TEXT, MOVEMENT) VALUES (3, '', 1, '得意先', 0)",
              "INSERT INTO TEKDIC (TEKCODE, CREC, KANA, TEXT, SCODE, KAR_KCODE, KAR_HCODE, KAR_TAXCODE, KAS_KCODE,"
              " KAS_TAXCODE, WAITFLG, TAXOLD, TAXNUM, MOVEMENT, HAIBUN, RTIME) VALUES (0, 7, 'ｳﾘｱｹﾞ',"
              " '\"特選\"' || ASCII_CHAR(9) || '売上', '', '1110', ' ', 0, '4110', 110, 1, 2, 3, 4, 5,"
              " '2024-06-01 10:20:30')",
              "INSERT INTO TEKDIC (TEKCODE, CREC, KANA, TEXT, SCODE, KAR_KCODE, KAR_HCODE, KAS_KCODE, KAS_HCODE,"
              " KAS_TAXCODE) VALUES (0, 8, 'ｼｲﾚ', '仕入' || ASCII_CHAR(13) || ASCII_CHAR(10) || '代金', '', '5000',"
              " '01', '1110', ' ', 0)",
              "INSERT INTO TORDIC (TEKCODE, CREC, KANA, TEXT, TEKTEXT, SCODE, KAR_KCODE, KAS_KCODE, KAS_TAXCODE)"
              " VALUES (0, 3, 'ｱｼｬ', 'Ａ社', '掛\"売\"', '', '1110', '4110', 0)"})
            execOpen(QString::fromUtf8(sql));
        // The target: two sections of the company under the same numbers (the file carries the names, not
        // the other section settings), and an old entry.
        for (const char* sql :
             {"INSERT INTO TEKDICTI (CREC, SCODE, SORTCODE, TEXT, MOVEMENT) VALUES (7, ' ', 1, '旧一', 1)",
              "INSERT INTO TEKDICTI (CREC, SCODE, SORTCODE, TEXT) VALUES (8, ' ', 2, '旧二')",
              "DELETE FROM TORDICTI",
              "INSERT INTO TORDICTI (CREC, SCODE, SORTCODE, TEXT) VALUES (3, ' ', 1, '旧')",
              "INSERT INTO TEKDIC (TEKCODE, CREC, KANA, TEXT, SCODE) VALUES (0, 7, 'ｷｭｳ', '旧摘要', ' ')"})
            received.execute(QString::fromUtf8(sql));
        file = e.env.path() + QStringLiteral("/plzjisyo.txt");
    }

    // The loader pointed at the received dataset.
    bool importReceived(const QString& path, const QString& version = QStringLiteral("1.1")) {
        auto db = received.connect();
        fb::Transaction t(*db);
        TJisyoLoader loader;
        loader.setTransaction(t);
        loader.SetVersion(version);
        return loader.Import(path);
    }

    QString file;
};

TEST_F(JisyoLoaderTest, RoundTripGivesTheSameFileButTheDate) {
    TJisyoLoader loader;
    loader.SetVersion(QStringLiteral("1.1"));
    ASSERT_TRUE(loader.Export(file));
    const QStringList first = linesOf(file);
    ASSERT_GE(first.size(), 12);
    EXPECT_EQ(first[0], QStringLiteral("// ファイル種別: 摘要・取引先辞書設定"));
    EXPECT_EQ(first[1], QStringLiteral("// ファイルVer : 1.1"));
    EXPECT_EQ(first[2], QStringLiteral("// データ名    : 株式会社テスト"));
    EXPECT_EQ(first[3], QStringLiteral("// データ種別  : 法人"));
    EXPECT_EQ(first[4], QStringLiteral("// データVer   : "));
    EXPECT_TRUE(first[5].startsWith(QStringLiteral("// 作成日      : ")));
    EXPECT_EQ(first[6], QStringLiteral("\"200\",7,\" \",1,\"売上\",1,"));
    EXPECT_EQ(first[7], QStringLiteral("\"200\",8,\" \",2,\"経費\",0,"));
    EXPECT_EQ(first[8], QStringLiteral("\"202\",7,\" \",\"ｳﾘｱｹﾞ\",\"''特選''売上\",\"\",\"111\",\" \",\"\",\"0\","
                                       "\"411\",\"\",\"\",\"110\",1,2,3,4,5,\"2024/06/01 10:20:30\","));
    EXPECT_EQ(first[9], QStringLiteral("\"202\",8,\" \",\"ｼｲﾚ\",\"仕入代金\",\"\",\"500\",\"01\",\"\",\"0\","
                                       "\"111\",\" \",\"\",\"0\",0,0,0,0,0,\"\","));
    EXPECT_EQ(first[11], QStringLiteral("\"302\",3,\" \",\"ｱｼｬ\",\"Ａ社\",\"掛''売''\",\"111\",\"\",\"\",\"0\","
                                        "\"411\",\"\",\"\",\"0\",0,0,0,0,0,\"\","));
    for (qsizetype i = 6; i < first.size() - 1; ++i)
        EXPECT_TRUE(first[i].endsWith(u',')) << i;

    ASSERT_TRUE(importReceived(file));
    EXPECT_EQ(receivedInt(QStringLiteral("SELECT COUNT(*) FROM TEKDIC WHERE TEXT='旧摘要'")), 0);
    {
        auto db = received.connect();
        EXPECT_EQ(textOf(*db, QStringLiteral("SELECT TEXT FROM TEKDIC WHERE KANA='ｳﾘｱｹﾞ'")),
                  QStringLiteral("\"特選\"売上"));
        EXPECT_EQ(textOf(*db, QStringLiteral("SELECT KAR_KCODE FROM TEKDIC WHERE KANA='ｳﾘｱｹﾞ'")), QStringLiteral("1110"));
        EXPECT_EQ(textOf(*db, QStringLiteral("SELECT SCODE FROM TEKDIC WHERE KANA='ｳﾘｱｹﾞ'")), QStringLiteral(" "));
        EXPECT_EQ(textOf(*db, QStringLiteral("SELECT TEKTEXT FROM TORDIC")), QStringLiteral("掛\"売\""));
    }

    // Exported again from the received dataset: the same file, only the date line may differ.
    auto db = received.connect();
    fb::Transaction t(*db);
    TJisyoLoader again;
    again.setTransaction(t);
    ASSERT_TRUE(again.Export(file + QStringLiteral(".2")));
    QStringList second = linesOf(file + QStringLiteral(".2"));
    second[2] = first[2]; // the header names each dataset's company
    QStringList a = first, b = second;
    a.removeAt(5);
    b.removeAt(5);
    EXPECT_EQ(a.join(u'\n'), b.join(u'\n'));
}

TEST_F(JisyoLoaderTest, VersionsAndUnknownCodes) {
    TJisyoLoader loader;
    ASSERT_TRUE(loader.Export(file));
    const QStringList exported = linesOf(file);

    struct Case {
        const char* name;
        QString versionLine; // empty: no version line
        bool accepted;
    };
    const std::vector<Case> cases{
        {"another major version", QStringLiteral("// ファイルVer : 2.0"), false},
        {"older minor version", QStringLiteral("// ファイルVer : 1.0"), true},
        {"no version line", QString(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        received.execute(QStringLiteral("DELETE FROM TEKDIC"));
        received.execute(QStringLiteral("INSERT INTO TEKDIC (TEKCODE, CREC, KANA, TEXT, SCODE) VALUES (0, 7, 'ｷｭｳ', '旧摘要', ' ')"));
        QStringList lines = exported;
        if (c.versionLine.isEmpty())
            lines.removeAt(1);
        else
            lines[1] = c.versionLine;
        lines.removeLast();
        writeLines(file, lines);
        EXPECT_EQ(importReceived(file), c.accepted);
        EXPECT_EQ(receivedInt(QStringLiteral("SELECT COUNT(*) FROM TEKDIC WHERE TEXT='旧摘要'")), c.accepted ? 0 : 1);
    }

    // An account the target does not know and a tax code that is no number.
    QStringList lines = exported;
    lines.removeLast();
    lines << QStringLiteral("\"202\",7,\" \",\"ﾌﾒｲ\",\"不明\",\"\",\"999\",\"01\",\"\",\"ab\",\"500\",\"02\",\"\",\"x\",0,0,0,0,0,\"\",");
    writeLines(file, lines);
    ASSERT_TRUE(importReceived(file));
    auto db = received.connect();
    fb::Transaction t(*db);
    fb::Query q(t, QStringLiteral("SELECT KAR_KCODE, KAR_HCODE, KAR_TAXCODE, KAS_KCODE, KAS_HCODE, KAS_TAXCODE FROM TEKDIC"
                                  " WHERE KANA='ﾌﾒｲ'"));
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_TRUE(q.field("KAR_KCODE").isNull());
    EXPECT_TRUE(q.field("KAR_HCODE").isNull());
    EXPECT_EQ(q.field("KAR_TAXCODE").asInt(), 910);
    EXPECT_EQ(q.field("KAS_KCODE").asString(), QStringLiteral("5000"));
    EXPECT_TRUE(q.field("KAS_HCODE").isNull()); // 02 is no sub-account of 500
    EXPECT_EQ(q.field("KAS_TAXCODE").asInt(), 910);
}

} // namespace

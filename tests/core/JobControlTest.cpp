// What the logged-on operator may do and the questions about the open dataset: job control, the usual
// facility, entry counts, schema probes, the logon row and the running-job rows.
#include "DataModuleFixture.h"

#include <QFile>

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

using JobControlTest = DataModuleTest;

TEST_F(JobControlTest, ProcessesAllowedForTheLevel) {
    execDef(QStringLiteral("INSERT INTO JOBCONTROL2 (LEVELNO, PROC_ID, PROC_OPTION)"
                           " VALUES (3, 'QzTusinSettei', 'SyoriType=1,Mode=2')"));
    execDef(QStringLiteral(
        "INSERT INTO JOBCONTROL2 (LEVELNO, PROC_ID, PROC_OPTION) VALUES (3, 'QzDataSenkaku', '')"));
    execDef(QStringLiteral(
        "INSERT INTO JOBCONTROL2 (LEVELNO, PROC_ID, PROC_OPTION) VALUES (1003, 'WebMenuL', '')"));
    struct Case {
        int iryo, jobLevel;
        const char* process;
        const char* option;
        bool allowed;
    };
    const Case cases[] = {
        {0, 5, "QzTusinSettei", "", true},            // a level without rows may start everything
        {0, 3, "QzDataSenkaku", "", true},            //
        {0, 3, "WebMenuL", "", false},                // not listed for the level
        {0, 3, "QzTusinSettei", "SyoriType=1", true}, // the option stands anywhere in the stored one
        {0, 3, "QzTusinSettei", "Mode=2", true},      //
        {0, 3, "QzTusinSettei", "Mode=3", false},     //
        {0, 3, "QzTusinSettei", "  ", true},          // a blank option matches any
        {0, 3, "QzDataSenkaku", "SyoriType=1", false},
        {1, 3, "WebMenuL", "", true}, // medical data: level 1003
        {1, 3, "QzDataSenkaku", "", false},
        {1, 5, "QzDataSenkaku", "", true},
    };
    for (const Case& c : cases) {
        AccInf.IryoFlag = quint8(c.iryo);
        SystemDef.JOBLEVEL = c.jobLevel;
        EXPECT_EQ(dm->SetJobControl(QString::fromLatin1(c.process), QString::fromLatin1(c.option)), c.allowed)
            << c.iryo << " " << c.jobLevel << " " << c.process << " " << c.option;
    }
    EXPECT_FALSE(dm->IBTransactionDEF.isActive());
    EXPECT_TRUE(shown->shown().empty());

    // A caller's transaction stays running.
    dm->IBTransactionDEF.start();
    EXPECT_TRUE(dm->SetJobControl(QStringLiteral("QzDataSenkaku"), QString()));
    EXPECT_TRUE(dm->IBTransactionDEF.isActive());
    dm->IBTransactionDEF.commit();
}

TEST_F(JobControlTest, FailedLookupRefusesAfterItsMessage) {
    dm->IBDatabaseDEF.detach();
    EXPECT_FALSE(dm->SetJobControl(QStringLiteral("QzDataSenkaku"), QString()));
    ASSERT_EQ(shown->messageTexts().size(), 1);
    EXPECT_TRUE(shown->messageTexts()[0].startsWith(S("メニュー制御情報の取得に失敗しました。")));
}

TEST_F(JobControlTest, UsualFacilityForEachDataKind) {
    openDataset();
    execDat(S("INSERT INTO SISETUMST (SCODE, SNAME, MB_JIGYOU, XSTR) VALUES ('00', '本部', 0, 'COLOR=255')"));
    execDat(S("INSERT INTO SISETUMST (SCODE, SNAME, MB_JIGYOU, XSTR) VALUES ('01', '北支店', 2, 'KANA=ｷﾀ')"));
    execDat(S("INSERT INTO SISETUMST (SCODE, SNAME, MB_JIGYOU, XSTR) VALUES ('02', '南支店', 3, 'COLOR=0')"));
    execDat(S("INSERT INTO OPDEFSISETU (OPCODE, SCODE) VALUES (10001, '02')"));
    struct Case {
        const char* what;
        int iryo, siten, jobLevel, opcode;
        const char* scode; // nullptr: the fields keep what they held
        const char* name;
        int jigyokbn, colour;
    };
    // clang-format off
    const Case cases[] = {
        {"general, every facility",           0, 1, 9, 10001, "00", "本部", 1, 255},
        {"general, no facilities",            0, 0, 9, 10001, " ", "株式会社テスト", 1, 0xFFAF80},
        {"medical, every facility",           1, 1, 9, 10001, "01", "北支店", 2, 0xFFAF80},
        {"general, the operator's own",       0, 1, 3, 10001, "02", "南支店", 1, 0xFFAF80},
        {"medical, the operator's own",       1, 1, 3, 10001, "02", "南支店", 3, 0xFFAF80},
        {"medical, none of its own",          1, 1, 3, 10002, "00", "本部", 0, 255},
        {"general, none of its own",          0, 1, 3, 10002, nullptr, "", 0, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AccInf.IryoFlag = quint8(c.iryo);
        AccInf.SITEN = c.siten;
        SystemDef.JOBLEVEL = c.jobLevel;
        SystemDef.OPCODE = c.opcode;
        SystemDef.SCODE = SystemDef.SisetuCodeCopy = QStringLiteral("zz");
        SystemDef.JIGYOKBN = SystemDef.SisetuColor = 0;
        QString name = QStringLiteral("left over");
        dm->GetOpeDefSisetu(name);
        EXPECT_EQ(name, S(c.name));
        EXPECT_EQ(SystemDef.SCODE, c.scode ? S(c.scode) : QStringLiteral("zz"));
        EXPECT_EQ(SystemDef.SisetuCodeCopy, SystemDef.SCODE);
        EXPECT_EQ(SystemDef.JIGYOKBN, c.jigyokbn);
        EXPECT_EQ(SystemDef.SisetuColor, c.colour);
        EXPECT_FALSE(dm->IBTransactionDAT.isActive());
    }
    EXPECT_TRUE(shown->shown().empty());

    // Medical data must have facilities.
    AccInf.IryoFlag = 1;
    AccInf.SITEN = 0;
    SystemDef.JOBLEVEL = 9;
    QString name;
    dm->GetOpeDefSisetu(name);
    EXPECT_EQ(name, QString());
    EXPECT_EQ(SystemDef.SCODE, QStringLiteral("zz"));
    ASSERT_EQ(shown->messageTexts().size(), 1);
    const QString box = shown->messageTexts()[0];
    EXPECT_TRUE(box.startsWith(S("通常使用するデータ（本・支店）の取得に失敗しました。")))
        << box.toStdString();
    EXPECT_TRUE(box.contains(S("このデータは医療法人データですが、施設管理がおこなわれていません。")));
    EXPECT_FALSE(dm->IBTransactionDAT.isActive());
}

TEST_F(JobControlTest, EntryCountsOfAFacilityAndOfTheDataset) {
    openDataset();
    execDat(S("INSERT INTO SISETUMST (SCODE, SNAME) VALUES ('01', '北支店')"));
    // Seven superseded or deleted entries of facility 01 (first rows only count), two of another.
    for (int i = 1; i <= 9; ++i) {
        for (int side = 1; side <= 2; ++side)
            execDat(QStringLiteral("INSERT INTO SIWAKE (REC, SWKREC, DELFLG, TAISHAKU, SCODE)"
                                   " VALUES (%1, %2, %3, %4, '%5')")
                        .arg(i * 2 + side)
                        .arg(i)
                        .arg(i % 2 + 1)
                        .arg(side)
                        .arg(i <= 7 ? "01" : " "));
    }
    execDat(QStringLiteral("UPDATE SISETUMST SET SIWAKECOUNT = 120 WHERE SCODE = '01'"));
    execDat(QStringLiteral("UPDATE SISETUMST SET SIWAKECOUNT = 30 WHERE SCODE = ' '"));
    qint32 live = -1, changed = -1;
    EXPECT_EQ(dm->GetSiwakeCount(QStringLiteral("01"), live, changed), 127);
    EXPECT_EQ(live, 120);
    EXPECT_EQ(changed, 7);
    EXPECT_EQ(dm->GetSiwakeTotalCount(QString()), 159);
    EXPECT_EQ(dm->GetYukouSiwakeCount(QString()), 150);
}

TEST_F(JobControlTest, AFailedEntryCountIsReportedOnceAsTheCountThatStartedTheWork) {
    openDataset();
    const auto logText = [] {
        QFile f(SystemDef.LogDir + QStringLiteral("/ErrFbAccess.log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    };
    // A facility table without the live count: the first of the two counts fails.
    for (const char* trigger : {"SIWAKE_AFTER_INSERT", "SIWAKE_AFTER_UPDATE"})
        execDat(QStringLiteral("DROP TRIGGER %1").arg(QLatin1String(trigger)));
    execDat(QStringLiteral("DROP PROCEDURE SP_SIWAKE_REPAIR"));
    execDat(QStringLiteral("ALTER TABLE SISETUMST DROP SIWAKECOUNT"));
    const QString badCode = QStringLiteral("01");
    qint32 live = -1, changed = -1;
    EXPECT_THROW(dm->GetSiwakeCount(badCode, live, changed), fb::Error);
    EXPECT_EQ(live, 0);
    EXPECT_EQ(changed, 0);
    EXPECT_FALSE(dm->IBTransactionDAT.isActive());
    // Logged without a box.
    EXPECT_TRUE(shown->shown().empty());
    EXPECT_EQ(logText().count(QStringLiteral("TDM.")), 1);
    EXPECT_TRUE(logText().contains(QStringLiteral("TDM.GetSiwakeCount")));

    // Under a caller's transaction nothing is reported; the error still reaches the caller.
    dm->IBTransactionDAT.start();
    EXPECT_THROW(dm->GetSiwakeCount(badCode, live, changed), fb::Error);
    EXPECT_TRUE(dm->IBTransactionDAT.isActive());
    dm->IBTransactionDAT.rollback();
    EXPECT_EQ(logText().count(QStringLiteral("TDM.")), 1);
}

TEST_F(JobControlTest, SchemaProbesAnswerForExactNames) {
    openDataset();
    EXPECT_TRUE(dm->fnExistence_Table(QStringLiteral("SIWAKE")));
    EXPECT_FALSE(dm->fnExistence_Table(QStringLiteral("siwake")));
    EXPECT_FALSE(dm->fnExistence_Table(QStringLiteral("NO_SUCH_TABLE")));
    EXPECT_TRUE(dm->fnExistence_Field(QStringLiteral("SISETUMST"), QStringLiteral("SIWAKECOUNT")));
    EXPECT_FALSE(dm->fnExistence_Field(QStringLiteral("SISETUMST"), QStringLiteral("NO_SUCH_FIELD")));
    EXPECT_FALSE(dm->fnExistence_Field(QStringLiteral("NO_SUCH_TABLE"), QStringLiteral("SCODE")));
    EXPECT_TRUE(shown->shown().empty());

    dm->IBDatabaseDAT.detach();
    EXPECT_FALSE(dm->fnExistence_Field(QStringLiteral("SISETUMST"), QStringLiteral("SCODE")));
    ASSERT_EQ(shown->messageTexts().size(), 1);
    EXPECT_TRUE(shown->messageTexts()[0].startsWith(S("テーブル項目の存在情報の取得に失敗しました。")));
}

TEST_F(JobControlTest, LogonRowAndRunningJobsGo) {
    execDef(
        QStringLiteral("INSERT INTO LOGONUSERLIST (OPERATORCODE, PCNAME, OPCODE) VALUES (1, 'PC1', 10001)"));
    execDef(
        QStringLiteral("INSERT INTO LOGONUSERLIST (OPERATORCODE, PCNAME, OPCODE) VALUES (2, 'PC1', 10002)"));
    dm->DeleteLogonInfo();
    EXPECT_EQ(intDef(QStringLiteral("SELECT COUNT(*) FROM LOGONUSERLIST WHERE OPCODE = 10001")), 0);
    EXPECT_EQ(intDef(QStringLiteral("SELECT COUNT(*) FROM LOGONUSERLIST")), 1);

    openDataset();
    execDat(QStringLiteral("INSERT INTO OPINF (OPCODE, JOBNAME) VALUES (10001, 'A')"));
    execDat(QStringLiteral("INSERT INTO OPINF (OPCODE, JOBNAME) VALUES (10002, 'B')"));
    dm->ClearOpInf();
    EXPECT_EQ(firstInt(dm->IBDatabaseDAT, QStringLiteral("SELECT COUNT(*) FROM OPINF")), 0);
    EXPECT_FALSE(dm->IBTransactionDAT.isActive());
    EXPECT_TRUE(shown->shown().empty());
}

TEST_F(JobControlTest, ReadOnlyDataAndCloudSharing) {
    EXPECT_FALSE(dm->IsReadOnlyData());
    AccInf.READ_ONLY = 1;
    EXPECT_TRUE(dm->IsReadOnlyData());
    AccInf.READ_ONLY = 2;
    EXPECT_FALSE(dm->IsReadOnlyData());

    EXPECT_TRUE(dm->IsCloudShareEnabled(0));
    EXPECT_TRUE(dm->IsCloudShareEnabled(1));
    TavrinoEdition = 1;
    EXPECT_FALSE(dm->IsCloudShareEnabled(0));
    EXPECT_FALSE(dm->IsCloudShareEnabled(1));
}

#include "XmlReadBack.h"

#include "app/ComDataExp.h"
#include "app/main.h"
#include "core/z5AppInfo.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "platform/UserInteraction.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

namespace {

// An exporter whose DATA part is given by the test.
class TestExport : public TComDataExport {
public:
    // With the fiscal period of a dataset taken, as every export has it.
    TestExport(int functionId, const QString& outputFile) : TComDataExport(functionId, outputFile) {
        Kishu = TDateTime::fromDate(2024, 4, 1);
        Kimatu = TDateTime::fromDate(2025, 3, 31);
    }
    std::function<void(TXmlSaveDoc&)> data = [](TXmlSaveDoc& w) { w.AddNode(TXmlSaveDoc::NoNode, "DATA"); };
    void SetDataNode(TXmlSaveDoc& writer) override { data(writer); }
};

QString linkIni(const testenv::TempEnvironment& env) {
    TestExport probe(3, QString());
    return probe.LinkIniPath();
}

void writeLinkIni(const QString& path, const QStringList& lines) {
    QDir().mkpath(QFileInfo(path).path());
    IniFile ini(path, false);
    for (const QString& l : lines)
        ini.writeString("HOJINZEI_G", l.section(u'=', 0, 0), l.section(u'=', 1));
    ASSERT_TRUE(ini.save());
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(ComDataExport, LinkIniReadAndWrittenBack) {
    testenv::TempEnvironment env;
    const QString path = linkIni(env);
    EXPECT_TRUE(path.startsWith(env.commonAppData()));
    EXPECT_TRUE(path.endsWith("/ini/Corvane.ini"));
    writeLinkIni(path, {"DATA=tax-data", "KOMONSAKI=旧商事", "EXPORTFILE=/remembered/out.xml"});

    {
        // Standalone: the remembered file and company; both written back as they are at the end.
        TestExport e(0, QString());
        EXPECT_EQ(e.OutputFile, "/remembered/out.xml");
        EXPECT_EQ(e.CompanyName, QStringLiteral("旧商事"));
        EXPECT_EQ(e.LinkData, "tax-data");
        e.CompanyName = QStringLiteral("新商事");
        e.OutputFile = "/chosen/new.xml";
    }
    IniFile after(path);
    EXPECT_EQ(after.readString("HOJINZEI_G", "KOMONSAKI"), QStringLiteral("新商事"));
    EXPECT_EQ(after.readString("HOJINZEI_G", "EXPORTFILE"), "/chosen/new.xml");
    EXPECT_EQ(after.readString("HOJINZEI_G", "DATA"), "tax-data");

    // A file named on the command line is kept even with function id 0.
    {
        TestExport e(0, "/caller/file.xml");
        EXPECT_EQ(e.OutputFile, "/caller/file.xml");
    }
    // With a function id EXPORTFILE is neither read nor written.
    {
        TestExport e(3, "/caller/three.xml");
        EXPECT_EQ(e.OutputFile, "/caller/three.xml");
        EXPECT_EQ(e.FileFunctionId, 3);
    }
    EXPECT_EQ(IniFile(path).readString("HOJINZEI_G", "EXPORTFILE"), "/caller/file.xml");
}

TEST(ComDataExport, LinkIniDataKeyNeverEmptiedAndUnreadableIniNotWritten) {
    testenv::TempEnvironment env;
    const QString path = linkIni(env);
    // No ini yet: the company is written, DATA is not created empty.
    {
        TestExport e(3, QString());
        EXPECT_TRUE(e.LinkData.isEmpty());
        e.CompanyName = "A&B";
    }
    IniFile ini(path);
    EXPECT_EQ(ini.readString("HOJINZEI_G", "KOMONSAKI"), "A&B");
    EXPECT_FALSE(ini.valueExists("HOJINZEI_G", "DATA"));

    // An ini that cannot be read is left alone.
    QFile::remove(path);
    ASSERT_TRUE(QDir().mkpath(path));
    {
        TestExport e(3, QString());
        EXPECT_FALSE(e.LinkIniReadOk());
        e.CompanyName = "X";
    }
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST(ComDataExport, SystemAndBasicNodes) {
    testenv::TempEnvironment env;
    struct Case {
        int functionId;
        const char* fileId;
    } cases[] = {{0, "1"}, {5, "5"}};
    for (const Case& c : cases) {
        TestExport e(c.functionId, "/x.xml");
        e.CompanyName = "A&B <商事>";
        e.Kishu = TDateTime::fromDate(2024, 4, 1);
        e.Kimatu = TDateTime::fromDate(2025, 3, 31);
        TXmlSaveDoc w("1.0", "Shift_JIS", "");
        e.SetSystemNode(w);
        e.SetBasicNode(w);
        e.SetDataNode(w);
        const XmlFile f = parseXml(w.toBytes());
        ASSERT_TRUE(f.root);
        EXPECT_EQ(f.root->name, "REPORT");
        EXPECT_EQ(f.root->childNames(), (QStringList{"SYSTEM", "BASIC", "DATA"}));
        const XmlElement* sys = f.root->child("SYSTEM");
        EXPECT_EQ(sys->childNames(), (QStringList{"GYOUMUPREFIX", "VERSION", "FUNCTIONID",
                                                  "CONNECTEDPROGRAMVER", "PROGRAMNAME", "PROGRAMVER"}));
        EXPECT_EQ(sys->childText("GYOUMUPREFIX"), "HJ19");
        EXPECT_EQ(sys->childText("VERSION"), "1");
        EXPECT_EQ(sys->childText("FUNCTIONID"), c.fileId);
        EXPECT_EQ(sys->childText("CONNECTEDPROGRAMVER"), "13.0.0");
        const XmlElement* basic = f.root->child("BASIC");
        EXPECT_EQ(basic->childNames(), (QStringList{"KOMONSAKINAME", "JIGYOUNENDOFROM", "JIGYOUNENDOTO"}));
        EXPECT_EQ(basic->childText("KOMONSAKINAME"), "A&B <商事>");
        EXPECT_EQ(basic->childText("JIGYOUNENDOFROM"), "20240401");
        EXPECT_EQ(basic->childText("JIGYOUNENDOTO"), "20250331");
    }
}

TEST(ComDataExport, BasicNodeByBusinessPrefix) {
    testenv::TempEnvironment env;
    const QStringList three{"KOMONSAKINAME", "JIGYOUNENDOFROM", "JIGYOUNENDOTO"};
    struct Case {
        const char* prefix;
        int functionId;
        QStringList children;
    } cases[] = {
        {"HJ16", 1, three},
        {"HJ21", 1, three + QStringList{"PATTERN"}},
        {"SY13", 1,
         three + QStringList{"HOUJINKOJINKUBUN", "KAZEIKUBUN", "KEIKASHOCHIKAZEISHISAN",
                             "URIAGEZEIGAKUKEISAN", "SHIIREZEIGAKUKEISAN"}},
        {"ST14", 3, {"KOMONSAKINAME", "AOSIROKUBUN", "JIGYOUNENDOFROM", "JIGYOUNENDOTO", "SYOTOKUSYURUI"}},
        {"ST14", 4, three + QStringList{"HASUU_SYOUKYAKU"}},
    };
    for (const Case& c : cases) {
        TestExport e(c.functionId, "/x.xml");
        e.BusinessPrefix = c.prefix;
        e.TaxKanni = 1;
        e.DataType = 2;
        e.IncomeKind = 3;
        e.FractionSetting = 1;
        TXmlSaveDoc w("1.0", "Shift_JIS", "");
        e.SetSystemNode(w);
        e.SetBasicNode(w);
        const XmlFile f = parseXml(w.toBytes());
        const XmlElement* basic = f.root->child("BASIC");
        EXPECT_EQ(basic->childNames(), c.children) << c.prefix;
        if (QLatin1String(c.prefix) == "HJ21") {
            const XmlElement* bs = basic->child("PATTERN")->child("BS");
            EXPECT_EQ(bs->childNames(), (QStringList{"CA", "PPE", "IOA"}));
            EXPECT_EQ(bs->child("IOA")->childText("DepImp"), "D6");
            EXPECT_EQ(basic->child("PATTERN")->child("PL")->childText("Sga"), "G1");
        } else if (QLatin1String(c.prefix) == "SY13") {
            EXPECT_EQ(basic->childText("HOUJINKOJINKUBUN"), "2");
            EXPECT_EQ(basic->childText("KAZEIKUBUN"), "2");
            EXPECT_EQ(basic->childText("KEIKASHOCHIKAZEISHISAN"), "2");
            EXPECT_EQ(basic->childText("URIAGEZEIGAKUKEISAN"), "1");
            EXPECT_EQ(basic->childText("SHIIREZEIGAKUKEISAN"), "");
        } else if (c.functionId == 3) {
            EXPECT_EQ(basic->childText("SYOTOKUSYURUI"), "3");
        } else if (c.functionId == 4) {
            EXPECT_EQ(basic->childText("HASUU_SYOUKYAKU"), "3");
        }
    }

    TestExport e(2, "/x.xml");
    for (const char* prefix : {"XX99", "ST14"}) {
        e.BusinessPrefix = prefix;
        e.FileFunctionId = 5;
        TXmlSaveDoc w("1.0", "Shift_JIS", "");
        e.SetSystemNode(w);
        try {
            e.SetBasicNode(w);
            ADD_FAILURE() << prefix;
        } catch (const EDataExportError& err) {
            EXPECT_EQ(err.Code, 256);
            EXPECT_EQ(err.Message, QStringLiteral("業務Prefixが条件に加えられていません。"));
            EXPECT_EQ(err.Detail, QStringLiteral("SetBasicNode(BASICﾉｰﾄﾞを作成)"));
        }
    }
}

TEST(ComDataExport, VersionCheckComparesNumbers) {
    struct Case {
        const char* installed;
        bool passes;
    } cases[] = {
        {"13.0.0", true},   {"13.0", true},   {"13", true},        {"13.0.1", true},   {"14.0.0", true},
        {"12.9.9", false},  {"", false},      {"abc", false},      {"9.100.0", false}, {"12.100.0", false},
        {"13.100.0", true}, {"0.0.0", false}, {"13.0.0.1", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckVersion(c.installed, "13.0.0"), c.passes) << c.installed;
}

TEST(ComDataExport, CreateLinkFileResultsAndBoxes) {
    testenv::TempEnvironment env;
    const QString out = env.path() + "/out.xml";
    {
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old contents");
    }
    ui::ScopedScriptedUi ui;
    TestExport e(1, out);

    e.data = [](TXmlSaveDoc&) {
        throw EDataExportError(QStringLiteral("対象の減価償却資産が登録されていません。"), 16);
    };
    EXPECT_EQ(CreateLinkFile(e), 3);
    ASSERT_EQ(ui->shown().size(), 1u);
    EXPECT_EQ(ui->shown()[0].message.kind, ui::MsgKind::Information);
    EXPECT_EQ(ui->shown()[0].message.text, QStringLiteral("対象の減価償却資産が登録されていません。\r\r"));

    e.data = [](TXmlSaveDoc&) {
        throw EDataExportError(QStringLiteral("減価償却資産の取得に失敗しました。"), 7);
    };
    EXPECT_EQ(CreateLinkFile(e), 4);
    EXPECT_EQ(ui->shown().back().message.kind, ui::MsgKind::Error);
    EXPECT_EQ(fileBytes(out), "old contents");

    e.data = [](TXmlSaveDoc& w) { w.AddNode(TXmlSaveDoc::NoNode, "DATA"); };
    EXPECT_EQ(CreateLinkFile(e), 1);
    EXPECT_EQ(ui->shown().size(), 2u);
    EXPECT_EQ(readXmlFile(out).root->childNames(), (QStringList{"SYSTEM", "BASIC", "DATA"}));
}

TEST(ComDataExport, FinishMapsTheExportToTheCallersExitCodeAndBoxes) {
    testenv::TempEnvironment env;
    ui::ScopedScriptedUi ui;
    const QString out = env.path() + QStringLiteral("/out.xml");
    TestExport e(1, out);
    struct Case {
        const char* name;
        std::function<void(TXmlSaveDoc&)> data;
        bool caller;
        int exitCode;
        bool close;
        QStringList boxes;
    } cases[] = {
        {"created",
         [](TXmlSaveDoc&) {},
         false,
         0,
         true,
         {QStringLiteral("中間ファイルが作成されました。\r")}},
        {"created for a caller", [](TXmlSaveDoc&) {}, true, 0, true, {}},
        {"nothing to export",
         [](TXmlSaveDoc&) { throw EDataExportError(QStringLiteral("対象なし"), 16); },
         false,
         1,
         false,
         {QStringLiteral("対象なし\r\r")}},
        {"export error",
         [](TXmlSaveDoc&) { throw EDataExportError(QStringLiteral("失敗"), 7); },
         true,
         2,
         true,
         {QStringLiteral("失敗\r\r"), QStringLiteral("中間ファイルの作成に失敗しました。\r")}},
        // Another exception is reported after the failure, with its own text.
        {"other exception",
         [](TXmlSaveDoc&) { throw std::runtime_error("想定外"); },
         false,
         2,
         true,
         {QStringLiteral("中間ファイルの作成に失敗しました。\r"), QStringLiteral("想定外")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui->clear();
        e.data = c.data;
        const TFinishResult r = FinishExport(e, c.caller);
        EXPECT_EQ(r.ExitCode, c.exitCode);
        EXPECT_EQ(r.CloseForm, c.close);
        EXPECT_EQ(ui->messageTexts(), c.boxes);
    }
}

TEST(ComDataExport, ProductValuesFromTheLastMatchingRegistrySubkey) {
    testenv::TempEnvironment env;
    const TAppInfoRec saved = AppInfo;
    SetAppInfoDefaults(AppInfo); // maker key "\SOFTWARE\QUARNO", product word "PELLANZAIMU"
    using registry::Root;
    const QString maker = QStringLiteral("\\SOFTWARE\\QUARNO\\");
    registry::writeString(Root::LocalMachine, maker + "PELLANZAIMU12", "Product",
                          QStringLiteral("ペラン財務12"));
    registry::writeString(Root::LocalMachine, maker + "PELLANZAIMU12", "Version", "12.5.0");
    registry::writeString(Root::LocalMachine, maker + "PellanZaimu13", "Product",
                          QStringLiteral("ペラン財務13"));
    registry::writeString(Root::LocalMachine, maker + "PellanZaimu13", "Version", "13.0.0");
    registry::writeString(Root::LocalMachine, maker + "PELLANZAIMU13PRO", "Version", "13.2.1");
    registry::writeString(Root::LocalMachine, maker + "PELLANZAIMU13PRO", "rootdir", "/opt/quarno/");

    EXPECT_EQ(GetProductRegValue(12, 0, "Product"), QStringLiteral("ペラン財務12"));
    // Two subkeys hold "pellanzaimu13": the one listed last wins, also where it lacks the value.
    EXPECT_EQ(GetProductRegValue(13, 0, "Version"), "13.2.1");
    EXPECT_EQ(GetProductRegValue(13, 0, "Product"), "");
    EXPECT_EQ(GetProductRegValue(13, 0, "RootDir"), "/opt/quarno/pellanzaimu21");
    EXPECT_EQ(GetProductRegValue(13, 2, "rootdir"), "/opt/quarno/pellanzaimu21c");
    EXPECT_EQ(GetProductRegValue(11, 0, "Version"), "");

    TestExport e(1, "/x.xml");
    EXPECT_EQ(e.ProductVersion, "13.2.1");
    EXPECT_EQ(e.Title, QStringLiteral("法人税のCorvane（平成21年度版 以降） from （減価償却）"));
    AppInfo.Application.RegKey = "\\SOFTWARE\\ELSEWHERE";
    EXPECT_EQ(GetProductRegValue(13, 0, "Version"), "");
    AppInfo = saved;
}

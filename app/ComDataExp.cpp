#include "app/ComDataExp.h"

#include "core/TMojiBunkatu.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "platform/UserInteraction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <array>

namespace {

// The target and business prefix this build is configured for.
const QString kTargetCode = QStringLiteral("HJ_G");
const QString kBusinessPrefix = QStringLiteral("HJ19");
constexpr int kRequiredMajor = 13, kRequiredMinor = 0, kRequiredRelease = 0;

QString yyyymmdd(TDateTime date) {
    return date.toDate().toString(QStringLiteral("yyyyMMdd"));
}

} // namespace

const std::vector<TLinkTarget>& LinkTargets() {
    static const std::vector<TLinkTarget> targets = {
        {"HJ_G", "HOJINZEI_G", 1, {"page1", "page2", "page4", "page5"}},
        {"HJ", "HOJINZEI", 1, {"page1", "page2", "page3", "page9", "page4", "page5"}},
        {"SY", "SYOUHIZEI", 0, {"page1", "page2", "page3", "page4", "page5"}},
        {"UG", "UTIWAKESYO", 1, {"page1", "page2", "page3", "page4", "page5"}},
        {"UG_G", "GAIKYOUSYO", 1, {"page1", "page2", "page3", "page10", "page4", "page5"}},
        {"ST", "SYOTOKUZEI", 2, {"page1", "page2", "page3", "page4", "page5"}},
        {"ST_G", "SYOTOKUZEI_G", 2, {"page1", "page2", "page4", "page5"}},
        {"RC", "RENKETUNOUZEI", 1, {"page1", "page2", "page3", "page9", "page4", "page5"}},
        {"RC_G", "RENKETUNOUZEI_G", 1, {"page1", "page2", "page4", "page5"}},
    };
    return targets;
}

const TLinkTarget* FindLinkTarget(const QString& code) {
    for (const TLinkTarget& t : LinkTargets())
        if (t.code == code)
            return &t;
    return nullptr;
}

bool CheckVersion(const QString& installed, const QString& required) {
    // Numbers, not a text of two-digit fields: "9.100.0" is older than "13.0.0".
    auto parse = [](const QString& text) {
        TMojiBunkatu parts;
        parts.Separator = u'.';
        parts.Bunkatu(text);
        std::array<qint64, 3> v{0, 0, 0};
        if (parts.Count >= 1 && parts.Count <= 3)
            for (int i = 0; i < parts.Count; ++i)
                v[i] = parts.GetMoji(i).toLongLong(); // 0 when not a number
        return v;
    };
    const auto a = parse(installed);
    const auto b = parse(required);
    return a != std::array<qint64, 3>{0, 0, 0} && a >= b;
}

TComDataExport::TComDataExport(int functionId, const QString& outputFile) {
    // Linux file names keep their case: the program's file name is not upper-cased.
    ExeName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    ProgramDir = specialfolders::programDir();
    DataRoot = specialfolders::commonAppData() + u'/' + HomeDirName;
    IniDir = DataRoot + QStringLiteral("/ini");
    QDir().mkpath(IniDir);
    TaxProductName = QStringLiteral("法人税のCorvane（減価償却）");
    TargetCode = kTargetCode;
    FunctionId = functionId;
    BusinessPrefix = kBusinessPrefix;
    FormatVersion = 1;
    FileFunctionId = functionId == 0 ? 1 : functionId;
    ConnectedProgramVersion = QStringLiteral("13.0.0");
    ProductName = GetProductRegValue(kRequiredMajor, 0, QStringLiteral("Product"));
    ProductVersion = GetProductRegValue(kRequiredMajor, 0, QStringLiteral("Version"));
    RequiredVersion =
        QStringLiteral("%1.%2.%3").arg(kRequiredMajor).arg(kRequiredMinor).arg(kRequiredRelease);
    Title = QStringLiteral("法人税のCorvane（平成21年度版 以降） from ") + ProductName +
            QStringLiteral("（減価償却）");
    Sime = 99;
    OutputFile = outputFile;
    m_outputFileGiven = !outputFile.isEmpty();
    SelectionDataKind = Target().selectionKind;
    ProductMajorMinor = QStringLiteral("%1.%2").arg(kRequiredMajor).arg(kRequiredMinor);
    DataMajorVersion = QString::number(kRequiredMajor);
    ReadLinkIni();
}

TComDataExport::~TComDataExport() {
    // A close path: a linkage ini that cannot be written is reported, nothing more.
    try {
        WriteLinkIni();
    } catch (const std::exception& e) {
        ui::showMessage(ui::MsgKind::Warning, QString::fromUtf8(e.what()));
    }
}

const TLinkTarget& TComDataExport::Target() const {
    const TLinkTarget* t = FindLinkTarget(TargetCode);
    return t ? *t : LinkTargets().front();
}

QString TComDataExport::LinkIniPath() const {
    return IniDir + QStringLiteral("/Corvane.ini");
}

void TComDataExport::ReadLinkIni() {
    IniFile ini(LinkIniPath(), false);
    m_linkIniRead = !ini.lastLoadFailed();
    const QString section = Target().section;
    LinkData = ini.readString(section, QStringLiteral("DATA"));
    CompanyName = ini.readString(section, QStringLiteral("KOMONSAKI"));
    // A file named by the caller wins over the one remembered for standalone runs.
    if (FunctionId == 0 && !m_outputFileGiven)
        OutputFile = ini.readString(section, QStringLiteral("EXPORTFILE"));
}

void TComDataExport::WriteLinkIni() {
    // An ini that could not be read is not overwritten with empty values; DATA belongs to the tax
    // application and is never emptied here.
    if (!m_linkIniRead)
        return;
    IniFile ini(LinkIniPath(), false);
    if (ini.lastLoadFailed())
        return;
    const QString section = Target().section;
    if (!LinkData.isEmpty())
        ini.writeString(section, QStringLiteral("DATA"), LinkData);
    ini.writeString(section, QStringLiteral("KOMONSAKI"), CompanyName);
    if (FunctionId == 0)
        ini.writeString(section, QStringLiteral("EXPORTFILE"), OutputFile);
    if (!ini.save())
        ui::showMessage(ui::MsgKind::Warning,
                        QStringLiteral("連動設定ファイル %1 に書き込めませんでした。").arg(LinkIniPath()));
}

void TComDataExport::TakeDataset() {
    DataDir = SystemDef.DataDir;
    CompanyName = AccInf.SHOUGOU;
    Nendo = AccInf.NENDO;
    Kishu = AccInf.KISHU;
    Kimatu = AccInf.KIMATU;
    Sime = AccInf.SIME;
    FirstSlot = AccInf.StartSlot;
    LastSlot = AccInf.EndSlot;
    LastUsableSlot = AccInf.EndSlot;
    TaxDefUH = AccInf.TAXDEFUH;
    TaxKanni = AccInf.TAXKANNI;
    TaxJigyou = AccInf.TAXJIGYOU;
    PiledUpTax = 0;
    DataType = AccInf.DATATYPE;
    CodeType = AccInf.CODETYPE;
    // The income kind of a personal dataset.
    IncomeKind = 0;
    if (DataType == 2)
        IncomeKind = CodeType == 2 ? 3 : CodeType == 4 ? 4 : 1;
}

void TComDataExport::SetSystemNode(TXmlSaveDoc& writer) {
    const auto root = writer.CreateRootNode(QStringLiteral("REPORT"), QString());
    const auto sys = writer.AddNode(root, QStringLiteral("SYSTEM"));
    writer.AddTextNode(sys, QStringLiteral("GYOUMUPREFIX"), BusinessPrefix);
    writer.AddTextNode(sys, QStringLiteral("VERSION"), QString::number(FormatVersion));
    writer.AddTextNode(sys, QStringLiteral("FUNCTIONID"), QString::number(FileFunctionId));
    writer.AddTextNode(sys, QStringLiteral("CONNECTEDPROGRAMVER"), ConnectedProgramVersion);
    writer.AddTextNode(sys, QStringLiteral("PROGRAMNAME"), ProductName);
    writer.AddTextNode(sys, QStringLiteral("PROGRAMVER"), ProductVersion);
}

void TComDataExport::SetBasicNode(TXmlSaveDoc& writer) {
    const QString p = BusinessPrefix;
    const bool plain =
        p == u"HJ19" || p == u"HJ13" || p == u"HJ16" || p == u"HJ18" || p == u"UG13" || p == u"UG16";
    const bool pattern = p == u"HJ21" || p == u"RC25";
    const bool sy = p == u"SY13" || p == u"SY26" || p == u"SY31";
    const bool stIncome = p == u"ST14" && (FileFunctionId == 1 || FileFunctionId == 3);
    const bool stFraction = p == u"ST14" && (FileFunctionId == 2 || FileFunctionId == 4);
    if (!plain && !pattern && !sy && !stIncome && !stFraction)
        throw EDataExportError(QStringLiteral("業務Prefixが条件に加えられていません。"), 256,
                               QStringLiteral("SetBasicNode(BASICﾉｰﾄﾞを作成)"));

    // Without its fiscal period a dataset would be written as of the year 1899.
    if (Kishu.value() == 0 || Kimatu.value() == 0)
        throw EDataExportError(QStringLiteral("データの会計期間（期首日・期末日）が設定されていません。"), 4,
                               QStringLiteral("会社名:%1").arg(CompanyName));

    const auto basic = writer.AddNode(TXmlSaveDoc::NoNode, QStringLiteral("BASIC"));
    auto text = [&](TXmlSaveDoc::Node parent, const char* name, const QString& value) {
        writer.AddTextNode(parent, QString::fromLatin1(name), value);
    };
    text(basic, "KOMONSAKINAME", CompanyName);
    if (stIncome)
        text(basic, "AOSIROKUBUN", QStringLiteral("1"));
    text(basic, "JIGYOUNENDOFROM", yyyymmdd(Kishu));
    text(basic, "JIGYOUNENDOTO", yyyymmdd(Kimatu));
    if (pattern) {
        const auto pat = writer.AddNode(basic, QStringLiteral("PATTERN"));
        const auto bs = writer.AddNode(pat, QStringLiteral("BS"));
        text(writer.AddNode(bs, QStringLiteral("CA")), "Doubtful", QStringLiteral("A2"));
        text(writer.AddNode(bs, QStringLiteral("PPE")), "DepImp", QStringLiteral("B6"));
        const auto ioa = writer.AddNode(bs, QStringLiteral("IOA"));
        text(ioa, "Doubtful", QStringLiteral("C2"));
        text(ioa, "DepImp", QStringLiteral("D6"));
        const auto pl = writer.AddNode(pat, QStringLiteral("PL"));
        text(pl, "Sales", QStringLiteral("E3"));
        text(pl, "Cos", QStringLiteral("F1"));
        text(pl, "Sga", QStringLiteral("G1"));
    } else if (sy) {
        const QString one = QStringLiteral("1"), two = QStringLiteral("2");
        const QString uriage = PiledUpTax != 0 ? two : one;
        text(basic, "HOUJINKOJINKUBUN", DataType == 2 ? two : one);
        text(basic, "KAZEIKUBUN", TaxKanni != 0 ? two : one);
        text(basic, "KEIKASHOCHIKAZEISHISAN", p == u"SY13" ? two : one);
        text(basic, "URIAGEZEIGAKUKEISAN", uriage);
        text(basic, "SHIIREZEIGAKUKEISAN", TaxKanni != 0 ? QString() : uriage);
    } else if (stIncome) {
        text(basic, "SYOTOKUSYURUI", QString::number(IncomeKind));
    } else if (stFraction) {
        const char* hasuu = FractionSetting == 1 ? "3" : FractionSetting == 2 ? "2" : "1";
        text(basic, "HASUU_SYOUKYAKU", QString::fromLatin1(hasuu));
    }
}

int CreateLinkFile(TComDataExport& exporter) {
    int result = 4;
    TXmlSaveDoc writer(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
    // The file is written beside the output while the elements are added and put in place by the save.
    writer.BeginFile(exporter.OutputFile);
    try {
        exporter.SetSystemNode(writer);
        exporter.SetBasicNode(writer);
        exporter.SetDataNode(writer);
        writer.SaveToFile(exporter.OutputFile);
        result = 1;
    } catch (const EDataExportError& e) {
        const QString text = e.Message + u'\r' + e.Detail + u'\r';
        if (e.Code == 16) {
            ui::showMessage(ui::MsgKind::Information, text);
            result = 3;
        } else {
            ui::showMessage(ui::MsgKind::Error, text);
        }
    }
    return result;
}

QString GetProductRegValue(int majorVersion, int variantLetter, const QString& valueName) {
    // A missing key lists no subkeys, so the listing alone answers for it.
    const QString key = AppInfo.Application.RegKey;
    const QString product = AppInfo.Zaimu.RegKey.toLower();
    const QString wanted = product + QString::asprintf("%.2d", majorVersion);
    const QStringList subKeys = registry::subKeys(registry::Root::LocalMachine, key);
    // Listed last wins when several subkeys match.
    for (qsizetype i = subKeys.size() - 1; i >= 0; --i) {
        if (!subKeys[i].toLower().contains(wanted))
            continue;
        QString value =
            registry::readString(registry::Root::LocalMachine, key + u'\\' + subKeys[i], valueName);
        if (valueName.compare(QStringLiteral("rootdir"), Qt::CaseInsensitive) == 0) {
            while (value.endsWith(u'/'))
                value.chop(1);
            value += u'/' + product + QString::asprintf("%.2d", majorVersion + 8);
            if (variantLetter > 0)
                value += QChar(97 + variantLetter);
        }
        return value;
    }
    return {};
}

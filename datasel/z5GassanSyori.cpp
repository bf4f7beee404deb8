#include "datasel/z5GassanSyori.h"

#include "core/DataModule.h"
#include "core/FbValues.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"

#include <QDir>
#include <QFileInfo>
#include <stdexcept>

namespace {

const QString kGroup = QStringLiteral("基本設定");
const QString kKindKey = QStringLiteral("合算データ区分");
const QString kCountKey = QStringLiteral("合算データ数");
const QString kInteger = QStringLiteral("整数");
const QString kInitFailed = QStringLiteral("分散入力用データの初期化に失敗しました。");

// A folder name read as a number; 0 when it is not one.
int folderNumber(const QString& name) {
    bool ok = false;
    const int n = name.toInt(&ok);
    return ok ? n : 0;
}

QString threeDigits(int n) {
    return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString joinLines(const QStringList& lines) {
    return lines.join(u'\n');
}

void run(fb::Transaction& t, const QString& sql) {
    fb::Query q(t, sql);
    q.execute();
    q.close();
}

bool generatorExists(fb::Transaction& t, const QString& name) {
    fb::Query q(
        t, QStringLiteral("SELECT COUNT(*) AS RECCNT FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME=:NAME"));
    q.setString("NAME", name);
    return q.openInt("RECCNT") > 0;
}

// The opening balances of past years: KISHU and the four columns of each of the 16 periods.
QString kakozanStatement(bool triggerSwitch) {
    QString sql = QStringLiteral("UPDATE KAKOZAN SET KISHU=0,");
    QStringList sets;
    for (int n = 1; n <= 16; ++n)
        for (const char* column : {"KOMIZAN", "NUKIZAN", "IKKATSU", "HAIBUN"})
            sets << QStringLiteral("%1_%2=0").arg(QLatin1String(column)).arg(n);
    sql += sets.join(u',');
    if (triggerSwitch)
        sql += QStringLiteral(",TRIGGER_SWITCH=1");
    return sql;
}

} // namespace

TGassanDataCtl::TGassanDataCtl(QObject* owner)
    : QObject(owner), m_list(std::make_unique<TDataSentakuListCtl>()),
      m_info(std::make_unique<TDataInfomation>()) {
    m_list->ConnectMode = quint8(ConnectMode);
    m_info->ConnectMode = quint8(ConnectMode);
}

TGassanDataCtl::~TGassanDataCtl() = default;

void TGassanDataCtl::SetDataPath(const QString& path) {
    const QString value = ExcludePathDelim(path);
    if (value == m_dataPath)
        return;
    m_dataPath = value;
    m_active = false;
}

void TGassanDataCtl::SetRec(qint32 rec) {
    if (rec == m_rec)
        return;
    m_rec = rec;
    m_active = false;
}

void TGassanDataCtl::SetActive(bool active) {
    m_active = active;
    if (active)
        LoadChildren();
}

int TGassanDataCtl::IndexOfChild(const QString& folder) const {
    for (int i = 0; i < m_children.size(); ++i)
        if (m_children[i].Folder == folder)
            return i;
    return -1;
}

qint32 TGassanDataCtl::NextRowNo(qint32 step) const {
    qint32 highest = 0;
    for (const TGassanChildDataRec& c : m_children)
        highest = std::max(highest, c.RowNo);
    return highest + step;
}

QString TGassanDataCtl::NextFolderName(const QString& folder, int step) {
    if (!QFileInfo(folder).isDir())
        return {};
    int highest = 0;
    for (const QString& name : GetSubFolders(folder, 1))
        highest = std::max(highest, folderNumber(name));
    if (highest + step >= 1000)
        throw std::runtime_error("作成できるフォルダ名は[999]までです。");
    return threeDigits(highest + step);
}

bool TGassanDataCtl::isMedical() const {
    return m_medical;
}

void TGassanDataCtl::LoadChildren() {
    m_data = TGassanDataRec();
    m_children.clear();
    if (m_dataPath.isEmpty() || ConnectMode != 0)
        return;
    m_list->ConnectMode = quint8(ConnectMode);
    m_list->GetDataListRecNo(m_dataPath, m_rec);
    m_entry = TDataSentakuRec();
    m_list->InitDataListRec(m_entry, m_dataPath);
    m_entry.REC = m_rec;
    m_list->GetDataListRecord(0, m_entry, true);
    m_netDrive = m_entry.NETDRIVE;
    m_sharePath = m_netDrive == 1 ? ExcludePathDelim(m_entry.PASNAME) : QString();

    m_data.Rec = m_rec;
    m_data.Folder = m_dataPath;

    const bool wasConnected = DM->IBDatabaseDAT.isConnected();
    const KeepAccountingConnection keep;
    if (!DM->fnAccDatConnected(SystemDef.HOSTNAME, m_dataPath, 0) || !DM->fnGetAccInfo()) {
        DM->fnAccDatDisConnected(m_dataPath, 0, 0);
        return;
    }
    m_medical = AccInf.DATATYPE == 3 && AccInf.CODETYPE == 1;
    const quint8 kind = AccInf.GassanKbn;
    if (kind == 1 || kind == 2) {
        m_data.Siten = AccInf.SITEN;
        m_data.Count = AccInf.GassanCount;
        qint32 position = 0;
        for (const QString& name : GetSubFolders(m_dataPath, 1)) {
            const int number = folderNumber(name);
            const bool taken = name == QStringLiteral("00") ? m_medical : number > 0;
            if (!taken)
                continue;
            TGassanChildDataRec child;
            child.Rec = m_rec;
            child.RowNo = ++position;
            if (m_data.Siten != 0) {
                child.SubFolder = twoDigits(number);
                child.Folder = m_dataPath + u'/' + child.SubFolder;
            } else {
                child.Folder = m_dataPath + u'/' + threeDigits(number);
            }
            m_children.append(child);
        }
        // A child the list knows keeps its stored row number.
        if (m_entry.GASSAN != 1 && m_entry.GASSAN != 2)
            m_entry.GASSAN = kind;
        m_list->GetDataListChildRecord(m_entry, true);
        for (TGassanChildDataRec& child : m_children) {
            for (const TDataListRec& row : std::as_const(m_entry.CHILDREN)) {
                if (ExcludePathDelim(row.PASNAME) == child.Folder ||
                    ExcludePathDelim(row.LOCALPATH) == child.Folder) {
                    child.RowNo = row.ROWNO;
                    break;
                }
            }
        }
    } else {
        m_list->GetDataListChildRecord(m_entry, true);
        for (const TDataListRec& row : std::as_const(m_entry.CHILDREN))
            m_children.append({m_rec, row.ROWNO, QString(), row.LOCALPATH});
    }
    if (!wasConnected)
        DM->fnAccDatDisConnected(m_dataPath, 1, 0);
    else
        DM->fnAccDatDisConnected(m_dataPath, 0, 0); // the connection noted above is attached again
}

void TGassanDataCtl::forgetWork() {
    m_workFolder.clear();
    m_workCode.clear();
    m_workInfo = TDataInfomationRec();
}

bool TGassanDataCtl::AddBunsanData(const QString& facilityCode) {
    QString sub;
    if (m_data.Siten != 0) {
        sub = facilityCode;
        m_workCode = facilityCode;
    } else {
        sub = facilityCode.isEmpty() ? NextFolderName(m_dataPath, 1) : facilityCode;
        m_workCode.clear();
    }
    if (sub.isEmpty())
        return false;
    m_workFolder = m_dataPath + u'/' + sub;
    // A child already there is never overwritten (nor removed by the clean-up of a failure below).
    if (QFileInfo::exists(m_workFolder + u'/' + DataFileName)) {
        forgetWork();
        return false;
    }
    if (!ForceFolder(m_workFolder)) {
        forgetWork();
        return false;
    }
    if (!CopyFileTo(m_dataPath + u'/' + DataFileName, m_workFolder + u'/' + DataFileName)) {
        ShellFolderOp(m_workFolder, FO_DELETE, false, false);
        forgetWork();
        return false;
    }
    try {
        AccDataSyokika();
    } catch (...) {
        if (DM->IBDatabaseDAT.isConnected())
            DM->fnAccDatDisConnected(m_workFolder, 0, 0);
        ShellFolderOp(m_workFolder, FO_DELETE, false, false);
        forgetWork();
        return false;
    }

    int index = IndexOfChild(m_workFolder);
    const qint32 rowNo = NextRowNo(1);
    if (index < 0) {
        m_children.append(TGassanChildDataRec());
        index = int(m_children.size()) - 1;
    }
    TGassanChildDataRec& child = m_children[index];
    child.Rec = m_rec;
    child.RowNo = rowNo;
    child.SubFolder = m_data.Siten != 0 ? m_workCode : QString();
    child.Folder = m_workFolder;

    TDataListRec row;
    if (m_netDrive != 0) {
        m_list->InitDataListRec(row, m_sharePath + u'/' + sub);
        row.NETDRIVE = m_netDrive;
        row.KYOYULOCK = 1;
    } else {
        m_list->InitDataListRec(row, m_workFolder);
    }
    row.REC = child.Rec;
    row.ROWNO = child.RowNo;
    m_list->DataInfoToDataListRec(m_workInfo, row);
    row.GASSAN = 10;
    m_list->UpdateDataListChildRecord(row, true);
    forgetWork();
    return true;
}

void TGassanDataCtl::AccDataSyokika() {
    if (!DM->fnAccDatConnected(SystemDef.HOSTNAME, m_workFolder, 1))
        throw std::runtime_error(kInitFailed.toStdString());
    fb::Transaction& t = DM->IBTransactionDAT;
    OwnTransaction own(t);
    try {
        {
            fb::Query q(t,
                        joinLines({QStringLiteral("UPDATE ACCDEF1"),
                                   QStringLiteral("SET KANSA_FIXDATE=:KANSA_FIXDATE,KANSA_DATE=:KANSA_DATE,"
                                                  "KANSA_LOCK=:KANSA_LOCK"),
                                   QStringLiteral("WHERE REC=1")}));
            fb::setDateTime(q, "KANSA_FIXDATE", TDateTime(0.0));
            fb::setDateTime(q, "KANSA_DATE", TDateTime(0.0));
            q.setInt("KANSA_LOCK", 0);
            q.execute();
            q.close();
        }
        run(t, kakozanStatement(
                   DM->fnExistence_Field(QStringLiteral("KAKOZAN"), QStringLiteral("TRIGGER_SWITCH"))));
        run(t, QStringLiteral(
                   "UPDATE KAMOKU_SZ SET KAISIZAN=0,"
                   "HAIBUN01=0,HAIBUN02=0,HAIBUN03=0,HAIBUN04=0,HAIBUN05=0,HAIBUN06=0,"
                   "HAIBUN07=0,HAIBUN08=0,HAIBUN09=0,HAIBUN10=0,HAIBUN11=0,HAIBUN12=0,"
                   "HAIBUN13=0,HAIBUN14=0,HAIBUN15=0,HAIBUN16=0,KAKOZAN=0,KISHU_KOMI=0,KISHU_NUKI=0"));
        run(t, QStringLiteral("UPDATE KAMOKU_MS SET KAR_NUK=0,KAR_TAX=0,KAS_NUK=0,KAS_TAX=0,"
                              "BYOSAN=0,BYOSOKU=0,RYOSAN=0,KAR_IKKATSU=0,KAS_IKKATSU=0"));
        run(t, QStringLiteral("UPDATE KAMOKU_TAX SET KAR=0,KAS=0"));
        run(t, QStringLiteral("UPDATE SISETUMST SET SIWAKECOUNT=0"));
        for (const char* table : {"SIWAKE", "KAKOSIWAKE1", "KAKOSIWAKE2", "KS_SISAN"})
            run(t, QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)));
        // The journal numbers start again: the general one, one per facility, the assets'.
        QStringList generators{QStringLiteral("SIWAKE_REC_GEN")};
        for (int n = 0; n <= 99; ++n)
            generators << QStringLiteral("SIWAKE%1_GEN").arg(twoDigits(n));
        generators << QStringLiteral("KSSISAN_GEN");
        for (const QString& name : std::as_const(generators))
            if (generatorExists(t, name))
                run(t, QStringLiteral("SET GENERATOR %1 TO 0").arg(name));
        PutAccReg(kGroup, kKindKey, kInteger, 10);
        PutAccReg(kGroup, kCountKey, kInteger, 0);
        if (m_medical) {
            // Only the blank facility and the child's own stay.
            fb::Query q(t, joinLines({QStringLiteral("DELETE FROM SISETUMST"),
                                      QStringLiteral("WHERE (SCODE NOT IN (:BLANK, :SCODE))")}));
            q.setString("BLANK", QStringLiteral(" "));
            q.setString("SCODE", m_workCode);
            q.execute();
            q.close();
            if (m_workCode == QStringLiteral("00")) {
                struct Key {
                    QString k, h, b;
                };
                QList<Key> keys;
                fb::Query s(t,
                            joinLines({QStringLiteral("SELECT ' ' AS SCODE,KCODE,HCODE,BCODE FROM KAMOKU_SZ"),
                                       QStringLiteral("GROUP BY KCODE,HCODE,BCODE"),
                                       QStringLiteral("HAVING COUNT(SCODE)=1")}));
                for (s.open(); !s.eof(); s.next())
                    keys.append({s.field("KCODE").asString(), s.field("HCODE").asString(),
                                 s.field("BCODE").asString()});
                s.close();
                fb::Query d(t,
                            joinLines({QStringLiteral("DELETE FROM KAMOKU_SZ"),
                                       QStringLiteral("WHERE SCODE=:SCODE AND KCODE=:KCODE AND HCODE=:HCODE "
                                                      "AND BCODE=:BCODE")}));
                for (const Key& key : std::as_const(keys)) {
                    d.setString("SCODE", QStringLiteral(" "));
                    d.setString("KCODE", key.k);
                    d.setString("HCODE", key.h);
                    d.setString("BCODE", key.b);
                    d.execute();
                    d.close();
                }
            }
        }
        own.commit();
    } catch (const fb::Error& e) {
        // Nothing of a half-cleared child is kept.
        const bool mine = own.started();
        own.rollback();
        if (mine)
            ErrFbAccess(e, QStringLiteral("TGassanDataCtl.AccDataSyokika"), kInitFailed);
        throw;
    } catch (const std::exception& e) {
        const bool mine = own.started();
        own.rollback();
        if (mine)
            ShowErrDetail(kInitFailed, QString::fromUtf8(e.what()), ui::MsgKind::Error);
        throw;
    }
    DM->fnAccDatDisConnected(m_workFolder, 1, 0);
    m_info->ReadDataIni(m_workFolder, m_workInfo);
}

void TGassanDataCtl::WriteGassanSettings(qint32 kind, qint32 count) {
    if (m_dataPath.isEmpty())
        return;
    if (!DM->fnAccDatConnected(SystemDef.HOSTNAME, m_dataPath, 0))
        throw std::runtime_error("合算データの設定を書き込めません。");
    struct Disconnect {
        QString folder;
        ~Disconnect() { DM->fnAccDatDisConnected(folder, 1, 1); }
    } disconnect{m_dataPath};
    if (kind == 0 || kind == 10)
        count = 0;
    PutAccReg(kGroup, kKindKey, kInteger, kind);
    PutAccReg(kGroup, kCountKey, kInteger, count);
}

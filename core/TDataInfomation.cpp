#include "core/TDataInfomation.h"

#include "core/DataModule.h"
#include "core/DateTimeFormat.h"
#include "core/TSitenList.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

const QString TDataInfomation::SectionStatus = QStringLiteral("DATASTS");
const QString TDataInfomation::SectionInfo = QStringLiteral("DATAINFO");

namespace {

// Firebird's "dynamic SQL error": a column an older dataset lacks. The caller decides what it means.
constexpr qint64 IscDsqlError = 335544569;

const QString kGetInfoFailed = QStringLiteral("基本情報の取得に失敗しました。\r(iniファイル)");
const QString kUpdateFailed = QStringLiteral("データ情報の更新に失敗しました。");
const QString kLockReadFailed = QStringLiteral("ロック情報の取得に失敗しました。");
const QString kSharedFolderGone = QStringLiteral(
    "共有サーバー上のデータ領域が削除された可能性があります。\r現在の領域設定情報でデータ領域を作成します。");
const QString kSharedDamaged =
    QStringLiteral("共有サーバー上のデータが破損しているため、共有データの取得を中止します。\r"
                   "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。");
const QString kSharedUnreachable =
    QStringLiteral("共有サーバーが起動していない、接続が切断されている \r"
                   "または 共有サーバー上のデータ領域が削除された可能性があります。\r処理を中止します。");
const QString kFolderCreateFailed = QStringLiteral("\"%1\"の作成に失敗しました。");
const QString kBasicGroup = QStringLiteral("基本設定");

QString dateText(const fb::Field& field) {
    const TDateTime d(field.asDayCount());
    return d.isNull() ? QString() : FormatDateTime(QStringLiteral("yyyy/mm/dd"), d);
}

QString versionText(const TDataInfomationRec& rec) {
    return QStringLiteral("%1.%2.%3").arg(rec.MAJOR).arg(rec.MINOR1).arg(rec.MINOR2);
}

int toInt(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : 0;
}

// The ini keys of both sections and the record field each mirrors.
struct IniKey {
    const char* name;
    std::function<void(TDataInfomationRec&, const QString&)> read;
};

const std::vector<IniKey>& iniKeys() {
    static const std::vector<IniKey> keys = {
        {"STATUS", [](auto& r, const QString& v) { r.STATUS = quint8(toInt(v)); }},
        {"OPCODE", [](auto& r, const QString& v) { r.OPCODE = toInt(v); }},
        {"OPERATOR", [](auto& r, const QString& v) { r.OPERATOR = v; }},
        {"SHARE_STATUS", [](auto& r, const QString& v) { r.SHARE_STATUS = quint8(toInt(v)); }},
        {"SHARE_OPCODE", [](auto& r, const QString& v) { r.SHARE_OPCODE = toInt(v); }},
        {"SHARE_OPERATOR", [](auto& r, const QString& v) { r.SHARE_OPERATOR = v; }},
        {"UPDATE_LOCK", [](auto& r, const QString& v) { r.UPDATE_LOCK = toInt(v); }},
        {"READ_ONLY", [](auto& r, const QString& v) { r.READ_ONLY = toInt(v); }},
        {"DATALISTNAME", [](auto& r, const QString& v) { r.DATALISTNAME = v; }},
        {"CODE", [](auto& r, const QString& v) { r.CODE = v; }},
        {"DATAKBN", [](auto& r, const QString& v) { r.DATAKBN = toInt(v); }},
        {"CODEKBN", [](auto& r, const QString& v) { r.CODEKBN = toInt(v); }},
        {"SHOUGOU", [](auto& r, const QString& v) { r.SHOUGOU = v; }},
        {"KANA", [](auto& r, const QString& v) { r.KANA = v; }},
        {"NENDO", [](auto& r, const QString& v) { r.NENDO = toInt(v); }},
        {"KISHU", [](auto& r, const QString& v) { r.KISHU = v; }},
        {"KIMATU", [](auto& r, const QString& v) { r.KIMATU = v; }},
        {"TANTO", [](auto& r, const QString& v) { r.TANTO = toInt(v); }},
        {"SITEN", [](auto& r, const QString& v) { r.SITEN = toInt(v); }},
        {"SITENCNT", [](auto& r, const QString& v) { r.SITENCNT = toInt(v); }},
        {"BUMON", [](auto& r, const QString& v) { r.BUMON = toInt(v); }},
        {"BUMONCNT", [](auto& r, const QString& v) { r.BUMONCNT = toInt(v); }},
        {"SIWAKE", [](auto& r, const QString& v) { r.SIWAKE = toInt(v); }},
        {"TOTALSIWAKE", [](auto& r, const QString& v) { r.TOTALSIWAKE = toInt(v); }},
        {"VERSION1",
         [](auto& r, const QString& v) {
             const QStringList parts = v.split(u'.');
             r.MAJOR = parts.size() > 0 ? toInt(parts[0]) : 0;
             r.MINOR1 = parts.size() > 1 ? toInt(parts[1]) : 0;
             r.MINOR2 = parts.size() > 2 ? toInt(parts[2]) : 0;
         }},
        {"VERSION2", [](auto& r, const QString& v) { r.VERSION2 = v; }},
        {"GASSANKBN", [](auto& r, const QString& v) { r.GASSANKBN = quint8(toInt(v)); }},
        {"USEMYNUMBER", [](auto& r, const QString& v) { r.USEMYNUMBER = toInt(v); }},
        {"CLOUD_SHARE", [](auto& r, const QString& v) { r.CLOUD_SHARE = quint8(toInt(v)); }},
    };
    return keys;
}

void saveOrThrow(const IniFile& ini) {
    QString why;
    if (!ini.save(&why))
        throw std::runtime_error(
            QStringLiteral("%1 に書き込めません。\r%2").arg(ini.fileName(), why).toStdString());
}

void showInfo(const QString& text) {
    ui::showMessage(ui::MsgKind::Information, text);
}

} // namespace

TDataInfomation::TDataInfomation() {
    VersionList.Execute(0);
    InitDataInfoRec(Rec);
}

QString TDataInfomation::IniPath(const QString& folder) {
    return ExcludePathDelim(folder) + u'/' + QFileInfo(DataFileName).completeBaseName() +
           QStringLiteral(".ini");
}

void TDataInfomation::InitDataInfoRec(TDataInfomationRec& rec) const {
    rec = TDataInfomationRec();
}

bool TDataInfomation::iniWritable(const QString& folder) const {
    return !folder.isEmpty() && ConnectMode != 1 && ConnectMode != 2;
}

bool TDataInfomation::databaseExists(const QString& folder) {
    return DM->ServerFExist(ExcludePathDelim(folder) + u'/' + DataFileName, ConnectMode);
}

qint32 TDataInfomation::GetDataInfoRec(TDataInfomationRec& rec) {
    InitDataInfoRec(rec);
    fb::Database& db = DM->IBDatabaseDAT;
    bool connectedHere = false;
    std::unique_ptr<OwnTransaction> own;
    const auto commitOwn = [&own] {
        if (own) {
            try {
                own->commit();
            } catch (const fb::Error&) {
            }
        }
    };
    const auto disconnectOwn = [&] {
        if (connectedHere) {
            try {
                db.detach();
            } catch (const fb::Error&) {
            }
        }
    };
    try {
        if (!db.isConnected()) {
            db.attach();
            connectedHere = true;
        }
        own = std::make_unique<OwnTransaction>(DM->IBTransactionDAT);
        std::unique_ptr<fb::Query> q = CreateAccQuery(QStringLiteral("ACCDAT"), false);
        q->setSql(QStringList{
            QStringLiteral("SELECT ENTTEXT,DATATYPE,CODETYPE,SCODE1,SKANA,SHOUGOU,TANTOU,NENDO,KISHU,KIMATU,"
                           "SITEN,BUMON,DATALOCK"),
            QStringLiteral("FROM ACCDEF1"), QStringLiteral("WHERE REC=1")});
        q->open();
        if (!q->eof()) {
            rec.DATALISTNAME = q->field("ENTTEXT").asString();
            rec.CODE = q->field("SCODE1").asString();
            rec.DATAKBN = q->field("DATATYPE").asInt();
            rec.CODEKBN = q->field("CODETYPE").asInt();
            rec.SHOUGOU = q->field("SHOUGOU").asString();
            rec.KANA = q->field("SKANA").asString();
            rec.NENDO = q->field("NENDO").asInt();
            rec.KISHU = dateText(q->field("KISHU"));
            rec.KIMATU = dateText(q->field("KIMATU"));
            rec.TANTO = q->field("TANTOU").asInt();
            rec.SITEN = q->field("SITEN").asInt();
            rec.BUMON = q->field("BUMON").asInt();
            rec.UPDATE_LOCK = q->field("DATALOCK").asInt();
        }
        q->close();

        rec.GASSANKBN = quint8(
            GetAccReg(kBasicGroup, QStringLiteral("合算データ区分"), typeword::Integer, QStringLiteral("0"))
                .toInt());

        q->setSql(QStringList{QStringLiteral("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION"),
                              QStringLiteral("WHERE REC=1"), QStringLiteral("ORDER BY MAJOR,MINOR1,MINOR2")});
        q->open();
        if (!q->eof()) {
            rec.MAJOR = q->field("MAJOR").asInt();
            rec.MINOR1 = q->field("MINOR1").asInt();
            rec.MINOR2 = q->field("MINOR2").asInt();
            rec.VERSION2 = GetDataVersionLabel(rec.MAJOR, rec.MINOR1);
        }
        q->close();

        if (rec.SITEN > 0) {
            q->setSql(QStringList{QStringLiteral("SELECT COUNT(SCODE) AS RECCNT FROM SISETUMST"),
                                  QStringLiteral("WHERE SCODE <> ''")});
            rec.SITENCNT = q->openInt("RECCNT");
        }
        if (rec.BUMON > 0) {
            q->setSql(QStringList{QStringLiteral("SELECT COUNT(BCODE) AS RECCNT FROM BUMONMST"),
                                  QStringLiteral("WHERE BCODE <> ''")});
            rec.BUMONCNT = q->openInt("RECCNT");
        }

        rec.SIWAKE = DM->GetYukouSiwakeCount(QString());
        rec.TOTALSIWAKE = DM->GetSiwakeTotalCount(QString());
        rec.USEMYNUMBER =
            GetAccReg(kBasicGroup, QStringLiteral("＃USE"), typeword::Integer, QStringLiteral("0")).toInt();

        const QString version = versionText(rec);
        if (DM->IsCloudShareEnabled(0) && IsVersionNewer(version, QStringLiteral("11.0.0"))) {
            q->setSql(QStringList{QStringLiteral("SELECT CLOUD_LINE"), QStringLiteral("FROM ACCDEF1"),
                                  QStringLiteral("WHERE REC=1")});
            q->open();
            rec.CLOUD_SHARE = !q->eof() && q->field("CLOUD_LINE").asInt() > 0 ? 1 : 0;
            q->close();
        }
        if (IsVersionAtLeast(version, QStringLiteral("12.0.0"))) {
            q->setSql(QStringList{QStringLiteral("SELECT READ_ONLY"), QStringLiteral("FROM ACCDEF1"),
                                  QStringLiteral("WHERE REC=1")});
            q->open();
            rec.READ_ONLY = q->eof() ? 0 : q->field("READ_ONLY").asInt();
            q->close();
        }
        q.reset();
        own->commit();
        return 1;
    } catch (const fb::Error& e) {
        commitOwn();
        disconnectOwn();
        if (e.statusCode() == IscDsqlError)
            throw;
        ErrFbAccess(e, QStringLiteral("TDataInfomation.GetDataInfoRec"), kGetInfoFailed);
    } catch (const std::exception&) {
        commitOwn();
        disconnectOwn();
        ShowErrDetail(kGetInfoFailed, QString(), ui::MsgKind::Error);
    }
    return 0;
}

qint32 TDataInfomation::GetDataInfoRecOfFolder(const QString& folder, TDataInfomationRec& rec) {
    InitDataInfoRec(rec);
    if (!databaseExists(folder))
        return 0;
    qint32 result = 0;
    if (DM->fnAccDatConnected(SystemDef.HOSTNAME, folder, 0))
        result = GetDataInfoRec(rec);
    DM->fnAccDatDisConnected(folder, 0, 0);
    return result;
}

void TDataInfomation::UpdateDataInfomation(const QString& host, const QString& folder,
                                           TDataInfomationRec& rec) {
    if (!DM->fnAccDatConnected(host, folder, 0)) {
        DM->fnAccDatDisConnected(folder, 0, 0);
        return;
    }
    std::unique_ptr<OwnTransaction> own;
    try {
        own = std::make_unique<OwnTransaction>(DM->IBTransactionDAT);
        std::unique_ptr<fb::Query> q = CreateAccQuery(QStringLiteral("ACCDAT"), false);
        if (rec.DATALISTNAME.trimmed().isEmpty()) {
            q->setSql(QStringLiteral("SELECT ENTTEXT FROM ACCDEF1 WHERE REC=1"));
            q->open();
            if (!q->eof())
                rec.DATALISTNAME = q->field("ENTTEXT").asString();
            q->close();
        }
        rec.DATALISTNAME = TrimZenkaku(LeftStrB(rec.DATALISTNAME, 40));
        q->setSql(QStringLiteral("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION WHERE REC=1"));
        q->open();
        if (!q->eof()) {
            rec.MAJOR = q->field("MAJOR").asInt();
            rec.MINOR1 = q->field("MINOR1").asInt();
            rec.MINOR2 = q->field("MINOR2").asInt();
        }
        q->close();
        const bool readOnly = IsVersionAtLeast(versionText(rec), QStringLiteral("12.0.0"));
        QStringList sql{QStringLiteral("UPDATE ACCDEF1 SET ENTTEXT=:ENTTEXT,DATALOCK=:DATALOCK")};
        if (readOnly)
            sql << QStringLiteral(",READ_ONLY=:READ_ONLY");
        sql << QStringLiteral("WHERE REC=1");
        q->setSql(sql);
        q->setString("ENTTEXT", rec.DATALISTNAME);
        q->setInt("DATALOCK", rec.UPDATE_LOCK);
        if (readOnly)
            q->setInt("READ_ONLY", rec.READ_ONLY);
        q->execute();
        q.reset();
        own->commit();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.UpdateDataInfomation"), kUpdateFailed);
    } catch (const std::exception& e) {
        ShowErrDetail(kUpdateFailed, QString::fromUtf8(e.what()), ui::MsgKind::Error);
    }
    if (own) {
        try {
            own->commit();
        } catch (const fb::Error&) {
        }
    }
    DM->fnAccDatDisConnected(folder, 0, 0);
}

qint32 TDataInfomation::ReadDataIni(const QString& folder, TDataInfomationRec& rec) {
    return ReadIniFile(SystemDef.HOSTNAME, folder, rec);
}

qint32 TDataInfomation::ReadIniFile(const QString& host, const QString& folder, TDataInfomationRec& rec) {
    InitDataInfoRec(rec);
    if (folder.isEmpty())
        return 1;
    if (ConnectMode == 0) {
        const QString iniPath = IniPath(folder);
        const bool hasIni = QFileInfo(iniPath).isFile();
        const bool hasDatabase = QFileInfo(ExcludePathDelim(folder) + u'/' + DataFileName).isFile();
        if (!hasIni && !hasDatabase)
            return 0;
        if (hasDatabase && !hasIni && GetUNCPath(folder) == folder) {
            // Connecting marked and disconnecting freed writes the whole ini.
            if (!DM->fnAccDatConnected(host, folder, 1)) {
                rec.STATUS = 0;
                return 1;
            }
            DM->fnAccDatDisConnected(folder, 1, 0);
        }
        const IniFile ini(iniPath);
        for (const QString& section : {SectionStatus, SectionInfo}) {
            for (const auto& [key, value] : ini.sectionValues(section)) {
                for (const IniKey& k : iniKeys()) {
                    if (key.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0) {
                        k.read(rec, value);
                        break;
                    }
                }
            }
        }
        if (rec.DATALISTNAME.isEmpty())
            rec.DATALISTNAME = rec.SHOUGOU;
        return 1;
    }
    if (ConnectMode != 1 && ConnectMode != 2)
        return 1;

    const QString table = DataListTableOfFolder(folder);
    const bool systemConnectedHere = !DM->IBDatabaseDEF.isConnected();
    if (systemConnectedHere)
        DM->fnAccDefConnected(host, 1);
    bool locked = false;
    if (DM->IBDatabaseDEF.isConnected()) {
        std::unique_ptr<OwnTransaction> own;
        try {
            own = std::make_unique<OwnTransaction>(DM->IBTransactionDEF);
            std::unique_ptr<fb::Query> q = CreateAccQuery(QStringLiteral("ACCDEF"), false);
            q->setSql(QStringList{
                QStringLiteral("SELECT D.DATALOCK,O.OPCODE,O.OPNAME,"),
                QStringLiteral(
                    "D.ENTTEXT,D.DATACODE,D.DATATYPE,D.CODETYPE,D.SHOUGOU,D.NENDO,D.KISHU,D.KIMATU,"
                    "D.TANTOU,D.UPDATE_LOCK,D.VER_TEXT"),
                QStringLiteral(",D.VER_MAJOR,D.VER_MINOR1,D.VER_MINOR2"), QStringLiteral(",D.CLOUD"),
                QStringLiteral(",D.READ_ONLY"), QStringLiteral("FROM ") + table + QStringLiteral(" D"),
                QStringLiteral("LEFT JOIN OPERATOR O ON(D.GROUPID=O.GROUPID AND D.DATALOCK=O.OPCODE)"),
                QStringLiteral(
                    "WHERE (D.DATALOCK<>0)AND(UPPER(D.PASNAME)=:PASNAME)AND(D.GROUPID=:GROUPID)")});
            q->setString("PASNAME", folder.toUpper());
            q->setInt("GROUPID", SystemDef.GROUPID);
            for (q->open(); !q->eof(); q->next()) {
                locked = true;
                rec.STATUS = 3;
                rec.OPCODE = q->field("OPCODE").asInt() + SystemDef.GROUPID * 10000;
                rec.OPERATOR = q->field("OPNAME").asString();
                rec.DATALISTNAME = q->field("ENTTEXT").asString();
                rec.CODE = q->field("DATACODE").asString();
                rec.DATAKBN = q->field("DATATYPE").asInt();
                rec.CODEKBN = q->field("CODETYPE").asInt();
                rec.SHOUGOU = q->field("SHOUGOU").asString();
                rec.NENDO = q->field("NENDO").asInt();
                rec.KISHU = dateText(q->field("KISHU"));
                rec.KIMATU = dateText(q->field("KIMATU"));
                rec.TANTO = q->field("TANTOU").asInt();
                rec.UPDATE_LOCK = q->field("UPDATE_LOCK").asInt();
                rec.MAJOR = q->field("VER_MAJOR").asInt();
                rec.MINOR1 = q->field("VER_MINOR1").asInt();
                rec.MINOR2 = q->field("VER_MINOR2").asInt();
                rec.VERSION2 = q->field("VER_TEXT").asString();
                rec.CLOUD_SHARE = quint8(q->field("CLOUD").asInt());
                rec.READ_ONLY = q->field("READ_ONLY").asInt();
            }
            q.reset();
            own->commit();
        } catch (const fb::Error& e) {
            ErrFbAccess(e, QStringLiteral("TDataInfomation.ReadIniFile"), kLockReadFailed);
            locked = false;
        } catch (const std::exception&) {
            locked = false;
        }
        if (own) {
            try {
                own->commit();
            } catch (const fb::Error&) {
            }
        }
        if (!locked)
            InitDataInfoRec(rec);
    }
    const auto disconnectSystem = [&] {
        if (systemConnectedHere) {
            try {
                DM->IBDatabaseDEF.detach();
            } catch (const fb::Error&) {
            }
        }
    };
    if (locked) {
        disconnectSystem();
        return 0;
    }
    if (DM->fnAccDatConnected(host, folder, 0)) {
        GetDataInfoRec(rec);
        DM->fnAccDatDisConnected(folder, 0, 0);
        rec.STATUS = DM->AccDatInConnection(1, host, false, folder) ? 2 : 1;
    } else {
        rec.STATUS = 0;
    }
    disconnectSystem();
    return 1;
}

void TDataInfomation::WriteIniFile(const QString& folder, const QString& section,
                                   const TDataInfomationRec& rec) {
    Rec = rec;
    if (!iniWritable(folder))
        return;
    IniFile ini(IniPath(folder), false);
    if (section.isEmpty() || section == SectionStatus) {
        ini.eraseSection(SectionStatus);
        ini.writeInteger(SectionStatus, QStringLiteral("STATUS"), rec.STATUS);
        if (rec.OPCODE != 0) {
            ini.writeInteger(SectionStatus, QStringLiteral("OPCODE"), rec.OPCODE);
            ini.writeString(SectionStatus, QStringLiteral("OPERATOR"), rec.OPERATOR);
        }
        ini.writeInteger(SectionStatus, QStringLiteral("SHARE_STATUS"), rec.SHARE_STATUS);
        if (rec.SHARE_OPCODE != 0) {
            ini.writeInteger(SectionStatus, QStringLiteral("SHARE_OPCODE"), rec.SHARE_OPCODE);
            ini.writeString(SectionStatus, QStringLiteral("SHARE_OPERATOR"), rec.SHARE_OPERATOR);
        }
        ini.writeInteger(SectionStatus, QStringLiteral("UPDATE_LOCK"), rec.UPDATE_LOCK);
        ini.writeInteger(SectionStatus, QStringLiteral("READ_ONLY"), rec.READ_ONLY);
    }
    if (section.isEmpty() || section == SectionInfo) {
        const QString& s = SectionInfo;
        ini.eraseSection(s);
        ini.writeString(s, QStringLiteral("DATALISTNAME"), rec.DATALISTNAME);
        ini.writeString(s, QStringLiteral("CODE"), rec.CODE);
        ini.writeInteger(s, QStringLiteral("DATAKBN"), rec.DATAKBN);
        ini.writeInteger(s, QStringLiteral("CODEKBN"), rec.CODEKBN);
        ini.writeString(s, QStringLiteral("SHOUGOU"), rec.SHOUGOU);
        ini.writeString(s, QStringLiteral("KANA"), rec.KANA);
        ini.writeInteger(s, QStringLiteral("NENDO"), rec.NENDO);
        ini.writeString(s, QStringLiteral("KISHU"), rec.KISHU);
        ini.writeString(s, QStringLiteral("KIMATU"), rec.KIMATU);
        ini.writeInteger(s, QStringLiteral("TANTO"), rec.TANTO);
        ini.writeInteger(s, QStringLiteral("SITEN"), rec.SITEN);
        ini.writeInteger(s, QStringLiteral("SITENCNT"), rec.SITENCNT);
        ini.writeInteger(s, QStringLiteral("BUMON"), rec.BUMON);
        ini.writeInteger(s, QStringLiteral("BUMONCNT"), rec.BUMONCNT);
        ini.writeInteger(s, QStringLiteral("SIWAKE"), rec.SIWAKE);
        ini.writeInteger(s, QStringLiteral("TOTALSIWAKE"), rec.TOTALSIWAKE);
        ini.writeString(s, QStringLiteral("VERSION1"), versionText(rec));
        ini.writeString(s, QStringLiteral("VERSION2"), rec.VERSION2);
        ini.writeInteger(s, QStringLiteral("GASSANKBN"), rec.GASSANKBN);
        ini.writeInteger(s, QStringLiteral("USEMYNUMBER"), rec.USEMYNUMBER);
        ini.writeInteger(s, QStringLiteral("CLOUD_SHARE"), rec.CLOUD_SHARE);
    }
    saveOrThrow(ini);
}

void TDataInfomation::WriteIniValue(const QString& folder, const QString& section, bool erase,
                                    const QString& value, const QString& key) {
    if (!iniWritable(folder))
        return;
    IniFile ini(IniPath(folder), false);
    if (erase)
        ini.deleteKey(section, key);
    else
        ini.writeString(section, key, value);
    saveOrThrow(ini);
    // Another process may read the file right away; give its reader a moment between the writes.
    QThread::msleep(10);
}

void TDataInfomation::RefreshIniFile(const QString& folder, const QString& section) {
    if (!iniWritable(folder))
        return;
    if (!section.isEmpty()) {
        InitDataInfoRec(Rec);
        if (section == SectionInfo) {
            TDataInfomationRec rec;
            if (DM->fnAccDatConnected(SystemDef.HOSTNAME, folder, 0))
                GetDataInfoRec(rec);
            DM->fnAccDatDisConnected(folder, 0, 0);
            Rec = rec;
        }
        WriteIniFile(folder, section, Rec);
        return;
    }
    if (GetUNCPath(folder) == folder) {
        if (DM->fnAccDatConnected(SystemDef.HOSTNAME, folder, 1))
            DM->fnAccDatDisConnected(folder, 1, 0);
    }
}

void TDataInfomation::writeStatus(const QString& folder, const QString& prefix, int status) {
    if (!iniWritable(folder))
        return;
    const QString opcodeKey = prefix + QStringLiteral("OPCODE");
    const QString operatorKey = prefix + QStringLiteral("OPERATOR");
    WriteIniValue(folder, SectionStatus, false, QString::number(status), prefix + QStringLiteral("STATUS"));
    // The operator stands beside a status only while it is set.
    const bool erase = status == 1;
    WriteIniValue(folder, SectionStatus, erase, QString::number(SystemDef.OPCODE), opcodeKey);
    WriteIniValue(folder, SectionStatus, erase, SystemDef.OperatorName, operatorKey);
}

void TDataInfomation::SetDataStatus(const QString& folder, int status) {
    writeStatus(folder, QString(), status);
}

void TDataInfomation::SetShareStatus(const QString& folder, int status) {
    writeStatus(folder, QStringLiteral("SHARE_"), status);
}

bool TDataInfomation::SetShareStatusIfChanged(const QString& folder, int status) {
    ReadDataIni(folder, Rec);
    if ((status == 2 && Rec.SHARE_STATUS != 2) || (status == 1 && Rec.SHARE_STATUS != 1)) {
        SetShareStatus(folder, status);
        return true;
    }
    return false;
}

bool TDataInfomation::IsShareHeldByOther(const QString& folder) {
    ReadDataIni(folder, Rec);
    return Rec.SHARE_STATUS == 2 && Rec.SHARE_OPCODE != 0 && Rec.SHARE_OPCODE != SystemDef.OPCODE;
}

bool TDataInfomation::ReleaseOwnShareHold(const QString& folder) {
    if (folder.isEmpty() || IsShareHeldByOther(folder))
        return false;
    try {
        return SetShareStatusIfChanged(folder, 1);
    } catch (const std::exception&) {
        return false;
    }
}

qint32 TDataInfomation::SendShareData(const QString& sharedFolder, const QString& localFolder, int quiet) {
    if (sharedFolder.isEmpty() || localFolder.isEmpty())
        return 0;
    // Another operator's copy is the one being worked on: this one must not overwrite it.
    if (IsShareHeldByOther(sharedFolder))
        return -1;
    SetShareStatusIfChanged(sharedFolder, 1);
    SetShareStatus(localFolder, 1);
    try {
        SetDataStatus(sharedFolder, 7);
    } catch (const std::exception&) {
        if (quiet != 1)
            showInfo(kSharedFolderGone);
    }
    const QString pattern = ExcludePathDelim(localFolder) + u'/' +
                            QFileInfo(DataFileName).completeBaseName() + QStringLiteral(".*");
    if (ShellFolderCopyMove(pattern, sharedFolder, FO_COPY)) {
        SetDataStatus(localFolder, 1);
        SetDataStatus(sharedFolder, 1);
        return 1;
    }
    SetDataStatus(localFolder, 1);
    SetDataStatus(sharedFolder, 1);
    SetShareStatus(localFolder, 2);
    SetShareStatusIfChanged(sharedFolder, 2);
    return 0;
}

qint32 TDataInfomation::ReceiveShareData(const QString& sharedFolder, const QString& localFolder, int quiet) {
    if (sharedFolder.isEmpty() || localFolder.isEmpty())
        return 0;
    if (!ForceFolder(localFolder)) {
        if (quiet != 1)
            ui::showMessage(ui::MsgKind::Warning, kFolderCreateFailed.arg(localFolder), ui::mbYes);
        return 0;
    }
    const auto fail = [quiet](const QString& message) {
        if (quiet != 1)
            throw std::runtime_error(message.toStdString());
    };
    ReadDataIni(sharedFolder, Rec);
    if (Rec.STATUS == 10) {
        fail(kSharedDamaged);
        return -1;
    }
    const bool sharedExists = QFileInfo(sharedFolder).isDir();
    if (Rec.SHARE_STATUS == 2) {
        // Taken out already: the local copy may hold work not yet handed back, so nothing is copied
        // over it.
        if (!sharedExists)
            fail(kSharedUnreachable);
        return -1;
    }
    if (!sharedExists) {
        fail(kSharedUnreachable);
        return 0;
    }
    SetDataStatus(sharedFolder, 7);
    const QString pattern = ExcludePathDelim(sharedFolder) + u'/' +
                            QFileInfo(DataFileName).completeBaseName() + QStringLiteral(".*");
    const qint32 result = ShellFolderCopyMove(pattern, localFolder, FO_COPY) ? 1 : 0;
    WaitMSec(300);
    SetDataStatus(localFolder, 1);
    SetDataStatus(sharedFolder, 1);
    // Only a dataset that really arrived counts as taken out; after a failed copy the shared data stays
    // free for everyone instead of being locked to a local copy that is not there.
    if (result == 1) {
        SetShareStatus(localFolder, 2);
        SetShareStatusIfChanged(sharedFolder, 2);
    }
    return result;
}

QString TDataInfomation::GetDataVersionLabel(qint32 major, qint32 minor) const {
    if (major == 0 && minor > 0)
        return QStringLiteral("評価版");
    const QString label = QStringLiteral("%1.%2").arg(major).arg(minor);
    for (qint32 i = 0; i < VersionList.Count; ++i) {
        QString text;
        VersionList.GetVersionText(i, text);
        if (text == label) {
            QString name;
            VersionList.GetName(i, name);
            // An edition registered without a display name keeps its number: a blank version column
            // tells the user nothing.
            return name.isEmpty() ? label : name;
        }
    }
    return label;
}

namespace {

const QString kNoRight =
    QStringLiteral("このデータを扱う権限がありません、他のデータを選択して下さい。\r"
                   "権限を付与するには管理者でログインし、「オペレータ登録」より[選択中のデー"
                   "タを処理します]にチェックを入れて下さい。");
const QString kWrongPassword = QStringLiteral(
    "このデータに設定されている「パスワード」と一致しませんでした。\r他のデータを選択して下さい。");
const QString kRightFailed = QStringLiteral("データ使用権限の問い合わせに失敗しました。");
const QString kPasswordFailed = QStringLiteral("データのパスワード認証に失敗しました。");

} // namespace

bool TDataInfomation::askOpenDataset(const QString& folder, const QString& context, const QString& message,
                                     const std::function<bool()>& question) {
    bool result = false;
    if (DM->fnAccDatConnected(SystemDef.HOSTNAME, folder, 0)) {
        std::unique_ptr<OwnTransaction> own;
        try {
            own = std::make_unique<OwnTransaction>(DM->IBTransactionDAT);
            result = question();
        } catch (const fb::Error& e) {
            result = false;
            // Inside a caller's transaction the caller reports.
            if (own && own->started())
                ErrFbAccess(e, context, message);
        } catch (const std::exception&) {
            result = false;
            if (own && own->started())
                ShowErrDetail(message, QString(), ui::MsgKind::Error);
        }
        if (own) {
            try {
                own->commit();
            } catch (const fb::Error&) {
            }
        }
    }
    DM->fnAccDatDisConnected(folder, 0, 0);
    return result;
}

bool TDataInfomation::IsDataSiyouKengen(const QString& folder) {
    if (folder.isEmpty())
        return false;
    if (!databaseExists(folder) || DM->IsAllSisetuOperator())
        return true;
    return askOpenDataset(folder, QStringLiteral("TDataInfomation.IsDataSiyouKengen"), kRightFailed, [] {
        bool permitted = DM->fnGetExistsOpeDefSisetu();
        if (permitted) {
            DM->fnGetAccInfo();
            TSitenList list;
            list.SetTransaction(DM->IBTransactionDAT);
            list.Kinds = TSitenList::KindSites;
            list.Load(-1);
            const qint32 all = list.Count;
            list.Load(SystemDef.OPCODE);
            permitted = all == list.Count;
        }
        if (!permitted)
            ui::showMessage(ui::MsgKind::Information, kNoRight);
        return permitted;
    });
}

bool TDataInfomation::IsDataPasswordAuth(const QString& folder) {
    if (folder.isEmpty())
        return false;
    if (!databaseExists(folder))
        return true;
    return askOpenDataset(folder, QStringLiteral("TDataInfomation.IsDataPasswordAuth"), kPasswordFailed, [] {
        if (!DM->fnGetAccInfo())
            return false;
        const bool known = DM->CheckDataPassword();
        if (!known)
            ui::showMessage(ui::MsgKind::Information, kWrongPassword);
        return known;
    });
}

QString DataListTableOfFolder(const QString& folder) {
    return folder.toUpper().contains(QStringLiteral("/DATA/")) ? QStringLiteral("DATALIST")
                                                               : QStringLiteral("DATALIST_EX");
}

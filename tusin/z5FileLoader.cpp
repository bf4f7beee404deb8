#include "tusin/z5FileLoader.h"

#include "core/DataModule.h"
#include "core/FbValues.h"
#include "core/uAccFunction2.h"
#include "core/uAccRecord.h"
#include "platform/Cp932.h"
#include "platform/SafeSaveFile.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QDate>
#include <QDateTime>
#include <QFile>

const QString TBaseLoader::LabelKind = QStringLiteral("// ファイル種別: ");
const QString TBaseLoader::LabelVersion = QStringLiteral("// ファイルVer : ");
const QString TBaseLoader::LabelDataName = QStringLiteral("// データ名    : ");
const QString TBaseLoader::LabelDataType = QStringLiteral("// データ種別  : ");
const QString TBaseLoader::LabelDataVersion = QStringLiteral("// データVer   : ");
const QString TBaseLoader::LabelDate = QStringLiteral("// 作成日      : ");

TBaseLoader::TBaseLoader() {
    if (DM)
        m_transaction = &DM->IBTransactionDAT;
}

TBaseLoader::~TBaseLoader() = default;

void TBaseLoader::WriteHeader() {
    if (!FileKind.isEmpty())
        Lines << LabelKind + FileKind;
    if (!Version.isEmpty())
        Lines << LabelVersion + Version;
    Lines << LabelDataName + AccInf.SHOUGOU;
    QString type;
    switch (AccInf.DATATYPE) {
    case 1: type = QStringLiteral("法人"); break;
    case 2: type = QStringLiteral("個人"); break;
    case 3: type = QStringLiteral("医療法人"); break;
    default: type = QStringLiteral("不明"); break;
    }
    Lines << LabelDataType + type;
    Lines << LabelDataVersion;
    Lines << LabelDate + QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd"));
}

bool TBaseLoader::CheckHeader() {
    bool matches = false;
    QString fileVersion;
    for (const QString& line : std::as_const(Lines)) {
        if (line == LabelKind + FileKind)
            matches = true;
        const qsizetype at = line.indexOf(LabelVersion);
        if (at >= 0)
            fileVersion = line.mid(at + LabelVersion.size()).trimmed();
    }
    if (matches && VersionCheck && !fileVersion.isEmpty()) {
        const auto major = [](const QString& v) {
            const QStringList parts = v.split(u'.');
            return parts.size() == 2 ? parts[0].toInt() : 0;
        };
        if (major(Version) != major(fileVersion))
            matches = false;
    }
    return matches;
}

QString TBaseLoader::EscapeText(const QString& text, bool removeControls) {
    QString s = removeControls ? DeleteCtrlChars(text) : text;
    return s.replace(u'"', QStringLiteral("''"));
}

QString TBaseLoader::UnescapeText(const QString& text, bool removeControls) {
    QString s = removeControls ? DeleteCtrlChars(text) : text;
    return s.replace(QStringLiteral("''"), QStringLiteral("\""));
}

bool TBaseLoader::loadFile(const QString& fileName) {
    Lines.clear();
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QString text = cp932::decode(f.readAll());
    Lines = text.split(QStringLiteral("\r\n"));
    if (!Lines.isEmpty() && Lines.last().isEmpty())
        Lines.removeLast();
    for (QString& line : Lines)
        line.remove(u'\r');
    return true;
}

bool TBaseLoader::saveFile(const QString& fileName) const {
    QString text;
    for (const QString& line : Lines)
        text += line + QStringLiteral("\r\n");
    bool ok = false;
    const QByteArray bytes = cp932::encode(text, &ok);
    if (!ok)
        throw std::runtime_error("The dictionary holds a character that Shift_JIS cannot hold.");
    QString error;
    if (!SafeSaveFile::writeWhole(fileName, bytes, &error))
        throw std::runtime_error(error.toStdString());
    return true;
}

// ---- TJisyoLoader

struct TJisyoLoader::Dictionary {
    bool partner;
    QString sectionTable, entryTable;
};

namespace {

const TJisyoLoader::Dictionary* descriptions() {
    static const TJisyoLoader::Dictionary d{false, QStringLiteral("TEKDICTI"), QStringLiteral("TEKDIC")};
    return &d;
}

const TJisyoLoader::Dictionary* partners() {
    static const TJisyoLoader::Dictionary d{true, QStringLiteral("TORDICTI"), QStringLiteral("TORDIC")};
    return &d;
}

int toIntOr(const QString& text, int fallback) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : fallback;
}

} // namespace


TJisyoLoader::TJisyoLoader() {
    FileKind = QStringLiteral("摘要・取引先辞書設定");
    SetVersion(QStringLiteral("1.1"));
}

void TJisyoLoader::SetVersion(const QString& version) {
    Version = version;
    const bool userCodes = version == QLatin1String("1.1");
    SectionCode1 = QStringLiteral("200");
    EntryCode1 = userCodes ? QStringLiteral("202") : QStringLiteral("201");
    SectionCode2 = QStringLiteral("300");
    EntryCode2 = userCodes ? QStringLiteral("302") : QStringLiteral("301");
}

int TJisyoLoader::CountRecords() {
    try {
        int count = 0;
        for (const QString& line : std::as_const(Lines)) {
            if (line.startsWith(QLatin1String("//")))
                continue;
            Splitter.Separator = Separator;
            Splitter.Bunkatu(line);
            const QString code = Splitter.GetMoji(0).trimmed();
            if (code.isEmpty())
                continue;
            if ((Mode == 0 || Mode == 1) && (code == SectionCode1 || code == EntryCode1))
                ++count;
            else if ((Mode == 0 || Mode == 2) && (code == SectionCode2 || code == EntryCode2))
                ++count;
        }
        return count;
    } catch (...) {
        return 0;
    }
}

bool TJisyoLoader::Export(const QString& fileName) {
    Lines.clear();
    KamokuCache.clear();
    KamokuCacheScode = QStringLiteral("**");
    if (fileName.trimmed().isEmpty())
        return false;
    OwnTransaction own(*m_transaction);
    try {
        WriteHeader();
        if (Mode == 0 || Mode == 1)
            exportDictionary(*descriptions());
        if (Mode == 0 || Mode == 2)
            exportDictionary(*partners());
        own.commit();
    } catch (...) {
        own.commit();
        throw;
    }
    return saveFile(fileName);
}

void TJisyoLoader::exportDictionary(const Dictionary& d) {
    const QString sectionCode = d.partner ? SectionCode2 : SectionCode1;
    const QString entryCode = d.partner ? EntryCode2 : EntryCode1;
    const QString filter = AllFacilities ? QString() : QStringLiteral(" WHERE SCODE=:SCODE");

    fb::Query q(*m_transaction);
    q.setSql(QStringLiteral("SELECT CREC,SCODE,SORTCODE,TEXT,MOVEMENT FROM %1").arg(d.sectionTable) + filter +
             QStringLiteral(" ORDER BY SCODE,SORTCODE"));
    if (!AllFacilities)
        q.setString("SCODE", Scode);
    q.open();
    QString lastScode;
    int position = 0;
    bool first = true;
    while (!q.eof()) {
        const QString scode = q.field("SCODE").asString();
        if (first || scode != lastScode)
            position = 0;
        first = false;
        lastScode = scode;
        ++position;
        Lines << quoted(sectionCode) + number(q.field("CREC").asInt()) +
                     quoted(scode.isEmpty() ? QStringLiteral(" ") : scode) + number(position) +
                     quoted(EscapeText(q.field("TEXT").asString(), true)) + number(q.field("MOVEMENT").asInt());
        q.next();
    }
    q.close();

    const QString partnerText = d.partner ? QStringLiteral("T.TEKTEXT,") : QString();
    const QString haibun = d.partner ? QStringLiteral("0 AS HAIBUN") : QStringLiteral("T.HAIBUN");
    q.setSql(QStringLiteral("SELECT T.CREC,T.KANA,T.TEXT,%1T.SCODE,"
                            "T.KAR_KCODE,T.KAR_HCODE,T.KAR_BCODE,T.KAR_TAXCODE,K1.USERCODE AS KAR_UC_KCODE,"
                            "T.KAS_KCODE,T.KAS_HCODE,T.KAS_BCODE,T.KAS_TAXCODE,K2.USERCODE AS KAS_UC_KCODE,"
                            "T.WAITFLG,T.TAXOLD,T.TAXNUM,T.MOVEMENT,%2,T.RTIME FROM %3 T"
                            " INNER JOIN %4 H ON (H.CREC=T.CREC)"
                            " LEFT  JOIN KAMOKUMST K1 ON (T.KAR_KCODE=K1.KCODE)"
                            " LEFT  JOIN KAMOKUMST K2 ON (T.KAS_KCODE=K2.KCODE)")
                 .arg(partnerText, haibun, d.entryTable, d.sectionTable) +
             (AllFacilities ? QString() : QStringLiteral(" WHERE H.SCODE=:SCODE")) +
             QStringLiteral(" ORDER BY H.SCODE,H.SORTCODE,T.KANA"));
    if (!AllFacilities)
        q.setString("SCODE", Scode);
    const bool userCodes = entryCode == QLatin1String("202") || entryCode == QLatin1String("302");
    q.open();
    while (!q.eof()) {
        const QString scode = q.field("SCODE").asString();
        QString line = quoted(entryCode) + number(q.field("CREC").asInt()) +
                       quoted(scode.isEmpty() ? QStringLiteral(" ") : scode) + quoted(q.field("KANA").asString()) +
                       quoted(EscapeText(q.field("TEXT").asString(), true)) +
                       quoted(d.partner ? EscapeText(q.field("TEKTEXT").asString(), true) : QString());
        for (const char* side : {"KAR", "KAS"}) {
            const QString s = QString::fromLatin1(side);
            line += quoted(q.field(userCodes ? s + QStringLiteral("_UC_KCODE") : s + QStringLiteral("_KCODE")).asString());
            line += quoted(q.field(s + QStringLiteral("_HCODE")).asString());
            line += quoted(q.field(s + QStringLiteral("_BCODE")).asString());
            line += quoted(q.field(s + QStringLiteral("_TAXCODE")).asString());
        }
        for (const char* name : {"WAITFLG", "TAXOLD", "TAXNUM", "MOVEMENT", "HAIBUN"})
            line += number(q.field(name).asInt());
        const fb::Field rtime = q.field("RTIME");
        line += quoted(Mode == 0 && !rtime.isNull()
                           ? fb::asDateTime(rtime).toDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"))
                           : QString());
        Lines << line;
        q.next();
    }
}

bool TJisyoLoader::Import(const QString& fileName) {
    SectionMap.clear();
    KamokuCache.clear();
    KamokuCacheScode = QStringLiteral("**");
    if (fileName.trimmed().isEmpty())
        return false;
    if (!loadFile(fileName) || Lines.isEmpty() || !CheckHeader() || CountRecords() == 0)
        return false;
    OwnTransaction own(*m_transaction);
    try {
        Splitter.Separator = Separator;
        if (Mode == 0 || Mode == 1)
            importDictionary(*descriptions());
        if (Mode == 0 || Mode == 2)
            importDictionary(*partners());
        own.commit();
    } catch (...) {
        own.rollback();
        throw;
    }
    return true;
}

void TJisyoLoader::importDictionary(const Dictionary& d) {
    const QString sectionCode = d.partner ? SectionCode2 : SectionCode1;
    const QString entryCodeOld = d.partner ? QStringLiteral("301") : QStringLiteral("201");
    const QString entryCodeNew = d.partner ? QStringLiteral("302") : QStringLiteral("202");
    SectionMap.clear();

    fb::Query q(*m_transaction);
    fb::Query u(*m_transaction);
    q.setSql(QStringLiteral("DELETE FROM %1").arg(d.entryTable) +
             (AllFacilities ? QString() : QStringLiteral(" WHERE SCODE=:SCODE")));
    if (!AllFacilities)
        q.setString("SCODE", Scode);
    q.execute();
    if (AllFacilities) {
        q.setSql(QStringLiteral("UPDATE %1 SET TEXT=''").arg(d.sectionTable));
        q.execute();
    }

    // Existing sections are numbered 1, 2, ... within each facility.
    q.setSql(QStringLiteral("SELECT CREC,SCODE FROM %1").arg(d.sectionTable) +
             (AllFacilities ? QString() : QStringLiteral(" WHERE SCODE=:SCODE")) +
             QStringLiteral(" ORDER BY SCODE,SORTCODE"));
    if (!AllFacilities)
        q.setString("SCODE", Scode);
    u.setSql(QStringLiteral("UPDATE %1 SET SORTCODE=:SORTCODE WHERE CREC=:CREC").arg(d.sectionTable));
    q.open();
    {
        QString last;
        bool first = true;
        int n = 0;
        while (!q.eof()) {
            const QString scode = q.field("SCODE").asString();
            if (first || scode != last)
                n = 0;
            first = false;
            last = scode;
            u.setInt("SORTCODE", ++n);
            u.setInt("CREC", q.field("CREC").asInt());
            u.execute();
            q.next();
        }
    }
    q.close();

    fb::Query setText(*m_transaction, QStringLiteral("UPDATE %1 SET TEXT=:TEXT WHERE SCODE=:SCODE AND SORTCODE=:SORTCODE")
                                           .arg(d.sectionTable));
    fb::Query findSection(*m_transaction,
                          QStringLiteral("SELECT CREC FROM %1 WHERE SCODE=:SCODE AND SORTCODE=:SORTCODE").arg(d.sectionTable));
    fb::Query insert(*m_transaction);
    if (d.partner)
        insert.setSql(QStringLiteral(
            "INSERT INTO TORDIC(TEKCODE,CREC,KANA,MCODE,TEXT,TEKTEXT,SCODE,\"ROW\",COL,KAR_KCODE,KAR_HCODE,KAR_BCODE,"
            "KAR_TAXCODE,KAS_KCODE,KAS_HCODE,KAS_BCODE,KAS_TAXCODE,WAITFLG,TAXOLD,TAXNUM,MOVEMENT,RTIME)"
            " VALUES(:TEKCODE,:CREC,:KANA,0,:TEXT,:TEKTEXT,:SCODE,0,0,:KAR_KCODE,:KAR_HCODE,:KAR_BCODE,"
            ":KAR_TAXCODE,:KAS_KCODE,:KAS_HCODE,:KAS_BCODE,:KAS_TAXCODE,:WAITFLG,:TAXOLD,:TAXNUM,:MOVEMENT,:RTIME)"));
    else
        insert.setSql(QStringLiteral(
            "INSERT INTO TEKDIC(TEKCODE,CREC,KANA,FNUM,TEXT,SCODE,\"ROW\",COL,KAR_KCODE,KAR_HCODE,KAR_BCODE,"
            "KAR_TAXCODE,KAS_KCODE,KAS_HCODE,KAS_BCODE,KAS_TAXCODE,WAITFLG,TAXOLD,TAXNUM,MOVEMENT,HAIBUN,RTIME)"
            " VALUES(:TEKCODE,:CREC,:KANA,0,:TEXT,:SCODE,0,0,:KAR_KCODE,:KAR_HCODE,:KAR_BCODE,"
            ":KAR_TAXCODE,:KAS_KCODE,:KAS_HCODE,:KAS_BCODE,:KAS_TAXCODE,:WAITFLG,:TAXOLD,:TAXNUM,:MOVEMENT,:HAIBUN,"
            ":RTIME)"));

    QString lastSectionScode;
    bool firstSection = true;
    int counter = 0;
    for (const QString& line : std::as_const(Lines)) {
        if (line.startsWith(QLatin1String("//")))
            continue;
        Splitter.Bunkatu(line);
        const QString code = Splitter.GetMoji(0).trimmed();
        QString scode = AllFacilities ? Splitter.GetMoji(2) : Scode;
        if (AllFacilities && scode.isEmpty())
            scode = QStringLiteral(" ");
        if (code == sectionCode) {
            if (firstSection || scode != lastSectionScode)
                counter = 1;
            firstSection = false;
            lastSectionScode = scode;
            setText.setString("TEXT", UnescapeText(Splitter.GetMoji(4), true));
            setText.setString("SCODE", scode);
            setText.setInt("SORTCODE", counter);
            setText.execute();
            findSection.setString("SCODE", scode);
            findSection.setInt("SORTCODE", counter);
            findSection.open();
            const int crec = findSection.eof() ? 0 : findSection.field("CREC").asInt();
            findSection.close();
            SectionMap << QStringLiteral("%1-%2=%3").arg(Splitter.GetMoji(1), scode).arg(crec);
            ++counter;
        } else if (code == entryCodeOld || code == entryCodeNew) {
            const QString key = Splitter.GetMoji(1) + u'-' + scode;
            int crec = 0;
            for (const QString& m : std::as_const(SectionMap))
                if (m.section(u'=', 0, 0) == key) {
                    crec = m.section(u'=', 1).toInt();
                    break;
                }
            if (crec < 1)
                continue;
            loadKamokuCache(scode);
            insert.setInt("TEKCODE", 0);
            insert.setInt("CREC", crec);
            insert.setString("KANA", Splitter.GetMoji(3));
            insert.setString("TEXT", UnescapeText(Splitter.GetMoji(4), true));
            if (d.partner)
                insert.setString("TEKTEXT", UnescapeText(Splitter.GetMoji(5), true));
            insert.setString("SCODE", scode);
            int field = 6;
            for (const char* side : {"KAR", "KAS"}) {
                const QString s = QString::fromLatin1(side);
                QString k = Splitter.GetMoji(field), h = Splitter.GetMoji(field + 1), b = Splitter.GetMoji(field + 2);
                resolveAccount(code, k, h, b);
                const auto bindCode = [&](const QString& name, const QString& value) {
                    if (value.isEmpty())
                        insert.setNull(name);
                    else
                        insert.setString(name, value);
                };
                bindCode(s + QStringLiteral("_KCODE"), k);
                bindCode(s + QStringLiteral("_HCODE"), h);
                bindCode(s + QStringLiteral("_BCODE"), b);
                insert.setInt(s + QStringLiteral("_TAXCODE"), toIntOr(Splitter.GetMoji(field + 3), 910));
                field += 4;
            }
            insert.setInt("WAITFLG", toIntOr(Splitter.GetMoji(14), 0));
            insert.setInt("TAXOLD", toIntOr(Splitter.GetMoji(15), 0));
            insert.setInt("TAXNUM", toIntOr(Splitter.GetMoji(16), 0));
            insert.setInt("MOVEMENT", toIntOr(Splitter.GetMoji(17), 0));
            if (!d.partner)
                insert.setInt("HAIBUN", toIntOr(Splitter.GetMoji(18), 0));
            const QString rtime = Splitter.GetMoji(19).trimmed();
            if (rtime.isEmpty()) {
                insert.setNull("RTIME");
            } else {
                QDateTime t = QDateTime::fromString(rtime, QStringLiteral("yyyy/MM/dd hh:mm:ss"));
                fb::setDateTime(insert, "RTIME", t.isValid() ? TDateTime::fromDateTime(t) : TDateTime::now());
            }
            insert.execute();
        }
    }
}

void TJisyoLoader::loadKamokuCache(const QString& scode) {
    if (scode == KamokuCacheScode)
        return;
    KamokuCache.clear();
    KamokuCacheScode = scode;
    fb::Query q(*m_transaction, QStringLiteral("SELECT COUNT(KCODE) AS RECCNT FROM KAMOKU_VIEW WHERE SCODE=:SCODE"));
    q.setString("SCODE", scode);
    if (q.openInt("RECCNT") <= 0)
        return;
    q.setSql(QStringLiteral("SELECT KCODE,USERCODE,HCODE,BCODE FROM KAMOKU_VIEW WHERE SCODE=:SCODE") +
             (Version == QLatin1String("1.1") ? QStringLiteral(" ORDER BY USERCODE,HCODE,BCODE")
                                              : QStringLiteral(" ORDER BY KCODE,HCODE,BCODE")));
    q.setString("SCODE", scode);
    q.open();
    while (!q.eof()) {
        KamokuCache.push_back({q.field("KCODE").asString(), q.field("USERCODE").asString(),
                               q.field("HCODE").asString(), q.field("BCODE").asString(), 0, 0});
        q.next();
    }
}

void TJisyoLoader::resolveAccount(const QString& entryCode, QString& kcode, QString& hcode, QString& bcode) const {
    if (kcode.isEmpty()) {
        hcode.clear();
        bcode.clear();
        return;
    }
    const bool internal = entryCode == QLatin1String("201") || entryCode == QLatin1String("301");
    bool found = false, hcodeFound = false, bcodeFound = false;
    QString internalCode;
    for (const TKamokuCodeRec& r : KamokuCache) {
        const QString& key = internal ? r.KCODE : r.USERCODE;
        if (key > kcode)
            break;
        if (key != kcode)
            continue;
        if (!found)
            internalCode = r.KCODE;
        found = true;
        hcodeFound = hcodeFound || r.HCODE == hcode;
        bcodeFound = bcodeFound || r.BCODE == bcode;
    }
    if (!found) {
        kcode.clear();
        hcode.clear();
        bcode.clear();
        return;
    }
    kcode = internalCode;
    if (!hcodeFound)
        hcode.clear();
    if (!bcodeFound)
        bcode.clear();
}

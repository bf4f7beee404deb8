#include "core/z5SiwakeIO.h"

#include "core/DataModule.h"
#include "core/FbValues.h"
#include "core/uAccDateCmp.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "core/uAccTaxCmp.h"
#include "platform/firebird/FbError.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QThread>
#include <optional>

int TSiwakeWrite::LockRetries = 3;

namespace {

constexpr qint64 kIscLockConflict = 335544345;
// A row another transaction has changed and not yet committed: the engine puts "deadlock" first in
// the status vector and the lock conflict after it.
constexpr qint64 kIscDeadlock = 335544336;
const Money kMaxAmount = Money::fromRaw(Q_INT64_C(9999999999) * Money::Scale);

const QString kParams = QStringLiteral(
    ":HIZUKE,:MNUM,:KESSAN,:SDAYNUM,:MDAYNUM,:DNUM,:SNUM,:SCODE,:L_KGROUP,:L_KCODE,:L_HCODE,:L_BCODE,:L_KNAME,"
    ":L_HNAME,:L_BNAME,:L_TAXCODE,:L_TAXUH,:L_TAXDC,:L_NUK,:L_ZEI,:L_RIT,:L_SIKIN,:R_KGROUP,:R_KCODE,:R_HCODE,"
    ":R_BCODE,:R_KNAME,:R_HNAME,:R_BNAME,:R_TAXCODE,:R_TAXUH,:R_TAXDC,:R_NUK,:R_ZEI,:R_RIT,:R_SIKIN,:KINGAKU,"
    ":ZEIGAKU,:ZEIRITUNO,:AUTCALCU,:TAXCALCU,:OLDRATE,:TEKCODE,:TEKTEXT,:TORCODE,:TORTEXT, :FUSEN1,:FUSEN2,"
    ":FUSEN3,:FUSEN4,:FUSEN5,:CTIME,:COMMENT,:AO_COMMENT,:LINKKEY,:LINKKUB,:LINKREC,:LOCALFLG,:Reserve1,"
    ":Reserve2,:OPNCODE ");

// A date-time of 0 ("none") travels as NULL.
void setOptionalTime(fb::Query& q, const char* name, TDateTime value) {
    if (value.isNull())
        q.setNull(name);
    else
        fb::setDateTime(q, name, value);
}

void bindSide(fb::Query& q, const QString& prefix, const TSwkBalance& s) {
    const auto n = [&](const char* name) { return prefix + QLatin1String(name); };
    q.setString(n("KGROUP"), s.KGROUP);
    q.setString(n("KCODE"), s.KCODE);
    q.setString(n("HCODE"), s.HCODE);
    q.setString(n("BCODE"), s.BCODE);
    q.setString(n("KNAME"), s.KNAME);
    q.setString(n("HNAME"), s.HNAME);
    q.setString(n("BNAME"), s.BNAME);
    q.setInt(n("TAXCODE"), s.TAXCODE);
    q.setInt(n("TAXUH"), s.TAXUH);
    q.setInt(n("TAXDC"), s.TAXDC);
    fb::setMoney(q, n("NUK"), s.NUK);
    fb::setMoney(q, n("ZEI"), s.ZEI);
    fb::setMoney(q, n("RIT"), s.RIT);
    q.setInt(n("SIKIN"), s.SIKIN);
}

void bindEntry(fb::Query& q, const TSWKREC& e) {
    fb::setDateTime(q, "HIZUKE", e.HIZUKE);
    q.setInt("MNUM", e.MNUM);
    q.setInt("KESSAN", e.KESSAN);
    q.setInt("SDAYNUM", e.SDAYNUM);
    q.setInt("MDAYNUM", e.MDAYNUM);
    q.setInt("DNUM", e.DNUM);
    q.setInt("SNUM", e.SNUM);
    q.setString("SCODE", e.SCODE);
    bindSide(q, QStringLiteral("L_"), e.L);
    bindSide(q, QStringLiteral("R_"), e.R);
    fb::setMoney(q, "KINGAKU", e.KINGAKU);
    fb::setMoney(q, "ZEIGAKU", e.ZEIGAKU);
    q.setInt("ZEIRITUNO", e.ZEIRITUNO);
    q.setInt("AUTCALCU", e.AUTCALCU);
    q.setInt("TAXCALCU", e.TAXCALCU);
    q.setInt("OLDRATE", e.OLDRATE);
    q.setInt("TEKCODE", e.TEKCODE);
    q.setString("TEKTEXT", e.TEKTEXT);
    q.setInt("TORCODE", e.TORCODE);
    q.setString("TORTEXT", e.TORTEXT);
    q.setInt("FUSEN1", e.FUSEN1);
    q.setInt("FUSEN2", e.FUSEN2);
    q.setInt("FUSEN3", e.FUSEN3);
    q.setInt("FUSEN4", e.FUSEN4);
    q.setInt("FUSEN5", e.FUSEN5);
    setOptionalTime(q, "CTIME", e.CTIME);
    q.setString("COMMENT", e.COMMENT);
    q.setString("AO_COMMENT", e.AO_COMMENT);
    q.setString("LINKKEY", e.LINKKEY);
    q.setInt("LINKKUB", e.LINKKUB);
    q.setInt("LINKREC", e.LINKREC);
    q.setInt("LOCALFLG", e.LOCALFLG);
    q.setInt("Reserve1", e.RESERVE1);
    q.setInt("Reserve2", e.RESERVE2);
    q.setInt("OPNCODE", SystemDef.OPCODE);
}

void readSide(const fb::Query& q, const QString& prefix, const QString& userCodeColumn, TSwkBalance& s) {
    const auto f = [&](const char* name) { return q.field(prefix + QLatin1String(name)); };
    s.KGROUP = f("KGROUP").asString();
    s.KCODE = q.field(userCodeColumn).asString();
    s.HCODE = f("HCODE").asString();
    s.BCODE = f("BCODE").asString();
    s.KNAME = f("KNAME").asString();
    s.HNAME = f("HNAME").asString();
    s.BNAME = f("BNAME").asString();
    s.TAXCODE = f("TAXCODE").asInt();
    s.TAXUH = f("TAXUH").asInt();
    s.TAXDC = f("TAXDC").asInt();
    s.NUK = fb::asMoney(f("NUK"));
    s.ZEI = fb::asMoney(f("ZEI"));
    s.RIT = fb::asMoney(f("RIT"));
    s.SIKIN = f("SIKIN").asInt();
}

QString blankAsSpace(const QString& code) {
    return code.trimmed().isEmpty() ? QStringLiteral(" ") : code;
}

TSwkKamokuRow readKamoku(const fb::Query& q, bool withRateKinds) {
    TSwkKamokuRow r;
    r.SCODE = q.field("SCODE").asString();
    r.KCODE = q.field("KCODE").asString();
    r.USERCODE = q.field("USERCODE").asString();
    r.HCODE = q.field("HCODE").asString();
    r.BCODE = q.field("BCODE").asString();
    r.REC = q.field("REC").asInt();
    r.GROUPM1 = q.field("GROUPM1").asInt();
    r.GROUPM2 = q.field("GROUPM2").asInt();
    r.KNAME = q.field("KNAME").asString();
    r.HNAME = q.field("HNAME").asString();
    r.BNAME = q.field("BNAME").asString();
    r.BLDAC = q.field("BLDAC").asInt();
    r.DAC = q.field("DAC").asInt();
    r.DELFLG = q.field("DELFLG").asInt();
    r.TAX_LCODE = q.field("TAX_LCODE").asInt();
    r.TAX_RCODE = q.field("TAX_RCODE").asInt();
    r.FUN_LCODE = q.field("FUN_LCODE").asInt();
    r.FUN_RCODE = q.field("FUN_RCODE").asInt();
    r.HOJOSW = q.field("HOJOSW").asString();
    r.BPFLG = q.field("BPFLG").asString();
    r.KEIHKUBU = q.field("KEIHKUBU").asInt();
    r.EXT1_A4 = q.field("EXT1_A4").asInt();
    r.EXT1_A3 = q.field("EXT1_A3").asInt();
    r.EXT1_KS = q.field("EXT1_KS").asInt();
    if (withRateKinds) {
        r.ZEIRITUKBN = q.field("ZEIRITUKBN").asInt();
        r.H_ZEIRITUKBN = q.field("H_ZEIRITUKBN").asInt();
    }
    return r;
}

bool withRateKinds() {
    return AccInf.MAJOR > 11 || (AccInf.MAJOR == 11 && AccInf.MINOR1 >= 1);
}

QStringList kamokuSelect() {
    QStringList sql{
        QStringLiteral("SELECT SZ.SCODE,SZ.HCODE,SZ.BCODE,KM.KCODE,KM.USERCODE,KM.REC,KM.GROUPM1,KM.GROUPM2,"
                       "KM.KNAME,KM.BLDAC,KM.DAC,KM.DELFLG,KM.TAX_LCODE,KM.TAX_RCODE,KM.FUN_LCODE,"
                       "KM.FUN_RCODE,KM.HOJOSW,KM.BPFLG,KM.KEIHKUBU,KM.EXT1_A4,KM.EXT1_A3,KM.EXT1_KS,"
                       "HM.HNAME,BU.BNAME")};
    if (withRateKinds())
        sql.last() += QStringLiteral(",KM.ZEIRITUKBN,HM.ZEIRITUKBN AS H_ZEIRITUKBN");
    sql << QStringLiteral("FROM KAMOKU_SZ SZ")
        << QStringLiteral("INNER JOIN SISETUMST SI ON (SI.SCODE=SZ.SCODE)")
        << QStringLiteral("INNER JOIN BUMONMST BU ON (BU.BCODE=SZ.BCODE)")
        << QStringLiteral("INNER JOIN KAMOKUMST KM ON (KM.KCODE=SZ.KCODE)")
        << QStringLiteral("INNER JOIN HOJOMST HM ON (HM.KCODE=SZ.KCODE AND HM.HCODE=SZ.HCODE)");
    return sql;
}

// The writer's transaction for one operation: started here when none runs (as the switch asks, and
// also without it, so an operation never leaves a transaction of its own running), committed at the
// end of the operation with the switch cleared, rolled back when the operation fails. A transaction
// the caller runs is left to the caller.
class WriterTransaction {
public:
    WriterTransaction(fb::Transaction& t, quint8& ownSwitch) : m_t(t), m_switch(ownSwitch) {
        if (!m_t.isActive()) {
            m_t.start();
            m_own = true;
        }
    }
    ~WriterTransaction() {
        if (m_own && m_t.isActive()) {
            try {
                m_t.rollback();
            } catch (const fb::Error&) {
            }
        }
    }
    bool own() const { return m_own; }
    void restart() {
        if (!m_own)
            return;
        if (m_t.isActive())
            m_t.rollback();
        m_t.start();
    }
    void commit() {
        if (m_own)
            m_t.commit();
        m_switch = 0;
    }

private:
    fb::Transaction& m_t;
    quint8& m_switch;
    bool m_own = false;
};

} // namespace

TSiwakeWrite::TSiwakeWrite() = default;
TSiwakeWrite::~TSiwakeWrite() = default;

void TSiwakeWrite::SetTransaction(fb::Transaction& transaction) {
    m_transaction = &transaction;
    m_statements.clear();
    m_accountChecks.clear();
    m_lastRead.reset();
}

fb::Query& TSiwakeWrite::statement(const QString& sql) {
    fb::Transaction& t = transaction();
    std::unique_ptr<fb::Query>& q = m_statements[sql];
    if (!q) {
        q = std::make_unique<fb::Query>(t, sql);
    } else {
        q->setTransaction(t);
        if (q->isOpen())
            q->close();
    }
    return *q;
}

fb::Transaction& TSiwakeWrite::transaction() const {
    return m_transaction ? *m_transaction : DM->IBTransactionDAT;
}

QString TSiwakeWrite::msg(const char* interactive, const char* imported) const {
    return QString::fromUtf8(MessageMode == 1 ? imported : interactive);
}

void TSiwakeWrite::InitSiwakeRec(TSWKREC& entry, int kessan, TDateTime date) const {
    entry = TSWKREC{};
    entry.Host = SystemDef.PCName;
    entry.TAISHAKU = 1;
    entry.HIZUKE = date;
    entry.KESSAN = kessan;
    entry.L.TAXCODE = 910;
    entry.R.TAXCODE = 910;
    entry.RTIME = TDateTime::now();
    entry.OPCODE = SystemDef.OPCODE;
    entry.OLDRATE = RateKindForDate(0, date);
    entry.L.RateKind = entry.OLDRATE;
    entry.R.RateKind = entry.OLDRATE;
}

bool TSiwakeWrite::GetKamoku(const QString& scode, const QString& bcode, const QString& hcode,
                             const QString& usercode) {
    for (const QString* code : {&scode, &bcode, &hcode, &usercode})
        if (code->size() > 6)
            return false;
    WriterTransaction wt(transaction(), OwnTransaction);
    QStringList sql = kamokuSelect();
    sql << QStringLiteral("WHERE SZ.SCODE=:SCODE AND KM.USERCODE=:USERCODE AND SZ.HCODE=:HCODE");
    const bool withDepartment = !bcode.trimmed().isEmpty();
    if (withDepartment)
        sql.last() += QStringLiteral(" AND SZ.BCODE=:BCODE");
    fb::Query& q = statement(sql.join(u'\n'));
    q.setString("SCODE", scode.isEmpty() ? QStringLiteral(" ") : scode);
    q.setString("USERCODE", usercode);
    q.setString("HCODE", blankAsSpace(hcode));
    if (withDepartment)
        q.setString("BCODE", bcode);
    q.open();
    const bool found = !q.eof();
    if (found)
        Kamoku = readKamoku(q, withRateKinds());
    q.close();
    wt.commit();
    return found;
}

void TSiwakeWrite::SetKamokuArray(const QString& scode) {
    KamokuScode = scode;
    KamokuArray.clear();
    KamokuIndex.clear();
    m_accountChecks.clear();
    WriterTransaction wt(transaction(), OwnTransaction);
    fb::Query q(transaction());
    QStringList sql = kamokuSelect();
    sql << QStringLiteral("WHERE SZ.SCODE=:SCODE") << QStringLiteral("ORDER BY SZ.SCODE,SZ.KCODE,SZ.HCODE,SZ.BCODE");
    q.setSql(sql);
    q.setString("SCODE", scode);
    for (q.open(); !q.eof(); q.next()) {
        KamokuArray.push_back(readKamoku(q, withRateKinds()));
        KamokuIndex << QStringLiteral("%1=%2").arg(KamokuArray.back().USERCODE).arg(KamokuArray.size() - 1);
    }
    q.close();
    wt.commit();
}

const TSiwakeWrite::AccountCheck& TSiwakeWrite::accountCheck(const QString& scode, const QString& bcode,
                                                             const QString& hcode, const QString& usercode) {
    const QString key = scode + u'\x1f' + bcode + u'\x1f' + hcode + u'\x1f' + usercode;
    const auto known = m_accountChecks.find(key);
    if (known != m_accountChecks.end())
        return known->second;
    AccountCheck check;
    check.found = GetKamoku(scode, bcode, hcode, usercode);
    if (check.found) {
        check.row = Kamoku;
        fb::Query& sub = statement(QStringLiteral(
            "SELECT COUNT(*) AS CNT FROM KAMOKU_SZ WHERE SCODE=:SCODE AND KCODE=:KCODE AND BCODE=' '"));
        sub.setString("SCODE", check.row.SCODE);
        sub.setString("KCODE", check.row.KCODE);
        check.hasSubAccounts = sub.openInt("CNT") > 1;
        fb::Query& dep =
            statement(QStringLiteral("SELECT COUNT(*) AS CNT FROM KAMOKU_SZ WHERE SCODE=:SCODE AND "
                                     "KCODE=:KCODE AND HCODE=' ' AND BCODE<>' '"));
        dep.setString("SCODE", check.row.SCODE);
        dep.setString("KCODE", check.row.KCODE);
        check.hasDepartments = dep.openInt("CNT") > 0;
    }
    return m_accountChecks.emplace(key, check).first->second;
}

bool TSiwakeWrite::checkSide(TSWKREC& entry, bool debit, const TSwkBalance* stored, int& code,
                             QString& message) {
    TSwkBalance& s = debit ? entry.L : entry.R;
    const int base = debit ? 11 : 21;
    const AccountCheck& check = accountCheck(entry.SCODE, s.BCODE, s.HCODE, s.KCODE);
    if (!check.found) {
        code = base;
        message = debit ? msg("借方の科目コードが見つかりません。", "借方の科目コードの設定が不正です。")
                        : msg("貸方の科目コードが見つかりません。", "貸方の科目コードの設定が不正です。");
        return false;
    }
    Kamoku = check.row;
    s.KGROUP = QString::number(Kamoku.GROUPM1);
    s.SIKIN = debit ? Kamoku.FUN_LCODE : Kamoku.FUN_RCODE;
    s.HCODE = blankAsSpace(s.HCODE);
    s.BCODE = blankAsSpace(s.BCODE);
    if (!stored) {
        s.KNAME = Kamoku.KNAME;
        s.HNAME = Kamoku.HNAME;
        s.BNAME = Kamoku.BNAME;
    } else {
        const bool accountSame = stored->KCODE == s.KCODE;
        if (!(accountSame && s.KNAME == stored->KNAME))
            s.KNAME = Kamoku.KNAME;
        if (!(accountSame && stored->HCODE == s.HCODE && s.HNAME == stored->HNAME))
            s.HNAME = Kamoku.HNAME;
        if (!(stored->BCODE == s.BCODE && s.BNAME == stored->BNAME))
            s.BNAME = Kamoku.BNAME;
    }
    if (check.hasSubAccounts && s.HCODE.trimmed().isEmpty()) {
        code = base;
        message = debit ? msg("借方の補助コードを入力してください。", "借方の補助コードの設定が不正です。")
                        : msg("貸方の補助コードを入力してください。", "貸方の補助コードの設定が不正です。");
        return false;
    }
    if (check.hasDepartments && s.BCODE.trimmed().isEmpty()) {
        code = base;
        message = debit ? msg("借方の部門コードが見つかりません。", "借方の部門コードの設定が不正です。")
                        : msg("貸方の部門コードが見つかりません。", "貸方の部門コードの設定が不正です。");
        return false;
    }
    return true;
}

bool TSiwakeWrite::checkSideTax(TSWKREC& entry, bool debit, int& code, QString& message) {
    TSwkBalance& s = debit ? entry.L : entry.R;
    TSwkBalance& other = debit ? entry.R : entry.L;
    const int base = debit ? 12 : 22;
    NormaliseTaxCode(s.TAXCODE);
    QString group, name;
    int category = 0, taxable = 0, side = 0;
    if (!TaxCodeInfo(s.TAXCODE, group, name, category, taxable, side)) {
        code = base;
        message = debit ? msg("借方の消費税コードを確認してください。", "借方の消費税コードの設定が不正です。")
                        : msg("貸方の消費税コードを確認してください。", "貸方の消費税コードの設定が不正です。");
        return false;
    }
    s.TAXUH = taxable;
    s.TAXDC = side;
    QString note;
    if (!CheckTaxAccountCode(note, s.KCODE, s.TAXCODE)) {
        code = base + 1;
        message = note;
        return false;
    }
    if (!CheckTaxPartnerCode(note, s.KCODE, other.TAXCODE)) {
        code = base + 2;
        message = note;
        return false;
    }
    if (!CheckSundryTaxCode(note, s.KCODE, s.TAXCODE)) {
        code = base + 3;
        message = note;
        return false;
    }
    if (!CheckSpecifiedPurchase(note, s.TAXCODE, entry.OLDRATE, entry.HIZUKE)) {
        code = base + 4;
        message = note;
        return false;
    }
    return true;
}

bool TSiwakeWrite::TestSiwake(TSWKREC& entry, int& code, QString& message) {
    try {
        WriterTransaction wt(transaction(), OwnTransaction);
        const bool result = testEntry(entry, code, message);
        wt.commit();
        return result;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TSiwakeWrite.TestSiwake"), QStringLiteral("仕訳の確認に失敗しました。"));
        throw;
    }
}

bool TSiwakeWrite::testEntry(TSWKREC& entry, int& code, QString& message) {
    code = 0;
    message.clear();
    const auto failWith = [&](int c, const QString& m) {
        code = c;
        message = m;
        return false;
    };

    // 1. period slot
    std::optional<std::pair<TSwkBalance, TSwkBalance>> stored;
    if (entry.REC != 0 && m_lastRead && m_lastRead->rec == entry.REC) {
        stored = std::make_pair(m_lastRead->l, m_lastRead->r);
    } else if (entry.REC != 0) {
        WriterTransaction wt(transaction(), OwnTransaction);
        fb::Query& q = statement(QStringLiteral("SELECT * FROM SIWAKE_VIEW WHERE REC=:REC"));
        q.setInt("REC", entry.REC);
        q.open();
        if (!q.eof()) {
            TSwkBalance l, r;
            readSide(q, QString(), QStringLiteral("USERCODE"), l);
            readSide(q, QStringLiteral("R_"), QStringLiteral("R_USERCODE"), r);
            stored = std::make_pair(l, r);
        }
        q.close();
        wt.commit();
    }
    const int slot = DateToPeriodSlot(AccInf.SIME, entry.KESSAN, AccInf.KISHU, AccInf.KIMATU, entry.HIZUKE);
    if (slot == -1 || (!AccInf.KAISI.isNull() && entry.HIZUKE.value() < AccInf.KAISI.value()) ||
        entry.HIZUKE.value() > AccInf.KIMATU.value())
        return failWith(1, msg("日付が会計期間外または、決算区分の指定が不正です。",
                               "日付が会計期間外または、決算区分の設定が不正です。"));
    entry.MNUM = slot;

    // 2. audit lock
    if (AccInf.KANSA_LOCK == 1 && SystemDef.SisetuFree == 0 && SystemDef.JOBLEVEL != 9) {
        if (entry.CTIME.value() > 0)
            return failWith(2, msg("監査済みの仕訳は訂正できません。", "監査済みの仕訳が設定されました。"));
        if (!AccInf.KANSA_DATE.isNull() && !AccInf.KANSA_FIXDATE.isNull() &&
            entry.HIZUKE.value() <= AccInf.KANSA_FIXDATE.value())
            return failWith(3, msg("監査済みの日付は入力できません。", "日付に監査済みの日付が設定されました。"));
    }
    // 3. approval
    if (ShoninCheck && entry.SHONIN_HIZUKE.value() > 0)
        return failWith(40, msg("承認済みの仕訳は訂正できません。", "承認済みの仕訳が設定されました。"));
    // 4. cost unit
    if (GenkaCheck && AccInf.KobetuGenkaUse == 1 && entry.SNUM != 0) {
        const QString unit = QString::number(entry.SNUM).rightJustified(AccInf.KobetuGenkaDigits, u'0');
        if (!GenkaCodes.contains(unit)) {
            QString m = msg("個別原価コードが見つかりません。", "個別原価コードの設定が不正です。");
            return failWith(4, m.replace(QStringLiteral("個別原価"), AccInf.KobetuGenkaName));
        }
    }
    // 5. facility
    if (AccInf.SITEN == 1 && entry.SCODE.trimmed().isEmpty()) {
        QString m = msg("本・支店コードが不正です。データを選択し直してください。", "本・支店コードが不正です。");
        if (AccInf.DATATYPE == 3)
            m.replace(QStringLiteral("本・支店"), QStringLiteral("施設"));
        return failWith(5, m);
    }
    // 6 - 8. accounts and tax codes of both sides
    if (KamokuCheck && !checkSide(entry, true, stored ? &stored->first : nullptr, code, message))
        return false;
    if (TaxCheck && !checkSideTax(entry, true, code, message))
        return false;
    if (KamokuCheck && !checkSide(entry, false, stored ? &stored->second : nullptr, code, message))
        return false;
    if (TaxCheck && !checkSideTax(entry, false, code, message))
        return false;
    // 9. rates
    const bool debitRate = entry.L.RIT > Money(), creditRate = entry.R.RIT > Money();
    if (debitRate && creditRate && entry.L.RateKind != entry.R.RateKind)
        return failWith(41, QStringLiteral("借方と貸方の消費税率が違います。"));
    if (!debitRate && !creditRate)
        entry.OLDRATE = RateKindForDate(0, entry.HIZUKE);
    // 10. amount
    if (KingakuCheck) {
        if (entry.KINGAKU < Money(1)) {
            if (entry.KINGAKU < Money())
                return failWith(31, msg("マイナス金額は入力できません。", "金額にマイナス値が設定されました。"));
            return failWith(31, msg("金額を入力してください。", "金額の設定が不正です。（０円 または null）"));
        }
        if (entry.KINGAKU > kMaxAmount)
            return failWith(31, msg("金額桁数がオーバーしています。", "金額の設定が不正です。（桁数オーバー）"));
    }
    // 11. text
    if (TextClean) {
        entry.TEKTEXT = DeleteCtrlChars(entry.TEKTEXT);
        entry.TORTEXT = DeleteCtrlChars(entry.TORTEXT);
    }
    return true;
}

int TSiwakeWrite::PutSiwake(TSWKREC& entry) {
    m_lastRead.reset();
    const bool insert = entry.REC == 0;
    QString sql;
    if (insert) {
        const bool old = AccInf.MAJOR < 6 || (AccInf.MAJOR == 6 && AccInf.MINOR1 == 0);
        sql = (old ? QStringLiteral("SELECT NEWREC,NEWSWKREC,NEWSDAYNUM,0 AS NEWSITREC FROM SP_SIWAKE_INS(")
                   : QStringLiteral("SELECT NEWREC,NEWSWKREC,NEWSDAYNUM,NEWSITREC FROM SP_SIWAKE_INS(")) +
              kParams + u')';
    } else {
        sql = QStringLiteral("SELECT NEWREC,NEWSWKREC,NEWSWKNO,UPREC,NEWSDAYNUM FROM SP_SIWAKE_UPD(") +
              QStringLiteral(":REC,:SWKREC,:SWKNO,:DELFLG,") + kParams + u')';
    }
    WriterTransaction wt(transaction(), OwnTransaction);
    // A lock conflict is tried again a bounded number of times, then reported like any other error.
    for (int attempt = 0;; ++attempt) {
        try {
            fb::Query& q = statement(sql);
            if (!insert) {
                q.setInt("REC", entry.REC);
                q.setInt("SWKREC", entry.SWKREC);
                q.setInt("SWKNO", entry.SWKNO);
                q.setInt("DELFLG", entry.DELFLG);
            }
            bindEntry(q, entry);
            q.open();
            if (q.eof())
                throw fb::Error(QStringLiteral("仕訳の書込みで結果が返りませんでした。"));
            int result = 0;
            if (insert) {
                entry.REC = q.field("NEWREC").asInt();
                entry.SWKREC = q.field("NEWSWKREC").asInt();
                entry.SWKNO = entry.SWKREC;
                entry.SDAYNUM = q.field("NEWSDAYNUM").asInt();
                entry.SITREC = q.field("NEWSITREC").asInt();
                entry.RTIME = TDateTime::now();
                result = entry.REC;
            } else {
                const int uprec = q.field("UPREC").asInt();
                if (uprec == -2) {
                    entry.REC = q.field("NEWREC").asInt();
                    result = -2;
                } else if (uprec == -1) {
                    result = -1;
                } else {
                    entry.REC = q.field("NEWREC").asInt();
                    entry.SWKREC = q.field("NEWSWKREC").asInt();
                    entry.SWKNO = q.field("NEWSWKNO").asInt();
                    entry.SDAYNUM = q.field("NEWSDAYNUM").asInt();
                    entry.RTIME = TDateTime::now();
                }
            }
            q.close();
            wt.commit();
            return result;
        } catch (const fb::Error& e) {
            if ((e.statusCode() == kIscLockConflict || e.statusCode() == kIscDeadlock) && attempt < LockRetries) {
                wt.restart();
                QThread::msleep(100);
                continue;
            }
            ErrFbAccess(e, QStringLiteral("TSiwakeWrite.PutSiwake"), QStringLiteral("仕訳の書込みに失敗しました。"));
            throw;
        }
    }
}

int TSiwakeWrite::DeleteSiwake(qint32 swkrec) {
    m_lastRead.reset();
    try {
        WriterTransaction wt(transaction(), OwnTransaction);
        fb::Query& q =
            statement(QStringLiteral("SELECT RESULT+1 AS RES FROM SP_SIWAKE_DEL(:SWKREC,:OPCODE)"));
        q.setInt("SWKREC", swkrec);
        q.setInt("OPCODE", SystemDef.OPCODE);
        q.open();
        const int result = q.eof() ? 0 : q.field("RES").asInt();
        q.close();
        wt.commit();
        return result;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TSiwakeWrite.DeleteSiwake"), QStringLiteral("仕訳の削除に失敗しました。"));
        throw;
    }
}

int TSiwakeWrite::RestoreSiwake(qint32 swkrec) {
    m_lastRead.reset();
    try {
        WriterTransaction wt(transaction(), OwnTransaction);
        fb::Query& q = statement(
            QStringLiteral("SELECT HIZUKE,SDAYNUM FROM SIWAKE\nWHERE (SWKREC=:SWKREC) AND (TAISHAKU=1)"));
        q.setInt("SWKREC", swkrec);
        TDateTime date;
        for (q.open(); !q.eof(); q.next())
            date = fb::asDateTime(q.field("HIZUKE"));
        q.close();
        fb::Query& m = statement(QStringLiteral(
            "SELECT MAX(SDAYNUM) AS MAX_SDAYNUM FROM SIWAKE\nWHERE (HIZUKE=:HIZUKE) AND (DELFLG=0)"));
        fb::setDateTime(m, "HIZUKE", date);
        const int max = m.openInt("MAX_SDAYNUM");
        fb::Query& u = statement(QStringLiteral(
            "UPDATE SIWAKE SET DELFLG=0,OPCODE=:OPCODE,RTIME=:RTIME,SDAYNUM=:SDAYNUM\nWHERE SWKREC=:SWKREC"));
        u.setInt("OPCODE", SystemDef.OPCODE);
        fb::setDateTime(u, "RTIME", TDateTime::now());
        u.setInt("SDAYNUM", max > 0 ? max + 1 : 0);
        u.setInt("SWKREC", swkrec);
        u.execute();
        wt.commit();
        return 1;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TSiwakeWrite.RestoreSiwake"), QStringLiteral("仕訳の復元に失敗しました。"));
        throw;
    }
}

void TSiwakeWrite::ReadSiwake(const fb::Query& q, TSWKREC& entry) {
    entry.REC = q.field("REC").asInt();
    entry.SITREC = q.field("SITREC").asInt();
    entry.SWKREC = q.field("SWKREC").asInt();
    entry.SWKNO = q.field("SWKNO").asInt();
    entry.DELFLG = q.field("DELFLG").asInt();
    entry.TAISHAKU = q.field("TAISHAKU").asInt();
    entry.HIZUKE = fb::asDateTime(q.field("HIZUKE"));
    entry.MNUM = q.field("MNUM").asInt();
    entry.KESSAN = q.field("KESSAN").asInt();
    entry.SDAYNUM = q.field("SDAYNUM").asInt();
    entry.MDAYNUM = q.field("MDAYNUM").asInt();
    entry.DNUM = q.field("DNUM").asInt();
    entry.SNUM = q.field("SNUM").asInt();
    entry.SCODE = q.field("SCODE").asString();
    readSide(q, QString(), QStringLiteral("USERCODE"), entry.L);
    readSide(q, QStringLiteral("R_"), QStringLiteral("R_USERCODE"), entry.R);
    entry.KINGAKU = fb::asMoney(q.field("KINGAKU"));
    entry.ZEIGAKU = fb::asMoney(q.field("ZEIGAKU"));
    entry.ZEIRITUNO = q.field("ZEIRITUNO").asInt();
    entry.AUTCALCU = q.field("AUTCALCU").asInt();
    entry.TAXCALCU = q.field("TAXCALCU").asInt();
    entry.OLDRATE = q.field("OLDRATE").asInt();
    entry.TEKCODE = q.field("TEKCODE").asInt();
    entry.TEKTEXT = q.field("TEKTEXT").asString();
    entry.TORCODE = q.field("TORCODE").asInt();
    entry.TORTEXT = q.field("TORTEXT").asString();
    entry.FUSEN1 = q.field("FUSEN1").asInt();
    entry.FUSEN2 = q.field("FUSEN2").asInt();
    entry.FUSEN3 = q.field("FUSEN3").asInt();
    entry.FUSEN4 = q.field("FUSEN4").asInt();
    entry.FUSEN5 = q.field("FUSEN5").asInt();
    entry.CTIME = fb::asDateTime(q.field("CTIME"));
    entry.COMMENT = q.field("COMMENT").asString();
    entry.AO_COMMENT = q.field("AO_COMMENT").asString();
    entry.LINKKEY = q.field("LINKKEY").asString();
    entry.LINKKUB = q.field("LINKKUB").asInt();
    entry.LINKREC = q.field("LINKREC").asInt();
    entry.LOCALFLG = q.field("LOCALFLG").asInt();
    entry.RESERVE1 = q.field("RESERVE1").asInt();
    entry.RESERVE2 = q.field("RESERVE2").asInt();
    entry.RTIME = fb::asDateTime(q.field("RTIME"));
    entry.OPCODE = q.field("OPCODE").asInt();
    // Data of versions before approvals has no approval columns.
    if (q.hasColumn("SHONIN_HIZUKE")) {
        entry.SHONIN_HIZUKE = fb::asDateTime(q.field("SHONIN_HIZUKE"));
        entry.SHONIN_OPCODE = q.field("SHONIN_OPCODE").asInt();
        entry.SHONIN_NAME = q.field("SHONIN_NAME").asString();
    }
}

void TSiwakeWrite::GetSiwake(TSWKREC& entry, qint32 rec, bool fromView) {
    InitSiwakeRec(entry, 0, TDateTime::today());
    try {
        WriterTransaction wt(transaction(), OwnTransaction);
        QString sql;
        if (fromView) {
            sql = QStringLiteral("SELECT * FROM SIWAKE_VIEW WHERE REC=:REC");
        } else {
            sql =
                QStringList{
                    QStringLiteral(
                        "SELECT S.REC,S.SITREC,S.SWKREC,S.SWKNO,S.DELFLG,S.TAISHAKU,S.HIZUKE,S.MNUM,S.KESSAN,"
                        "S.SDAYNUM,S.MDAYNUM,S.DNUM,S.SNUM,S.SCODE,S.KGROUP,S.HCODE,S.BCODE,S.KNAME,S.HNAME,"
                        "S.BNAME,S.TAXCODE,S.TAXUH,S.TAXDC,S.NUK,S.ZEI,S.RIT,S.SIKIN,S.R_KGROUP,S.R_HCODE,"
                        "S.R_BCODE,S.R_KNAME,S.R_HNAME,S.R_BNAME,S.R_TAXCODE,S.R_TAXUH,S.R_TAXDC,S.R_NUK,"
                        "S.R_ZEI,S.R_RIT,S.R_SIKIN,S.KINGAKU,S.ZEIGAKU,S.ZEIRITUNO,S.AUTCALCU,S.TAXCALCU,"
                        "S.OLDRATE,S.TEKCODE,S.TEKTEXT,S.TORCODE,S.TORTEXT,S.FUSEN1,S.FUSEN2,S.FUSEN3,"
                        "S.FUSEN4,S.FUSEN5,S.CTIME,S.COMMENT,S.AO_COMMENT,S.LINKKEY,S.LINKKUB,S.LINKREC,"
                        "S.LOCALFLG,S.RESERVE1,S.RESERVE2,S.RTIME,S.OPCODE,"
                        "K1.USERCODE,K2.USERCODE AS R_USERCODE,"),
                    QStringLiteral("NULL AS SHONIN_HIZUKE,0 AS SHONIN_OPCODE, '' AS SHONIN_NAME"),
                    QStringLiteral("FROM SIWAKE S"),
                    QStringLiteral("LEFT JOIN KAMOKUMST K1 ON (K1.KCODE=S.KCODE)"),
                    QStringLiteral("LEFT JOIN KAMOKUMST K2 ON (K2.KCODE=S.R_KCODE)"),
                    QStringLiteral("WHERE S.REC=:REC")}
                    .join(u'\n');
        }
        fb::Query& q = statement(sql);
        q.setInt("REC", rec);
        m_lastRead.reset();
        q.open();
        if (!q.eof()) {
            ReadSiwake(q, entry);
            m_lastRead = StoredSides{rec, entry.L, entry.R};
        }
        q.close();
        wt.commit();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TSiwakeWrite.GetSiwake"), QStringLiteral("仕訳の取得に失敗しました。"));
        throw;
    }
}

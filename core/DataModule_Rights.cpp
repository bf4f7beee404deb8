#include "core/DataModule.h"

#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"

#include <optional>

namespace {

constexpr qint32 kDefaultSisetuColor = 0xFFAF80;
const QString kOpeDefSisetuFailed = QStringLiteral("通常使用するデータ（本・支店）の取得に失敗しました。");

} // namespace

bool TDM::IsAllSisetuOperator() {
    return SystemDef.AllSisetuSwitch == 1 || SystemDef.SisetuFree != 0 || SystemDef.JOBLEVEL == 9;
}

bool TDM::fnGetExistsOpeDefSisetu() {
    if (IsAllSisetuOperator())
        return true;
    bool result = false;
    try {
        OwnTransaction own(IBTransactionDAT);
        IBQACC1.setSql(QStringList{QStringLiteral("SELECT OD.OPCODE,OD.SCODE FROM OPDEFSISETU OD"),
                                   QStringLiteral("INNER JOIN OPLICENSE OL ON (OD.OPCODE=OL.OPCODE)"),
                                   QStringLiteral("WHERE OD.OPCODE=:OPCODE")});
        IBQACC1.setInt("OPCODE", SystemDef.OPCODE);
        IBQACC1.open();
        result = !IBQACC1.eof();
        IBQACC1.close();
        own.commit();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.fnGetExistsOpeDefSisetu"), kOpeDefSisetuFailed);
        result = false;
    } catch (const std::exception& e) {
        ShowErrDetail(kOpeDefSisetuFailed, QString::fromUtf8(e.what()), ui::MsgKind::Error);
        result = false;
    }
    return result;
}

void TDM::GetXstrValue(const QString& text, const QString& name, QString& value) {
    value.clear();
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    for (const QString& line : lines.split(u'\n')) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && line.left(eq).compare(name, Qt::CaseInsensitive) == 0) {
            value = line.mid(eq + 1);
            return;
        }
    }
}

void TDM::GetXstrVariant(const QString& text, const QString& key, QVariant& value) {
    const QString upper = key.toUpper();
    QString found;
    GetXstrValue(text, upper, found);
    if (upper != QStringLiteral("COLOR")) {
        value = found;
        return;
    }
    bool ok = false;
    qint32 colour = found.trimmed().toInt(&ok);
    if (!ok || colour <= 0)
        colour = kDefaultSisetuColor;
    value = colour;
}

namespace {

// Runs counting work in the accounting transaction; a database error is reported (without a message)
// only by the operation that started the transaction, and always passed on.
template <typename Work> qint32 countInTransaction(TDM& dm, const QString& context, Work work) {
    OwnTransaction own(dm.IBTransactionDAT);
    try {
        const qint32 count = work();
        own.commit();
        return count;
    } catch (const fb::Error& e) {
        const bool started = own.started();
        try {
            own.commit();
        } catch (const fb::Error&) {
        }
        if (started)
            ErrFbAccess(e, context, QString());
        throw;
    } catch (...) {
        try {
            own.commit();
        } catch (const fb::Error&) {
        }
        throw;
    }
}

// One count on IBQACC1: the first column of the first row.
qint32 runCount(TDM& dm, const QString& context, const QStringList& sql, const QString& scode) {
    return countInTransaction(dm, context, [&] {
        dm.IBQACC1.setSql(sql);
        if (!scode.isEmpty())
            dm.IBQACC1.setString("SCODE", scode);
        return qint32(dm.IBQACC1.openInt("SWKCNT"));
    });
}

} // namespace

qint32 TDM::GetYukouSiwakeCount(const QString& scode) {
    if (!scode.isEmpty())
        return runCount(*this, QStringLiteral("TDM.GetYukouSiwakeCount"),
                        {QStringLiteral("SELECT SIWAKECOUNT AS SWKCNT FROM SISETUMST"),
                         QStringLiteral("WHERE (SCODE=:SCODE)")},
                        scode);
    return runCount(*this, QStringLiteral("TDM.GetYukouSiwakeCount"),
                    {QStringLiteral("SELECT SUM(SIWAKECOUNT) AS SWKCNT FROM SISETUMST")}, scode);
}

qint32 TDM::GetUpDelSiwakeCount(const QString& scode) {
    QStringList sql{QStringLiteral("SELECT COUNT(REC) AS SWKCNT FROM SIWAKE"),
                    QStringLiteral("WHERE (DELFLG IN (1,2) AND TAISHAKU=1)")};
    if (!scode.isEmpty())
        sql << QStringLiteral("AND (SCODE=:SCODE)");
    return runCount(*this, QStringLiteral("TDM.GetUpDelSiwakeCount"), sql, scode);
}

qint32 TDM::GetSiwakeCount(const QString& scode, qint32& live, qint32& updatedDeleted) {
    live = 0;
    updatedDeleted = 0;
    // Both counts run in one transaction, so a failure is reported once, as this operation's.
    return countInTransaction(*this, QStringLiteral("TDM.GetSiwakeCount"), [&] {
        live = GetYukouSiwakeCount(scode);
        updatedDeleted = GetUpDelSiwakeCount(scode);
        return live + updatedDeleted;
    });
}

qint32 TDM::GetSiwakeTotalCount(const QString& scode) {
    qint32 live = 0, updatedDeleted = 0;
    return GetSiwakeCount(scode, live, updatedDeleted);
}

bool TDM::IsCloudShareEnabled(int flag) {
    Q_UNUSED(flag);
    return TavrinoEdition == 0;
}

namespace {

// The usual facility of a medical corporation's data is never its head office "00" unless nothing
// else is found.
QStringList opeDefSisetuSql(bool allFacilities, bool medical) {
    if (allFacilities && !medical) {
        if (AccInf.SITEN != 0)
            return {QStringLiteral("SELECT SCODE,SNAME,1 AS JIGYOKBN,XSTR FROM SISETUMST"),
                    QStringLiteral("WHERE SCODE=(SELECT MIN(SCODE) FROM SISETUMST WHERE SCODE<>'')")};
        return {QStringLiteral("SELECT ' ' AS SCODE,SHOUGOU AS SNAME,1 AS JIGYOKBN,0 AS XSTR FROM ACCDEF1")};
    }
    if (allFacilities) {
        if (AccInf.SITEN == 0)
            throw std::runtime_error(
                QStringLiteral("このデータは医療法人データですが、施設管理がおこなわれていません。\r"
                               "データが損傷している可能性があります。")
                    .toStdString());
        return {QStringLiteral("SELECT SCODE,SNAME,MB_JIGYOU AS JIGYOKBN,XSTR FROM SISETUMST"),
                QStringLiteral(
                    "WHERE SCODE=(SELECT MIN(SCODE) FROM SISETUMST WHERE (SCODE<>'') AND (SCODE<>'00'))")};
    }
    return {medical
                ? QStringLiteral("SELECT O.SCODE,S.SNAME,S.MB_JIGYOU AS JIGYOKBN,S.XSTR FROM OPDEFSISETU O")
                : QStringLiteral("SELECT O.SCODE,S.SNAME,1 AS JIGYOKBN,S.XSTR FROM OPDEFSISETU O"),
            QStringLiteral("INNER JOIN SISETUMST S ON (O.SCODE=S.SCODE)"),
            QStringLiteral("WHERE OPCODE=:OPCODE")};
}

// Takes every row of the open statement into the usual facility (the last row wins); false without rows.
bool takeOpeDefSisetu(TDM& dm, fb::Query& q, QString& name) {
    bool any = false;
    for (; !q.eof(); q.next()) {
        any = true;
        QString scode = q.field("SCODE").asString();
        if (scode.isEmpty())
            scode = QStringLiteral(" ");
        SystemDef.SCODE = scode;
        SystemDef.SisetuCodeCopy = scode;
        SystemDef.JIGYOKBN = q.field("JIGYOKBN").asInt();
        QVariant colour;
        dm.GetXstrVariant(q.field("XSTR").asString(), QStringLiteral("COLOR"), colour);
        SystemDef.SisetuColor = colour.toInt();
        name = q.field("SNAME").asString();
    }
    q.close();
    return any;
}

} // namespace

void TDM::GetOpeDefSisetu(QString& name) {
    name.clear();
    std::optional<OwnTransaction> own;
    try {
        own.emplace(IBTransactionDAT);
        const bool medical = AccInf.IryoFlag != 0;
        IBQACC1.setSql(opeDefSisetuSql(IsAllSisetuOperator(), medical));
        if (IBQACC1.hasParam("OPCODE"))
            IBQACC1.setInt("OPCODE", SystemDef.OPCODE);
        IBQACC1.open();
        if (!takeOpeDefSisetu(*this, IBQACC1, name) && medical) {
            IBQACC1.setSql(
                QStringList{QStringLiteral("SELECT SCODE,SNAME,MB_JIGYOU AS JIGYOKBN,XSTR FROM SISETUMST"),
                            QStringLiteral("WHERE SCODE='00'")});
            IBQACC1.open();
            takeOpeDefSisetu(*this, IBQACC1, name);
        }
        own->commit();
    } catch (const std::exception& e) {
        if (const auto* fbError = dynamic_cast<const fb::Error*>(&e))
            ErrFbAccess(*fbError, QStringLiteral("TDM.GetOpeDefSisetu"), kOpeDefSisetuFailed);
        else
            ShowErrDetail(kOpeDefSisetuFailed, QString::fromUtf8(e.what()), ui::MsgKind::Error);
        try {
            if (own)
                own->commit();
        } catch (const fb::Error&) {
        }
    }
}

#include "core/DataModule.h"

#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"

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

// Runs one count on IBQACC1 in the accounting transaction; the error is reported only by an
// operation that started the transaction, and always passed on.
qint32 runCount(TDM& dm, const QString& context, const QStringList& sql, const QString& scode) {
    OwnTransaction own(dm.IBTransactionDAT);
    try {
        dm.IBQACC1.setSql(sql);
        if (!scode.isEmpty())
            dm.IBQACC1.setString("SCODE", scode);
        dm.IBQACC1.open();
        const qint32 count = dm.IBQACC1.eof() ? 0 : dm.IBQACC1.field(0).asInt();
        dm.IBQACC1.close();
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
    live = GetYukouSiwakeCount(scode);
    updatedDeleted = GetUpDelSiwakeCount(scode);
    return live + updatedDeleted;
}

qint32 TDM::GetSiwakeTotalCount(const QString& scode) {
    qint32 live = 0, updatedDeleted = 0;
    return GetSiwakeCount(scode, live, updatedDeleted);
}

bool TDM::IsCloudShareEnabled(int flag) {
    Q_UNUSED(flag);
    return TavrinoEdition == 0;
}

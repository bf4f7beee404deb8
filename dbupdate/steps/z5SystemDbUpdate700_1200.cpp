// System database steps 7.0.0 to 12.0.0: what each step writes and migrates.

#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateSteps.h"
#include "dbupdate/z5MenuListOldHistory.h"
#include "platform/firebird/FbQuery.h"

#include <QVariant>
#include <stdexcept>

namespace {

TStepContent files(QStringList names) {
    TStepContent c;
    c.Files = [names = std::move(names)] { return names; };
    return c;
}

} // namespace

// Settings record 10 gains its third flag when its first one is set.
TStepContent z5SystemDbUpdate700::Content() {
    TStepContent c = files({QStringLiteral("sysup01.sql")});
    c.PreMigration = [](TStepDb&) {
        SystemDef.SysIniName.clear();
        SystemDef.SysIniAddress.clear();
        SystemDef.SysIniTel.clear();
        SystemDef.SysIni10Reserve1 = SystemDef.SysIni10Reserve2 = SystemDef.SysIni10Reserve3 = 0;
        TSystemIniRec r;
        r.REC = 10;
        if (!DM->GetSysIni(r))
            throw std::runtime_error("SYSTEMINI を読み込めません。");
        const auto value = [&](const QString& name) {
            return GetValueOfName(r.SSTR, name).mid(name.size() + 1);
        };
        SystemDef.SysIniName = value(QStringLiteral("NAME"));
        SystemDef.SysIniAddress = value(QStringLiteral("JYUSHO"));
        SystemDef.SysIniTel = value(QStringLiteral("TEL"));
        SystemDef.SysIni10Reserve1 = r.RESERVE1;
        SystemDef.SysIni10Reserve2 = r.RESERVE2;
        if (r.RESERVE1 != 1)
            return qint32(StepDone);
        SystemDef.SysIni10Reserve3 = 1;
        r.RESERVE3 = 1;
        r.RESERVE4 = 0;
        r.RESERVE5 = 0;
        r.SSTR = QStringLiteral("NAME=%1\rJYUSHO=%2\rTEL=%3\r")
                     .arg(SystemDef.SysIniName, SystemDef.SysIniAddress, SystemDef.SysIniTel);
        if (!DM->SetSysIni(r))
            throw std::runtime_error("SYSTEMINI を書き込めません。");
        return qint32(StepDone);
    };
    return c;
}

TStepContent z5SystemDbUpdate704::Content() {
    return files({QStringLiteral("sysup01.sql")});
}

TStepContent z5SystemDbUpdate800::Content() {
    return files({QStringLiteral("sysup01.sql")});
}

// The menu positions of every level become the programs behind them; JOBCONTROL keeps its rows.
TStepContent z5SystemDbUpdate802::Content() {
    TStepContent c = files({QStringLiteral("sysup01.sql")});
    c.PostMigration = [](TStepDb& db) {
        fb::Query rows(
            db.transaction,
            QStringLiteral("SELECT LEVELNO,PAGENO,MENUNO FROM JOBCONTROL ORDER BY LEVELNO,PAGENO,MENUNO"));
        fb::Query insert(db.transaction,
                         QStringLiteral("INSERT INTO JOBCONTROL2(LEVELNO,PROC_ID,PROC_OPTION) "
                                        "VALUES(:LEVELNO,:PROC_ID,:PROC_OPTION)"));
        for (rows.open(); !rows.eof(); rows.next()) {
            const qint32 level = rows.field("LEVELNO").asInt();
            QString program, option, again;
            OldMenuToProgram(level, rows.field("PAGENO").asInt(), rows.field("MENUNO").asInt(), program,
                             option, again);
            if (program.isEmpty())
                continue;
            insert.setInt("LEVELNO", level);
            insert.setString("PROC_ID", program);
            insert.setString("PROC_OPTION", option);
            insert.execute();
        }
        rows.close();
    };
    return c;
}

namespace {

// The input settings of one field from its old auto-open value and its input kind.
void writeInputSettings(qint32 key, const QString& field, int autoOpen, int inputKind) {
    int dictionary = autoOpen == 1 ? 1 : 0;
    const int association = autoOpen == 2 ? 1 : 0;
    const int automatic = autoOpen == 1 || autoOpen == 2 ? 1 : 0;
    const int noInput = inputKind > 0 ? 1 : 0;
    if (!dictionary && !association)
        dictionary = 1;
    const std::pair<const char16_t*, int> values[] = {{u"＿辞書開く区分", dictionary},
                                                      {u"＿連想開く区分", association},
                                                      {u"＿自動開く区分", automatic},
                                                      {u"＿入力なし区分", noInput}};
    for (const auto& [suffix, v] : values)
        if (!DM->funcPutSysReg(field + QString::fromUtf16(suffix), QStringLiteral("整数"), key, v))
            throw std::runtime_error("入力方法の設定を書き込めません。");
}

int inputKind(qint32 key, const QString& name) {
    QVariant v;
    if (!DM->funcGetSysReg(name, QStringLiteral("整数"), v, key, QStringLiteral("0")))
        throw std::runtime_error("入力方法の設定を読み込めません。");
    return v.toInt();
}

} // namespace

TStepContent z5SystemDbUpdate904::Content() {
    TStepContent c;
    c.PostMigration = [](TStepDb& db) {
        fb::Query q(db.transaction,
                    QStringLiteral("SELECT OPCODE,DICTEKAUTO,DICTORAUTO FROM SYSDEF ORDER BY OPCODE"));
        struct Row {
            qint32 key, tekiyo, torihiki;
        };
        std::vector<Row> operators;
        for (q.open(); !q.eof(); q.next())
            operators.push_back(
                {q.field("OPCODE").asInt(), q.field("DICTEKAUTO").asInt(), q.field("DICTORAUTO").asInt()});
        q.close();
        for (const Row& r : operators) {
            const int k1 = inputKind(r.key, QStringLiteral("摘要項目の入力区分"));
            const int k2 = inputKind(r.key, QStringLiteral("取引先項目の入力区分"));
            writeInputSettings(r.key, QStringLiteral("摘要"), r.tekiyo, k1);
            writeInputSettings(r.key, QStringLiteral("取引先"), r.torihiki, k2);
        }
    };
    return c;
}

TStepContent z5SystemDbUpdate1004::Content() {
    return files({QStringLiteral("sysup01.sql")});
}

// The era table is reloaded whatever the script did, so an era it added is known at once.
TStepContent z5SystemDbUpdate1101::Content() {
    TStepContent c = files({QStringLiteral("sysup01.sql"), QStringLiteral("sysup02.sql")});
    c.AfterScript = [](qint32) {
        try {
            const bool connected = DM->IBDatabaseDEF.isConnected();
            if (!connected && !DM->fnAccDefConnected(SystemDef.HOSTNAME, 1))
                return;
            DM->LoadGengoTable();
            if (!connected)
                DM->IBDatabaseDEF.detach();
        } catch (const std::exception&) {
            // LoadGengoTable keeps the built-in eras when the table cannot be read.
        }
    };
    return c;
}

TStepContent z5SystemDbUpdate1200::Content() {
    return files({QStringLiteral("sysup01.sql")});
}

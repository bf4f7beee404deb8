// System database steps 7.0.0 to 12.0.0: what each step writes and migrates.

#include "dbupdate/z5DbUpdateSteps.h"
#include "dbupdate/z5MenuListOldHistory.h"
#include "platform/firebird/FbQuery.h"

namespace {

TStepContent files(QStringList names) {
    TStepContent c;
    c.Files = [names = std::move(names)] { return names; };
    return c;
}

} // namespace

TStepContent z5SystemDbUpdate700::Content() {
    return {};
}

TStepContent z5SystemDbUpdate704::Content() {
    return {};
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

TStepContent z5SystemDbUpdate904::Content() {
    return {};
}

TStepContent z5SystemDbUpdate1004::Content() {
    return {};
}

TStepContent z5SystemDbUpdate1101::Content() {
    return {};
}

TStepContent z5SystemDbUpdate1200::Content() {
    return {};
}

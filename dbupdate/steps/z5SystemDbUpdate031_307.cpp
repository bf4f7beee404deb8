// System database steps 0.3.1 to 3.0.7: what each step writes and migrates.

#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateScript.h"
#include "dbupdate/z5DbUpdateSteps.h"

void DatalistUpdateCall(QStringList& lines) {
    if (ConnectMode != 1)
        return;
    // Folder names are case-sensitive here: the server's data folder is passed as it is, not upper-cased.
    lines << QStringLiteral("SELECT * FROM SP_DATALIST_UPDATE(%1);").arg(SqlQuote(ServerDirName))
          << QStringLiteral("COMMIT;");
}

namespace {

TStepContent statementsOf(const QString& resource) {
    TStepContent c;
    c.Statements = [resource](QStringList& lines) { lines << StepSqlLines(resource); };
    return c;
}

TStepContent statements(QStringList body) {
    TStepContent c;
    c.Statements = [body = std::move(body)](QStringList& lines) { lines << body; };
    return c;
}

// The numbering trigger of VERSION, created by 0.3.1 and written again by 3.0.0.
QStringList versionRecTrigger(const QString& head, const QString& termBack) {
    return QStringList{QStringLiteral("SET TERM ^ ;"), head}
           << StepSqlLines(QStringLiteral("version_rec.sql")) << termBack;
}

} // namespace

TStepContent z5SystemDbUpdate031::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << versionRecTrigger(
                     QStringLiteral("CREATE TRIGGER VERSION_REC FOR VERSION ACTIVE BEFORE INSERT POSITION 0"),
                     QStringLiteral("SET TERM ;^"))
              << StepSqlLines(QStringLiteral("sys031.sql"));
    };
    return c;
}

TStepContent z5SystemDbUpdate032::Content() {
    return statements(
        {QStringLiteral("INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, PASWORD, DATAPAS, "
                        "JIMUSHO, OKINIIRI, KANSA) VALUES (10000, 1, 'システムユーザー', 9, '1', '', "
                        "0, 0, 0);"),
         QStringLiteral("COMMIT;")});
}

TStepContent z5SystemDbUpdate033::Content() {
    return statements(
        {QStringLiteral("UPDATE OPERATOR SET PASWORD = '' WHERE GROUPID = 10000 AND OPCODE = 1;"),
         QStringLiteral("COMMIT;")});
}

TStepContent z5SystemDbUpdate101::Content() {
    TStepContent c;
    c.Statements = DatalistUpdateCall;
    return c;
}

TStepContent z5SystemDbUpdate300::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << versionRecTrigger(QStringLiteral("ALTER TRIGGER VERSION_REC"),
                                   QStringLiteral("SET TERM ; ^"))
              << StepSqlLines(QStringLiteral("sys300.sql"));
    };
    return c;
}

TStepContent z5SystemDbUpdate305::Content() {
    return statementsOf(QStringLiteral("sys305.sql"));
}

// Pages 10, 11 and 12 of the medical-corporation levels rotate (10 to 11, 11 to 12, 12 to 10). They are
// parked at negative numbers, which no page uses, so that existing pages 100, 110 and 120 stay apart.
TStepContent z5SystemDbUpdate307::Content() {
    static const int moves[][2] = {{10, -10}, {11, -11}, {12, -12}, {-11, 12}, {-10, 11}, {-12, 10}};
    QStringList body;
    for (const auto& m : moves)
        body << QStringLiteral("UPDATE JOBCONTROL SET PAGENO = %1 WHERE PAGENO = %2 AND LEVELNO > 1000;")
                    .arg(m[1])
                    .arg(m[0]);
    body << QStringLiteral("COMMIT;");
    return statements(std::move(body));
}

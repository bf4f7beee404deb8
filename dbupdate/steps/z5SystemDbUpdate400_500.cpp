// System database steps 4.0.0 to 5.0.0: what each step writes and migrates.

#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateScript.h"
#include "dbupdate/z5DbUpdateSteps.h"
#include "platform/Cp932.h"

#include <QFileInfo>

std::function<bool(const QString& path, int slot)> CodeSchemeImportProc;

namespace {

bool isEditionBuild() {
    return TavrinoEdition == 1 || TavrinoEdition == 2;
}

// The code schemes an edition installs in slots 1 to 10 (slot 7 has none).
const char16_t* const kCodeSchemeFiles[10] = {
    u"販売業.txt", u"製造業.txt", u"建設業.txt",     u"運送業.txt",       u"病院.txt",
    u"その他.txt", nullptr,       u"個人　一般.txt", u"個人　不動産.txt", u"個人　医業.txt"};

} // namespace

TStepContent z5SystemDbUpdate400::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << StepSqlLines(QStringLiteral("sys400.sql"))
              << QStringLiteral("UPDATE SYSTEMINI SET RESERVE2=63 ")
              << QStringLiteral("WHERE (REC=%1) AND (RESERVE1=1);").arg(10) << QStringLiteral("COMMIT;");
    };
    return c;
}

TStepContent z5SystemDbUpdate402::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        if (TavrinoEdition != 0)
            return;
        DatalistUpdateCall(lines);
        lines << StepSqlLines(QStringLiteral("sys402.sql"));
    };
    return c;
}

TStepContent z5SystemDbUpdate500::Content() {
    TStepContent c;
    // Every slot is tried, so one damaged file does not keep the others out; the failed ones are named.
    c.PreMigration = [](TStepDb&) {
        if (!isEditionBuild())
            return qint32(StepDone);
        const QString folder = ExcludePathDelim(SystemDef.SqlDir) + QStringLiteral("/500/");
        QStringList failed;
        for (int slot = 1; slot <= 10; ++slot) {
            const char16_t* file = kCodeSchemeFiles[slot - 1];
            if (!file)
                continue;
            const QString path = folder + QString::fromUtf16(file);
            if (!QFileInfo::exists(path))
                continue;
            bool ok = false;
            try {
                ok = CodeSchemeImportProc && CodeSchemeImportProc(path, slot);
            } catch (const std::exception&) {
                ok = false;
            }
            if (!ok)
                failed << QStringLiteral("%1 (%2)").arg(slot).arg(QString::fromUtf16(file));
        }
        if (!failed.isEmpty())
            ShowErrDetail(QStringLiteral("コード体系の取り込みに失敗しました。"),
                          QStringLiteral("取り込めなかった番号: ") + failed.join(QStringLiteral(", ")),
                          ui::MsgKind::Warning);
        return qint32(StepDone);
    };
    c.Statements = [](QStringList& lines) {
        lines << StepSqlLines(QStringLiteral("sys500.sql"));
        const QString folder = ServerDirName;
        const QString name = cp932::byteLength(folder) > 40 ? QStringLiteral("標準の場所") : folder;
        lines << QStringLiteral("INSERT INTO DATAPLACEMAN(REC,ORDERKBN,NAME,PATH) VALUES(0,1,%1,%2);")
                     .arg(SqlQuote(name), SqlQuote(folder));
        for (int n = 1; n <= 99; ++n)
            lines << QString::asprintf(
                         "INSERT INTO DATAPLACEMAN(REC,ORDERKBN,NAME,PATH) VALUES(%.2d,%.2d,'',", n, n + 1) +
                         SqlQuote(folder + QString::asprintf("%.2d", n)) + QStringLiteral(");");
        lines << QStringLiteral("COMMIT;");
        if (isEditionBuild())
            lines << QStringLiteral("UPDATE SYSREG SET STEXT='1' WHERE SCODE='試算表集計出力区分';")
                  << QStringLiteral("COMMIT;");
    };
    return c;
}

#include "dbupdate/z5DbUpdateStep.h"

#include "core/DataModule.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "dbupdate/z5DbUpdateScript.h"
#include "platform/firebird/FbError.h"

#include <QFile>
#include <QFileInfo>
#include <stdexcept>

// The statement files live in a static library: their resource is registered once, on first use.
static void initStepSqlResource() {
    static const bool done = [] {
        Q_INIT_RESOURCE(z5DbUpdateSql);
        Q_INIT_RESOURCE(z5ProcSql);
        return true;
    }();
    (void)done;
}

namespace {

QString withDisplayName(const char16_t* text) {
    QString s = QString::fromUtf16(text);
    s.replace(QStringLiteral("%N"), AppInfo.Zaimu.AppTitle);
    return s;
}

QString stepContext(const TStepSpec& spec) {
    return QStringLiteral("%1%2%3%4.RunStep")
        .arg(spec.Db == TDbKind::System ? QStringLiteral("z5SystemDbUpdate")
                                        : QStringLiteral("z5UserDbUpdate"))
        .arg(spec.Version.MAJOR)
        .arg(spec.Version.MINOR1)
        .arg(spec.Version.MINOR2);
}

// Reports an error that ends a step; the driver shows the failure of the run afterwards.
void reportStepError(const TStepSpec& spec, const std::exception& e, const QString& message) {
    if (const auto* fbError = dynamic_cast<const fb::Error*>(&e))
        ErrFbAccess(*fbError, stepContext(spec), message);
    else
        ShowErrDetail(message, QString::fromUtf8(e.what()), ui::MsgKind::Error);
}

void disconnectTarget(TDbKind db) {
    try {
        if (db == TDbKind::System) {
            if (DM->IBTransactionDEF.isActive())
                DM->IBTransactionDEF.commit();
            DM->IBDatabaseDEF.detach();
        } else {
            DM->fnAccDatDisConnected(SystemDef.DataDir, 0, 0);
        }
    } catch (const std::exception&) {
        // The connection is gone already; nothing holds the file.
    }
}

// Connects the step's database, runs work with a statement on its transaction (started when it was not
// active) and commits what it started, also when work throws; disconnects on every path.
template <typename Work> auto onTargetDb(TDbKind db, Work&& work) {
    if (!DM)
        throw std::runtime_error("no database module");
    struct Disconnect {
        TDbKind db;
        ~Disconnect() { disconnectTarget(db); }
    } disconnect{db};
    const bool connected = db == TDbKind::System
                               ? DM->fnAccDefConnected(SystemDef.HOSTNAME, 1)
                               : DM->fnAccDatConnected(SystemDef.HOSTNAME, SystemDef.DataDir, 0);
    if (!connected)
        throw std::runtime_error("データベースに接続できません。");
    fb::Database& database = db == TDbKind::System ? DM->IBDatabaseDEF : DM->IBDatabaseDAT;
    fb::Transaction& transaction = db == TDbKind::System ? DM->IBTransactionDEF : DM->IBTransactionDAT;
    fb::Query query(transaction);
    OwnTransaction own(transaction);
    TStepDb target{database, transaction, query};
    struct CommitAlways {
        OwnTransaction& own;
        ~CommitAlways() {
            try {
                own.commit();
            } catch (const std::exception&) {
                // The rollback of the guard ends it.
            }
        }
    } commit{own};
    return work(target);
}

} // namespace

bool ComposeStepScript(const TStepSpec& spec, const TStepContent& content, QStringList& lines) {
    lines = ScriptOpening(spec.Db, spec.CharsetLine);
    const QStringList stamp = StampLines(spec.Db, spec.Version, spec.Memo, spec.TwoLineStamp);
    const auto appendFiles = [&] {
        if (!content.Files)
            return true;
        const QString folder = StepFileFolder(spec.Version);
        for (const QString& name : content.Files()) {
            const QString path = folder + u'/' + name;
            if (content.Selected && !content.Selected(name)) {
                if (spec.Missing == TMissingFileRule::Stop && !QFileInfo::exists(path))
                    return false;
                continue;
            }
            if (!AppendScriptFile(path, lines) && spec.Missing == TMissingFileRule::Stop)
                return false;
        }
        return true;
    };
    switch (spec.Layout) {
    case TScriptLayout::A:
        if (content.Statements)
            content.Statements(lines);
        lines << stamp << QStringLiteral("COMMIT;");
        break;
    case TScriptLayout::B:
        if (content.Statements)
            content.Statements(lines);
        if (!appendFiles())
            return false;
        if (content.StatementsAfterFiles)
            content.StatementsAfterFiles(lines);
        lines << stamp << QStringLiteral("COMMIT;");
        break;
    case TScriptLayout::C:
        lines << stamp << QStringLiteral("COMMIT;");
        if (!appendFiles())
            return false;
        break;
    }
    lines << QStringLiteral("EXIT;");
    return true;
}

QStringList StepSqlLines(const QString& name) {
    initStepSqlResource();
    QFile file(QStringLiteral(":/dbupdate/sql/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("%1 がありません。").arg(file.fileName()).toStdString());
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

const TStepSpec* FindStep(TDbKind db, const TDbVersion& version) {
    for (const TStepSpec& spec : StepTable())
        if (spec.Db == db && spec.Version == version)
            return &spec;
    return nullptr;
}

void RegisterStep(const TStepSpec& spec, TDbUpdateListRec& entry) {
    entry.MAJOR = spec.Version.MAJOR;
    entry.MINOR1 = spec.Version.MINOR1;
    entry.MINOR2 = spec.Version.MINOR2;
    entry.NeedBackup = spec.NeedBackup;
    entry.Title = withDisplayName(spec.Title);
    entry.Description = withDisplayName(spec.Description);
    if (TavrinoEdition == 1 || TavrinoEdition == 2) {
        if (spec.EditionTitle)
            entry.Title = withDisplayName(spec.EditionTitle);
        if (spec.EditionDescription)
            entry.Description = withDisplayName(spec.EditionDescription);
        if (spec.EditionAppend)
            entry.Description += withDisplayName(spec.EditionAppend);
    }
    const TStepSpec* row = &spec;
    entry.StepProc = [row] { return RunStep(*row, row->Content ? row->Content() : TStepContent{}); };
}

TArrayDbUpdateListRec BuildSteps(TDbKind db) {
    TArrayDbUpdateListRec steps;
    for (const TStepSpec& spec : StepTable()) {
        if (spec.Db != db)
            continue;
        RegisterStep(spec, steps.emplace_back());
    }
    return steps;
}

qint32 RunStep(const TStepSpec& spec, const TStepContent& content) {
    const QString failed =
        QStringLiteral("Ver %1のデータベース更新に失敗しました。").arg(spec.Version.text());
    if (content.PreMigration) {
        try {
            if (onTargetDb(spec.Db, content.PreMigration) != StepDone)
                return StepScriptFailed;
        } catch (const std::exception& e) {
            reportStepError(spec, e, failed);
            return StepScriptFailed;
        }
    }

    qint32 result = StepScriptFailed;
    try {
        QStringList lines;
        if (!ComposeStepScript(spec, content, lines))
            return StepFileMissing;
        // isql-fb opens the file itself: the embedded engine lets one process hold it at a time.
        disconnectTarget(spec.Db);
        TScriptFolder folder;
        if (!folder.isValid())
            throw std::runtime_error("一時フォルダを作成できません。");
        SaveScript(lines, folder.scriptPath());
        result = RunIsqlScript(spec.Version.text(), folder.scriptPath());
    } catch (const std::exception& e) {
        reportStepError(spec, e, failed);
        result = StepScriptFailed;
    }

    if (content.AfterScript) {
        try {
            content.AfterScript(result);
        } catch (const std::exception& e) {
            reportStepError(spec, e, failed);
        }
    }
    if (result == StepDone && content.PostMigration) {
        try {
            onTargetDb(spec.Db, [&](TStepDb& db) {
                content.PostMigration(db);
                return 0;
            });
        } catch (const std::exception& e) {
            reportStepError(spec, e, failed);
            result = StepMigrationFailed;
        }
    }
    return result;
}

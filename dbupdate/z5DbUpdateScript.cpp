#include "dbupdate/z5DbUpdateScript.h"

#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "platform/Cp932.h"
#include "platform/SpecialFolders.h"
#include "platform/UserInteraction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSaveFile>
#include <QStandardPaths>
#include <stdexcept>

std::function<QDateTime()> DbUpdateClock = [] { return QDateTime::currentDateTime(); };

namespace {

QString g_isqlPath;

const QString kScriptFile = QStringLiteral("plzdataup.sql");
const QString kOutputFile = QStringLiteral("plzdataup.log");
const QString kErrorLog = QStringLiteral("ErrDataup");

[[noreturn]] void fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

QString nowText() {
    return DbUpdateClock().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
}

// Blanks and control characters at both ends removed.
QString trimControls(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

QString errorLogPath(const QString& extension) {
    return ExcludePathDelim(SystemDef.LogDir) + u'/' + kErrorLog + extension;
}

// Writes the whole of bytes to the file (replacing it), or throws.
void writeWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit())
        fail(QStringLiteral("%1 を書き込めません。").arg(path));
}

bool hasFailedStatement(const QByteArray& output) {
    for (const QByteArray& line : output.split('\n'))
        if (line.startsWith("Statement failed"))
            return true;
    return false;
}

} // namespace

QString IsqlToolPath() {
    if (!g_isqlPath.isEmpty())
        return g_isqlPath;
    const QString configured = qEnvironmentVariable("QV_ISQL");
    if (!configured.isEmpty())
        return configured;
    for (const char* name : {"isql-fb", "isql"}) {
        const QString p = QStandardPaths::findExecutable(QLatin1String(name));
        if (!p.isEmpty())
            return p;
    }
    return QStringLiteral("isql-fb");
}

const QString IsqlNotStartedMessage = QStringLiteral("ISQL.EXEが起動できません。\r処理を中止します。");

bool IsqlToolFound() {
    const QString tool = IsqlToolPath();
    if (!tool.contains(u'/'))
        return !QStandardPaths::findExecutable(tool).isEmpty();
    const QFileInfo info(tool);
    return info.isFile() && info.isExecutable();
}

void SetIsqlToolPath(const QString& path) {
    g_isqlPath = path;
}

QString SqlQuote(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}

QString StepFileFolder(const TDbVersion& version) {
    return ExcludePathDelim(SystemDef.SqlDir) +
           QStringLiteral("/%1%2%3").arg(version.MAJOR).arg(version.MINOR1).arg(version.MINOR2);
}

QString ScriptDatabaseName(TDbKind db) {
    const bool system = db == TDbKind::System;
    const QString folder = system ? SystemDef.SYSDIR : SystemDef.DataDir;
    const QString file = system ? SysDbFileName : DataFileName;
    const QString name = TDM::DatabaseName(SystemDef.HOSTNAME, folder, file);
    if (SystemDef.GOGLOBAL != 0 && name.startsWith(u'/'))
        return QStringLiteral("localhost:") + name;
    return name;
}

QStringList ScriptOpening(TDbKind db, bool charsetLine) {
    QStringList lines;
    lines << QStringLiteral("/* %1,%2,%3 */").arg(nowText(), SystemDef.PCName).arg(SystemDef.OPCODE);
    lines << QString();
    lines << QStringLiteral("CONNECT %1;").arg(SqlQuote(ScriptDatabaseName(db)));
    if (charsetLine)
        lines << QStringLiteral("SET NAMES SJIS_0208;");
    return lines;
}

QString StampMemoText(TStampMemo memo) {
    if (memo == TStampMemo::Time)
        return nowText();
    const QString text = QStringLiteral("%1,%2,%3,%4")
                             .arg(nowText())
                             .arg(SystemDef.LoginCode)
                             .arg(SystemDef.OperatorName, SystemDef.PCName);
    if (memo == TStampMemo::Operator)
        return text;
    const QString cut = LeftStrB(text, 127);
    return memo == TStampMemo::Operator127Trim ? trimControls(cut) : cut;
}

QStringList StampLines(TDbKind db, const TDbVersion& v, TStampMemo memo, bool twoLines) {
    const QString memoText = SqlQuote(StampMemoText(memo));
    if (db == TDbKind::Accounting)
        return {QStringLiteral("UPDATE ACCVERSION SET MAJOR=%1,MINOR1=%2,MINOR2=%3,MEMO=%4")
                    .arg(v.MAJOR)
                    .arg(v.MINOR1)
                    .arg(v.MINOR2)
                    .arg(memoText),
                QStringLiteral("WHERE REC=1;")};
    const QString values =
        QStringLiteral("VALUES(%1,%2,%3,%4);").arg(v.MAJOR).arg(v.MINOR1).arg(v.MINOR2).arg(memoText);
    const QString insert = QStringLiteral("INSERT INTO VERSION(MAJOR,MINOR1,MINOR2,MEMO)");
    if (twoLines)
        return {insert, values};
    return {insert + u' ' + values};
}

bool AppendScriptFile(const QString& path, QStringList& lines) {
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("%1 を読み込めません。").arg(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fail(QStringLiteral("%1 を読み込めません。").arg(path));
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            lines << cp932::decode(line);
    }
    return true;
}

TScriptFolder::TScriptFolder()
    : m_dir(ExcludePathDelim(specialfolders::temp()) + QStringLiteral("/plzdataup-XXXXXX")) {}

QString TScriptFolder::scriptPath() const {
    return m_dir.filePath(kScriptFile);
}

QString TScriptFolder::outputPath() const {
    return m_dir.filePath(kOutputFile);
}

void SaveScript(const QStringList& lines, const QString& path) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bool ok = false;
        bytes += cp932::encode(line, &ok);
        if (!ok)
            fail(QStringLiteral("更新ファイルに書けない文字があります: %1").arg(line));
        bytes += '\n';
    }
    writeWhole(path, bytes);
}

void AppendErrorLog(const QByteArray& output) {
    QFile log(errorLogPath(QStringLiteral(".log")));
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        fail(QStringLiteral("%1 を書き込めません。").arg(log.fileName()));
    QByteArray bytes = output;
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += '\n';
    if (log.write(bytes) != bytes.size() || !log.flush())
        fail(QStringLiteral("%1 を書き込めません。").arg(log.fileName()));
}

qint32 RunIsqlScript(const QString& versionText, const QString& scriptPath) {
    const QString outputPath = QFileInfo(scriptPath).absolutePath() + u'/' + kOutputFile;
    struct OutputRemover {
        QString path;
        ~OutputRemover() { QFile::remove(path); }
    } removeOutput{outputPath};

    if (!QFileInfo(scriptPath).isFile()) {
        ui::showMessage(
            ui::MsgKind::Information,
            QStringLiteral("更新ファイル(%1)が見つかりません。\r処理を中止します。").arg(scriptPath));
        return StepFileMissing;
    }
    QFile::remove(outputPath);

    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ISC_USER"), SystemDef.USER);
    env.insert(QStringLiteral("ISC_PASSWORD"), SystemDef.PASSWORD);
    tool.setProcessEnvironment(env);
    tool.setProcessChannelMode(QProcess::MergedChannels);
    StartChildTool(tool, IsqlToolPath(),
                   {QStringLiteral("-ch"), QStringLiteral("SJIS_0208"), QStringLiteral("-i"), scriptPath,
                    QStringLiteral("-e"), QStringLiteral("-m"), QStringLiteral("-o"), outputPath});
    if (!tool.waitForStarted(-1)) {
        ui::showMessage(ui::MsgKind::Information, IsqlNotStartedMessage);
        return StepToolNotStarted;
    }
    WaitForChildProcess(tool);

    // What the tool said outside its output file (it could not open a file, it crashed) counts too.
    QByteArray output = tool.readAll();
    QFile out(outputPath);
    const bool haveOutput = out.open(QIODevice::ReadOnly);
    if (haveOutput)
        output = out.readAll() + output;
    out.close();
    const bool failed = !haveOutput || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0 ||
                        hasFailedStatement(output);
    if (!failed)
        return StepDone;

    ui::showMessage(ui::MsgKind::Error,
                    QStringLiteral("Ver %1のデータベース更新に失敗しました。").arg(versionText));
    writeWhole(errorLogPath(QStringLiteral(".txt")), output);
    AppendErrorLog(output);
    return StepScriptFailed;
}

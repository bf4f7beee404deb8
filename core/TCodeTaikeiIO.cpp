#include "core/TCodeTaikeiIO.h"

#include "core/DataModule.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "platform/Cp932.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbError.h"
#include "platform/firebird/FbQuery.h"

#include <QFile>

namespace {

const QString kUpdateFailed = QStringLiteral("コード体系の更新に失敗しました。");
const QString kRepairFailed = QStringLiteral("コード体系の区分修復に失敗しました。");

int toIntOrZero(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : 0;
}

// Section index 0..7 of a line kind, -1 for a line that is dropped.
int sectionOfKind(int kind) {
    if (kind >= 1 && kind <= 8)
        return kind - 1;
    if (kind == 21 || kind == 22)
        return 1;
    if (kind >= 31 && kind <= 34)
        return 2;
    if (kind == 71)
        return 6;
    return -1;
}

// Runs the work on the system transaction, started here when none runs and then ended here; a failure
// is reported with the context and message and rolls back what was started here.
template <typename F>
bool onSystemTransaction(const QString& context, const QString& message, F&& work) {
    try {
        OwnTransaction own(DM->IBTransactionDEF);
        work();
        own.commit();
        return true;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, context, message);
    } catch (const std::exception& e) {
        ShowErrDetail(message, QString::fromUtf8(e.what()), ui::MsgKind::Error);
    }
    return false;
}

} // namespace

TCodeTaikeiIO::TCodeTaikeiIO() {
    m_splitter.Separator = u',';
    KubunSyufuku();
}

void TCodeTaikeiIO::ParseLines(const QStringList& lines, TCodeTaikeiRec2& record) {
    for (const QString& line : lines) {
        m_splitter.Bunkatu(line);
        const int kind = toIntOrZero(m_splitter.GetMoji(0));
        const int section = sectionOfKind(kind);
        if (section < 0)
            continue;
        record.IniDat[section] << line;
        if (kind == 1) {
            record.NAME = m_splitter.GetMoji(1);
            record.DATATYPE = toIntOrZero(m_splitter.GetMoji(2));
            record.CODETYPE = toIntOrZero(m_splitter.GetMoji(3));
            if (m_splitter.Count >= 6)
                record.SeihinKubun = m_splitter.GetMoji(5);
        }
    }
}

bool TCodeTaikeiIO::ImportFile(const QString& path, qint32 recno) {
    TCodeTaikeiRec2 record;
    record.RECNO = recno;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("ファイル %1 を開けません。").arg(path).toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(file.errorString().toStdString());
    QStringList lines = cp932::decode(bytes).split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    ParseLines(lines, record);
    // A file without a header names no scheme: there is nothing to write and nothing to tell.
    if (record.NAME.isEmpty())
        return false;
    QString message;
    if (!CheckSeihinKubun(record.SeihinKubun, message)) {
        if (!message.isEmpty())
            ui::showInformation(message);
        return false;
    }
    return UpDateRecored(record);
}

bool TCodeTaikeiIO::CheckSeihinKubun(const QString& word, QString& message) const {
    message.clear();
    const QString expected = AppInfo.Application.OEM + AppInfo.Application.VerTest;
    bool allowed = false;
    if (TavrinoEdition == 0)
        allowed = word.isEmpty() || word == expected;
    else if (TavrinoEdition == 1 || TavrinoEdition == 2)
        allowed = word == expected;
    else
        return false;
    if (!allowed)
        message = QStringLiteral("このプログラムでは、該当のデータ（製品区分）を処理することが出来ません。") +
                  AppInfo.Zaimu.AppTitle + QStringLiteral("以外で作成されたデータの可能性があります。");
    return allowed;
}

bool TCodeTaikeiIO::UpDateRecored(const TCodeTaikeiRec2& record) {
    if (record.NAME.isEmpty() || record.DATATYPE == 0 || record.CODETYPE == 0)
        return false;
    return onSystemTransaction(QStringLiteral("TCodeTaikeiIO.UpDateRecored"), kUpdateFailed, [&] {
        fb::Query q(DM->IBTransactionDEF);
        const auto bind = [&] {
            q.setInt("RECNO", record.RECNO);
            q.setString("NAME", record.NAME);
            q.setInt("DATATYPE", record.DATATYPE);
            q.setInt("CODETYPE", record.CODETYPE);
            for (int i = 0; i < 8; ++i) {
                QString text;
                for (const QString& line : record.IniDat[i])
                    text += line + QStringLiteral("\r\n");
                q.setString(QStringLiteral("INIDAT%1").arg(i + 1), text);
            }
        };
        q.setSql(QStringList{
            QStringLiteral("UPDATE USERCODE SET NAME=:NAME,DATATYPE=:DATATYPE,CODETYPE=:CODETYPE,"),
            QStringLiteral("INIDAT1=:INIDAT1,INIDAT2=:INIDAT2,INIDAT3=:INIDAT3,INIDAT4=:INIDAT4,INIDAT5=:INIDAT5,"
                           "INIDAT6=:INIDAT6,INIDAT7=:INIDAT7,INIDAT8=:INIDAT8"),
            QStringLiteral("WHERE RECNO=:RECNO")});
        bind();
        q.execute();
        // A record number without a row gets one: the scheme is never reported written when it is not.
        if (q.rowsAffected() == 0) {
            q.setSql(QStringList{
                QStringLiteral("INSERT INTO USERCODE (RECNO,NAME,DATATYPE,CODETYPE,INIDAT1,INIDAT2,INIDAT3,INIDAT4,"
                               "INIDAT5,INIDAT6,INIDAT7,INIDAT8)"),
                QStringLiteral("VALUES (:RECNO,:NAME,:DATATYPE,:CODETYPE,:INIDAT1,:INIDAT2,:INIDAT3,:INIDAT4,"
                               ":INIDAT5,:INIDAT6,:INIDAT7,:INIDAT8)")});
            bind();
            q.execute();
        }
    });
}

void TCodeTaikeiIO::KubunSyufuku() {
    onSystemTransaction(QStringLiteral("TCodeTaikeiIO.KubunSyufuku"), kRepairFailed, [&] {
        fb::Query q(DM->IBTransactionDEF);
        q.setSql(QStringList{QStringLiteral("SELECT RECNO,INIDAT1 FROM USERCODE"),
                             QStringLiteral("WHERE DATATYPE=1 AND CODETYPE=1")});
        struct Repair {
            int recno, dataType, codeType;
        };
        std::vector<Repair> repairs;
        for (q.open(); !q.eof(); q.next()) {
            m_splitter.Bunkatu(q.field("INIDAT1").asString().section(QStringLiteral("\r\n"), 0, 0));
            const int d = toIntOrZero(m_splitter.GetMoji(2));
            const int c = toIntOrZero(m_splitter.GetMoji(3));
            if (d != 1)
                repairs.push_back({q.field("RECNO").asInt(), d, c});
        }
        q.close();
        q.setSql(QStringList{QStringLiteral("UPDATE USERCODE SET DATATYPE=:DATATYPE,CODETYPE=:CODETYPE"),
                             QStringLiteral("WHERE RECNO=:RECNO")});
        for (const Repair& r : repairs) {
            q.setInt("DATATYPE", r.dataType);
            q.setInt("CODETYPE", r.codeType);
            q.setInt("RECNO", r.recno);
            q.execute();
        }
    });
}

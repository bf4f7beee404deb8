#include "tusin/z5CashBookSender.h"

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <exception>

TCashBookSender::TCashBookSender() : m_transaction(DM->IBTransactionDAT) {
    ProcessInfo.ProcessName = QStringLiteral("CashBookSender");
}

TCashBookSender::~TCashBookSender() = default;

qint32 TCashBookSender::GetResult() {
    Result = TesuvioLogResult(ProcessLog);
    return Result;
}

void TCashBookSender::AddLogEntry() {
    TTesuvioSyoriInfo e = ProcessInfo;
    e.ProcessName.clear();
    ProcessLog.push_back(e);
    GetResult();
}

void TCashBookSender::Reset() {
    Result = 0;
    ProcessInfo.Level = 0;
    ProcessInfo.Code = 0;
    ProcessInfo.Message.clear();
    ProcessLog.clear();
}

void TCashBookSender::Execute() {
    Reset();
    if (Mode == 1)
        CashBookSend = 1;
    QString failure;
    try {
        OwnTransaction own(m_transaction);
        try {
            fb::Query read(m_transaction);
            fb::Query write(m_transaction);
            if (CashBookSend == 1) {
                read.setSql(QStringLiteral("SELECT REC,SWKREC,LINKKUB,LINKKEY,RESERVE1 FROM SIWAKE"
                                           " WHERE (DELFLG=0) AND (LINKKUB=0) AND (TAISHAKU=1) AND"
                                           " ((KCODE=:KCODE OR R_KCODE=:R_KCODE) OR (LINKREC>0))"));
                write.setSql(QStringLiteral("UPDATE SIWAKE SET LINKKEY=:LINKKEY,LINKKUB=:LINKKUB WHERE SWKREC=:SWKREC"));
            } else {
                read.setSql(QStringLiteral("SELECT REC,SWKREC,DELFLG,KCODE,R_KCODE FROM SIWAKE"
                                           " WHERE (DELFLG IN (0,1)) AND (TAISHAKU=1) AND"
                                           " ((KCODE=:KCODE OR R_KCODE=:R_KCODE) OR (LINKREC>0))"));
                write.setSql(QStringLiteral(
                    "UPDATE SIWAKE SET RESERVE1=:RESERVE1,RESERVE2=:RESERVE2,LINKKEY=:LINKKEY,LINKKUB=:LINKKUB,"
                    "LINKREC=:LINKREC,LOCALFLG=:LOCALFLG WHERE SWKREC=:SWKREC"));
            }
            read.setString("KCODE", AccInf.CashKCODE);
            read.setString("R_KCODE", AccInf.CashKCODE);
            read.open();
            while (!read.eof()) {
                const int rec = read.field("REC").asInt();
                write.setInt("SWKREC", read.field("SWKREC").asInt());
                if (CashBookSend == 1) {
                    write.setString("LINKKEY", QString::number(rec));
                    write.setInt("LINKKUB", 10);
                } else {
                    const bool cash = read.field("KCODE").asString() == AccInf.CashKCODE ||
                                      read.field("R_KCODE").asString() == AccInf.CashKCODE;
                    const bool live = read.field("DELFLG").asInt() == 0;
                    write.setInt("RESERVE1", cash ? rec : 0);
                    write.setInt("RESERVE2", 0);
                    write.setString("LINKKEY", cash && live ? QString::number(rec) : QString());
                    write.setInt("LINKKUB", cash && live ? 10 : 0);
                    write.setInt("LINKREC", 0);
                    write.setInt("LOCALFLG", 0);
                }
                write.execute();
                read.next();
            }
            read.close();
            own.commit();
        } catch (...) {
            own.rollback();
            throw;
        }
        ProcessInfo.Level = 1;
        ProcessInfo.Code = 1;
        ProcessInfo.Message = QStringLiteral("出納帳データの送信処理が成功しました。");
        AddLogEntry();
        return;
    } catch (const std::exception& e) {
        failure = QString::fromStdString(e.what());
    } catch (...) {
        failure = QStringLiteral("unknown error");
    }
    ProcessInfo.Level = 3;
    ProcessInfo.Code = -100;
    ProcessInfo.Message = QStringLiteral("出納帳データの送信処理に失敗しました。 ") + QStringLiteral("原因: %1").arg(failure);
    AddLogEntry();
    ui::showError(QStringLiteral("出納帳データの送信処理中にエラーが発生しました。\r\r") + QStringLiteral("原因: %1").arg(failure));
}

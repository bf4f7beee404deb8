#pragma once
// Marks the cash journal entries of the open dataset before data goes to the cash-book side, so that
// the import on either side can pair each entry with its counterpart: a cash-book send links the
// entries not yet linked; a master send starts every pairing afresh.

#include "tusin/TTesuvioSyoriInfo.h"

#include <memory>

namespace fb {
class Query;
class Transaction;
} // namespace fb

class TCashBookSender {
public:
    TCashBookSender();
    virtual ~TCashBookSender();
    TCashBookSender(const TCashBookSender&) = delete;
    TCashBookSender& operator=(const TCashBookSender&) = delete;

    virtual void Execute();
    qint32 GetResult();

    quint8 Mode = 0;         // 1 forces CashBookSend on
    quint8 CashBookSend = 1; // 1 cash-book send, 0 master send
    qint32 Result = 0;
    TTesuvioSyoriInfo ProcessInfo;
    TTesuvioSyoriLog ProcessLog;

private:
    void AddLogEntry();
    void Reset();
    fb::Transaction& m_transaction;
};

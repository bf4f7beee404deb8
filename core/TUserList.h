#pragma once
// Operators of the system database as entry records and ready-made display lines: TUserList lists the
// operators (code 10 and above) of one group, optionally after an entry standing for every operator;
// TLoginUserListOnDef lists the operators logged on in a group.

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace fb {
class Transaction;
class Query;
} // namespace fb

struct TUserListRec {
    qint32 GroupId = 0;
    qint32 OpCode = 0; // 0 for the every-operator entry
    QString OpName;
    QString Password;
    qint32 JobLevel = 0;
    QString LevelName;
    bool Jimusho = false;
    bool Okiniiri = false;
    bool ExtraFlag = false;
    QStringList UseSiten;
    QString ExtraText;
    bool MyNumberAdm = false;
    bool Shonin = false;
};

class TUserList {
public:
    TUserList();
    ~TUserList();
    TUserList(const TUserList&) = delete;
    TUserList& operator=(const TUserList&) = delete;

    // read_committed, rec_version, nowait on the system database.
    std::unique_ptr<fb::Transaction> Transaction;
    std::unique_ptr<fb::Transaction> DatTransaction; // the accounting database's own transaction
    std::unique_ptr<fb::Query> SysQuery;
    std::unique_ptr<fb::Query> DatQuery;
    QString AllCaption;
    qint32 GroupId = 0;
    std::vector<TUserListRec> Entries;
    QStringList Lines;
    qint32 Count = 0;
    quint8 Quoted = 0;        // 1: lines "\"code\"<TAB>\"name\""
    quint8 ApproversOnly = 0; // 1: only operators with SHONIN above 0

    // which 0: SysQuery on the transaction; -1: both queries back on their own; other: DatQuery.
    void SetTransaction(fb::Transaction& transaction, int which);
    // Rebuilds the list; errors are reported, never passed on (Count then stays 0).
    void Execute();
    void GetText(QString& text) const;
    qint32 GetOpCode(int index) const;
    int IndexOfOpCode(qint32 code) const;
    void Clear();

private:
    QString lineOf(const QString& code, const QString& name) const;
};

struct TLoginUserListRec {
    qint32 OperatorCode = 0;
    QString OpName;
    QString PcName;
};

class TLoginUserList {
public:
    virtual ~TLoginUserList();
    std::unique_ptr<fb::Query> Query;
    std::vector<TLoginUserListRec> Entries;
    QStringList Lines;
    qint32 Count = 0;
    qint32 GroupId = 0;
    qint32 OpKey = 0;
    quint8 IncludeSelf = 0;

    qint32 GetOpCode(int index) const;
    void GetName(int index, QString& name) const;
    void Clear();
};

class TLoginUserListOnDef : public TLoginUserList {
public:
    // The query runs in the database module's system transaction.
    TLoginUserListOnDef();
    // Rebuilds the list of the group, without the rows of the operator key unless includeSelf is 1.
    // Errors are reported (when the transaction was started here) and passed on.
    void Execute(qint32 group, qint32 opKey, quint8 includeSelf);
};

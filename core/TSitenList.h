#pragma once
// The facilities (branches) of the open dataset an operator may choose from: the whole company, groups
// of facilities, medical business kinds, facilities and facilities that keep departments, each with its
// display line, limited to what the operator key is permitted (OPLICENSE).

#include "platform/firebird/FbQuery.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

struct TSitenListRec {
    QString Code; // SCODE, GCODE, or " " for the whole entry and business kinds
    QString Name;
    qint32 Kind = 0;      // 0 whole, 1 group (general) or business kind (medical), 2 facility,
                          // 3 facility keeping departments, 5 group (medical)
    qint32 JigyouKbn = 0; // business kind (1 for every entry of general data)
    qint32 BumonFlag = 0;
    qint32 Color = 0;
    QString Text1, Text2;
};

class TSitenList {
public:
    // What Load lists (bits).
    enum : quint8 { KindWhole = 1, KindGroups = 2, KindSites = 4, KindBumonSites = 8 };

    TSitenList();

    // Binds the reads to another transaction of the accounting database.
    void SetTransaction(fb::Transaction& transaction);

    quint8 Kinds = 0;
    qint32 OperatorKey = 0; // key of the last load; -1 every facility permitted
    qint32 JigyouFilter = 0;
    bool TabLines = false;
    bool Include00 = true;

    QList<TSitenListRec> Items;
    QStringList Lines;
    qint32 Count = 0;

    // General data runs Execute, medical data ExecuteMB, other data nothing. A failure is reported
    // and passed on; the count then stays 0.
    void Load(qint32 operatorKey);
    void Execute(qint32 operatorKey);
    void ExecuteMB(qint32 operatorKey);
    QString GetCode(qint32 index) const;
    void Clear();

private:
    void run(qint32 operatorKey, bool medical);
    void add(const TSitenListRec& rec);
    QString wholeName() const;
    std::unique_ptr<fb::Query> m_query;
};

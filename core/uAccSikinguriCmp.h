#pragma once
// The cash-flow item list of the open dataset, general or medical-corporation variant.

#include <QList>
#include <QString>

struct TCashFlowItem {
    QString Code;      // "11"
    QString Name;      // "現金売上"
    QString Qualifier; // empty or the section in brackets, "（経常収支）"
};

// Empty until a dataset is opened.
extern QList<TCashFlowItem> CashFlowItems;

// Empties CashFlowItems and fills it with the variant's rows in their fixed order.
void SelectCashFlowItems(bool medical);

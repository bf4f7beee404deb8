#pragma once
// Era record types shared by the era conversions and the era date edits.

#include "core/TDateTime.h"

#include <QList>
#include <QString>
#include <QStringView>

struct TGengoRec {
    QString Name;         // "令和"
    QString Letter;       // "R"
    TDateTime StartDate;  // the era's first day
    qint32 StartYear = 0; // Gregorian year of era year 1
};

// Newest era first.
using TGengoArray = QList<TGengoRec>;

// A built-in era row, its start date as the text "yyyy/mm/dd".
struct TGengo2Rec {
    QStringView Name;
    QStringView Letter;
    QStringView StartDate;
    qint32 StartYear = 0;
};

struct TWarekiRec {
    QString Name;
    QString Letter;
    qint16 Year = 0;
    qint16 Month = 0;
    qint16 Day = 0;
};

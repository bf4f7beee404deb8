#pragma once
// The menu layouts of the programs before system step 8.0.2, when the permissions of a job level were
// menu positions (JOBCONTROL: level, page, item), and the lookup of the program behind a position.

#include <QString>
#include <array>

struct TMenuListRec {
    QString ProcId; // program started by the item; empty for a free slot
    qint32 PAGENO = 0;
    qint32 MENUNO = 0;
    qint32 Value1 = 0;
    qint32 Value2 = 0;
    qint32 Value3 = 0;
    QString Caption;
    QString Text2;
    QString Params; // name=value lines handed to the program
    quint8 Last = 0;
};

// Slot (page - 1) * 20 + item.
using TGeneralOldMenu = std::array<TMenuListRec, 200>;
using TMedicalOldMenu = std::array<TMenuListRec, 240>;
const TGeneralOldMenu& GeneralOldMenu();
const TMedicalOldMenu& MedicalOldMenu();

// The program and option ("SyoriType=n" or empty) of a menu position; both empty when the slot is free
// or there is none. Levels above 1000 are medical-corporation levels.
void OldMenuToProgram(qint32 level, qint32 page, qint32 item, QString& program, QString& option,
                      QString& programAgain);

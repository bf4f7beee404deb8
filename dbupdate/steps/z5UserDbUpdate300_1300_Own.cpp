// Accounting database steps 3.0.3 and 4.0.0: the statements the steps write themselves around their
// script files.

#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateScript.h"
#include "dbupdate/z5DbUpdateSteps.h"

void Statements303(QStringList& lines) {
    if (AccInf.DATATYPE != 2 || AccInf.CODETYPE != 2)
        return;
    lines << QStringLiteral("UPDATE EXTERKS SET KNAMELOCK=0")
          << QStringLiteral("WHERE KGROUP='4100' AND SUBREC=3;") << QStringLiteral("COMMIT;");
}

void AppendStep400Statements(QStringList& lines) {
    // The sundry account needs its sub-account switch only when it has sub-accounts of its own.
    const QString sundry = SqlQuote(AccInf.ShokuchiKCODE);
    lines << QStringLiteral(
                 "UPDATE KAMOKUMST SET HOJOSW=CASE WHEN (SELECT COUNT(*) FROM HOJOMST WHERE (KCODE=%1 AND "
                 "HCODE<>''))=0 THEN '－' ELSE '○' END")
                 .arg(sundry)
          << QStringLiteral("WHERE (KCODE=%1) AND (HOJOSW='×');").arg(sundry);

    if (MedicalCorporationData()) {
        // The cash-flow statement gets the exchange difference as its fourth block: the blocks from the
        // fourth on move one down, in each of the two forms.
        struct TMove {
            int from, to, order;
            const char16_t* name;
        };
        struct TForm {
            int kind;
            TMove moves[3];
            int rec, order;
        };
        static const TForm forms[] = {
            {1,
             {{60, 70, 41, u"Ⅶ　現金及び現金同等物の期末残高"},
              {50, 60, 40, u"Ⅵ　現金及び現金同等物の期首残高"},
              {40, 50, 39, u"Ⅴ　現金及び現金同等物の増加額"}},
             43,
             38},
            {0,
             {{60, 70, 39, u"Ⅶ　現金及び現金同等物の期末残高"},
              {50, 60, 38, u"Ⅵ　現金及び現金同等物の期首残高"},
              {40, 50, 37, u"Ⅴ　現金及び現金同等物の増加額"}},
             89,
             36},
        };
        for (const TForm& f : forms) {
            for (const TMove& m : f.moves)
                lines << QStringLiteral(
                             "UPDATE CASHFMST SET CM_GROUP=%1,CM_ORDER=%2,CM_NAME1=%3 WHERE (CM_KIND=%4) "
                             "AND (CM_GROUP=%5);")
                             .arg(m.to)
                             .arg(m.order)
                             .arg(SqlQuote(QString::fromUtf16(m.name)))
                             .arg(f.kind)
                             .arg(m.from);
            lines << QStringLiteral(
                         "INSERT INTO CASHFMST (CM_REC,CM_JIGYOU,CM_KIND,CM_GROUP,CM_ORDER,CM_DEL,CM_MKU,"
                         "CM_MARGIN,CM_NAME1,CM_HOSEI) VALUES (%1,15,%2,40,%3,1,1,0,%4,0);")
                         .arg(f.rec)
                         .arg(f.kind)
                         .arg(f.order)
                         .arg(SqlQuote(QStringLiteral("Ⅳ　現金及び現金同等物に係る換算差額")));
        }
    }
    if (AccInf.SITEN > 0)
        lines << QStringLiteral("UPDATE ACCDEF5 SET NUM1=0 WHERE (SCODE='');");
    if (AccInf.BUMON > 0)
        lines << QStringLiteral("UPDATE ACCDEF5 SET NUM1=0 WHERE (BCODE='');");
    lines << QStringLiteral("COMMIT;");
}

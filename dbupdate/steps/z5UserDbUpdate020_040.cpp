// Accounting database steps 0.2.0 to 0.4.0: the account master's GROUPM0 and the opening-balance view,
// the balance procedures that stand on them, the chart settings, the fixed-asset templates, the
// blue-return and breakdown-statement tables, the cash-flow statement once more, the communication
// folder, the management-analysis tables with the accounts' thresholds, and the system-account lookup.
// Steps 0.2.0, 0.3.0, 0.3.2 and 0.4.0 only stamp the version.

#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateSteps.h"

#include <QHash>
#include <QStringView>

namespace {

QStringList terminated(const QStringList& body) {
    return QStringList{QStringLiteral("SET TERM ^ ;")} << body << QStringLiteral("SET TERM ; ^");
}

// The procedures, each in a statement file of its own named after its step and itself.
QStringList procedures(const char* step, std::initializer_list<const char*> names) {
    QStringList lines;
    for (const char* name : names)
        lines << StepSqlLines(QStringLiteral("%1_%2.sql").arg(QLatin1String(step), QLatin1String(name)));
    return lines;
}

// ---- 0.3.3: the thresholds and search keys of the standard accounts

struct TThresholdList {
    // Account codes in statement order: single codes and ranges "first-last", separated by ",".
    const char* accounts;
    // "code key" pairs separated by ","; accounts not named here get an empty key.
    const char* keys;
    // The codes from which the pair changes, alternating: up to the first the default pair, then the
    // reversed pair, then the default pair again, and so on.
    std::initializer_list<int> switches;
};

const TThresholdList kCorporate{
    "1101-1105,1112-1116,1122-1125,1127-1130,1132,1141-1143,1145-1147,1201-1206,1301-1311,1320,1401-1412,"
    "1416,"
    "1501-1506,1601-1608,1620,1701-1703,2101-2121,2201-2207,2301,2302,3101,3111,3201,3401,3402,3202,3203,"
    "3301-3306,3314,3313,3309-3312,3315-3317,3501,4101-4110,4115,5101,5201-5210,5215,5301,5401-5405,5411,"
    "5501-5508,5601-5619,5621,5701,5801,6101-6109,6200-6225,6231,7101-7106,7201-7206,8101-8105,8201-8205,"
    "8301-8304,9999",
    "1101 genki,1102 touza,1112 futsu,1122 teiki,1127 teiki,1132 sonot,1141 uketo,1142 urika,1146 yuuka,"
    "1201 syouh,1202 seihi,1203 hanse,1204 genza,1205 shika,1206 chozo,1301 maewa,1302 maeba,1303 tanki,"
    "1304 misyu,1305 tatek,1306 karib,1307 karib,1308 fuwat,1309 misyu,1310 kurin,1320 kasid,1401 tatem,"
    "1402 kouch,1403 kikai,1404 senpa,1405 syary,1406 kougu,1408 tochi,1409 kense,1416 genka,1501 eigyo,"
    "1502 syaku,1506 denwa,1601 syuss,1602 tousi,1604 hosho,1605 sikik,1606 chouk,1607 chouk,1608 chouk,"
    "1620 kasid,1701 sougy,2101 shiha,2102 kaika,2103 tanki,2104 mihar,2105 mihar,2106 maeuk,2107 azuka,"
    "2108 kariu,2109 kariu,2111 warib,2112 mihar,2113 mihar,2114 mihar,2115 syouy,2116 kurin,2202 chouk,"
    "2206 chouk,3101 shiho,3111 shink,3201 shiho,3202 rieki,3301 betto,3302 tsumi,3306 kurik,3314 jikok,"
    "3313 jikok,3309 yuuka,3310 kurin,3311 tochi,3315 sonot,3501 shink,4101 uriag,4115 uriag,5101 kisyu,"
    "5201 shiir,5215 shiir,5301 kimat,5401 kisyu,5402 zairy,5411 kimat,5501 ching,5502 syouy,5503 zatsu,"
    "5504 houte,5505 fukur,5508 taisy,5601 gaich,5602 denry,5603 gasud,5604 suido,5605 unchi,5606 genka,"
    "5607 syuuz,5608 sozei,5609 chins,5610 hoken,5611 syoum,5612 ryohi,5613 koutu,5614 tsuus,5621 zappi,"
    "5701 kisyu,5801 kimat,6101 hanba,6102 ryohi,6103 kouko,6104 youki,6105 hasso,6108 hanba,6200 yakui,"
    "6201 yakui,6202 kyury,6203 syouy,6204 genka,6205 chida,6206 syuuz,6207 jimuy,6208 tsuus,6209 suido,"
    "6210 sozei,6211 kifuk,6212 setta,6213 hoken,6214 bihin,6215 fukur,6216 houte,6217 syary,6218 zakky,"
    "6219 ri-su,6231 zappi,7101 uketo,7103 yuuka,7104 uketo,7106 zassy,7201 sihar,7203 yuuka,7204 kashi,"
    "7205 kurin,7206 zasso,8101 kotei,8104 zenki,8201 kotei,8202 kotei,8203 kashi,8204 zenki,8301 houji,"
    "8302 houji,9999 syoku",
    {2101, 3101, 5101, 7101, 7201, 8101, 8201}};

const TThresholdList kGeneral{
    "1101-1105,1112-1116,1122-1125,1127-1130,1132,1141-1143,1145-1147,1201-1206,1301-1311,1320,1401-1412,"
    "1416,"
    "1501-1506,1601-1608,1620,1701-1703,2101-2121,2201-2207,2301,2302,3101,3201-3203,3301-3305,4101-4110,"
    "4115,"
    "5101,5201-5210,5215,5301,5401-5405,5411,5501-5508,5601-5619,5621,5701,5801,6101-6109,6201-6226,6231,"
    "7101-7106,7201-7206,9999",
    "1101 genki,1102 touza,1112 futsu,1122 teiki,1127 teiki,1132 sonot,1141 uketo,1142 urika,1146 yuuka,"
    "1201 syouh,1202 seihi,1203 hanse,1204 genza,1205 shika,1206 chozo,1301 maewa,1302 maeba,1303 tanki,"
    "1304 misyu,1305 tatek,1306 karib,1307 karib,1308 fuwat,1309 misyu,1310 maeba,1401 tatem,1402 kouch,"
    "1403 kikai,1404 senpa,1405 syary,1406 kougu,1407 tatem,1408 tochi,1409 kense,1416 genka,1501 eigyo,"
    "1502 syaku,1506 denwa,1601 syuss,1602 toush,1604 hosyo,1605 shiki,1606 chouk,1607 chouk,1608 jigyo,"
    "2101 shiha,2102 kaika,2103 tanki,2104 mihar,2105 mihar,2106 maeuk,2107 azuka,2108 kariu,2109 kariu,"
    "2111 warib,2112 mihar,2120 saike,2121 kashi,2202 chouk,2205 jigyo,3101 motoi,4101 uriag,4103 kajis,"
    "4104 zassy,4115 uriag,5101 kisyu,5201 shiir,5215 shiir,5301 kimat,5401 kisyu,5402 genza,5411 kimat,"
    "5501 ching,5502 syouy,5503 zakky,5504 houte,5505 fukur,5508 taisy,5601 gaich,5602 denry,5604 suido,"
    "5606 genka,5607 syuuz,5621 zappi,5701 kisyu,5801 kimat,6101 sozei,6102 niduk,6103 suido,6104 ryohi,"
    "6105 tsuus,6106 kouko,6107 setta,6108 songa,6109 syuuz,6201 syoum,6202 genka,6203 fukur,6204 kyuur,"
    "6205 gaich,6206 rishi,6207 chida,6208 kashi,6231 zappi,7105 kashi,7202 senjy,7204 kashi,9999 syoku",
    {2101, 3101, 5101, 7101, 7201}};

const TThresholdList kRealEstate{
    "1101-1105,1112-1116,1122-1125,1127-1130,1132,1141-1143,1145-1147,1201-1206,1301-1311,1320,1401-1412,"
    "1416,"
    "1501-1506,1601-1608,1620,1701-1703,2101-2121,2201-2207,2301,2302,3101,3201-3203,3301-3305,4101-4110,"
    "4115,"
    "6101-6109,6201-6226,6231,7202,9999",
    "1101 genki,1102 touza,1112 futsu,1122 teiki,1127 teiki,1132 sonot,1141 uketo,1142 misyu,1143 misyu,"
    "1146 yuuka,1301 maewa,1302 maeba,1303 tanki,1304 misyu,1305 tatek,1306 karib,1307 karib,1308 fuwat,"
    "1309 misyu,1310 maeba,1401 tatem,1402 kouch,1403 kikai,1404 senpa,1405 syary,1406 kougu,1407 tatem,"
    "1408 tochi,1409 kense,1416 genka,1501 eigyo,1502 syaku,1503 kouky,1506 denwa,1601 syuss,1602 toush,"
    "1604 hosyo,1605 shiki,1606 chouk,1607 chouk,1608 jigyo,2101 shiha,2102 kaika,2103 tanki,2104 mihar,"
    "2105 mihar,2106 maeuk,2107 azuka,2108 kariu,2109 kariu,2111 warib,2112 mihar,2113 hosyo,2120 saike,"
    "2121 kashi,2202 chouk,2205 jigyo,3101 motoi,4101 chint,4102 reiki,4103 kenri,4104 koush,4115 uriag,"
    "6101 sozei,6102 niduk,6103 suido,6104 ryohi,6105 tsuus,6106 kouko,6107 setta,6108 songa,6109 syuuz,"
    "6201 syoum,6202 genka,6203 fukur,6204 kyuur,6205 gaich,6206 karii,6207 chida,6208 kashi,6231 sonot,"
    "7202 senjy,9999 syoku",
    {2101, 3101, 6101}};

// The list of the dataset's kind: corporations; otherwise general, real-estate, or none.
const TThresholdList* thresholdListFor(int dataType, int codeType) {
    if (dataType == 1)
        return &kCorporate;
    if (codeType == 1)
        return &kGeneral;
    if (codeType == 2)
        return &kRealEstate;
    return nullptr;
}

void accountThresholds(const TThresholdList& list, QStringList& lines) {
    QHash<int, QString> keys;
    const QString keyText = QString::fromLatin1(list.keys);
    for (QStringView pair : QStringView(keyText).split(u','))
        keys.insert(pair.left(4).toInt(), pair.mid(5).toString());

    const auto update = [&](int code) {
        // The default pair is caution at or below 95 %, good at or above 105 %; the reversed pair
        // swaps them where a rise is unfavourable.
        int passed = 0;
        for (int s : list.switches)
            passed += code >= s ? 1 : 0;
        const bool reversed = passed % 2 == 1;
        const char* pair = code == 9999 ? "0,Solvarne_BadKind=0,Solvarne_GoodRate=0,Solvarne_GoodKind=0"
                           : reversed   ? "1.05,Solvarne_BadKind=1,Solvarne_GoodRate=0.95,Solvarne_GoodKind=0"
                                      : "0.95,Solvarne_BadKind=0,Solvarne_GoodRate=1.05,Solvarne_GoodKind=1";
        lines << QStringLiteral("UPDATE KAMOKUMST SET KKANA='%1',Solvarne_BadRate=%2 WHERE KCODE='%3';")
                     .arg(keys.value(code), QLatin1String(pair))
                     .arg(code);
    };
    const QString accounts = QString::fromLatin1(list.accounts);
    for (QStringView item : QStringView(accounts).split(u',')) {
        const qsizetype dash = item.indexOf(u'-');
        const int first = item.left(dash < 0 ? item.size() : dash).toInt();
        const int last = dash < 0 ? first : item.mid(dash + 1).toInt();
        for (int code = first; code <= last; ++code)
            update(code);
    }
}

// ---- 0.3.4: the quick-asset classification of the trial balance

void quickAssets(QStringList& lines) {
    for (const char* kcode : {"1141", "1142", "1143", "1145", "1146", "1147"})
        lines << QStringLiteral("UPDATE KAMOKUMST SET GROUPM2='1130' WHERE KCODE='%1';")
                     .arg(QLatin1String(kcode));
    for (const char* table : {"EXTERA4", "EXTERA3"})
        for (int rec = 7; rec <= 12; ++rec)
            lines << QStringLiteral("UPDATE %1 SET KGROUP='1130',SUBREC=%2 WHERE REC=%3;")
                         .arg(QLatin1String(table))
                         .arg(rec - 6)
                         .arg(rec);
    lines << QStringLiteral("COMMIT;");
}

} // namespace

// The account lines 0.3.3 writes for a dataset of that data type and code type (exposed for the tests).
QStringList AccountThresholdStatements(int dataType, int codeType) {
    QStringList lines;
    if (const TThresholdList* list = thresholdListFor(dataType, codeType))
        accountThresholds(*list, lines);
    return lines;
}

TStepContent z5UserDbUpdate020::Content() {
    return {};
}

TStepContent z5UserDbUpdate021::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << terminated(StepSqlLines(QStringLiteral("acc021_repair.sql")))
              << QStringLiteral("EXECUTE PROCEDURE ONE_TIME_PROC;") << QStringLiteral("Commit;")
              << QStringLiteral("DROP PROCEDURE ONE_TIME_PROC;");
    };
    return c;
}

TStepContent z5UserDbUpdate022::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        // An account master that already has the new structure is only stamped.
        if (ProbeAccField(QStringLiteral("KAMOKUMST"), QStringLiteral("GROUPM0")))
            return;
        lines << StepSqlLines(QStringLiteral("acc022_chartinf.sql"));

        lines << QStringLiteral("SET GENERATOR KSSETSWKINIT_GEN TO 0;")
              << QStringLiteral("SET GENERATOR KSSETSWK_GEN TO 0;")
              << QStringLiteral("DELETE FROM KS_SETSWK_INIT;") << QStringLiteral("DELETE FROM KS_SETSWK;");
        FixedAssetTemplateRows(1, lines);
        lines << QStringLiteral("Commit;");
        FixedAssetTemplateRows(2, lines);
        lines << QStringLiteral("Commit;");
        lines << StepSqlLines(QStringLiteral("acc022_kssetswk.sql"));

        lines << StepSqlLines(QStringLiteral("acc022_aotables.sql"))
              << StepSqlLines(QStringLiteral("acc022_view.sql"));
        lines << terminated(procedures(
            "acc022", {"SP_BUMONKAISIZAN_COUNT", "SP_BUMONKAISIZAN_LIST", "SP_KAISIZAN_LIST",
                       "SP_KAISIZAN_COUNT", "SP_KANENDOZAN_YOMIKOMI", "SP_KANENDO_BUMON_GROUPZANDAKA"}));
        lines << terminated(
            procedures("acc022", {"SP_KANENDO_BUMON_ZANDAKA", "SP_KANENDO_ZANDAKA", "SP_MB_SELECT_KANENDOZAN",
                                  "SP_MB_SELECT_YOSAN", "SP_MB_SELECT_YOSOKU", "SP_MB_UPDATE_JISSEKIYOSAN"}));
        lines << terminated(
                     procedures("acc022", {"SP_SISANHYO_BUMON", "SP_SISANHYO_BUMON_GROUP", "SP_YOSAN_READ",
                                           "SP_ZENKURI", "SP_KS_INSSETSWK_CALL_SISETU"}))
              << QStringLiteral("COMMIT;");
        lines << StepSqlLines(QStringLiteral("acc022_utiwake.sql"));
        CashFlowStatementRows(lines);
    };
    return c;
}

TStepContent z5UserDbUpdate030::Content() {
    return {};
}

TStepContent z5UserDbUpdate031::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << QStringLiteral("ALTER TABLE ACCDEF1 ADD WEB_HOLDER VARCHAR(30) CHARACTER SET ASCII;")
              << QStringLiteral("UPDATE ACCDEF1 SET WEB_HOLDER='';") << QStringLiteral("COMMIT;")
              << terminated(
                     procedures("acc031", {"SP_KANENDO_BUMON_GROUPZANDAKA", "KAMOKU_PZ_AFTER_UPDATE"}));
    };
    return c;
}

TStepContent z5UserDbUpdate032::Content() {
    return {};
}

TStepContent z5UserDbUpdate033::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << terminated(procedures("acc033", {"SP_MOTOIREKIN_KURIIRE"}))
              << StepSqlLines(QStringLiteral("acc033_hikaku.sql"))
              << AccountThresholdStatements(AccInf.DATATYPE, AccInf.CODETYPE) << QStringLiteral("COMMIT;");
    };
    return c;
}

TStepContent z5UserDbUpdate034::Content() {
    TStepContent c;
    c.Statements = [](QStringList& lines) {
        lines << terminated(procedures("acc034", {"SYSKMKCODEINF"}));
        quickAssets(lines);
    };
    return c;
}

TStepContent z5UserDbUpdate040::Content() {
    return {};
}

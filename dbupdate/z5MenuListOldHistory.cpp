#include "dbupdate/z5MenuListOldHistory.h"

#include "core/uAccFunction2.h"
#include "core/uAccRecord.h"

#include <initializer_list>

namespace {

struct Item {
    int menuNo;
    const char* program;
    int syoriType; // -1: no parameter
};
struct Page {
    int pageNo;
    std::initializer_list<Item> items;
};

const std::initializer_list<Item> kPage1 = {
    {0, "QzSiwake", 1},    {1, "QzSiwake", 0},  {2, "QzMonitor", -1},    {3, "QzMotocho", 0},
    {4, "QzSisanhyo", -1}, {5, "QzNippou", -1}, {10, "QzDataGassan", -1}};
const std::initializer_list<Item> kPage3 = {{0, "QzTaxKazeiSet", -1},   {1, "QzTaxSinkokusyo", -1},
                                            {2, "QzTaxUtiwakesyo", -1}, {3, "QzTaxSyukeihyo", -1},
                                            {4, "QzTaxSisanhyo", -1},   {5, "QzTaxSinkokusyoSyusei", -1}};
const std::initializer_list<Item> kPage6 = {
    {0, "QzCodeTaikei", -1},     {1, "QzOperator", -1},      {5, "QzSiwakeText", 2},
    {6, "QzSiwakeText", 1},      {7, "QzSiwakeText", 0},     {10, "QzSiwakeJisyoCP", -1},
    {11, "QzSiwakeJisyoEx", 0},  {12, "QzSiwakeJisyoEx", 1}, {13, "QzBookmarkSet", -1},
    {15, "QzSiwakeSyufuku", -1}, {19, "QzChouboSet", -1}};
const std::initializer_list<Item> kPage8 = {
    {0, "QzDataTusin", 1},  {1, "QzDataTusin", 2},    {2, "QzTusinSettei", 1}, {10, "QzDataTusin", 3},
    {11, "QzDataTusin", 4}, {12, "QzTusinSettei", 2}, {13, "QzDataTusin", 8},  {14, "QzDataTusin", 5}};
const std::initializer_list<Item> kPage9 = {{0, "QzKansa", -1},
                                            {1, "QzOASettei", -1},
                                            {2, "QzAoInfo", -1},
                                            {3, "QzSolvarMenuCtl", -1},
                                            {4, "QzAoProMenu", -1}};

const std::initializer_list<Item> kGeneralPage2 = {
    {0, "QzHojinKessansyo", -1}, {1, "QzCashFlow", -1},       {2, "QzIkkatuPrint", -1},
    {3, "QzGaikyosyo", -1},      {5, "QzKojinKessansyo", -1}, {6, "QzGenkaSyokyaku", -1},
    {7, "QzTouzaChoseihyo", 0},  {10, "QzNendoKousin", -1},   {11, "QzKurikosiChosei", -1},
    {14, "QzIkkatuZeinuki", -1}, {15, "QzDensiChoubo", -1}};
const std::initializer_list<Item> kGeneralPage4 = {
    {0, "QzSimulation", -1},       {1, "QzGetujiHikakuGraph", -1},
    {2, "QzSankiHikakuGraph", -1}, {3, "QzSankiKamokuGraph", -1},
    {4, "QzKeieiBunseki", -1},     {5, "QzSogoHikakuPL", -1},
    {6, "QzYojitutaihi", -1},      {7, "QzYosoku", -1},
    {8, "QzGetujiHikaku", -1},     {9, "QzSankiHikaku", -1},
    {10, "QzBumonHikakuBL", -1},   {11, "QzSikinguri", -1},
    {12, "QzSitenHikakuBL", -1},   {17, "QzKanendoZan", -1},
    {18, "QzYosan", -1},           {19, "QzZenkamoku2", -1}};
const std::initializer_list<Item> kGeneralPage5 = {
    {0, "QzKihon2", -1},       {1, "QzBumon2", -1},     {2, "QzKamoku2", -1},    {3, "QzKaisizan2", -1},
    {4, "QzBumKaisizan2", -1}, {5, "QzSitenGroup", -1}, {15, "QzCodeHenkou", -1}};
const std::initializer_list<Item> kGeneralPage10 = {
    {0, "QzSolvarne1", -1}, {1, "QzSolvarne_HendouSoneki", -1}, {10, "QzHikakuSuiihyo", -1}};

const std::initializer_list<Item> kMedicalPage2 = {
    {0, "QzMBKessansyo", -1},    {1, "QzMBKessansyoSisetsu", -1}, {2, "QzMBHokukuJigyo", -1},
    {3, "QzMBHokukuZaisan", -1}, {4, "QzMBHokukuKansa", -1},      {5, "QzCashFlow", -1},
    {6, "QzIkkatuPrint", -1},    {7, "QzGaikyosyo", -1},          {8, "QzGenkaSyokyaku", -1},
    {9, "QzTouzaChoseihyo", 0},  {10, "QzNendoKousin", -1},       {11, "QzKurikosiChosei", -1},
    {14, "QzIkkatuZeinuki", -1}, {15, "QzDensiChoubo", -1}};
const std::initializer_list<Item> kMedicalPage10 = {{10, "QzHikakuSuiihyo", -1}};

template <size_t N>
void fill(std::array<TMenuListRec, N>& table, int pageNo, std::initializer_list<Item> items) {
    for (const Item& it : items) {
        TMenuListRec& r = table[size_t((pageNo - 1) * 20 + it.menuNo)];
        r.ProcId = QString::fromLatin1(it.program);
        if (it.syoriType >= 0)
            r.Params = QStringLiteral("SyoriType=%1").arg(it.syoriType);
    }
}

// Every slot carries its own position; the free ones have no program.
template <size_t N> void number(std::array<TMenuListRec, N>& table) {
    for (size_t i = 0; i < N; ++i) {
        table[i].PAGENO = qint32(i / 20 + 1);
        table[i].MENUNO = qint32(i % 20);
    }
}

// Page 7: the seventeen breakdowns and their all-in-one.
template <size_t N> void fillBreakdowns(std::array<TMenuListRec, N>& table) {
    for (int n = 0; n <= 16; ++n)
        table[size_t(6 * 20 + n)].ProcId = QStringLiteral("QzUtiwake%1").arg(n + 1, 2, 10, QLatin1Char('0'));
    table[size_t(6 * 20 + 19)].ProcId = QStringLiteral("QzUtiwakeAll");
}

template <size_t N> void fillCommon(std::array<TMenuListRec, N>& table) {
    number(table);
    fill(table, 1, kPage1);
    fill(table, 3, kPage3);
    fill(table, 6, kPage6);
    fillBreakdowns(table);
    fill(table, 8, kPage8);
    fill(table, 9, kPage9);
}

} // namespace

const TGeneralOldMenu& GeneralOldMenu() {
    static const TGeneralOldMenu table = [] {
        TGeneralOldMenu t;
        fillCommon(t);
        fill(t, 2, kGeneralPage2);
        fill(t, 4, kGeneralPage4);
        fill(t, 5, kGeneralPage5);
        fill(t, 10, kGeneralPage10);
        return t;
    }();
    return table;
}

const TMedicalOldMenu& MedicalOldMenu() {
    static const TMedicalOldMenu table = [] {
        TMedicalOldMenu t;
        fillCommon(t);
        fill(t, 2, kMedicalPage2);
        fill(t, 4, kGeneralPage4);
        t[3 * 20 + 4].ProcId = QStringLiteral("QzKeieiBunseki2");
        t[3 * 20 + 7].ProcId = QStringLiteral("QzYosoku2");
        t[3 * 20 + 18].ProcId = QStringLiteral("QzYosan2");
        fill(t, 5, kGeneralPage5);
        t[4 * 20 + 2].ProcId = QStringLiteral("QzMBKamoku2");
        fill(t, 10, kMedicalPage10);
        t[10 * 20].ProcId = QStringLiteral("QzFuzokuKikan");
        for (int n = 1; n <= 9; ++n)
            t[size_t(10 * 20 + n)].ProcId = QStringLiteral("QzFuzokuM%1").arg(n, 2, 10, QLatin1Char('0'));
        for (int n = 10; n <= 14; ++n)
            t[size_t(10 * 20 + n)].ProcId = QStringLiteral("QzFuzokuR%1").arg(n - 9, 2, 10, QLatin1Char('0'));
        t[10 * 20 + 19].ProcId = QStringLiteral("QzFuzokuIkkatu");
        t[11 * 20].ProcId = QStringLiteral("QzGenkaHaifuSettei");
        for (int n = 1; n <= 11; ++n)
            t[size_t(11 * 20 + n)].ProcId = QStringLiteral("QzGenkaKeisan%1").arg(n, 2, 10, QLatin1Char('0'));
        return t;
    }();
    return table;
}

namespace {

template <size_t N>
void lookUp(const std::array<TMenuListRec, N>& table, qint32 page, qint32 item, QString& program,
            QString& option) {
    for (const TMenuListRec& r : table)
        if (r.PAGENO == page && r.MENUNO == item) {
            program = r.ProcId;
            option = r.ProcId.isEmpty() ? QString() : GetValueOfName(r.Params, QStringLiteral("SyoriType"));
            return;
        }
}

} // namespace

void OldMenuToProgram(qint32 level, qint32 page, qint32 item, QString& program, QString& option,
                      QString& programAgain) {
    program.clear();
    option.clear();
    if (level <= 1000) {
        lookUp(GeneralOldMenu(), page, item, program, option);
        if ((TavrinoEdition == 1 || TavrinoEdition == 2) && page == 1) {
            switch (item) {
            case 15:
                program = QStringLiteral("QzTavrinoSiwake");
                option = QStringLiteral("SyoriType=1");
                break;
            case 17:
                program = QStringLiteral("QzKobetuIchiranhyo");
                option.clear();
                break;
            case 18:
                program = QStringLiteral("QzKobetuMeisaihyo");
                option.clear();
                break;
            case 19:
                program = QStringLiteral("QzKobetuMotocho");
                option.clear();
                break;
            default:
                break;
            }
        }
    } else {
        lookUp(MedicalOldMenu(), page, item, program, option);
    }
    programAgain = program;
}

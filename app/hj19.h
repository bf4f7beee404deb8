#pragma once
// The depreciation data of the corporate-tax linkage: every depreciable asset of KS_SISAN becomes one row
// of the schedule of its method (straight-line, declining-balance, lease period, equal amortisation,
// small-amount, lump-sum). The column texts are computed by the free functions of namespace hj19 from one
// asset record and the dataset's values, so they can be checked without a database.

#include "app/ComDataExp.h"
#include "app/ComRendo.h"
#include "app/XMLSaveDoc.h"
#include "core/Money.h"
#include "core/TDateTime.h"

#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <vector>

// One KS_SISAN record with its account name, as the loaders read it.
struct TKsSisanRec {
    int GSHOUHOU = 0;
    QString KNAME;
    QString MEISYOU;
    TDateTime SYUTODATE;
    int TAIYOUYY = 0;
    Money SYUTOKIN, KISOKIN, SYOURITU;
    int SYOUKIKANSTR = 0, SYOUKIKANEND = 0;
    Money FUTUSYOUKIN, WARISYOUKIN, SYOUKINKEI, MATUMISYOUKIN;
    Money KAITEISYUTOKUKAGAKU, KAITEISYUTOKUKAGAKU_INPUT;
    int ISINPKAITEISYUTOKUKAGAKU = 0;
    Money ZANKAHOSYOUGAKU;
    // 0 when the table has no such column.
    int TEIRITU250 = 0, TEIRITU200 = 0;
    Money SYUTOKUKAGAKUCHOSEI;
};

namespace fb {
class Query;
class Transaction;
} // namespace fb

// The values of the open dataset that the rows depend on.
struct THj19Dataset {
    TDateTime KISHU, KIMATU;
    // Months from the data start month to the fiscal-year end month, inclusive.
    int DataMonths = 0;
    // Rounding mode of the lump-sum thirds (SDAI_HASUU1).
    int RoundMode = 0;
    static THj19Dataset FromAccInf();
};

enum class TTeirituTable { Rate250, Rate200 };

// Revised rate in thousandths and guarantee rate in hundred-thousandths, exactly as the tables print them.
struct TTeirituRate {
    int revised = 0;
    int guarantee = 0;
};

namespace hj19 {

// Groups in the order of the DATA element.
enum Group { Teigaku = 1, Teiritu = 2, Lease = 3, Kintou = 4, Shougaku = 5, Ikkatu = 6 };
constexpr int GroupCount = 6;
// GSHOUHOU of a group's assets.
int MethodOfGroup(int group);

// The element names of a group's row columns (IKKATU_TOUKI has its own list).
const QStringList& ColumnNames(int group);
const QStringList& IkkatuToukiNames();

// Row of a useful life in the statutory tables; nullopt outside 0..100.
std::optional<TTeirituRate> TeirituRate(TTeirituTable table, int life);

// Text forms of the schedule columns.
QString Name16(const QString& text);
QString Amount(Money value);
QString Amount0(Money value);
QString Rate3(Money rate);
QString Rate3(const TTeirituRate& rate);
QString Rate5(const TTeirituRate& rate);
Money Trunc(Money value);
// total / divisor rounded to whole units with the mode, computed on the exact quotient.
Money DivideRounded(Money total, int divisor, int mode);

bool IsOldRules(const TKsSisanRec& rec);
bool IsFiveYearPhase(const TKsSisanRec& rec, const THj19Dataset& ds);
TTeirituTable ChooseTable(const TKsSisanRec& rec, const THj19Dataset& ds);

// One row of a group, its texts in the order of ColumnNames(group). Throws EDataExportError for an asset
// that cannot be written (a useful life outside the rate tables).
QStringList MakeRow(int group, const TKsSisanRec& rec, const THj19Dataset& ds);

// MakeRow for the rows of one run: the texts that repeat from asset to asset are made once. It holds the
// dataset's values and the era table as they are when it is made.
class RowMaker {
public:
    explicit RowMaker(const THj19Dataset& ds);
    ~RowMaker();
    RowMaker(const RowMaker&) = delete;
    RowMaker& operator=(const RowMaker&) = delete;
    QStringList Make(int group, const TKsSisanRec& rec);

    struct Cache;

private:
    THj19Dataset m_dataset;
    std::unique_ptr<Cache> m_cache;
};
QStringList IkkatuTouki(Money total, int roundMode);

// The columns of KS_SISAN that the rows are made of, as the dataset's table has them.
QStringList AssetColumns(fb::Transaction& transaction);
// Sets the query to the assets of a group with their account names, in the order of the rows.
void PrepareAssetQuery(fb::Query& query, int group, const THj19Dataset& ds, const QStringList& columns);

} // namespace hj19

class THojinZeiGenka19DataMake : public TZaimuDataLoad {
public:
    // The loaders read through the database module's accounting query and transaction (DM.IBQACC1 on
    // DM.IBTransactionDAT): the transaction is started here when it is not active, and then committed here.
    explicit THojinZeiGenka19DataMake(const THj19Dataset& dataset = THj19Dataset::FromAccInf());

    virtual QString GetGroupName(int group) const;
    virtual QString GetRowName(int group, int kind) const;
    // 1 rows written, 3 no asset (DATA written empty), 16 loading failed (nothing written, box shown).
    // An asset that cannot be written (an amount beyond the range of amounts, a month count outside the
    // year, a text the file cannot hold) fails the load with its name.
    virtual int MakeData(TXmlSaveDoc& writer);

    int ResultCode() const { return m_result; }

private:
    // Reads the group's assets and writes their rows under data as they come.
    void Load(int group, TXmlSaveDoc& writer, TXmlSaveDoc::Node data);

    THj19Dataset m_dataset;
    int m_result = 3;
    QStringList m_toukiTexts;
    // The columns the queries select, looked up once per run.
    QStringList m_columns;
};

// The exporter of this build: the corporate-tax application's depreciation schedules.
class THojinZeiGenkaDataExport : public TComDataExport {
public:
    using TComDataExport::TComDataExport;

    // Reads the assets of the dataset that the database module has connected. 3 from the maker raises
    // "nothing to export" (code 16), 16 raises "reading failed" (code 7).
    void SetDataNode(TXmlSaveDoc& writer) override;
};

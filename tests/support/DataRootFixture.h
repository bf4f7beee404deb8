#pragma once
// Data roots and datasets for tests (and the demo data): the folder layout of a data root with the
// system database and the application ini, and datasets (folder "%.4d" under data/ with placc.fdb,
// placc.ini and a DATALIST row) holding the company, fiscal year and rows a test gives.
//
// Databases come from the schema scripts of sql/: each script is loaded with isql-fb once into a
// template kept in the build folder (made again when the script changes); every new database is a
// copy of its template, so tests can create many datasets quickly.

#include "core/Money.h"
#include "core/TDateTime.h"
#include "platform/firebird/FbDatabase.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace fb {
class Query;
}

namespace testenv {

// The database user of a new installation ("PELLAN" / "vintor", lc_ctype SJIS_0208).
fb::ConnectOptions databaseUser();

// The Firebird command-line client (isql-fb); throws std::runtime_error when it is not installed.
QString isqlProgram();

QString systemSchemaScript();      // sql/placcdef.sql of the source tree
QString accountingSchemaScript();  // sql/placc.sql
QString fileManagerSchemaScript(); // sql/plfileman.sql
// Runs a schema script (UTF-8 source, given to isql-fb as CP932) against an existing database that
// nothing in this process holds attached. Throws std::runtime_error with isql's output on failure.
void loadSchemaScript(const QString& script, const QString& database);
// The template database made from a schema script by isql-fb.
QString scriptTemplate(const QString& script);
// Creates a new database file from a schema script (a copy of the script's template). With
// QV_ACCOUNTING_TEMPLATE=chain the accounting script's template is the database that the whole chain of
// upgrade steps makes (AccountingChain.h).
void createDatabaseFromScript(const QString& script, const QString& target);

struct CompanySpec {
    QString name = QStringLiteral("株式会社テスト"); // SHOUGOU
    QString title;                                   // list name (ENTTEXT); empty: the name
    QString kana = QStringLiteral("ｶﾌﾞｼｷｶﾞｲｼｬﾃｽﾄ");
    QString code = QStringLiteral("0001"); // company code (SCODE1, DATACODE)
    int dataType = 1;
    int codeType = 1;
    int nendo = 1;                   // fiscal term number
    QDate kishu = QDate(2024, 4, 1); // first day of the fiscal year
    QDate kimatu;                    // last day; empty: a year after kishu
    int sime = 99;                   // closing day (99 = month end)
    int sdaiHasuu1 = 0;              // rounding mode of depreciation
    // Further ACCDEF1 columns (name, value as text; the server converts it).
    QList<QPair<QString, QString>> extra;
};

struct AccountSpec {
    QString kcode;
    QString usercode; // empty: kcode
    QString name;
    int groupm1 = 0;
};

// One KS_SISAN row; amounts and dates as the accounting application stores them.
struct AssetSpec {
    int rec = 0; // 0: next number
    QString kanri;
    QString kcode;
    QString hcode = QStringLiteral(" ");
    QString scode = QStringLiteral(" ");
    QString name;
    int method = 1; // GSHOUHOU: 1 straight-line ... 6 lease period
    TDateTime acquired;
    int lifeYears = 0;
    Money cost; // SYUTOKIN
    Money base; // KISOKIN
    Money rate; // SYOURITU
    int monthFrom = 1, monthTo = 12;
    Money ordinary;       // FUTUSYOUKIN
    Money extra;          // WARISYOUKIN
    Money total;          // SYOUKINKEI
    Money bookValueEnd;   // MATUMISYOUKIN
    Money bookValueStart; // KISYUMISYOUKIN
    Money revisedCost;    // KAITEISYUTOKUKAGAKU
    Money revisedCostInput;
    int revisedCostEntered = 0;
    Money residualGuaranteed; // ZANKAHOSYOUGAKU
    int teiritu250 = 0, teiritu200 = 0;
    Money costAdjustment; // SYUTOKUKAGAKUCHOSEI
};

// The installed accounting product as its setup registers it (maker key "\\SOFTWARE\\QUARNO", subkey
// "PELLANZAIMU13": values Product, Version and rootdir), in the registry of the current environment. The
// wizard refuses to start without a version of 13.0.0 or later.
void registerAccountingProduct(const QString& version = QStringLiteral("13.0.0"),
                               const QString& product = QStringLiteral("ペラン財務"));

class Dataset {
public:
    int rec = 0;
    QString folder;   // <data>/%.4d
    QString database; // folder + "/placc.fdb"
    CompanySpec company;

    // An attachment to the dataset's database (embedded).
    std::unique_ptr<fb::Database> connect() const;
    // Runs one statement in its own committed transaction; bind sets its parameters.
    void execute(const QString& sql, const std::function<void(fb::Query&)>& bind = {}) const;
    void addAccount(const AccountSpec& account) const;
    // Adds the asset; returns its REC.
    int addAsset(const AssetSpec& asset) const;
    // Adds many assets in one transaction; returns their RECs.
    std::vector<int> addAssets(const std::vector<AssetSpec>& assets) const;
    // Adds the account and names it as a system account (ACCDEF2 row of that name).
    void addSystemAccount(const QString& systemName, const AccountSpec& account) const;
    // Writes one typed setting (ACCREG row) as stored text with its type word.
    void setAccReg(const QString& group, const QString& key, const QString& typeWord,
                   const QString& text) const;
    // Grows the database by about this many megabytes: a table BENCH_DATA of 4,000-byte rows that the
    // record compression cannot shrink.
    void addBulkData(int megabytes) const;
};

class DataRoot {
public:
    static constexpr int ListSlots = 120;

    // The data root of the current environment: common app data + "quarno/pellanzaimu".
    static QString defaultRoot();

    // Creates the folders ini/, log/, temp/, data/, the system database with its list slots and the
    // application ini "plzaimu.ini" (sections APPLICATION, LOCAL, SERVER).
    explicit DataRoot(const QString& root = defaultRoot());

    const QString& root() const { return m_root; }
    QString iniDir() const { return m_root + QStringLiteral("/ini"); }
    QString logDir() const { return m_root + QStringLiteral("/log"); }
    QString tempDir() const { return m_root + QStringLiteral("/temp"); }
    QString dataDir() const { return m_root + QStringLiteral("/data"); }
    QString systemDatabase() const { return dataDir() + QStringLiteral("/placcdef.fdb"); }
    QString appIni() const { return m_root + QStringLiteral("/plzaimu.ini"); }

    std::unique_ptr<fb::Database> connectSystem() const;

    // A new dataset in list slot rec (0: the first free slot) with the company and fiscal year given.
    Dataset addDataset(const CompanySpec& company, int rec = 0);

private:
    QString m_root;
};

} // namespace testenv

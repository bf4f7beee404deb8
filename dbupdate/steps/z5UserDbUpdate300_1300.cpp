// Accounting database steps 3.0.0 to 13.0.0: each step reads its script files from its version folder,
// choosing them by the kind of data (medical-corporation data or any other), the data type and the
// edition; a few steps add statements of their own or look into the dataset first.

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateSteps.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QHash>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

using TFileRule = std::function<bool()>;

bool medical() {
    return AccInf.IryoFlag != 0;
}
bool forAll() {
    return true;
}
bool forMedical() {
    return medical();
}
bool forOthers() {
    return !medical();
}

// Files "plzupNN.sql" numbered from..to, each read for the datasets the rule picks.
struct TFileGroup {
    int from;
    int to;
    TFileRule rule;
};

QString fileName(int number) {
    return QStringLiteral("plzup%1.sql").arg(number, 2, 10, QLatin1Char('0'));
}

// The step's file list in its order with each file's rule.
TStepContent listed(std::initializer_list<TFileGroup> groups) {
    QStringList names;
    QHash<QString, TFileRule> rules;
    for (const TFileGroup& g : groups)
        for (int n = g.from; n <= g.to; ++n) {
            names << fileName(n);
            rules.insert(fileName(n), g.rule);
        }
    TStepContent c;
    c.Files = [names] { return names; };
    c.Selected = [rules](const QString& name) { return rules.value(name)(); };
    return c;
}

// One statement on the accounting database of the selected dataset, on a connection of its own that is
// closed again; the first field of its first row, 0 when it has none.
qint64 probeCount(const QString& sql, const QString& param = {}, const QString& value = {}) {
    if (!DM)
        return 0;
    qint64 count = 0;
    struct Disconnect {
        ~Disconnect() { DM->fnAccDatDisConnected(SystemDef.DataDir, 0, 0); }
    } disconnect;
    if (!DM->fnAccDatConnected(SystemDef.HOSTNAME, SystemDef.DataDir, 0))
        throw std::runtime_error("データベースに接続できません。");
    OwnTransaction own(DM->IBTransactionDAT);
    {
        fb::Query q(DM->IBTransactionDAT, sql);
        if (!param.isEmpty())
            q.setString(param, value);
        q.open();
        if (!q.eof())
            count = q.field(0).asInt64();
        q.close();
    }
    own.commit();
    return count;
}

} // namespace

bool AccTriggerExists(const QString& name) {
    return probeCount(QStringLiteral("SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = :TRIGGER_NAME"),
                      QStringLiteral("TRIGGER_NAME"), name) > 0;
}

int AccMedicalKamokuKind() {
    if (!medical())
        return 0;
    switch (probeCount(QStringLiteral("SELECT COUNT(*) FROM KAMOKUMST"))) {
    case 377:
        return 1;
    case 567:
        return 2;
    default:
        return 0;
    }
}

bool AccTaxCode116Exists() {
    return probeCount(QStringLiteral("SELECT COUNT(TAX_CODE) AS RECCNT FROM TAXMST WHERE TAX_CODE=116")) > 0;
}

TStepContent z5UserDbUpdate300::Content() {
    TStepContent c = listed({{1, 10, forAll}});
    return c;
}

TStepContent z5UserDbUpdate301::Content() {
    TStepContent c = listed({{1, 1, forAll}});
    return c;
}

TStepContent z5UserDbUpdate303::Content() {
    TStepContent c = listed({{1, 6, forMedical}});
    c.Statements = Statements303;
    return c;
}

// The last file is for datasets that do not have the account master's second update trigger yet.
TStepContent z5UserDbUpdate304::Content() {
    TStepContent c = listed({{1, 3, forAll}, {4, 4, [] { return !AccTriggerExists(QStringLiteral("KAMOKUMST_AFTER_UPDATE2")); }}});
    return c;
}

// The two files are for the two standard account sets of medical-corporation data.
TStepContent z5UserDbUpdate306::Content() {
    TStepContent c = listed({{1, 1, [] { return AccMedicalKamokuKind() == 1; }},
                             {2, 2, [] { return AccMedicalKamokuKind() == 2; }}});
    return c;
}

TStepContent z5UserDbUpdate307::Content() {
    TStepContent c = listed({{1, 1, forAll}, {2, 7, forMedical}, {8, 8, forAll}});
    return c;
}

TStepContent z5UserDbUpdate400::Content() {
    TStepContent c = listed({{1, 1, forAll},
                             {2, 3, forOthers},
                             {4, 5, forMedical},
                             {6, 6, forAll},
                             {7, 8, forOthers},
                             {9, 9, forMedical}});
    c.StatementsAfterFiles = Statements400;
    return c;
}

TStepContent z5UserDbUpdate402::Content() {
    TStepContent c = listed({{1, 1, forAll}, {2, 2, forOthers}, {3, 6, forAll}});
    return c;
}

TStepContent z5UserDbUpdate500::Content() {
    TStepContent c = listed({{1, 1, forMedical},
                             {2, 2, forOthers},
                             {3, 3, forMedical},
                             {4, 8, forAll},
                             {9, 9, [] { return TavrinoEdition != 0; }},
                             {10, 10, forOthers},
                             {11, 11, forAll}});
    return c;
}

TStepContent z5UserDbUpdate502::Content() {
    TStepContent c = listed({{1, 1, forOthers}, {2, 2, forMedical}});
    return c;
}

// 04 and 05 are corporation forms of the normal and of the other editions.
TStepContent z5UserDbUpdate505::Content() {
    const auto corporation = [] { return AccInf.DATATYPE != 2 && AccInf.DATATYPE != 3; };
    TStepContent c = listed({{1, 1, forAll},
                             {2, 2, forOthers},
                             {3, 3, forMedical},
                             {4, 4, [=] { return TavrinoEdition != 1 && TavrinoEdition != 2 && corporation(); }},
                             {5, 5, [=] { return TavrinoEdition != 0 && corporation(); }}});
    return c;
}

TStepContent z5UserDbUpdate600::Content() {
    TStepContent c = listed({{1, 2, forAll},
                             {3, 9, forOthers},
                             {10, 14, forMedical},
                             {15, 15, forAll},
                             {16, 16, forOthers},
                             {17, 17, forMedical},
                             {18, 18, forAll}});
    return c;
}

TStepContent z5UserDbUpdate610::Content() {
    TStepContent c = listed({{1, 3, forAll}, {4, 4, forOthers}, {5, 5, forMedical}});
    return c;
}

TStepContent z5UserDbUpdate613::Content() {
    TStepContent c = listed({{1, 1, forAll},
                             {2, 2, forMedical},
                             {3, 3, forOthers},
                             {4, 5, forAll},
                             {6, 6, forOthers},
                             {7, 7, forAll}});
    return c;
}

TStepContent z5UserDbUpdate700::Content() {
    TStepContent c = listed({{1, 3, forOthers},
                             {4, 7, forMedical},
                             {8, 8, forOthers},
                             {9, 9, forMedical},
                             {10, 10, forAll},
                             {11, 11, forOthers}});
    return c;
}

TStepContent z5UserDbUpdate702::Content() {
    TStepContent c = listed({{1, 2, forAll}});
    return c;
}

TStepContent z5UserDbUpdate703::Content() {
    TStepContent c = listed({{1, 1, forMedical}, {2, 3, forAll}});
    return c;
}

// The two tax-code files are for datasets that do not have tax code 116 yet; the probe runs once.
TStepContent z5UserDbUpdate704::Content() {
    auto missing116 = std::make_shared<std::optional<bool>>();
    const TFileRule without116 = [missing116] {
        if (!*missing116)
            *missing116 = !AccTaxCode116Exists();
        return **missing116;
    };
    TStepContent c = listed({{70201, 70202, without116},
                             {1, 2, forAll},
                             {3, 3, forOthers},
                             {4, 4, forMedical}});
    return c;
}

TStepContent z5UserDbUpdate800::Content() {
    TStepContent c = listed({{1, 6, forAll}});
    return c;
}

// 07 is read first.
TStepContent z5UserDbUpdate802::Content() {
    TStepContent c = listed({{7, 7, forAll}, {1, 2, forOthers}, {3, 4, forMedical}, {5, 6, forAll}});
    return c;
}

TStepContent z5UserDbUpdate803::Content() {
    TStepContent c = listed({{1, 1, forOthers}});
    return c;
}

TStepContent z5UserDbUpdate900::Content() {
    TStepContent c = listed({{1, 3, forAll}, {4, 4, forOthers}, {5, 5, forMedical}});
    return c;
}

TStepContent z5UserDbUpdate901::Content() {
    TStepContent c = listed({{1, 1, forAll}});
    return c;
}

TStepContent z5UserDbUpdate902::Content() {
    TStepContent c = listed({{1, 2, forAll}, {3, 4, forMedical}, {5, 5, forAll}});
    return c;
}

TStepContent z5UserDbUpdate903::Content() {
    TStepContent c = listed({{1, 1, forOthers}, {2, 2, forMedical}});
    return c;
}

TStepContent z5UserDbUpdate904::Content() {
    TStepContent c = listed({{1, 1, forOthers},
                             {2, 3, forAll},
                             {4, 4, forOthers},
                             {5, 5, forMedical},
                             {6, 6, forOthers},
                             {7, 7, forMedical}});
    return c;
}

TStepContent z5UserDbUpdate905::Content() {
    TStepContent c = listed({{1, 1, forOthers}, {2, 2, forMedical}});
    return c;
}

TStepContent z5UserDbUpdate1000::Content() {
    TStepContent c = listed({{1, 3, forAll}, {4, 4, forOthers}});
    return c;
}

TStepContent z5UserDbUpdate1001::Content() {
    TStepContent c = listed({{1, 2, forAll}, {3, 3, forOthers}, {4, 4, forMedical}});
    return c;
}

TStepContent z5UserDbUpdate1003::Content() {
    TStepContent c = listed({{1, 1, forAll}, {2, 3, forMedical}});
    return c;
}

TStepContent z5UserDbUpdate1004::Content() {
    TStepContent c = listed({{1, 3, forAll}});
    return c;
}

TStepContent z5UserDbUpdate1005::Content() {
    TStepContent c = listed({{1, 1, forAll}});
    return c;
}

TStepContent z5UserDbUpdate1100::Content() {
    TStepContent c = listed({{1, 5, forAll}, {6, 6, forOthers}, {7, 7, forMedical}, {8, 8, forOthers}});
    return c;
}

TStepContent z5UserDbUpdate1101::Content() {
    TStepContent c = listed({{1, 2, forAll}, {3, 3, forMedical}});
    return c;
}

TStepContent z5UserDbUpdate1110::Content() {
    TStepContent c = listed({{1, 1, forOthers}, {2, 2, forMedical}, {3, 4, forAll}});
    return c;
}

TStepContent z5UserDbUpdate1200::Content() {
    TStepContent c = listed({{1, 2, forAll}, {3, 3, forOthers}});
    return c;
}

TStepContent z5UserDbUpdate1300::Content() {
    TStepContent c = listed({{1, 2, forAll}, {3, 3, forOthers}, {4, 4, forMedical}});
    return c;
}

// Accounting database steps 3.0.0 to 13.0.0: each step reads its script files from its version folder,
// choosing them by the kind of data (medical-corporation data or any other), the data type and the
// edition; a few steps add statements of their own or look into the dataset first.

#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateSteps.h"

#include <QHash>
#include <initializer_list>
#include <memory>
#include <optional>

namespace {

using TFileRule = std::function<bool()>;

bool forAll() {
    return true;
}
bool forMedical() {
    return MedicalCorporationData();
}
bool forOthers() {
    return !MedicalCorporationData();
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

} // namespace

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
    TStepContent c = listed(
        {{1, 3, forAll}, {4, 4, [] { return !ProbeAccTrigger(QStringLiteral("KAMOKUMST_AFTER_UPDATE2")); }}});
    return c;
}

// The two files are for the two standard account sets of medical-corporation data.
TStepContent z5UserDbUpdate306::Content() {
    TStepContent c = listed({{1, 1, [] { return ProbeMedicalKamokuKind() == 1; }},
                             {2, 2, [] { return ProbeMedicalKamokuKind() == 2; }}});
    c.PreMigration = PreMigration306;
    return c;
}

TStepContent z5UserDbUpdate307::Content() {
    TStepContent c = listed({{1, 1, forAll}, {2, 7, forMedical}, {8, 8, forAll}});
    c.PreMigration = PreMigration307;
    return c;
}

TStepContent z5UserDbUpdate400::Content() {
    TStepContent c = listed({{1, 1, forAll},
                             {2, 3, forOthers},
                             {4, 5, forMedical},
                             {6, 6, forAll},
                             {7, 8, forOthers},
                             {9, 9, forMedical}});
    c.StatementsAfterFiles = AppendStep400Statements;
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
    TStepContent c =
        listed({{1, 1, forAll},
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
    c.PreMigration = MigrateDataPassword;
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
            *missing116 = !TaxCode116Exists();
        return **missing116;
    };
    TStepContent c =
        listed({{70201, 70202, without116}, {1, 2, forAll}, {3, 3, forOthers}, {4, 4, forMedical}});
    return c;
}

TStepContent z5UserDbUpdate800::Content() {
    TStepContent c = listed({{1, 6, forAll}});
    return c;
}

// 07 is read first.
TStepContent z5UserDbUpdate802::Content() {
    TStepContent c = listed({{7, 7, forAll}, {1, 2, forOthers}, {3, 4, forMedical}, {5, 6, forAll}});
    c.PostMigration = [](TStepDb& db) {
        AddCorporateGroupsAndRules(db);
        ConvertJobControl(db);
    };
    return c;
}

TStepContent z5UserDbUpdate803::Content() {
    TStepContent c = listed({{1, 1, forOthers}});
    c.PostMigration = AddKojinGroupsAndRules;
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
    c.PostMigration = AddMedicalEvalRules;
    return c;
}

TStepContent z5UserDbUpdate903::Content() {
    TStepContent c = listed({{1, 1, forOthers}, {2, 2, forMedical}});
    c.PostMigration = RoundBudgetAmounts;
    return c;
}

TStepContent z5UserDbUpdate904::Content() {
    TStepContent c = listed({{1, 1, forOthers},
                             {2, 3, forAll},
                             {4, 4, forOthers},
                             {5, 5, forMedical},
                             {6, 6, forOthers},
                             {7, 7, forMedical}});
    c.PostMigration = CopyKessanPrintSettings;
    return c;
}

TStepContent z5UserDbUpdate905::Content() {
    TStepContent c = listed({{1, 1, forOthers}, {2, 2, forMedical}});
    if (TavrinoEdition == 1 || TavrinoEdition == 2)
        c.PostMigration = ClearSiwakeDnum;
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

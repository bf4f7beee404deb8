// Accounting database steps 3.0.0 to 13.0.0: what each step writes and migrates.
// Not available yet: each step still writes only its version stamp.

#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateSteps.h"

TStepContent z5UserDbUpdate300::Content() {
    return {};
}

TStepContent z5UserDbUpdate301::Content() {
    return {};
}

TStepContent z5UserDbUpdate303::Content() {
    TStepContent c;
    c.Statements = Statements303;
    return c;
}

TStepContent z5UserDbUpdate304::Content() {
    return {};
}

TStepContent z5UserDbUpdate306::Content() {
    TStepContent c;
    c.PreMigration = PreMigration306;
    return c;
}

TStepContent z5UserDbUpdate307::Content() {
    TStepContent c;
    c.PreMigration = PreMigration307;
    return c;
}

TStepContent z5UserDbUpdate400::Content() {
    TStepContent c;
    c.StatementsAfterFiles = Statements400;
    return c;
}

TStepContent z5UserDbUpdate402::Content() {
    return {};
}

TStepContent z5UserDbUpdate500::Content() {
    return {};
}

TStepContent z5UserDbUpdate502::Content() {
    return {};
}

TStepContent z5UserDbUpdate505::Content() {
    return {};
}

TStepContent z5UserDbUpdate600::Content() {
    return {};
}

TStepContent z5UserDbUpdate610::Content() {
    return {};
}

TStepContent z5UserDbUpdate613::Content() {
    return {};
}

TStepContent z5UserDbUpdate700::Content() {
    TStepContent c;
    c.PreMigration = MigrateDataPassword;
    return c;
}

TStepContent z5UserDbUpdate702::Content() {
    return {};
}

TStepContent z5UserDbUpdate703::Content() {
    return {};
}

TStepContent z5UserDbUpdate704::Content() {
    return {};
}

TStepContent z5UserDbUpdate800::Content() {
    return {};
}

TStepContent z5UserDbUpdate802::Content() {
    TStepContent c;
    c.PostMigration = [](TStepDb& db) { AddCorporateGroupsAndRules(db); ConvertJobControl(db); };
    return c;
}

TStepContent z5UserDbUpdate803::Content() {
    TStepContent c;
    c.PostMigration = AddKojinGroupsAndRules;
    return c;
}

TStepContent z5UserDbUpdate900::Content() {
    return {};
}

TStepContent z5UserDbUpdate901::Content() {
    return {};
}

TStepContent z5UserDbUpdate902::Content() {
    TStepContent c;
    c.PostMigration = AddMedicalEvalRules;
    return c;
}

TStepContent z5UserDbUpdate903::Content() {
    TStepContent c;
    c.PostMigration = RoundBudgetAmounts;
    return c;
}

TStepContent z5UserDbUpdate904::Content() {
    TStepContent c;
    c.PostMigration = CopyKessanPrintSettings;
    return c;
}

TStepContent z5UserDbUpdate905::Content() {
    TStepContent c;
    if (TavrinoEdition == 1 || TavrinoEdition == 2)
        c.PostMigration = ClearSiwakeDnum;
    return c;
}

TStepContent z5UserDbUpdate1000::Content() {
    return {};
}

TStepContent z5UserDbUpdate1001::Content() {
    return {};
}

TStepContent z5UserDbUpdate1003::Content() {
    return {};
}

TStepContent z5UserDbUpdate1004::Content() {
    return {};
}

TStepContent z5UserDbUpdate1005::Content() {
    return {};
}

TStepContent z5UserDbUpdate1100::Content() {
    return {};
}

TStepContent z5UserDbUpdate1101::Content() {
    return {};
}

TStepContent z5UserDbUpdate1110::Content() {
    return {};
}

TStepContent z5UserDbUpdate1200::Content() {
    return {};
}

TStepContent z5UserDbUpdate1300::Content() {
    return {};
}

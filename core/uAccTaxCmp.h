#pragma once
// Consumption tax: the three-digit tax codes of journal sides, their consistency checks against the tax
// accounts, the tax of one entry, rounding to whole yen and the history of tax rates. The checks and the
// computation read the open dataset's settings from AccInf.

#include "core/Money.h"
#include "core/TDateTime.h"

#include <QString>
#include <vector>

struct TSWKREC;
struct TSwkBalance;

// ---- tax codes ---------------------------------------------------------------------------------------

// Simplified taxation (AccInf.TAXKANNI 1) turns the undivided codes 110, 310, 610, 630 into the code of
// the business category AccInf.TAXJIGYOU; otherwise the category codes fall back to the undivided ones.
int NormaliseTaxCode(int& code);
// Group word, name (24 bytes), simplified-tax category kind (1 undivided taxable sales, 2 a business
// category code, 0 neither), taxable kind (1 sales, 2 purchases, 0 none) and side (1 debit, 3 credit,
// 0 either). An invalid code answers false with group "Error" (20 bytes), name " " and category 9.
bool TaxCodeInfo(int code, QString& group, QString& name, int& category, int& taxable, int& side);
// Codes for purchases of specified services (551-553, 581-583).
bool IsSpecifiedPurchaseCode(int code);

// ---- checks: true when the entry may pass; the message explains a refusal or carries a note -----------

bool CheckTaxAccountCode(QString& message, const QString& accountUserCode, int code);
// On a tax account the other side must be outside the tax; a refused partner code becomes 810.
bool CheckTaxPartnerCode(QString& message, const QString& accountUserCode, int& partnerCode);
// The sundry account is outside the tax; a refused code becomes 810.
bool CheckSundryTaxCode(QString& message, const QString& accountUserCode, int& code);
bool CheckSpecifiedPurchase(QString& message, int& code, int rateKind, TDateTime date);

// ---- computation ---------------------------------------------------------------------------------------

// To whole yen: mode 0 truncates toward zero, 1 rounds away from zero when a fraction remains, any other
// mode rounds half away from zero.
Money RoundCurrency(int mode, Money amount);
// Tax of one side of the entry (side is entry.L or entry.R). False, after the error box, when it
// cannot be computed.
bool CalcSideTax(const TSWKREC& entry, TSwkBalance& side);
// Tax of both sides, the entry's rate kind and tax amount.
bool CalcSiwakeTax(TSWKREC& entry);

// ---- tax rates -------------------------------------------------------------------------------------------

// Rate kinds as stored with entries: 0 the newest standard rate of the list in use, 1 3%, 2 5%, 3 8%,
// 4 the reduced 8%.
struct TZeiRituRec {
    QString Name;
    Money Rate;
    qint32 Kind = 0;
    qint32 Order = 0;
    QString StartDate; // "yyyy/mm/dd"
    qint32 Version = 0;
    qint32 Flag1 = 0;
    quint8 Flag2 = 0;
    quint8 Standard = 0; // 0 only for the reduced rate
    qint32 UseIndex = 0; // index into AccInf.TaxRateUse
    quint8 UseFlag = 0;
};
using TZeiRituList = std::vector<TZeiRituRec>;

// The rates of the open dataset, newest first.
extern TZeiRituList TaxRateList;

// Fills TaxRateList for the open dataset's data version (five rates from 11.1.0, three before).
void BuildTaxRateList();
// The rate of the kind; the current standard rate for a kind the list does not hold.
Money RateOfKind(int kind);
// The kind to use for an entry dated date when the caller asks for kind: the reduced rate stays; any
// other kind gives way to the rate in force at the date unless its own rate had already started.
int RateKindForDate(int kind, TDateTime date);

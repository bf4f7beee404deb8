#pragma once
// The total-account code list: the accounts that summarise groups of accounts in the balance sheet and
// the profit and loss statement, in the general or the medical-corporation variant of the open dataset.

#include <QString>
#include <array>

constexpr int KamokuTotalCount = 150;

// Position p (1-based) is KamokuTotalCodes[p - 1]; "****" marks a position the variant does not use.
// The general variant until a dataset selects its own.
// Positions 61, 63, 65, 66, 69 and 88 hold 5580, 5680, 5780, 5790, 5880 and 5688 in both variants.
extern std::array<QString, KamokuTotalCount> KamokuTotalCodes;

// Writes the general or the medical-corporation variant into KamokuTotalCodes.
void FillTotalAccountTables(bool medical);

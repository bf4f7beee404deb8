#include "core/uAccKamokuTotal.h"

std::array<QString, KamokuTotalCount> KamokuTotalCodes;

namespace {

constexpr const char* kUnused = "****";

// The general variant, positions 1..150.
constexpr std::array<const char*, KamokuTotalCount> kGeneral = {
    // 1..88
    "1100", "1130", "1180", "1200", "1280", "1300", "1310", "1380", "1390", "1400", "1410", "1580", "1600",
    "1680", "1700", "1710", "1780", "1790", "1800", "1880", "1900", "2100", "2180", "2200", "2280", "2300",
    "2380", "2800", "3100", "3150", "3200", "3220", "3270", "3280", "3300", "3380", "3320", "3330", "3340",
    "3400", "3410", "3480", "3500", "3580", "3600", "3680", "3800", "3900", "4100", "4110", "4800", "5100",
    "5200", "5210", "5250", "5300", "5400", "5510", "5520", "5530", "5580", "5600", "5680", "5700", "5780",
    "5790", "5810", "5820", "5880", "5900", "6100", "6180", "6200", "7100", "7180", "7200", "7280", "7300",
    "8100", "8180", "8200", "8280", "8290", "8300", "8400", "9900", "5685", "5688",
    // 89..142
    kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused,
    kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused,
    kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused,
    kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused,
    kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused,
    // 143..150
    "1900", "2800", "3800", "3900", "8400", "7300", "5510", "5820"};

struct Override {
    int position;
    const char* code;
};

// Where the medical-corporation variant differs from the general one.
constexpr Override kMedicalSingles[] = {{73, "6950"},   {74, "7110"},  {76, "7210"}, {79, "8110"},
                                        {81, "8210"},   {83, "8300"},  {85, "9280"}, {147, "9600"},
                                        {149, kUnused}, {150, kUnused}};
constexpr int kMedicalRunStart = 89;
constexpr const char* kMedicalRun[] = {
    "3450", "3460", "3470", "4115", "4180", "4215", "4280", "4315", "4380", "4480", "6110",
    "6110", "6120", "6180", "6130", "6210", "6180", "6220", "6210", "6230", "6280", "6280",
    "6310", "6310", "6380", "6380", "6410", "6410", "6480", "6480", "6510", "6510", "6580",
    "6580", "6610", "6610", "6680", "6680", "6710", "6710", "6780", "6780", "6810", "6810",
    "6880", "6880", "6900", "6950", "8300", "9280", "9380", "9480", "9580", "9600"};
static_assert(std::size(kMedicalRun) == 142 - kMedicalRunStart + 1);

} // namespace

void FillTotalAccountTables(bool medical) {
    for (int i = 0; i < KamokuTotalCount; ++i)
        KamokuTotalCodes[i] = QString::fromLatin1(kGeneral[i]);
    if (!medical)
        return;
    for (const Override& o : kMedicalSingles)
        KamokuTotalCodes[o.position - 1] = QString::fromLatin1(o.code);
    for (int i = 0; i < int(std::size(kMedicalRun)); ++i)
        KamokuTotalCodes[kMedicalRunStart - 1 + i] = QString::fromLatin1(kMedicalRun[i]);
}

namespace {
// The list holds the general variant from the start, so the group codes that both variants keep at the
// same positions can be read before the first dataset selects its variant.
[[maybe_unused]] const bool kGeneralAtStart = (FillTotalAccountTables(false), true);
} // namespace

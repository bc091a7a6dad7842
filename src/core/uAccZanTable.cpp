#include "core/uAccZanTable.h"

#include <iterator>

namespace kb {
namespace {

constexpr std::uint16_t kGeneralRows[] = {
    1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12,
    13, 13, 14, 14, 15, 15, 16, 16, 17, 17, 18, 18, 19, 19, 20, 20, 21, 21, 22, 22, 0,  0,  0,  23,
    23, 24, 24, 25, 25, 26, 26, 27, 27, 0,  0,  0,  0,  0,  0,  0,  28, 28, 29, 29, 30, 30, 31, 31,
    32, 32, 33, 33, 34, 34, 35, 35, 36, 36, 37, 37, 38, 38, 0,  0,  0,  0,  0,  0,  0,  0,  0,  39,
    39, 40, 40, 41, 41, 42, 42, 43, 43, 44, 44, 0,  45, 45, 0,  0,  0,  0,  0};
static_assert(std::size(kGeneralRows) == kAccZanLineRowCount);

constexpr std::uint16_t kMedicalRows[] = {
    1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12,
    13, 13, 0,  0,  14, 14, 15, 15, 0,  0,  0,  0,  16, 16, 0,  0,  0,  0,  17, 17, 18, 19, 20, 21,
    21, 22, 22, 0,  0,  23, 23, 24, 24, 25, 26, 27, 28, 29, 30, 31, 32, 32, 0,  0,  0,  0,  0,  0,
    0,  0,  0,  0,  0,  0,  0,  0,  0,  32, 33, 33, 0,  42, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43,
    43, 44, 44, 45, 45, 46, 46, 47, 47, 0,  48, 48, 0,  0,  49, 50, 51, 52, 53};
static_assert(std::size(kMedicalRows) == kAccZanLineRowCount);

// General codes of entries 0..87 and 142..149; 88..141 have no line in the general layout.
constexpr const char* kGeneralCodes0[] = {
    "1100", "1130", "1180", "1200", "1280", "1300", "1310", "1380", "1390", "1400", "1410", "1580", "1600",
    "1680", "1700", "1710", "1780", "1790", "1800", "1880", "1900", "2100", "2180", "2200", "2280", "2300",
    "2380", "2800", "3100", "3150", "3200", "3220", "3270", "3280", "3300", "3380", "3320", "3330", "3340",
    "3400", "3410", "3480", "3500", "3580", "3600", "3680", "3800", "3900", "4100", "4110", "4800", "5100",
    "5200", "5210", "5250", "5300", "5400", "5510", "5520", "5530", "5580", "5600", "5680", "5700", "5780",
    "5790", "5810", "5820", "5880", "5900", "6100", "6180", "6200", "7100", "7180", "7200", "7280", "7300",
    "8100", "8180", "8200", "8280", "8290", "8300", "8400", "9900", "5685", "5688"};
static_assert(std::size(kGeneralCodes0) == 88);
constexpr const char* kGeneralCodes142[] = {"1900", "2800", "3800", "3900", "8400", "7300", "5510", "5820"};
static_assert(std::size(kGeneralCodes142) == 8);

// Medical codes of entries 88..141.
constexpr const char* kMedicalCodes88[] = {
    "3450", "3460", "3470", "4115", "4180", "4215", "4280", "4315", "4380", "4480",                 // 88..97
    "6110", "6110", "6120", "6180", "6130", "6210", "6180", "6220", "6210",                         // 98..106
    "6230", "6280", "6280", "6310", "6310", "6380", "6380", "6410", "6410", "6480", "6480", "6510", // 107..118
    "6510", "6580", "6580", "6610", "6610", "6680", "6680", "6710", "6710", "6780", "6780", "6810", // 119..130
    "6810", "6880", "6880",                                                                         // 131..133
    "6900", "6950", "8300", "9280", "9380", "9480", "9580", "9600"};                                // 134..141
static_assert(std::size(kMedicalCodes88) == 54);

void FillCodes(bool medical, bool medicalMiddle)
{
    for (int e = 0; e < 88; ++e) AccZanLineCodes[e] = kGeneralCodes0[e];
    for (int e = 88; e < 142; ++e) AccZanLineCodes[e] = medicalMiddle ? kMedicalCodes88[e - 88] : kAccZanNoLine;
    for (int e = 142; e < 150; ++e) AccZanLineCodes[e] = kGeneralCodes142[e - 142];
    if (!medical) return;
    AccZanLineCodes[72] = "6950";
    AccZanLineCodes[73] = "7110";
    AccZanLineCodes[75] = "7210";
    AccZanLineCodes[78] = "8110";
    AccZanLineCodes[80] = "8210";
    AccZanLineCodes[82] = "8300";
    AccZanLineCodes[84] = "9280";
    AccZanLineCodes[146] = "9600";
    AccZanLineCodes[148] = kAccZanNoLine;
    AccZanLineCodes[149] = kAccZanNoLine;
}

void FillRows(const std::uint16_t (&rows)[kAccZanLineRowCount])
{
    for (int e = 0; e < kAccZanLineRowCount; ++e) AccZanLineRows[e] = rows[e];
}

std::array<std::uint16_t, kAccZanLineRowCount> InitialRows()
{
    std::array<std::uint16_t, kAccZanLineRowCount> r{};
    for (int e = 0; e < kAccZanLineRowCount; ++e) r[e] = kGeneralRows[e];
    return r;
}

std::array<std::string, kAccZanLineCodeCount> InitialCodes()
{
    std::array<std::string, kAccZanLineCodeCount> c;
    for (int e = 0; e < 88; ++e) c[e] = kGeneralCodes0[e];
    for (int e = 88; e < 142; ++e) c[e] = kMedicalCodes88[e - 88];
    for (int e = 142; e < 150; ++e) c[e] = kGeneralCodes142[e - 142];
    return c;
}

} // namespace

std::array<std::uint16_t, kAccZanLineRowCount> AccZanLineRows = InitialRows();
std::array<std::string, kAccZanLineCodeCount> AccZanLineCodes = InitialCodes();

void AccZanSetTables(bool Medical)
{
    FillRows(Medical ? kMedicalRows : kGeneralRows);
    FillCodes(Medical, Medical);
}

void ResetAccZanTables()
{
    FillRows(kGeneralRows);
    FillCodes(false, true);
}

} // namespace kb

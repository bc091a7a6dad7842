// Every row of the two rate tables, against the ordinance's defining rules and against the
// published figures we hold (transcribed below from published copies of appended tables 7 to 10).

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

#include "linkage/z5ComGenkaSyokyakuTables.h"

using kb::GenkaRateTableNew;
using kb::GenkaRateTableOld;
using kb::kNotRecorded;
using kb::TGenkaRateRow;

namespace {

// In hundred-thousandths, so equal figures compare exactly.
long long F(double v) { return v == kNotRecorded ? -1 : std::llround(v * 100000.0); }
long long Thousandths(long long t) { return t * 100; }

// Table 8, lives 2..74, as published.
const double kTable8[] = {0.500, 0.334, 0.250, 0.200, 0.167, 0.143, 0.125, 0.112, 0.100, 0.091, 0.084, 0.077,
                          0.072, 0.067, 0.063, 0.059, 0.056, 0.053, 0.050, 0.048, 0.046, 0.044, 0.042, 0.040,
                          0.039, 0.038, 0.036, 0.035, 0.034, 0.033, 0.032, 0.031, 0.030, 0.029, 0.028, 0.028,
                          0.027, 0.026, 0.025, 0.025, 0.024, 0.024, 0.023, 0.023, 0.022, 0.022, 0.021, 0.021,
                          0.020, 0.020, 0.020, 0.019, 0.019, 0.019, 0.018, 0.018, 0.018, 0.017, 0.017, 0.017,
                          0.017, 0.016, 0.016, 0.016, 0.016, 0.015, 0.015, 0.015, 0.015, 0.015, 0.014, 0.014,
                          0.014};

// Table 7, old declining balance, lives 2..50, as published.
const double kTable7Declining[] = {0.684, 0.536, 0.438, 0.369, 0.319, 0.280, 0.250, 0.226, 0.206, 0.189, 0.175,
                                   0.162, 0.152, 0.142, 0.134, 0.127, 0.120, 0.114, 0.109, 0.104, 0.099, 0.095,
                                   0.092, 0.088, 0.085, 0.082, 0.079, 0.076, 0.074, 0.072, 0.069, 0.067, 0.066,
                                   0.064, 0.062, 0.060, 0.059, 0.057, 0.056, 0.055, 0.053, 0.052, 0.051, 0.050,
                                   0.049, 0.048, 0.047, 0.046, 0.045};

struct Published { double straight, declining, revised, guarantee; };

// Table 9 (250 per cent), as published: straight line, rate, revised rate, guarantee rate.
const std::map<int, Published> kTable9 = {
    {3, {0.334, 0.833, 1.000, 0.02789}}, {4, {0.250, 0.625, 1.000, 0.05274}}, {5, {0.200, 0.500, 1.000, 0.06249}},
    {6, {0.167, 0.417, 0.500, 0.05776}}, {7, {0.143, 0.357, 0.500, 0.05496}}, {8, {0.125, 0.313, 0.334, 0.05111}},
    {9, {0.112, 0.278, 0.334, 0.04731}}, {10, {0.100, 0.250, 0.334, 0.04448}}, {11, {0.091, 0.227, 0.250, 0.04123}},
    {12, {0.084, 0.208, 0.250, 0.03870}}, {13, {0.077, 0.192, 0.200, 0.03633}}, {14, {0.072, 0.179, 0.200, 0.03389}},
    {15, {0.067, 0.167, 0.200, 0.03217}}, {16, {0.063, 0.156, 0.167, 0.03063}}, {17, {0.059, 0.147, 0.167, 0.02905}},
    {18, {0.056, 0.139, 0.143, 0.02757}}, {19, {0.053, 0.132, 0.143, 0.02616}}, {20, {0.050, 0.125, 0.143, 0.02517}},
    {21, {0.048, 0.119, 0.125, 0.02408}}, {22, {0.046, 0.114, 0.125, 0.02296}}, {23, {0.044, 0.109, 0.112, 0.02226}},
    {24, {0.042, 0.104, 0.112, 0.02157}}, {25, {0.040, 0.100, 0.112, 0.02058}}, {26, {0.039, 0.096, 0.100, 0.01989}},
    {27, {0.038, 0.093, 0.100, 0.01902}}, {28, {0.036, 0.089, 0.091, 0.01866}}, {51, {0.020, 0.049, 0.050, 0.01053}},
    {52, {0.020, 0.048, 0.050, 0.01036}}, {53, {0.019, 0.047, 0.048, 0.01028}}, {54, {0.019, 0.046, 0.048, 0.01015}},
    {55, {0.019, 0.045, 0.046, 0.01007}}, {56, {0.018, 0.045, 0.046, 0.00961}}, {57, {0.018, 0.044, 0.046, 0.00952}},
    {58, {0.018, 0.043, 0.044, 0.00945}}, {59, {0.017, 0.042, 0.044, 0.00934}}, {60, {0.017, 0.042, 0.044, 0.00895}},
    {61, {0.017, 0.041, 0.042, 0.00892}}, {62, {0.017, 0.040, 0.042, 0.00882}}, {63, {0.016, 0.040, 0.042, 0.00847}},
    {64, {0.016, 0.039, 0.040, 0.00847}}, {65, {0.016, 0.038, 0.039, 0.00847}}, {66, {0.016, 0.038, 0.039, 0.00828}},
    {67, {0.015, 0.037, 0.038, 0.00828}}, {68, {0.015, 0.037, 0.038, 0.00810}}, {69, {0.015, 0.036, 0.038, 0.00800}},
    {70, {0.015, 0.036, 0.038, 0.00771}}, {71, {0.015, 0.035, 0.036, 0.00771}}, {72, {0.014, 0.035, 0.036, 0.00751}},
    {73, {0.014, 0.034, 0.035, 0.00751}}, {74, {0.014, 0.034, 0.035, 0.00738}}, {75, {0.014, 0.033, 0.034, 0.00738}},
    {76, {0.014, 0.033, 0.034, 0.00726}}, {77, {0.013, 0.032, 0.033, 0.00726}}, {100, {0.010, 0.025, 0.026, 0.00546}},
};

// Table 10 (200 per cent), the published rows we hold.
const std::map<int, Published> kTable10 = {
    {3, {0.334, 0.667, 1.000, 0.11089}}, {6, {0.167, 0.333, 0.334, 0.09911}}, {8, {0.125, 0.250, 0.334, 0.07909}},
    {10, {0.100, 0.200, 0.250, 0.06552}}, {15, {0.067, 0.133, 0.143, 0.04565}}, {17, {0.059, 0.118, 0.125, 0.04038}},
    {25, {0.040, 0.080, 0.084, 0.02841}}, {30, {0.034, 0.067, 0.072, 0.02366}}, {50, {0.020, 0.040, 0.042, 0.01440}},
    {100, {0.010, 0.020, 0.020, 0.00742}},
};

using Row = std::tuple<double, double, double, double, double, double>;
Row Cols(const TGenkaRateRow& r) { return {r.Teigaku, r.Teiritu, r.Kaitei, r.Hosyou, r.OldTeigaku, r.OldTeiritu}; }

void ExpectRow(const TGenkaRateRow& r, const Row& e)
{
    EXPECT_EQ(F(r.Teigaku), F(std::get<0>(e)));
    EXPECT_EQ(F(r.Teiritu), F(std::get<1>(e)));
    EXPECT_EQ(F(r.Kaitei), F(std::get<2>(e)));
    EXPECT_EQ(F(r.Hosyou), F(std::get<3>(e)));
    EXPECT_EQ(F(r.OldTeigaku), F(std::get<4>(e)));
    EXPECT_EQ(F(r.OldTeiritu), F(std::get<5>(e)));
}

} // namespace

TEST(GenkaRateTables, TheTellingRowsOfTheStatement)
{
    const std::tuple<const std::array<TGenkaRateRow, 101>*, int, Row> rows[] = {
        {&GenkaRateTableOld, 2, {0.500, 1.000, 0, 0, 0.500, 0.684}},
        {&GenkaRateTableOld, 10, {0.100, 0.250, 0.334, 0.04448, 0.100, 0.206}},
        {&GenkaRateTableOld, 100, {0.010, 0.025, 0.026, 0.00546, 0.010, 0.023}},
        {&GenkaRateTableNew, 10, {0.100, 0.200, 0.250, 0.06552, 0.100, 0.206}},
        {&GenkaRateTableNew, 50, {0.020, 0.040, 0.042, 0.01440, 0.020, 0.045}},
        {&GenkaRateTableNew, 100, {0.010, 0.020, 0.020, 0.00742, 0.010, 0.023}},
    };
    for (const auto& [table, life, expected] : rows) {
        SCOPED_TRACE((table == &GenkaRateTableOld ? "old " : "new ") + std::to_string(life));
        ExpectRow((*table)[life], expected);
    }
}

TEST(GenkaRateTables, EveryRowFollowsTheDefiningRulesAndThePublishedFigures)
{
    for (int n = 0; n <= 100; ++n) {
        SCOPED_TRACE("life " + std::to_string(n));
        const TGenkaRateRow& o = GenkaRateTableOld[n];
        const TGenkaRateRow& w = GenkaRateTableNew[n];
        EXPECT_EQ(o.Taiyou, n);
        EXPECT_EQ(w.Taiyou, n);
        // Columns 1, 2, 6 and 7 are the same in both tables.
        EXPECT_EQ(F(o.Teigaku), F(w.Teigaku));
        EXPECT_EQ(F(o.OldTeigaku), F(w.OldTeigaku));
        EXPECT_EQ(F(o.OldTeiritu), F(w.OldTeiritu));
        if (n < 2) {
            ExpectRow(o, {0, 0, 0, 0, 0, 0});
            ExpectRow(w, {0, 0, 0, 0, 0, 0});
            continue;
        }
        // Straight line: 1/n rounded up at the third decimal.
        EXPECT_EQ(F(o.Teigaku), Thousandths((1000 + n - 1) / n));
        if (n <= 74) EXPECT_EQ(F(o.Teigaku), F(kTable8[n - 2]));
        // Declining balance: 2.5/n and 2/n rounded at the third decimal, at most 1.
        EXPECT_EQ(F(o.Teiritu), Thousandths(std::min<long long>(1000, (5000 + n) / (2 * n))));
        EXPECT_EQ(F(w.Teiritu), Thousandths(std::min<long long>(1000, (4000 + n) / (2 * n))));
        // Revised and guarantee rates: the published figures, none for life 2, else not recorded.
        for (auto [row, published] : {std::pair{&o, &kTable9}, std::pair{&w, &kTable10}}) {
            auto it = published->find(n);
            if (n == 2) {
                EXPECT_EQ(F(row->Kaitei), 0);
                EXPECT_EQ(F(row->Hosyou), 0);
            } else if (it != published->end()) {
                EXPECT_EQ(F(row->Teigaku), F(it->second.straight));
                EXPECT_EQ(F(row->Teiritu), F(it->second.declining));
                EXPECT_EQ(F(row->Kaitei), F(it->second.revised));
                EXPECT_EQ(F(row->Hosyou), F(it->second.guarantee));
            } else {
                EXPECT_EQ(row->Kaitei, kNotRecorded);
                EXPECT_EQ(row->Hosyou, kNotRecorded);
            }
        }
        // Old straight line: 1/n cut at the third decimal up to 20 years, the published 0.020 and 0.010 at 50 and 100.
        if (n <= 20) EXPECT_EQ(F(o.OldTeigaku), Thousandths(1000 / n));
        else if (n == 50 || n == 100) EXPECT_EQ(F(o.OldTeigaku), F(n == 50 ? 0.020 : 0.010));
        else EXPECT_EQ(o.OldTeigaku, kNotRecorded);
        // Old declining balance: the published rates, each within a thousandth of 1 - 0.1^(1/n).
        if (n <= 50 || n == 100) {
            EXPECT_EQ(F(o.OldTeiritu), F(n == 100 ? 0.023 : kTable7Declining[n - 2]));
            EXPECT_NEAR(o.OldTeiritu, 1.0 - std::pow(0.1, 1.0 / n), 0.001);
        } else {
            EXPECT_EQ(o.OldTeiritu, kNotRecorded);
        }
    }
}

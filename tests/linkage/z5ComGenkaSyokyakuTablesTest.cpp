// The two rate tables: every cell against the published tables (the project's confirmed copy beside
// the repository, when present), and every life against the ordinance's defining rules.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "common/TestDb.h"
#include "linkage/z5ComGenkaSyokyakuTables.h"

using kb::GenkaRateTableNew;
using kb::GenkaRateTableOld;
using kb::TGenkaRateRow;

namespace {

// In hundred-thousandths, so equal figures compare exactly.
long long F(double v) { return std::llround(v * 100000.0); }
long long Thousandths(long long t) { return t * 100; }
// 1/n rounded up at the third decimal, in thousandths.
long long StraightThousandths(int n) { return (1000 + n - 1) / n; }

using Row = std::tuple<double, double, double, double, double, double>;

void ExpectRow(const TGenkaRateRow& r, const Row& e)
{
    EXPECT_EQ(F(r.Teigaku), F(std::get<0>(e)));
    EXPECT_EQ(F(r.Teiritu), F(std::get<1>(e)));
    EXPECT_EQ(F(r.Kaitei), F(std::get<2>(e)));
    EXPECT_EQ(F(r.Hosyou), F(std::get<3>(e)));
    EXPECT_EQ(F(r.OldTeigaku), F(std::get<4>(e)));
    EXPECT_EQ(F(r.OldTeiritu), F(std::get<5>(e)));
}

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> cells;
    std::istringstream in(line);
    for (std::string cell; std::getline(in, cell, '\t');) cells.push_back(cell);
    if (!line.empty() && line.back() == '\t') cells.emplace_back();
    return cells;
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

// Every cell of the published tables (lives 2..100, nine columns) equals the compiled one; an empty
// cell (the revised and guarantee rates of life 2) is 0 here.
TEST(GenkaRateTables, EveryCellEqualsThePublishedTables)
{
    const auto tsv = kbtest::SourceDir() / ".." / "shared" / "data" / "depreciation-rates.tsv";
    if (!std::filesystem::exists(tsv))
        GTEST_SKIP() << "the published rate tables are not beside the repository (" << tsv.string() << ")";
    std::ifstream in(tsv);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    const std::vector<std::string> header = SplitTabs(line);
    const std::vector<std::string> expectedHeader = {"life",          "old_straight",  "old_declining", "straight",
                                                     "db250_rate",    "db250_revised", "db250_guarantee",
                                                     "db200_rate",    "db200_revised", "db200_guarantee"};
    ASSERT_EQ(header, expectedHeader);
    int cells = 0;
    int lives = 0;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        const std::vector<std::string> c = SplitTabs(line);
        ASSERT_EQ(c.size(), 10u) << line;
        const int n = std::stoi(c[0]);
        ASSERT_GE(n, 2);
        ASSERT_LE(n, 100);
        EXPECT_EQ(n, lives + 2) << "lives in order";
        ++lives;
        const TGenkaRateRow& o = GenkaRateTableOld[n];
        const TGenkaRateRow& w = GenkaRateTableNew[n];
        const std::pair<const char*, std::vector<double>> compiled[] = {
            {"old_straight", {o.OldTeigaku, w.OldTeigaku}},  {"old_declining", {o.OldTeiritu, w.OldTeiritu}},
            {"straight", {o.Teigaku, w.Teigaku}},            {"db250_rate", {o.Teiritu}},
            {"db250_revised", {o.Kaitei}},                   {"db250_guarantee", {o.Hosyou}},
            {"db200_rate", {w.Teiritu}},                     {"db200_revised", {w.Kaitei}},
            {"db200_guarantee", {w.Hosyou}},
        };
        for (size_t i = 0; i < std::size(compiled); ++i) {
            const std::string& text = c[i + 1];
            const double published = text.empty() ? 0.0 : std::stod(text);
            for (double v : compiled[i].second)
                EXPECT_EQ(F(v), F(published)) << "life " << n << ", " << compiled[i].first << " \"" << text << '"';
            ++cells;
        }
    }
    EXPECT_EQ(lives, 99);
    EXPECT_EQ(cells, 891);
}

TEST(GenkaRateTables, EveryLifeFollowsTheDefiningRules)
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
        EXPECT_EQ(F(o.Teigaku), Thousandths(StraightThousandths(n)));
        // Declining balance: 2.5/n and 2/n rounded at the third decimal, at most 1.
        EXPECT_EQ(F(o.Teiritu), Thousandths(std::min<long long>(1000, (5000 + n) / (2 * n))));
        EXPECT_EQ(F(w.Teiritu), Thousandths(std::min<long long>(1000, (4000 + n) / (2 * n))));
        // The old rates are each below the straight line and the declining-balance rate of a shorter life.
        EXPECT_LE(F(o.OldTeigaku), F(o.Teigaku));
        if (n > 2) {
            EXPECT_LE(F(o.OldTeiritu), F(GenkaRateTableOld[n - 1].OldTeiritu));
            EXPECT_LE(F(o.OldTeigaku), F(GenkaRateTableOld[n - 1].OldTeigaku));
        }
        for (const TGenkaRateRow* row : {&o, &w}) {
            SCOPED_TRACE(row == &o ? "250%" : "200%");
            if (n == 2) {
                // Written off in the first year: the ordinance has no revised or guarantee rate.
                EXPECT_EQ(F(row->Kaitei), 0);
                EXPECT_EQ(F(row->Hosyou), 0);
                continue;
            }
            // The revised rate is the straight-line rate of the years left at the switch, which comes
            // in the first year t whose declining amount rate × (1 − rate)^(t−1) is below the guarantee.
            const double rate = row->Teiritu;
            int t = 1;
            while (t <= n && rate * std::pow(1.0 - rate, t - 1) >= row->Hosyou) ++t;
            ASSERT_LE(t, n) << "no switch before the end of the life";
            EXPECT_EQ(F(row->Kaitei), Thousandths(StraightThousandths(n - t + 1))) << "switch in year " << t;
            EXPECT_GT(row->Hosyou, 0.0);
            EXPECT_LT(row->Hosyou, rate);
        }
    }
}

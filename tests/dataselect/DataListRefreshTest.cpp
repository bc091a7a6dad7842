// The data list's refresh without a window: the registry of a whole fixture data root (five data
// sets in slots 1 to 5 of 120, tests/fixtures/README.md), its lines, and one change per case to the
// folders or the registry; the refresh must bring rows, registry and information files back to what
// the folders hold and report what it changed.

#include "DataRootFixture.h"
#include "dataselect/registry/DataListRefresh.h"
#include "dataselect/registry/z5DataSentakuRules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace kb;
namespace fs = std::filesystem;

namespace {

// The lines of every loaded row, redrawn from the rows as a grid would.
class Lines : public IDataListLines {
public:
    explicit Lines(TDataSentakuRecArray& rows) : rows_(rows)
    {
        for (int i = 0; i < static_cast<int>(rows_.size()); ++i)
            for (auto& l : EntryLines(rows_, i)) lines.push_back(l);
    }
    int LineCount() const override { return static_cast<int>(lines.size()); }
    const TDataListLine& Line(int line) const override { return lines.at(static_cast<std::size_t>(line)); }
    void RowChanged(int line, int rowIndex) override
    {
        changed.push_back(rowIndex);
        auto at = lines.begin() + line;
        while (at != lines.end() && at->RowIndex == rowIndex) at = lines.erase(at);
        const auto fresh = EntryLines(rows_, rowIndex);
        lines.insert(at, fresh.begin(), fresh.end());
    }
    void LineDamaged(int line) override
    {
        damaged.push_back(line);
        lines.at(static_cast<std::size_t>(line)).DataStatus = 1;
    }

    std::vector<TDataListLine> lines;
    std::vector<int> changed, damaged;

private:
    TDataSentakuRecArray& rows_;
};

class DataListRefreshTest : public kbtest::DataRootTest {
public: // the case tables reach the fixture through a reference
    TDataListRec Stored(int rec)
    {
        TDataSentakuListCtl ctl;
        TDataListRec r;
        ctl.InitDataListRec(r, "");
        r.REC = rec;
        ctl.GetDataListRecord(0, r, true);
        return r;
    }
    TDataSentakuRecArray Load(TDataSentakuListCtl& ctl)
    {
        ctl.Mode = ConnectMode;
        ctl.Execute(0, 0, "", false);
        return ctl.Rows;
    }

};

} // namespace

// One line at a time: what the folder holds wins, and only a row that changed is drawn anew.
TEST_F(DataListRefreshTest, EachLineMirrorsItsFolder)
{
    struct Case {
        const char* name;
        int rec;                                   // the row refreshed (slot number)
        std::function<void(DataListRefreshTest&)> change;
        std::function<void(DataListRefreshTest&, const TDataListRec& row, const Lines& lines)> check;
    };
    const Case cases[] = {
        {"data file gone: an empty slot, its information file removed", 4,
         [](DataListRefreshTest& t) { fs::remove(fs::path(t.Folder(4)) / "vqacc.fdb"); },
         [](DataListRefreshTest& t, const TDataListRec& row, const Lines& lines) {
             EXPECT_EQ(row.ENTTEXT, "");
             EXPECT_EQ(row.DATACODE, "");
             EXPECT_EQ(t.Stored(4).ENTTEXT, "");
             EXPECT_EQ(t.Stored(4).SHOUGOU, "");
             EXPECT_FALSE(fs::exists(fs::path(t.Folder(4)) / "vqacc.ini"));
             EXPECT_EQ(lines.changed, std::vector<int>{3});
         }},
        {"registry disagrees with the folder: the folder's code is written back", 2,
         [](DataListRefreshTest& t) { t.Sql("UPDATE DATALIST SET DATACODE='9999' WHERE REC=2"); },
         [](DataListRefreshTest& t, const TDataListRec& row, const Lines& lines) {
             EXPECT_EQ(row.DATACODE, "0002");
             EXPECT_EQ(t.Stored(2).DATACODE, "0002");
             EXPECT_EQ(lines.changed, std::vector<int>{1});
         }},
        {"damaged row: only marked, the folder is not read", 3,
         [](DataListRefreshTest& t) {
             t.Sql("UPDATE DATALIST SET DATA_STATUS=1 WHERE REC=3");
             fs::remove(fs::path(t.Folder(3)) / "vqacc.fdb");
         },
         [](DataListRefreshTest& t, const TDataListRec& row, const Lines& lines) {
             EXPECT_EQ(row.DATACODE, "0003");
             EXPECT_EQ(t.Stored(3).DATACODE, "0003");
             EXPECT_TRUE(fs::exists(fs::path(t.Folder(3)) / "vqacc.ini"));
             EXPECT_TRUE(lines.changed.empty());
             EXPECT_EQ(lines.damaged, std::vector<int>{2});
         }},
        {"empty slot without a folder: stays empty, no folder is made", 9, [](DataListRefreshTest&) {},
         [](DataListRefreshTest& t, const TDataListRec& row, const Lines& lines) {
             EXPECT_EQ(row.ENTTEXT, "");
             EXPECT_EQ(t.Stored(9).ENTTEXT, "");
             EXPECT_EQ(lines.changed, std::vector<int>{8}); // drawn anew as every stand-alone row
             EXPECT_FALSE(fs::exists(t.Folder(9)));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change(*this);
        TDataSentakuListCtl ctl;
        TDataSentakuRecArray rows = Load(ctl);
        Lines lines(rows);
        TDataListRefresher refresher(ctl, rows, lines);
        refresher.RefreshLine(c.rec - 1);
        c.check(*this, rows.at(static_cast<std::size_t>(c.rec - 1)).DataRec, lines);
        EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
    }
}

// The whole walk asks before each line and reports after it; a cancel stops before the next line.
TEST_F(DataListRefreshTest, WholeRefreshReportsEachLineAndStopsOnCancel)
{
    fs::remove(fs::path(Folder(5)) / "vqacc.fdb");
    TDataSentakuListCtl ctl;
    TDataSentakuRecArray rows = Load(ctl);
    Lines lines(rows);
    TDataListRefresher refresher(ctl, rows, lines);
    std::vector<int> started, done;
    TRefreshProgress p;
    p.Cancelled = [&] { return done.size() == 6; };
    p.LineStarting = [&](int n) { started.push_back(n); };
    p.LineDone = [&](int n) { done.push_back(n); };
    refresher.RefreshAll(p);
    EXPECT_EQ(started, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(done, started);
    EXPECT_EQ(rows[4].DataRec.ENTTEXT, "");
    EXPECT_EQ(rows[0].DataRec.DATACODE, "0001");
    EXPECT_EQ(lines.changed, started); // stand-alone: every refreshed row is drawn anew
}

// The line facts the grid renders in its hidden columns, and the row a line stands for.
TEST(DataListLines, FactsOfARowAndItsMembers)
{
    TDataSentakuRecArray rows(2);
    rows[0].DataRec.REC = 1;
    rows[0].DataRec.GASSAN = 1;
    rows[0].DataRec.VER_MAJOR = 15;
    rows[0].DataRec.UPDATE_LOCK = 1;
    rows[0].DataRec.NETDRIVE = 1;
    rows[0].DataRec.KYOYULOCK = 1;
    rows[0].DataRec.DATALOCK = 12;
    rows[0].ChildList.resize(2);
    for (auto& c : rows[0].ChildList) c.GASSAN = 10;
    rows[0].ChildList[1].ENTTEXT = "支店";
    rows[0].ChildList[1].DATA_STATUS = 1;
    rows[1].DataRec.GASSAN = 3; // a kind the list does not show as a line of its own
    const auto lines = EntryLines(rows, 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].ChildIndex, -1);
    EXPECT_EQ(lines[0].VersionText, "15.0.0");
    EXPECT_EQ(lines[0].UpdateFlag, 1);
    EXPECT_EQ(lines[0].DataLock, 12);
    EXPECT_EQ(lines[2].ChildIndex, 1);
    EXPECT_TRUE(lines[2].IsMember());
    EXPECT_EQ(lines[2].DataStatus, 1);
    for (const auto& l : lines) EXPECT_EQ(l.ShareState, 2); // members share their parent's place
    EXPECT_EQ(RowOf(rows, lines[2]), &rows[0].ChildList[1]);
    EXPECT_EQ(rows[0].ChildList[1].DISPNAME, "02 支店");
    EXPECT_TRUE(EntryLines(rows, 1).empty());
    EXPECT_TRUE(EntryLines(rows, 2).empty());
    TDataListLine stray = lines[2];
    stray.ChildIndex = 5;
    EXPECT_EQ(RowOf(rows, stray), nullptr);
    // The grey rule: update-locked and older than the newest update step (the check the program
    // installs from the update subsystem; here one that knows only 15.0.0).
    SetDataVersionCheck([](const std::string& v) { return v != "15.0.0"; });
    TDataListLine old = lines[0];
    old.VersionText = "14.0.0";
    EXPECT_TRUE(LineNeedsUpdate(old));
    EXPECT_FALSE(LineNeedsUpdate(lines[0]));
    old.UpdateFlag = 0;
    EXPECT_FALSE(LineNeedsUpdate(old));
    SetDataVersionCheck(nullptr);
    old.UpdateFlag = 1;
    EXPECT_FALSE(LineNeedsUpdate(old)); // no check installed: nothing is greyed
}

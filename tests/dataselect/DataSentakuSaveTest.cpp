// Saving and restoring data sets from the data selection, stand-alone on a whole fixture data root
// (five data sets in slots 1 to 5 of 120; tests/fixtures/README.md): the incoming facts of a
// restore, the consolidation settings it leaves, F6 and F7.

#include "DataSentakuBoxFixture.h"
#include "core/DataModuleAccReg.h"
#include "FixtureBuilder.h"
#include "accounting/DataSetUseRecorder.h"
#include "core/FormRegistry.h"
#include "dataselect/registry/DataFolderInfo.h"
#include "dataselect/z5DataSentaku.h"
#include "fb/Database.h"
#include "fb/Statement.h"
#include "ui/z5MessageDlg2.h"

#include <QCoreApplication>
#include <QTableView>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace kb;

namespace {

class DataSentakuSaveTest : public kbtest::DataSentakuBoxFixture {
protected:
    void SetUp() override
    {
        kbtest::DataSentakuBoxFixture::SetUp();
        if (HasFatalFailure()) return;
        recorder = std::make_unique<TDataSetUseRecorder>(*DM);
        SetDataSetUseRecorder(recorder.get());
    }
    void TearDown() override
    {
        SetDataSetUseRecorder(nullptr);
        kbtest::DataSentakuBoxFixture::TearDown();
    }

    // An ACCREG value of the data set in folder as text ("" when the row is missing).
    static std::string AccReg(const std::string& folder, const std::string& group, const std::string& code)
    {
        fb::Connection db;
        OpenDataSet(db, folder);
        fb::Transaction tr(&db);
        return std::get<std::string>(GetAccReg(db, tr, group, code, kRegText, ""));
    }

    std::unique_ptr<TDataSetUseRecorder> recorder;
};

} // namespace

// A restore's destination check keeps the backup's facts in a record of their own: a copy marked
// before it stays as it was, and the consolidation settings follow the kind they are given.
TEST_F(DataSentakuSaveTest, RestoreFactsNeverTouchTheCopyClipboard)
{
    TDataSentakuBox* box = nullptr;
    auto form = Show({"SyoriType=0", "FormStyle=2"}, box);
    box->CopySource.SHOUGOU = "コピー元商店";
    box->CopySource.ENTTEXT = "コピー元";
    box->CopySource.GASSAN = 0;
    box->CopySource.DATALOCK = 5;

    TDataFolderInfoRec source;
    source.SHOUGOU = "復元商店";
    source.KISHU = "2024/01/01";
    source.KIMATU = "2024/12/31";
    source.VERSION2 = "15.0.0";
    source.GASSANKBN = 1;
    const std::string empty = Folder(7) + "/new";
    ASSERT_TRUE(box->CheckDestination("復元", source, empty));
    EXPECT_TRUE(fs::is_directory(empty));
    EXPECT_EQ(box->Incoming.SHOUGOU, "復元商店");
    EXPECT_EQ(box->Incoming.KISHU, Date(2024, 1, 1));
    EXPECT_EQ(box->Incoming.KIMATU, Date(2024, 12, 31));
    EXPECT_EQ(box->Incoming.VER_TEXT, "15.0.0");
    EXPECT_EQ(box->Incoming.GASSAN, 1);
    EXPECT_EQ(box->CopySource.SHOUGOU, "コピー元商店");
    EXPECT_EQ(box->CopySource.ENTTEXT, "コピー元");
    EXPECT_EQ(box->CopySource.GASSAN, 0);
    EXPECT_EQ(box->CopySource.DATALOCK, 5);

    // Incoming kind 1 over a slot loaded as kind 2 with three members keeps (2, 3); the clipboard's
    // kind 0 would have written nothing.
    const int line = 0;
    ASSERT_EQ(box->RowFolder(line), Folder(1));
    box->ApplyGassanSetting(line, box->Incoming.GASSAN, 2, 3);
    EXPECT_EQ(AccReg(Folder(1), "基本設定", "合算データ区分"), "2");
    EXPECT_EQ(AccReg(Folder(1), "基本設定", "合算データ数"), "3");
    EXPECT_TRUE(ui.shown.empty());
}

#pragma once
// Shared by the real-estate and agriculture tests: a data set of the fixtures copied per test, the
// data module's ACCDEF1 facts set as the fixture holds them, and a balance step that places the
// README's closing figures (the ledger computes the same from the journal).

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "FixtureBuilder.h"
#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "core/ErrorReporter.h"
#include "core/uAccDateCmp.h"
#include "core/uAccRecord.h"
#include "fb/Database.h"
#include "fb/Statement.h"
#include "linkage/ComRendo.h"
#include "linkage/XMLSaveDoc.h"
#include "linkage/z5ComKojinKessansyo.h"
#include "st14TestSupport.h"

namespace kbtest::linkage {

struct HandLine {
    const char* code;      // closing-statement group
    int subrec;
    const char* name;
    int side;              // TAISHAKU
    long long opening;
    long long closing;
};

// Account lines from the first account row on, and a hidden entry that must reach no line.
inline kb::TKessansyoBalanceMaker HandBalances(std::vector<HandLine> lines)
{
    return [lines](std::vector<kb::TBALANCE>& recs, std::vector<kb::TQSORT>& sorts, int, int) {
        int row = kb::FirstAccountRow;
        for (const HandLine& h : lines) {
            kb::TBALANCE& b = recs.at(static_cast<std::size_t>(row));
            b.KAMOKU.GROUPM1 = h.code;
            b.KAMOKU.KNAME = h.name;
            b.KAMOKU.TAISHAKU = h.side;
            b.SUBREC = h.subrec;
            b.ZENZAN = kb::Currency::FromYen(h.opening);
            b.TOUZAN = kb::Currency::FromYen(h.closing);
            sorts.at(static_cast<std::size_t>(row)).QKEY = std::string(h.code) + std::to_string(h.subrec);
            sorts.at(static_cast<std::size_t>(row)).QINDEX = row;
            ++row;
        }
        kb::TBALANCE& hidden = recs.at(static_cast<std::size_t>(row));
        hidden.KAMOKU.GROUPM1 = "6100";
        hidden.SUBREC = 2;
        hidden.TOUZAN = kb::Currency::FromYen(999999);
        sorts.at(static_cast<std::size_t>(row)).QKEY = kb::kAccZanEmptyKey;
        sorts.at(static_cast<std::size_t>(row)).QINDEX = row;
    };
}

// One data set of the fixtures, built once per suite and copied for every test.
class FixtureDataSet : public ::testing::Test {
protected:
    using Builder = std::function<void(const std::filesystem::path&)>;

    void Open(const std::filesystem::path& built, int codeType, std::vector<HandLine> balances)
    {
        std::filesystem::copy_file(built / "vqacc.fdb", tmp.path() / "vqacc.fdb");
        db.SetDatabaseName((tmp.path() / "vqacc.fdb").string());
        db.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
        db.SetDefaultTransaction(&tr);
        tr.SetDefaultDatabase(&db);
        db.Open();

        kb::AccInf = kb::TACCINF{};
        kb::AccInf.DATATYPE = 2;
        kb::AccInf.CODETYPE = codeType;
        kb::AccInf.KISHU = kb::Date(2025, 1, 1);
        kb::AccInf.KIMATU = kb::Date(2025, 12, 31);
        kb::AccInf.SIME = 99;
        kb::AccInf.KAISINO = 1;
        kb::AccInf.TAXDEFUH = 0;
        if (kb::GengoList.empty()) kb::InitGengoTable();
        kb::SetErrorUi(&ui);
        previous_ = kb::KessansyoBalanceMaker;
        kb::KessansyoBalanceMaker = HandBalances(std::move(balances));
    }

    void TearDown() override
    {
        kb::KessansyoBalanceMaker = previous_;
        kb::SetErrorUi(nullptr);
        kb::ResetErrorReporter();
        if (tr.InTransaction()) tr.Rollback();
        db.Close();
        kb::AccInf = kb::TACCINF{};
    }

    void Exec(const std::string& sql)
    {
        kb::fb::TransactionGuard g(tr);
        kb::fb::Statement q(db, &tr);
        q.SetSQL(sql);
        q.ExecQuery();
        g.Commit();
    }

    std::string Write(int kind, bool details, int codeType)
    {
        kb::TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        doc.CreateRoot("REPORT");
        kb::SyotokuzeiWriteData(doc, {kind, codeType, details, 0}, db, tr);
        return doc.SaveToBytes();
    }

    // The text of the first element on the path (lines of Lines()), or "<missing>".
    static std::string Leaf(const std::string& bytes, const std::string& path)
    {
        XmlTree t(bytes);
        for (const std::string& l : Lines(t))
            if (l.rfind(path + " = ", 0) == 0) return l.substr(path.size() + 3);
        return "<missing>";
    }

    kbtest::TempDir tmp;
    kb::fb::Connection db;
    kb::fb::Transaction tr{nullptr};
    RecordingErrorUi ui;
    kb::TKessansyoBalanceMaker previous_;
};

// Without details: every line under one of the kind's detail blocks goes.
inline std::vector<std::string> DropBlocks(const std::vector<std::string>& lines, const std::string& kindElement,
                                           const std::vector<std::string>& blocks)
{
    std::vector<std::string> out;
    for (const std::string& l : lines) {
        bool detail = false;
        for (const std::string& b : blocks) {
            const std::string prefix = "REPORT/DATA/" + kindElement + "/" + b;
            if (l.rfind(prefix, 0) == 0 && (l.size() == prefix.size() || l[prefix.size()] == '/')) detail = true;
        }
        if (!detail) out.push_back(l);
    }
    return out;
}

} // namespace kbtest::linkage

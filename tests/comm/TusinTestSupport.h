#pragma once
// What the engine tests share: a view that records every message and wait line, a data side that
// keeps a data set as one file, and the process records set for a run against the loopback peers.

#include "comm/DataTusinEngine.h"
#include "common/CommPeer.h"
#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kbtest {

struct RecordingView : kb::ITusinView {
    std::vector<std::string> Messages; // "I:", "W:", "E:", "Q:" + text; "A:" + label + "|" + each line
    std::vector<std::string> Lines;    // every wait line text as set
    bool Answer = true;
    int EscOn = 0;
    bool EscEverOn = false;
    void Information(const std::string& t) override { Messages.push_back("I:" + t); }
    void Warning(const std::string& t) override { Messages.push_back("W:" + t); }
    void Error(const std::string& t) override { Messages.push_back("E:" + t); }
    bool Confirm(const std::string& t) override
    {
        Messages.push_back("Q:" + t);
        return Answer;
    }
    bool AgreeDifferences(const std::string& label, const std::vector<std::string>& lines) override
    {
        std::string all = "A:" + label;
        for (const auto& l : lines) all += "|" + l;
        Messages.push_back(all);
        return Answer;
    }
    void WaitOpen(const std::string&, const std::vector<std::string>& lines) override
    {
        Lines.insert(Lines.end(), lines.begin(), lines.end());
    }
    void WaitLine(int, const std::string& text, kb::TWaitLineState) override { Lines.push_back(text); }
    void WaitClose() override {}
    void EscGuard(bool on) override
    {
        EscOn += on ? 1 : -1;
        EscEverOn = EscEverOn || on;
    }
    void ListButtons(bool) override {}
    std::string Last() const { return Messages.empty() ? std::string() : Messages.back(); }
};

// A data set that is one file: the backup copies it, the restore replaces it whole.
struct FileDataSide : kb::ITusinDataSide {
    std::filesystem::path DataFile;
    bool FailRestore = false;
    std::vector<kb::DateTime> CloudTimesSet;
    bool SaveSendData(const std::filesystem::path& backupFile) override
    {
        std::filesystem::copy_file(DataFile, backupFile, std::filesystem::copy_options::overwrite_existing);
        return true;
    }
    bool RestoreReceivedData(const std::filesystem::path& backupFile) override
    {
        if (FailRestore) return false;
        std::filesystem::copy_file(backupFile, DataFile, std::filesystem::copy_options::overwrite_existing);
        return true;
    }
    bool SetCloudTime(const kb::DateTime& t) override
    {
        CloudTimesSet.push_back(t);
        return true;
    }
    bool ReadGassanSettings(std::string& k, std::string& c) override
    {
        k = "0";
        c = "0";
        return true;
    }
    void WriteGassanSettings(const std::string&, const std::string&) override {}
};

// The process records of one run, put back afterwards.
class ScopedTusinRecords {
public:
    ScopedTusinRecords(const CommPeer& peer, const std::filesystem::path& temp)
        : sys_(kb::SystemDef), acc_(kb::AccInf), app_(kb::AppInfo)
    {
        kb::AppInfo.StatusServer = "127.0.0.1";
        kb::AppInfo.StatusServerPort = peer.HttpsPort();
        kb::SystemDef.TempDir = temp.string();
        kb::SystemDef.SerialText = "SN-0001";
        kb::AccInf.WebHolder = "ABCD1234EFGH";
        kb::AccInf.Pasword = "abc123";
        kb::AccInf.ENTTEXT = "青色一郎（一般）";
        kb::AccInf.NENDO = 2025;
        kb::AccInf.KISHU = kb::Date(2025, 1, 1);
        kb::AccInf.KIMATU = kb::Date(2025, 12, 31);
        kb::AccInf.CloudLine = 3;
    }
    ~ScopedTusinRecords()
    {
        kb::SystemDef = sys_;
        kb::AccInf = acc_;
        kb::AppInfo = app_;
    }

private:
    kb::TSystemDef sys_;
    kb::TACCINF acc_;
    kb::TAppInfoRec app_;
};

} // namespace kbtest

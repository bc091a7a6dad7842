#pragma once
// The cloud-share entry points of the data communication: fetch a data set's area copy before
// use, send it back after use, release the area's in-use mark, receive the copy into the work
// folder. They run on the owner's engine and data side; the data set concerned is connected for the
// call and disconnected after it. Every entry point answers 0 done (or nothing needed), 1 not done.

#include "comm/DataTusinEngine.h"

#include <string>

namespace kb {

class TTusinDataSide;

// What decides whether the local copy of an area is current and what a fetch does.
struct TCloudCopyFacts {
    std::string SendTime;  // the area's send time, "yyyy/mm/dd hh:nn:ss" or starting "0000"
    DateTime LocalTime;    // CLOUD_TIME of the data set
    std::string Status;    // "2": the area is in use
    std::string HolderOp, HolderPc; // the holder's operator text and computer (while in use)
    std::string OwnOp, OwnPc;
    int Mode = 0;          // connection mode
    int AppKind = 0;
    bool Check = false;    // the caller's check flag
};

enum class TCloudCopyAction {
    Nothing, // current copy, read-only context: nothing to do
    Notify,  // current copy: tell the server this office takes the area (1833 alone)
    Receive, // fetch the area's copy
    InUse    // somebody else holds the area
};

struct TCloudCopyDecision {
    TCloudCopyAction Action = TCloudCopyAction::Receive;
    DateTime ServerTime; // the send time read, null when it was not valid
};

TCloudCopyDecision DecideCloudCopy(const TCloudCopyFacts& f);

// Operator code and name of a holder's operator text: characters 1-4 read as a number (empty when
// they do not read), the rest the name.
void SplitHolderText(const std::string& text, std::string& code, std::string& name);

class TCloudShareOps {
public:
    TCloudShareOps(TDataTusinEngine& engine, TTusinDataSide& data, ITusinView& view)
        : engine_(engine), data_(data), view_(view) {}

    // Fills the engine's own operator and computer texts (plain and in request form).
    bool GetOperatorAndPcName();
    bool CheckTusinSettings();

    int CloudShareReceive(const std::string& folder, int automatic, int check);
    int CloudShareReceiveToFolder(const std::string& folder, int automatic);
    int CloudShareSend(const std::string& folder, const std::string& caption, int automatic);
    int ReleaseCloudShare(const std::string& folder);

private:
    bool Begin(int type, const std::string& folder, int automatic);
    void InUseMessage(int row);

    TDataTusinEngine& engine_;
    TTusinDataSide& data_;
    ITusinView& view_;
};

} // namespace kb

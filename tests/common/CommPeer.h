#pragma once
// The loopback peers of the data communication (tests/common/comm_peer.py): the status server over
// HTTPS with a certificate made for the run, and the relay FTP server, both on 127.0.0.1 at free
// ports. The test scripts the peers through Control() (codes, cut replies, dropped links, FTP
// faults, the clock) and reads what the client asked in Requests(). While the object lives,
// KB_TEST_CA_FILE and KB_TEST_FTP_PORT point the program at the peers; it is stopped by pid.

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kb {
class ChildProcess;
}

namespace kbtest {

class ScopedEnv;

struct PeerRequest {
    std::string Code;
    std::map<std::string, std::string> Params; // decoded
    std::vector<std::string> Headers;
    std::string Path;
};

class CommPeer {
public:
    // users: communication ID -> FTP password.
    explicit CommPeer(const std::map<std::string, std::string>& users);
    CommPeer(const std::string& id, const std::string& ftpPassword) : CommPeer(std::map<std::string, std::string>{{id, ftpPassword}}) {}
    ~CommPeer();
    CommPeer(const CommPeer&) = delete;
    CommPeer& operator=(const CommPeer&) = delete;

    int HttpsPort() const { return https_; }
    int FtpPort() const { return ftp_; }
    // The FTP home of an ID (its folders 01 .. 10 below).
    std::filesystem::path FtpHome(const std::string& id) const { return dir_ / "ftp" / id; }
    // Replaces the scripted part of the state: a JSON object text with any of "clock", "codes",
    // "cut", "drop", "ftp" (see comm_peer.py); the users stay.
    void Control(const std::string& json);
    std::vector<PeerRequest> Requests() const;
    std::vector<std::string> RequestCodes() const;
    void ClearRequests();

private:
    std::filesystem::path dir_;
    std::string users_;
    std::unique_ptr<kb::ChildProcess> process_;
    std::unique_ptr<ScopedEnv> env_;
    int https_ = 0, ftp_ = 0;
};

} // namespace kbtest

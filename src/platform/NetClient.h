#pragma once
// HTTPS and FTP through libcurl, for the status server, the relay file server and the cloud upload.
// TLS is 1.2 or later with the peer's certificate and host name verified; the test-only variable
// KB_TEST_CA_FILE names one more certificate file to trust (the loopback peer's), nothing turns
// verification off. FTP runs passive and binary; credentials travel as options, never inside a
// URL, and no message of this unit names a path or a credential.

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace kb::net {

struct NetError : std::runtime_error {
    NetError(const std::string& what, int curlCode) : std::runtime_error(what), CurlCode(curlCode) {}
    int CurlCode;
};

struct TNetTimeouts {
    long ConnectSeconds = 30;
    long IdleSeconds = 60; // no byte for this long ends a transfer
};

// GET over HTTPS that answers the raw reply, header lines included (HTTP/1.0, no redirects).
// `headers` are sent as given (curl's own Accept line is left out). A reply longer than
// maxBytes, a failed connection, a failed TLS check: NetError.
std::string HttpsGetRaw(const std::string& host, int port, const std::string& pathAndQuery,
                        const std::vector<std::string>& headers, std::size_t maxBytes, TNetTimeouts t = {});

// One FTP session; each operation reuses the logged-in connection (or logs in again after a drop).
class TFtpClient {
public:
    TFtpClient(std::string host, int port, std::string user, std::string password, TNetTimeouts t = {});
    ~TFtpClient(); // QUIT and disconnect; failures there are ignored
    TFtpClient(const TFtpClient&) = delete;
    TFtpClient& operator=(const TFtpClient&) = delete;

    void Connect();                                   // log in; NetError on failure
    bool ChangeDir(const std::string& folder);        // folder below the home, "" = the home
    std::int64_t Size(const std::string& name);       // -1 when there is no such file
    void Rename(const std::string& from, const std::string& to);
    void Delete(const std::string& name);
    void Upload(const std::filesystem::path& local, const std::string& name);
    void Download(const std::string& name, const std::filesystem::path& local);
    void Quit();

private:
    std::string Url(const std::string& name) const;
    void Prepare();
    void Perform(const char* what);
    void Quote(const std::vector<std::string>& commands, const char* what);

    void* curl_ = nullptr;
    std::string host_, user_, password_, folder_;
    int port_;
    TNetTimeouts timeouts_;
};

// The FTP port: 21, or KB_TEST_FTP_PORT when set (tests point the engine at their peer).
int FtpPort();

} // namespace kb::net

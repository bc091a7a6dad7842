#include "platform/NetClient.h"

#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace kb::net {

namespace {

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct SList {
    curl_slist* p = nullptr;
    ~SList() { curl_slist_free_all(p); }
    void Add(const std::string& s) { p = curl_slist_append(p, s.c_str()); }
};

void Fail(CURLcode rc, const char* what, const char* errbuf)
{
    std::string msg = std::string(what) + ": " + curl_easy_strerror(rc);
    if (errbuf && *errbuf) msg += std::string(" (") + errbuf + ")";
    throw NetError(msg, rc);
}

void Secure(CURL* c)
{
    curl_easy_setopt(c, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* ca = std::getenv("KB_TEST_CA_FILE"); ca && *ca) curl_easy_setopt(c, CURLOPT_CAINFO, ca);
}

void Times(CURL* c, const TNetTimeouts& t)
{
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, t.ConnectSeconds);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, t.IdleSeconds);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
}

struct Sink {
    std::string data;
    std::size_t max = 0;
    bool over = false;
};

size_t WriteSink(char* p, size_t size, size_t n, void* user)
{
    auto* s = static_cast<Sink*>(user);
    const size_t len = size * n;
    if (s->data.size() + len > s->max) {
        s->over = true;
        return 0;
    }
    s->data.append(p, len);
    return len;
}

size_t WriteFile(char* p, size_t size, size_t n, void* user)
{
    return std::fwrite(p, size, n, static_cast<FILE*>(user)) * size;
}

size_t Discard(char*, size_t size, size_t n, void*) { return size * n; }

size_t ReadFile(char* p, size_t size, size_t n, void* user)
{
    return std::fread(p, size, n, static_cast<FILE*>(user));
}

struct FileCloser {
    void operator()(FILE* f) const { if (f) std::fclose(f); }
};

} // namespace

std::string HttpsGetRaw(const std::string& host, int port, const std::string& pathAndQuery,
                        const std::vector<std::string>& headers, std::size_t maxBytes, TNetTimeouts t)
{
    GlobalInit();
    std::unique_ptr<CURL, void (*)(CURL*)> c(curl_easy_init(), curl_easy_cleanup);
    if (!c) throw NetError("HTTPS: no curl handle", CURLE_FAILED_INIT);
    char err[CURL_ERROR_SIZE] = {};
    const std::string url = "https://" + host + ":" + std::to_string(port) + pathAndQuery;
    curl_easy_setopt(c.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(c.get(), CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(c.get(), CURLOPT_ERRORBUFFER, err);
    curl_easy_setopt(c.get(), CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(c.get(), CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c.get(), CURLOPT_HEADER, 1L);
    Secure(c.get());
    Times(c.get(), t);
    SList h;
    for (const auto& line : headers) h.Add(line);
    h.Add("Accept:");
    curl_easy_setopt(c.get(), CURLOPT_HTTPHEADER, h.p);
    Sink sink;
    sink.max = maxBytes;
    curl_easy_setopt(c.get(), CURLOPT_WRITEFUNCTION, WriteSink);
    curl_easy_setopt(c.get(), CURLOPT_WRITEDATA, &sink);
    const CURLcode rc = curl_easy_perform(c.get());
    if (sink.over) throw NetError("HTTPS: reply too long", CURLE_WRITE_ERROR);
    if (rc != CURLE_OK) Fail(rc, "HTTPS", err);
    return sink.data;
}

int FtpPort()
{
    if (const char* p = std::getenv("KB_TEST_FTP_PORT"); p && *p) {
        const int v = std::atoi(p);
        if (v > 0 && v < 65536) return v;
    }
    return 21;
}

TFtpClient::TFtpClient(std::string host, int port, std::string user, std::string password, TNetTimeouts t)
    : host_(std::move(host)), user_(std::move(user)), password_(std::move(password)), port_(port), timeouts_(t)
{
    GlobalInit();
    curl_ = curl_easy_init();
    if (!curl_) throw NetError("FTP: no curl handle", CURLE_FAILED_INIT);
}

TFtpClient::~TFtpClient()
{
    Quit();
}

void TFtpClient::Quit()
{
    if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_)); // sends QUIT on a live connection
    curl_ = nullptr;
}

std::string TFtpClient::Url(const std::string& name) const
{
    std::string u = "ftp://" + host_ + ":" + std::to_string(port_) + "/";
    if (!folder_.empty()) u += folder_ + "/";
    return u + name;
}

void TFtpClient::Prepare()
{
    if (!curl_) throw NetError("FTP: session closed", CURLE_FAILED_INIT);
    CURL* c = static_cast<CURL*>(curl_);
    curl_easy_reset(c); // keeps the logged-in connection
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(c, CURLOPT_USERNAME, user_.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, password_.c_str());
    curl_easy_setopt(c, CURLOPT_FTP_USE_EPSV, 0L); // plain PASV
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Discard);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, Discard);
    curl_easy_setopt(c, CURLOPT_FTP_RESPONSE_TIMEOUT, timeouts_.IdleSeconds);
    Times(c, timeouts_);
}

void TFtpClient::Perform(const char* what)
{
    char err[CURL_ERROR_SIZE] = {};
    CURL* c = static_cast<CURL*>(curl_);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, err);
    const CURLcode rc = curl_easy_perform(c);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
    if (rc != CURLE_OK) Fail(rc, what, err);
}

void TFtpClient::Connect()
{
    Prepare();
    const std::string url = "ftp://" + host_ + ":" + std::to_string(port_) + "/";
    curl_easy_setopt(static_cast<CURL*>(curl_), CURLOPT_URL, url.c_str());
    curl_easy_setopt(static_cast<CURL*>(curl_), CURLOPT_NOBODY, 1L);
    Perform("FTP connect");
}

bool TFtpClient::ChangeDir(const std::string& folder)
{
    Prepare();
    const std::string url = "ftp://" + host_ + ":" + std::to_string(port_) + "/" + (folder.empty() ? "" : folder + "/");
    curl_easy_setopt(static_cast<CURL*>(curl_), CURLOPT_URL, url.c_str());
    curl_easy_setopt(static_cast<CURL*>(curl_), CURLOPT_NOBODY, 1L);
    char err[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(static_cast<CURL*>(curl_), CURLOPT_ERRORBUFFER, err);
    const CURLcode rc = curl_easy_perform(static_cast<CURL*>(curl_));
    if (rc == CURLE_REMOTE_ACCESS_DENIED) return false;
    if (rc != CURLE_OK) Fail(rc, "FTP folder", err);
    folder_ = folder;
    return true;
}

std::int64_t TFtpClient::Size(const std::string& name)
{
    Prepare();
    CURL* c = static_cast<CURL*>(curl_);
    const std::string url = Url(name);
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    char err[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, err);
    const CURLcode rc = curl_easy_perform(c);
    if (rc == CURLE_REMOTE_FILE_NOT_FOUND || rc == CURLE_FTP_COULDNT_RETR_FILE) return -1;
    if (rc != CURLE_OK) Fail(rc, "FTP size", err);
    curl_off_t len = -1;
    curl_easy_getinfo(c, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &len);
    return len;
}

void TFtpClient::Quote(const std::vector<std::string>& commands, const char* what)
{
    Prepare();
    CURL* c = static_cast<CURL*>(curl_);
    const std::string url = "ftp://" + host_ + ":" + std::to_string(port_) + "/";
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    SList q;
    for (const auto& cmd : commands) q.Add(cmd);
    curl_easy_setopt(c, CURLOPT_QUOTE, q.p);
    Perform(what);
}

void TFtpClient::Rename(const std::string& from, const std::string& to)
{
    // Absolute below the home: quoted commands run before curl changes folders on a reused link.
    const std::string dir = "/" + (folder_.empty() ? "" : folder_ + "/");
    Quote({"RNFR " + dir + from, "RNTO " + dir + to}, "FTP rename");
}

void TFtpClient::Delete(const std::string& name)
{
    const std::string dir = "/" + (folder_.empty() ? "" : folder_ + "/");
    Quote({"DELE " + dir + name}, "FTP delete");
}

void TFtpClient::Upload(const std::filesystem::path& local, const std::string& name)
{
    std::unique_ptr<FILE, FileCloser> f(std::fopen(local.c_str(), "rb"));
    if (!f) throw NetError("FTP upload: local file cannot be read", CURLE_READ_ERROR);
    Prepare();
    CURL* c = static_cast<CURL*>(curl_);
    const std::string url = Url(name);
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, ReadFile);
    curl_easy_setopt(c, CURLOPT_READDATA, f.get());
    std::error_code ec;
    const auto size = std::filesystem::file_size(local, ec);
    if (!ec) curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    Perform("FTP upload");
}

void TFtpClient::Download(const std::string& name, const std::filesystem::path& local)
{
    std::unique_ptr<FILE, FileCloser> f(std::fopen(local.c_str(), "wb"));
    if (!f) throw NetError("FTP download: local file cannot be written", CURLE_WRITE_ERROR);
    Prepare();
    CURL* c = static_cast<CURL*>(curl_);
    const std::string url = Url(name);
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, WriteFile);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, f.get());
    Perform("FTP download");
    if (std::fflush(f.get()) != 0) throw NetError("FTP download: local file cannot be written", CURLE_WRITE_ERROR);
}

} // namespace kb::net

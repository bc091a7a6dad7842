#include "common/CommPeer.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "platform/ChildProcess.h"
#include "platform/TempFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace kbtest {

namespace {
void WriteAtomically(const std::filesystem::path& file, const std::string& text)
{
    const auto tmp = file.string() + ".tmp";
    WriteFile(tmp, text);
    std::filesystem::rename(tmp, file);
}
} // namespace

CommPeer::CommPeer(const std::map<std::string, std::string>& users)
{
    dir_ = kb::TempFiles::CreateTempDir("kb-commpeer");
    QJsonObject u;
    for (const auto& [id, pw] : users)
        u.insert(QString::fromStdString(id), QJsonObject{{"ftp_password", QString::fromStdString(pw)}});
    users_ = QJsonDocument(u).toJson(QJsonDocument::Compact).toStdString();
    Control("{}");
    // Debian's interpreter, which holds python3-pyftpdlib, whatever python3 comes first on PATH.
    process_ = std::make_unique<kb::ChildProcess>(
        std::vector<std::string>{"/usr/bin/python3", (SourceDir() / "tests/common/comm_peer.py").string(), dir_.string()});
    process_->SetOutputFile(dir_ / "peer.log");
    process_->Start();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(dir_ / "ports.json")) {
        if (!process_->Running() || std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("comm peer did not start: " + ReadFile(dir_ / "peer.log"));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const auto ports = QJsonDocument::fromJson(QByteArray::fromStdString(ReadFile(dir_ / "ports.json"))).object();
    https_ = ports.value("https").toInt();
    ftp_ = ports.value("ftp").toInt();
    env_ = std::make_unique<ScopedEnv>();
    env_->Set("KB_TEST_CA_FILE", (dir_ / "cert.pem").string());
    env_->Set("KB_TEST_FTP_PORT", std::to_string(ftp_));
}

CommPeer::~CommPeer()
{
    if (process_) process_->Terminate(std::chrono::milliseconds(1000));
    env_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void CommPeer::Control(const std::string& json)
{
    auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    doc.insert("users", QJsonDocument::fromJson(QByteArray::fromStdString(users_)).object());
    WriteAtomically(dir_ / "control.json", QJsonDocument(doc).toJson(QJsonDocument::Compact).toStdString());
}

std::vector<PeerRequest> CommPeer::Requests() const
{
    std::vector<PeerRequest> out;
    std::ifstream in(dir_ / "requests.jsonl");
    for (std::string line; std::getline(in, line);) {
        const auto o = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        PeerRequest r;
        r.Code = o.value("code").toString().toStdString();
        r.Path = o.value("path").toString().toStdString();
        const auto p = o.value("params").toObject();
        for (auto it = p.begin(); it != p.end(); ++it) r.Params[it.key().toStdString()] = it.value().toString().toStdString();
        for (const auto& h : o.value("headers").toArray()) r.Headers.push_back(h.toString().toStdString());
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<std::string> CommPeer::RequestCodes() const
{
    std::vector<std::string> codes;
    for (const auto& r : Requests()) codes.push_back(r.Code);
    return codes;
}

void CommPeer::ClearRequests()
{
    std::error_code ec;
    std::filesystem::remove(dir_ / "requests.jsonl", ec);
}

} // namespace kbtest

#include "fb/Service.h"

#include <algorithm>

#include "fb/Client.h"
#include "platform/ShutdownSignals.h"
#include "platform/Text.h"

#include <chrono>
#include <iostream>
#include <thread>

namespace kb::fb {
namespace {

void AddString2(std::string& spb, char tag, const std::string& value)
{
    spb += tag;
    spb += static_cast<char>(value.size() & 0xFF);
    spb += static_cast<char>((value.size() >> 8) & 0xFF);
    spb += value;
}

void AddInt(std::string& spb, char tag, unsigned int value)
{
    spb += tag;
    for (int i = 0; i < 4; ++i) spb += static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace

Service::Service(std::string host, std::string user, std::string password)
    : host_(std::move(host))
    , user_(std::move(user))
    , password_(std::move(password))
{
}

Service::~Service()
{
    try {
        Detach();
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
    }
}

void Service::Attach()
{
    if (Active()) return;
    EnsureClient();
    const std::string name = host_.empty() ? "service_mgr" : host_ + ":service_mgr";
    std::string spb;
    spb += static_cast<char>(isc_spb_version);
    spb += static_cast<char>(isc_spb_current_version);
    auto add1 = [&](char tag, const std::string& v) {
        spb += tag;
        spb += static_cast<char>(v.size());
        spb += v;
    };
    if (!user_.empty()) add1(isc_spb_user_name, user_);
    if (!password_.empty()) add1(isc_spb_password, password_);
    ISC_STATUS_ARRAY st;
    isc_service_attach(st, static_cast<unsigned short>(name.size()), name.c_str(), &handle_,
                       static_cast<unsigned short>(spb.size()), spb.data());
    ShutdownSignals::Reassert();  // the client library takes SIGINT and SIGTERM as it starts up
    if (st[0] == 1 && st[1]) {
        handle_ = 0;
        throw MakeError(st, "Service::Attach");
    }
}

void Service::Detach()
{
    if (!Active()) return;
    ISC_STATUS_ARRAY st;
    isc_service_detach(st, &handle_);
    handle_ = 0;
    Check(st, "Service::Detach");
}

void Service::Start(const std::string& spb, const char* origin)
{
    Attach();
    ISC_STATUS_ARRAY st;
    isc_service_start(st, &handle_, nullptr, static_cast<unsigned short>(spb.size()), spb.data());
    Check(st, origin);
}

bool Service::Running(const char* origin)
{
    const char request[] = {isc_info_svc_running};
    char buf[16] = {};
    ISC_STATUS_ARRAY st;
    isc_service_query(st, &handle_, nullptr, 0, nullptr, sizeof request, request, sizeof buf, buf);
    Check(st, origin);
    return buf[0] == isc_info_svc_running && isc_vax_integer(buf + 1, 4) != 0;
}

std::vector<std::string> Service::ReadLines(const LineFn& onLine, const char* origin)
{
    std::vector<std::string> lines;
    const char request[] = {isc_info_svc_line};
    std::vector<char> buf(16384);
    for (;;) {
        ISC_STATUS_ARRAY st;
        isc_service_query(st, &handle_, nullptr, 0, nullptr, sizeof request, request,
                          static_cast<unsigned short>(buf.size()), buf.data());
        Check(st, origin);
        const unsigned len = buf[0] == isc_info_svc_line ? static_cast<unsigned>(isc_vax_integer(buf.data() + 1, 2)) : 0;
        if (len == 0) {
            // An empty answer only says that no line is waiting now: the job may still be writing
            // its file. It is done when the service says it no longer runs; a line that came in
            // meanwhile is still read.
            if (!Running(origin)) {
                isc_service_query(st, &handle_, nullptr, 0, nullptr, sizeof request, request,
                                  static_cast<unsigned short>(buf.size()), buf.data());
                Check(st, origin);
                if (buf[0] != isc_info_svc_line || isc_vax_integer(buf.data() + 1, 2) == 0) break;
                continue;  // the last lines: read them in the loop
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        std::string line = Cp932ToUtf8(std::string(buf.data() + 3, len));
        lines.push_back(line);
        if (onLine && !onLine(line)) {
            // Detaching abandons the output; the server finishes or stops the job on its own.
            Detach();
            break;
        }
    }
    return lines;
}

void Service::Backup(const std::string& database, const std::string& backupFile, const BackupOptions& o, const LineFn& onLine)
{
    std::string spb(1, static_cast<char>(isc_action_svc_backup));
    AddString2(spb, isc_spb_dbname, database);
    AddString2(spb, isc_spb_bkp_file, backupFile);
    unsigned opts = 0;
    if (o.ignoreLimbo) opts |= isc_spb_bkp_ignore_limbo;
    if (o.noGarbageCollect) opts |= isc_spb_bkp_no_garbage_collect;
    if (o.nonTransportable) opts |= isc_spb_bkp_non_transportable;
    AddInt(spb, isc_spb_options, opts);
    if (o.verbose) spb += static_cast<char>(isc_spb_verbose);
    Start(spb, "Service::Backup");
    ReadLines(onLine, "Service::Backup");
}

void Service::Restore(const std::string& backupFile, const std::string& database, const RestoreOptions& o, const LineFn& onLine)
{
    std::string spb(1, static_cast<char>(isc_action_svc_restore));
    AddString2(spb, isc_spb_bkp_file, backupFile);
    AddString2(spb, isc_spb_dbname, database);
    unsigned opts = 0;
    if (o.replace) opts |= isc_spb_res_replace;
    if (o.create) opts |= isc_spb_res_create;
    if (o.deactivateIndexes) opts |= isc_spb_res_deactivate_idx;
    AddInt(spb, isc_spb_options, opts);
    if (o.pageBuffers > 0) AddInt(spb, isc_spb_res_buffers, static_cast<unsigned>(o.pageBuffers));
    if (o.pageSize > 0) AddInt(spb, isc_spb_res_page_size, static_cast<unsigned>(o.pageSize));
    if (o.verbose) spb += static_cast<char>(isc_spb_verbose);
    Start(spb, "Service::Restore");
    const std::vector<std::string> lines = ReadLines(onLine, "Service::Restore");
    // A backup cut short makes the engine ask for a next volume and give up, while the service
    // ends without an error and leaves a half-restored database: only the closing line of the
    // verbose output says that the restore went through.
    if (o.verbose &&
        std::none_of(lines.begin(), lines.end(), [](const std::string& l) { return l.find("finishing, closing, and going home") != std::string::npos; }))
        throw FbError(0, 0, "the restore did not finish: " + (lines.empty() ? std::string() : lines.back()), "Service::Restore");
}

std::vector<std::string> Service::Validate(const std::string& database, const ValidateOptions& o, const LineFn& onLine)
{
    std::string spb(1, static_cast<char>(isc_action_svc_repair));
    AddString2(spb, isc_spb_dbname, database);
    unsigned opts = isc_spb_rpr_validate_db;
    if (o.ignoreChecksum) opts |= isc_spb_rpr_ignore_checksum;
    if (o.full) opts |= isc_spb_rpr_full;
    AddInt(spb, isc_spb_options, opts);
    Start(spb, "Service::Validate");
    return ReadLines(onLine, "Service::Validate");
}

Service::DatabaseInfo Service::AttachedDatabases()
{
    Attach();
    const char request[] = {isc_info_svc_svr_db_info};
    std::vector<char> buf(65535);
    ISC_STATUS_ARRAY st;
    isc_service_query(st, &handle_, nullptr, 0, nullptr, sizeof request, request,
                      static_cast<unsigned short>(buf.size()), buf.data());
    Check(st, "Service::AttachedDatabases");
    DatabaseInfo info;
    const char* p = buf.data();
    const char* end = buf.data() + buf.size();
    if (*p++ != isc_info_svc_svr_db_info) return info;
    while (p < end && *p != isc_info_flag_end && *p != isc_info_end) {
        const char tag = *p++;
        if (tag == isc_spb_num_att) {
            info.attachments = static_cast<int>(isc_vax_integer(p, 4));
            p += 4;
        } else if (tag == isc_spb_num_db) {
            info.databases = static_cast<int>(isc_vax_integer(p, 4));
            p += 4;
        } else if (tag == isc_spb_dbname) {
            const int len = static_cast<int>(isc_vax_integer(p, 2));
            p += 2;
            info.names.emplace_back(p, len);
            p += len;
        } else {
            break;
        }
    }
    return info;
}

} // namespace kb::fb

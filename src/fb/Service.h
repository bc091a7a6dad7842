#pragma once
// The Firebird service manager: backup, restore, validation and the list of attached databases.
// An empty host means the embedded engine of this process ("service_mgr"); otherwise the server
// on that host ("host:service_mgr", "host/port:service_mgr"). Output lines are streamed to a
// callback that may stop the run by returning false (checked between lines). Backup, Restore and
// Validate return only once the service reports the job no longer running, so their files are
// whole (an empty output line alone does not mean the end).

#include <functional>
#include <string>
#include <vector>

namespace kb::fb {

class Service {
public:
    using LineFn = std::function<bool(const std::string& lineUtf8)>;

    struct BackupOptions {
        bool ignoreLimbo = true;
        bool noGarbageCollect = true;
        bool nonTransportable = true;
        bool verbose = true;
    };
    struct RestoreOptions {
        bool replace = true;
        bool create = true;
        bool deactivateIndexes = false;
        int pageBuffers = 4096;   // 0 = server default
        int pageSize = 16384;     // 0 = from the backup
        bool verbose = true;
    };
    struct ValidateOptions {
        bool ignoreChecksum = true;
        bool full = true;
    };
    struct DatabaseInfo {
        int attachments = 0;
        int databases = 0;
        std::vector<std::string> names; // paths as the server reports them
    };

    Service(std::string host, std::string user, std::string password);
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    void Attach();
    void Detach();
    bool Active() const { return handle_ != 0; }

    void Backup(const std::string& database, const std::string& backupFile, const BackupOptions& o, const LineFn& onLine = {});
    void Restore(const std::string& backupFile, const std::string& database, const RestoreOptions& o, const LineFn& onLine = {});
    // Returns every output line of the validation (an intact database gives none).
    std::vector<std::string> Validate(const std::string& database, const ValidateOptions& o, const LineFn& onLine = {});
    DatabaseInfo AttachedDatabases();

private:
    void Start(const std::string& spb, const char* origin);
    // Reads output lines until the job has ended (or until onLine answers false): the service
    // reports that it no longer runs and no line is left. Returns the lines read.
    std::vector<std::string> ReadLines(const LineFn& onLine, const char* origin);
    bool Running(const char* origin);

    std::string host_, user_, password_;
    unsigned int handle_ = 0;
};

} // namespace kb::fb

#pragma once
// TFtpWebDbSqlDump: one upload of the open data set to the management-analysis cloud service. It
// writes the MySQL import script (TWebDbSqlDump), zips it with the service's password, asks the
// service over HTTPS for an FTP endpoint (pmd 1000), stores the archive in the data list's folder,
// and reports the upload (pmd 1100) with the web-meeting details. It answers a three-digit status
// ("000" done, 8xx local failures, the service's codes otherwise) and never shows a message.
//
// Script and archive live in a private temporary folder of their own, deleted at the end whatever
// happened. The communication ID is checked (12 half-width letters or digits once "-" is removed)
// before it reaches the database name the service runs as SQL.

#include "exchange/WebDbSqlDump.h"
#include "platform/Date.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kb {

class TDM;

class TFtpWebDbSqlDump {
public:
    explicit TFtpWebDbSqlDump(TDM& dm);
    ~TFtpWebDbSqlDump();
    TFtpWebDbSqlDump(const TFtpWebDbSqlDump&) = delete;
    TFtpWebDbSqlDump& operator=(const TFtpWebDbSqlDump&) = delete;

    std::string ServerHost; // "host" or "host:port" (443 when none)
    std::string FtpHost;
    std::string FtpPassword;
    std::string Status;
    std::string TusinID;
    int DataListNo = 0;
    std::string DatabaseName;
    std::string SqlFileName = "vqacc.sql";
    std::string ZipFileName = "vqacc.zip";
    std::string ZipPassword = "Qpgymj8755";
    int MeetingUse = 0;
    std::string MeetingUrl;
    int MeetingDateMode = 0;
    DateTime MeetingDate;
    std::string ReportVersion;
    std::vector<std::string> Headers; // name=value lines of the last reply
    std::unique_ptr<TWebDbSqlDump> Dump;

    std::string SendSqlDump(const std::string& tusinId, int dataListNo);
    static std::string GetStatusMessage(const std::string& status);

    // ---- the pieces, for tests
    // The data version reported as dvr: "major.minor1.0", or 8.0.0 below 8.0.2.
    static std::string ReportVersionOf(int major, int minor1, int minor2);
    // The header lines of a raw reply as name=value (split at the first ":", both sides trimmed).
    static std::vector<std::string> ParseHeaders(const std::string& rawReply);
    static std::string HeaderValue(const std::vector<std::string>& headers, const std::string& name);
    // A query value (UTF-8) as it travels: CP932 bytes, percent-encoded by the query rule; strict
    // also encodes "#", "&", "+" and "\" so the value cannot cut or split the request.
    static std::string EncodeQueryValue(const std::string& utf8, bool strict);
    // "m月d日　hh：nn"
    static std::string MeetingDateText(const DateTime& t);
    // The path and query of the report (pmd 1100) from the fields.
    std::string ReportPath() const;

private:
    std::string Get(const std::string& pathAndQuery); // status text; fills Headers
    TDM& dm_;
};

} // namespace kb

// The server file operations of the system as a UDR module that the Firebird server loads:
//   FILEOPERATION(MODE, FILEPATH1, FILEPATH2) -> WBOOL   "FEXIST", "FCOPY", "FDEL"
//   DIRECTORYTEST(MODE, FILEPATH1) -> WBOOL              "DEXIST", "MKDIR", "RMDIR"
//   SP_FILETOBLOB(FILEPATH) -> BLOB                      the file's content
//   SP_BLOBTOFILE(FILEPATH, CONTENT) -> INTEGER          writes the content, answers 1
// A client may name any path, so every path must lie inside one of the data roots that the
// administrator lists in "kbfileop.conf" beside this module (or the file KB_FILEOP_CONF names);
// anything else raises an error. Paths arrive in the parameters' character set (SJIS_0208 as the
// system passes CP932 bytes) and become UTF-8 file names here.
//
// Written against the interfaces of firebird/Interface.h directly (the header of the helper
// macros needs Boost); the message layouts are read from the routines' declared metadata.

#include "firebird/Interface.h"
#include "platform/Text.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Firebird;

namespace {

using kb::AsciiUpper;
using kb::Trim;

using Status = ThrowStatusWrapper;

constexpr unsigned kCharSetNone = 0, kCharSetOctets = 1, kCharSetSjis = 5;

struct Refused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Cp932ToUtf8(const std::string& in)
{
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("kbfileop: no CP932 converter");
    std::string out(in.size() * 3 + 4, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) throw Refused("kbfileop: the path is not valid CP932 text");
    out.resize(out.size() - dstLeft);
    return out;
}

// ---- data roots ---------------------------------------------------------------------------------

fs::path ModuleDir()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModuleDir), &info) && info.dli_fname) return fs::path(info.dli_fname).parent_path();
    return {};
}

fs::path ConfigFile()
{
    if (const char* c = std::getenv("KB_FILEOP_CONF"); c && *c) return c;
    return ModuleDir() / "kbfileop.conf";
}

// "DataRoot = /path" lines; "#" starts a comment. Read on every call, so a change needs no restart.
std::vector<fs::path> DataRoots()
{
    std::vector<fs::path> roots;
    std::ifstream in(ConfigFile());
    for (std::string line; std::getline(in, line);) {
        if (const auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (AsciiUpper(Trim(line.substr(0, eq))) != "DATAROOT") continue;
        const fs::path root(Trim(line.substr(eq + 1)));
        std::error_code ec;
        if (!root.is_absolute()) continue;
        const fs::path canon = fs::weakly_canonical(root, ec);
        if (!ec && canon != canon.root_path()) roots.push_back(canon);
    }
    return roots;
}

bool Below(const fs::path& p, const fs::path& root, bool allowRootItself)
{
    auto pi = p.begin(), ri = root.begin();
    for (; ri != root.end(); ++ri, ++pi)
        if (pi == p.end() || *pi != *ri) return false;
    return pi != p.end() || allowRootItself;
}

// The path with links, "." and ".." resolved, when it lies in a data root; raises otherwise.
fs::path Allowed(const std::string& utf8, bool allowRootItself)
{
    const fs::path p(utf8);
    if (utf8.empty() || !p.is_absolute()) throw Refused("kbfileop: not an absolute path: " + utf8);
    std::error_code ec;
    const fs::path canon = fs::weakly_canonical(p, ec);
    if (ec) throw Refused("kbfileop: cannot resolve " + utf8);
    for (const auto& root : DataRoots())
        if (Below(canon, root, allowRootItself)) return canon;
    throw Refused("kbfileop: outside the data roots: " + utf8);
}

std::string UniqueSuffix()
{
    std::random_device rd;
    return std::to_string(::getpid()) + "-" + std::to_string(rd()) + std::to_string(rd());
}

// Writes bytes (given by the producer in pieces) into a new file beside target, flushes it and
// renames it over target: an old target stays whole until the new one is complete.
template <typename Producer>
void WriteOver(const fs::path& target, Producer&& produce)
{
    const fs::path part = target.parent_path() / ("." + target.filename().string() + "." + UniqueSuffix() + ".part");
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0640);
    if (fd < 0) throw std::runtime_error("kbfileop: cannot create " + part.string() + ": " + std::strerror(errno));
    try {
        produce([&](const char* p, size_t n) {
            while (n > 0) {
                const ssize_t w = ::write(fd, p, n);
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) throw std::runtime_error("kbfileop: cannot write " + part.string() + ": " + std::strerror(errno));
                p += w;
                n -= static_cast<size_t>(w);
            }
        });
        if (::fsync(fd) != 0) throw std::runtime_error("kbfileop: cannot flush " + part.string());
        if (::close(fd) != 0) throw std::runtime_error("kbfileop: cannot close " + part.string());
    } catch (...) {
        ::close(fd);
        std::error_code ec;
        fs::remove(part, ec);
        throw;
    }
    if (::rename(part.c_str(), target.c_str()) != 0) {
        const int err = errno;
        std::error_code ec;
        fs::remove(part, ec);
        throw std::runtime_error("kbfileop: cannot replace " + target.string() + ": " + std::strerror(err));
    }
}

void CopyFileOver(const fs::path& source, const fs::path& target)
{
    std::ifstream in(source, std::ios::binary);
    if (!in) throw std::runtime_error("kbfileop: cannot read " + source.string());
    WriteOver(target, [&](auto write) {
        std::vector<char> buf(1 << 16);
        while (in) {
            in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
            if (in.gcount() > 0) write(buf.data(), static_cast<size_t>(in.gcount()));
        }
        if (in.bad()) throw std::runtime_error("kbfileop: cannot read " + source.string());
    });
}

// ---- the operations -------------------------------------------------------------------------------

bool FileOperation(const std::string& mode, const std::string& path1, const std::string& path2)
{
    std::error_code ec;
    if (mode == "FEXIST") return fs::is_regular_file(Allowed(path1, false), ec);
    if (mode == "FDEL") {
        const fs::path p = Allowed(path1, false);
        if (!fs::is_regular_file(p, ec)) return false;
        return fs::remove(p, ec);
    }
    if (mode == "FCOPY") {
        const fs::path from = Allowed(path1, false);
        fs::path to = Allowed(path2, false);
        if (!fs::is_regular_file(from, ec)) return false;
        if (fs::is_directory(to, ec)) to = Allowed((to / from.filename()).string(), false);
        if (to == from) return true;
        fs::create_directories(to.parent_path(), ec);
        CopyFileOver(from, to);
        return true;
    }
    throw Refused("kbfileop: unknown file operation " + mode);
}

bool DirectoryTest(const std::string& mode, const std::string& path)
{
    std::error_code ec;
    if (mode == "DEXIST") return fs::is_directory(Allowed(path, true), ec);
    if (mode == "MKDIR") {
        const fs::path p = Allowed(path, true);
        fs::create_directories(p, ec);
        return fs::is_directory(p, ec);
    }
    if (mode == "RMDIR") {
        const fs::path p = Allowed(path, false); // never a data root itself
        if (!fs::is_directory(p, ec)) return false;
        return fs::remove_all(p, ec) != static_cast<std::uintmax_t>(-1) && !ec;
    }
    throw Refused("kbfileop: unknown folder operation " + mode);
}

// ---- message access -------------------------------------------------------------------------------

// Reads and writes fields of a message by the layout the engine gives for the routine.
class Message {
public:
    Message(Status* status, IMessageMetadata* meta, void* buffer) : status_(status), meta_(meta), buf_(static_cast<unsigned char*>(buffer)) {}

    unsigned Count() const { return meta_->getCount(status_); }

    bool IsNull(unsigned i) const
    {
        return *reinterpret_cast<const ISC_SHORT*>(buf_ + meta_->getNullOffset(status_, i)) != 0;
    }

    // A text field as UTF-8 (a NULL is empty).
    std::string Text(unsigned i) const
    {
        if (IsNull(i)) return {};
        const unsigned char* p = buf_ + meta_->getOffset(status_, i);
        std::string raw;
        switch (meta_->getType(status_, i)) {
        case SQL_VARYING: {
            ISC_USHORT len;
            std::memcpy(&len, p, sizeof len);
            raw.assign(reinterpret_cast<const char*>(p + sizeof len), len);
            break;
        }
        case SQL_TEXT:
            raw.assign(reinterpret_cast<const char*>(p), meta_->getLength(status_, i));
            raw = Trim(raw);
            break;
        default: throw std::runtime_error("kbfileop: a text parameter is declared with another type");
        }
        const unsigned cs = meta_->getCharSet(status_, i);
        return cs == kCharSetSjis ? Cp932ToUtf8(raw) : raw;
    }

    ISC_QUAD Blob(unsigned i) const
    {
        ISC_QUAD q;
        std::memcpy(&q, buf_ + meta_->getOffset(status_, i), sizeof q);
        return q;
    }

    void SetInteger(unsigned i, ISC_INT64 v)
    {
        unsigned char* p = buf_ + meta_->getOffset(status_, i);
        switch (meta_->getType(status_, i)) {
        case SQL_SHORT: { const ISC_SHORT s = static_cast<ISC_SHORT>(v); std::memcpy(p, &s, sizeof s); break; }
        case SQL_LONG: { const ISC_LONG l = static_cast<ISC_LONG>(v); std::memcpy(p, &l, sizeof l); break; }
        case SQL_INT64: std::memcpy(p, &v, sizeof v); break;
        default: throw std::runtime_error("kbfileop: the result is declared with a type other than an integer");
        }
        SetNotNull(i);
    }

    void SetBlob(unsigned i, const ISC_QUAD& q)
    {
        std::memcpy(buf_ + meta_->getOffset(status_, i), &q, sizeof q);
        SetNotNull(i);
    }

private:
    void SetNotNull(unsigned i)
    {
        const ISC_SHORT zero = 0;
        std::memcpy(buf_ + meta_->getNullOffset(status_, i), &zero, sizeof zero);
    }

    Status* status_;
    IMessageMetadata* meta_;
    unsigned char* buf_;
};

// An error the SQL caller sees, with our text.
[[noreturn]] void Raise(Status* status, const std::string& text)
{
    const ISC_STATUS vector[] = {isc_arg_gds, isc_random, isc_arg_string, reinterpret_cast<ISC_STATUS>(text.c_str()), isc_arg_end};
    throw FbException(status, vector);
}

template <typename F>
auto Guarded(Status* status, F&& body) -> decltype(body())
{
    try {
        return body();
    } catch (const FbException&) {
        throw;
    } catch (const std::exception& e) {
        Raise(status, e.what());
    }
}

// Releases what the context lends to one call.
template <typename T>
struct Lent {
    T* p;
    ~Lent()
    {
        if (p) p->release();
    }
};

// ---- routines ---------------------------------------------------------------------------------------

enum class Kind { FileOperation, DirectoryTest, FileToBlob, BlobToFile };

class ResultSet : public IExternalResultSetImpl<ResultSet, Status> {
public:
    ResultSet(Message out, ISC_INT64 value) : out_(out), value_(value) {}
    void dispose() override { delete this; }
    FB_BOOLEAN fetch(Status*) override
    {
        if (done_) return FB_FALSE;
        done_ = true;
        out_.SetInteger(0, value_);
        return FB_TRUE;
    }

private:
    Message out_;
    ISC_INT64 value_;
    bool done_ = false;
};

class Procedure : public IExternalProcedureImpl<Procedure, Status> {
public:
    Procedure(Kind kind, IRoutineMetadata* metadata) : kind_(kind), metadata_(metadata) {}
    void dispose() override { delete this; }
    void getCharSet(Status*, IExternalContext*, char*, unsigned) override {}

    IExternalResultSet* open(Status* status, IExternalContext*, void* inMsg, void* outMsg) override
    {
        return Guarded(status, [&]() -> IExternalResultSet* {
            Message in(status, metadata_->getInputMetadata(status), inMsg);
            Message out(status, metadata_->getOutputMetadata(status), outMsg);
            const std::string mode = AsciiUpper(Trim(in.Text(0)));
            bool ok;
            if (kind_ == Kind::FileOperation) ok = FileOperation(mode, in.Text(1), in.Count() > 2 ? in.Text(2) : std::string());
            else ok = DirectoryTest(mode, in.Text(1));
            return new ResultSet(out, ok ? 1 : 0);
        });
    }

private:
    Kind kind_;
    IRoutineMetadata* metadata_;
};

class Function : public IExternalFunctionImpl<Function, Status> {
public:
    Function(Kind kind, IRoutineMetadata* metadata) : kind_(kind), metadata_(metadata) {}
    void dispose() override { delete this; }
    void getCharSet(Status*, IExternalContext*, char*, unsigned) override {}

    void execute(Status* status, IExternalContext* context, void* inMsg, void* outMsg) override
    {
        Guarded(status, [&] {
            Message in(status, metadata_->getInputMetadata(status), inMsg);
            Message out(status, metadata_->getOutputMetadata(status), outMsg);
            Lent<IAttachment> lentAtt{context->getAttachment(status)};
            Lent<ITransaction> lentTra{context->getTransaction(status)};
            IAttachment* att = lentAtt.p;
            ITransaction* tra = lentTra.p;
            if (kind_ == Kind::FileToBlob) {
                const fs::path p = Allowed(in.Text(0), false);
                std::ifstream file(p, std::ios::binary);
                if (!file) throw std::runtime_error("kbfileop: cannot read " + p.string());
                ISC_QUAD id{};
                IBlob* blob = att->createBlob(status, tra, &id, 0, nullptr);
                try {
                    std::vector<char> buf(32768);
                    while (file) {
                        file.read(buf.data(), static_cast<std::streamsize>(buf.size()));
                        if (file.gcount() > 0) blob->putSegment(status, static_cast<unsigned>(file.gcount()), buf.data());
                    }
                    blob->close(status);
                } catch (...) {
                    blob->cancel(status);
                    throw;
                }
                out.SetBlob(0, id);
            } else {
                const fs::path p = Allowed(in.Text(0), false);
                if (in.IsNull(1)) throw std::runtime_error("kbfileop: no content to write");
                ISC_QUAD id = in.Blob(1);
                IBlob* blob = att->openBlob(status, tra, &id, 0, nullptr);
                try {
                    WriteOver(p, [&](auto write) {
                        std::vector<char> buf(32768);
                        for (;;) {
                            unsigned got = 0;
                            const int r = blob->getSegment(status, static_cast<unsigned>(buf.size()), buf.data(), &got);
                            if (r == IStatus::RESULT_NO_DATA) break;
                            if (got > 0) write(buf.data(), got);
                        }
                    });
                    blob->close(status);
                } catch (...) {
                    blob->close(status);
                    throw;
                }
                out.SetInteger(0, 1);
            }
        });
    }

private:
    Kind kind_;
    IRoutineMetadata* metadata_;
};

class ProcedureFactory : public IUdrProcedureFactoryImpl<ProcedureFactory, Status> {
public:
    explicit ProcedureFactory(Kind kind) : kind_(kind) {}
    void dispose() override {}
    void setup(Status*, IExternalContext*, IRoutineMetadata*, IMetadataBuilder*, IMetadataBuilder*) override {}
    IExternalProcedure* newItem(Status*, IExternalContext*, IRoutineMetadata* metadata) override
    {
        return new Procedure(kind_, metadata);
    }

private:
    Kind kind_;
};

class FunctionFactory : public IUdrFunctionFactoryImpl<FunctionFactory, Status> {
public:
    explicit FunctionFactory(Kind kind) : kind_(kind) {}
    void dispose() override {}
    void setup(Status*, IExternalContext*, IRoutineMetadata*, IMetadataBuilder*, IMetadataBuilder*) override {}
    IExternalFunction* newItem(Status*, IExternalContext*, IRoutineMetadata* metadata) override
    {
        return new Function(kind_, metadata);
    }

private:
    Kind kind_;
};

ProcedureFactory g_fileOperation(Kind::FileOperation);
ProcedureFactory g_directoryTest(Kind::DirectoryTest);
FunctionFactory g_fileToBlob(Kind::FileToBlob);
FunctionFactory g_blobToFile(Kind::BlobToFile);

// Tells the engine when this module goes away without the engine having unloaded it.
struct UnloadDetector {
    FB_BOOLEAN ours = FB_FALSE;
    FB_BOOLEAN* theirs = nullptr;
    ~UnloadDetector()
    {
        if (!ours && theirs) *theirs = FB_TRUE;
    }
};
UnloadDetector g_unload;

} // namespace

extern "C" __attribute__((visibility("default"))) FB_BOOLEAN* firebird_udr_plugin(IStatus* status, FB_BOOLEAN* theirUnloadFlag,
                                                                                 IUdrPlugin* udrPlugin)
{
    Status st(status);
    udrPlugin->registerProcedure(&st, "fileoperation", &g_fileOperation);
    udrPlugin->registerProcedure(&st, "directorytest", &g_directoryTest);
    udrPlugin->registerFunction(&st, "filetoblob", &g_fileToBlob);
    udrPlugin->registerFunction(&st, "blobtofile", &g_blobToFile);
    g_unload.theirs = theirUnloadFlag;
    return &g_unload.ours;
}

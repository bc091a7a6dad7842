#include "comm/LhaArchive.h"

#include <lhasa.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <fstream>
#include <memory>
#include <numeric>
#include <queue>
#include <vector>

namespace kb::lha {

namespace {

constexpr int kDicBits = 13;
constexpr int kDicSize = 1 << kDicBits; // 8 KiB window
constexpr int kMaxMatch = 256;
constexpr int kThreshold = 3;
constexpr int kNC = 256 + kMaxMatch - kThreshold + 2; // 510 literal and length codes
constexpr int kNP = kDicBits + 1;                     // 14 distance classes
constexpr int kNT = 19;                               // code-length codes
constexpr int kCBit = 9, kPBit = 4, kTBit = 5;
constexpr int kMaxCodeLen = 16;
constexpr std::size_t kBlockCodes = 32768;

std::array<std::uint16_t, 256> MakeCrcTable()
{
    std::array<std::uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = i;
        for (int k = 0; k < 8; ++k) r = (r & 1) ? (r >> 1) ^ 0xA001 : r >> 1;
        t[i] = static_cast<std::uint16_t>(r);
    }
    return t;
}
const std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();

class BitWriter {
public:
    explicit BitWriter(std::string& out) : out_(out) {}
    void Put(int n, unsigned v)
    {
        // n <= 16; bits go out highest first.
        acc_ = acc_ << n | (v & ((1u << n) - 1));
        bits_ += n;
        while (bits_ >= 8) {
            bits_ -= 8;
            out_ += static_cast<char>(acc_ >> bits_ & 0xFF);
        }
        acc_ &= (1u << bits_) - 1;
    }
    void Flush()
    {
        if (bits_ > 0) out_ += static_cast<char>(acc_ << (8 - bits_) & 0xFF);
        bits_ = 0;
        acc_ = 0;
    }

private:
    std::string& out_;
    std::uint32_t acc_ = 0;
    int bits_ = 0;
};

// Code lengths (at most kMaxCodeLen) of a Huffman code for freq; answers the number of used symbols.
int MakeLengths(const std::uint32_t* freq, int n, std::uint8_t* len)
{
    std::fill(len, len + n, 0);
    std::vector<int> used;
    for (int i = 0; i < n; ++i)
        if (freq[i]) used.push_back(i);
    if (used.size() < 2) return static_cast<int>(used.size());
    // Plain Huffman over the used symbols, then the depths.
    struct Node { std::uint64_t f; int id; };
    auto cmp = [](const Node& a, const Node& b) { return a.f != b.f ? a.f > b.f : a.id > b.id; };
    std::priority_queue<Node, std::vector<Node>, decltype(cmp)> q(cmp);
    std::vector<int> parent(used.size() * 2, -1);
    for (std::size_t i = 0; i < used.size(); ++i) q.push({freq[used[i]], static_cast<int>(i)});
    int next = static_cast<int>(used.size());
    while (q.size() > 1) {
        const Node a = q.top(); q.pop();
        const Node b = q.top(); q.pop();
        parent[a.id] = parent[b.id] = next;
        q.push({a.f + b.f, next++});
    }
    std::vector<int> depth(static_cast<std::size_t>(next), 0);
    for (int i = next - 2; i >= 0; --i) depth[i] = depth[parent[i]] + 1;
    std::array<int, kMaxCodeLen + 1> count{};
    for (std::size_t i = 0; i < used.size(); ++i) count[std::min(depth[i], kMaxCodeLen)]++;
    // Too deep leaves were put at the limit; restore the Kraft sum by splitting shallower leaves.
    std::uint32_t kraft = 0;
    for (int l = 1; l <= kMaxCodeLen; ++l) kraft += static_cast<std::uint32_t>(count[l]) << (kMaxCodeLen - l);
    while (kraft > (1u << kMaxCodeLen)) {
        count[kMaxCodeLen]--;
        for (int l = kMaxCodeLen - 1; l > 0; --l)
            if (count[l]) {
                count[l]--;
                count[l + 1] += 2;
                break;
            }
        kraft--;
    }
    // Shorter codes to the more frequent symbols.
    std::vector<int> order = used;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return freq[a] > freq[b]; });
    std::size_t k = 0;
    for (int l = 1; l <= kMaxCodeLen; ++l)
        for (int c = 0; c < count[l]; ++c) len[order[k++]] = static_cast<std::uint8_t>(l);
    return static_cast<int>(used.size());
}

void MakeCodes(int n, const std::uint8_t* len, std::uint16_t* code)
{
    std::array<unsigned, kMaxCodeLen + 2> count{}, start{};
    for (int i = 0; i < n; ++i) count[len[i]]++;
    count[0] = 0;
    for (int l = 1; l <= kMaxCodeLen; ++l) start[l + 1] = (start[l] + count[l]) << 1;
    for (int i = 0; i < n; ++i)
        if (len[i]) code[i] = static_cast<std::uint16_t>(start[len[i]]++);
}

int BitLength(unsigned v)
{
    int c = 0;
    while (v) { v >>= 1; ++c; }
    return c;
}

struct Token {
    std::uint16_t c; // literal byte, or 256 + length - 3
    std::uint16_t p; // distance - 1 for a match
};

class BlockEncoder {
public:
    explicit BlockEncoder(std::string& out) : bw_(out) {}

    void Block(const std::vector<Token>& tokens)
    {
        std::array<std::uint32_t, kNC> cFreq{};
        std::array<std::uint32_t, kNP> pFreq{};
        for (const Token& t : tokens) {
            cFreq[t.c]++;
            if (t.c >= 256) pFreq[BitLength(t.p)]++;
        }
        std::array<std::uint8_t, kNC> cLen{};
        std::array<std::uint16_t, kNC> cCode{};
        const int cUsed = MakeLengths(cFreq.data(), kNC, cLen.data());
        bw_.Put(16, static_cast<unsigned>(tokens.size()));
        if (cUsed >= 2) {
            MakeCodes(kNC, cLen.data(), cCode.data());
            std::array<std::uint32_t, kNT> tFreq{};
            ForCLen(cLen, [&](int sym, int, int) { tFreq[sym]++; });
            std::array<std::uint8_t, kNT> tLen{};
            std::array<std::uint16_t, kNT> tCode{};
            const int tUsed = MakeLengths(tFreq.data(), kNT, tLen.data());
            if (tUsed >= 2) {
                MakeCodes(kNT, tLen.data(), tCode.data());
                WritePtLen(tLen.data(), kNT, kTBit, 3);
            } else {
                const int root = static_cast<int>(std::find_if(tFreq.begin(), tFreq.end(), [](auto f) { return f; }) - tFreq.begin());
                bw_.Put(kTBit, 0);
                bw_.Put(kTBit, static_cast<unsigned>(root));
            }
            int n = kNC;
            while (n > 0 && cLen[n - 1] == 0) --n;
            bw_.Put(kCBit, static_cast<unsigned>(n));
            ForCLen(cLen, [&](int sym, int extraBits, int extra) {
                if (tUsed >= 2) bw_.Put(tLen[sym], tCode[sym]);
                if (extraBits) bw_.Put(extraBits, static_cast<unsigned>(extra));
            });
        } else {
            const int root = cUsed ? static_cast<int>(std::find_if(cFreq.begin(), cFreq.end(), [](auto f) { return f; }) - cFreq.begin()) : 0;
            bw_.Put(kTBit, 0);
            bw_.Put(kTBit, 0);
            bw_.Put(kCBit, 0);
            bw_.Put(kCBit, static_cast<unsigned>(root));
        }
        std::array<std::uint8_t, kNP> pLen{};
        std::array<std::uint16_t, kNP> pCode{};
        const int pUsed = MakeLengths(pFreq.data(), kNP, pLen.data());
        if (pUsed >= 2) {
            MakeCodes(kNP, pLen.data(), pCode.data());
            WritePtLen(pLen.data(), kNP, kPBit, -1);
        } else {
            const int root = pUsed ? static_cast<int>(std::find_if(pFreq.begin(), pFreq.end(), [](auto f) { return f; }) - pFreq.begin()) : 0;
            bw_.Put(kPBit, 0);
            bw_.Put(kPBit, static_cast<unsigned>(root));
        }
        for (const Token& t : tokens) {
            if (cUsed >= 2) bw_.Put(cLen[t.c], cCode[t.c]);
            if (t.c >= 256) {
                const int c = BitLength(t.p);
                if (pUsed >= 2) bw_.Put(pLen[c], pCode[c]);
                if (c > 1) bw_.Put(c - 1, t.p);
            }
        }
    }

    void Finish() { bw_.Flush(); }

private:
    // Walks the literal/length code lengths as the block writes them: each step a code-length code
    // (0 to 2 for runs of unused codes, length + 2 otherwise) with its extra bits.
    template <class F>
    static void ForCLen(const std::array<std::uint8_t, kNC>& cLen, F&& step)
    {
        int n = kNC;
        while (n > 0 && cLen[n - 1] == 0) --n;
        int i = 0;
        while (i < n) {
            const int k = cLen[i++];
            if (k == 0) {
                int count = 1;
                while (i < n && cLen[i] == 0) { ++i; ++count; }
                if (count <= 2) {
                    for (int j = 0; j < count; ++j) step(0, 0, 0);
                } else if (count <= 18) {
                    step(1, 4, count - 3);
                } else if (count == 19) {
                    step(0, 0, 0);
                    step(1, 4, 15);
                } else {
                    step(2, kCBit, count - 20);
                }
            } else {
                step(k + 2, 0, 0);
            }
        }
    }

    void WritePtLen(const std::uint8_t* len, int n, int nbit, int special)
    {
        while (n > 0 && len[n - 1] == 0) --n;
        bw_.Put(nbit, static_cast<unsigned>(n));
        int i = 0;
        while (i < n) {
            const int k = len[i++];
            if (k <= 6) bw_.Put(3, static_cast<unsigned>(k));
            else bw_.Put(k - 3, (1u << (k - 3)) - 2);
            if (i == special) {
                while (i < 6 && len[i] == 0) ++i;
                bw_.Put(2, static_cast<unsigned>((i - 3) & 3));
            }
        }
    }

    BitWriter bw_;
};

constexpr int kHashBits = 15;
constexpr int kMaxChain = 64;
constexpr int kGoodLength = 32;  // a match this long is searched less hard
constexpr int kNiceLength = 128; // a match this long ends the search

inline unsigned Hash3(const unsigned char* p)
{
    return ((static_cast<unsigned>(p[0]) << 16 | static_cast<unsigned>(p[1]) << 8 | p[2]) * 2654435761u) >> (32 - kHashBits);
}

} // namespace

std::uint16_t Crc16(std::string_view bytes, std::uint16_t crc)
{
    for (unsigned char c : bytes) crc = static_cast<std::uint16_t>(kCrcTable[(crc ^ c) & 0xFF] ^ (crc >> 8));
    return crc;
}

std::string CompressLh5(std::string_view data)
{
    std::string out;
    if (data.empty()) return out;
    out.reserve(data.size() / 2 + 64);
    const auto* s = reinterpret_cast<const unsigned char*>(data.data());
    const std::size_t n = data.size();
    std::vector<std::int64_t> head(std::size_t{1} << kHashBits, -1);
    std::vector<std::int64_t> prev(kDicSize, -1);
    BlockEncoder enc(out);
    std::vector<Token> tokens;
    tokens.reserve(kBlockCodes);

    auto insert = [&](std::size_t pos) {
        if (pos + 3 > n) return;
        const unsigned h = Hash3(s + pos);
        prev[pos & (kDicSize - 1)] = head[h];
        head[h] = static_cast<std::int64_t>(pos);
    };
    // Longest match for pos among earlier positions in the window; length 0 when none reaches 3.
    auto find = [&](std::size_t pos, int prevLen, int& dist) {
        if (pos + kThreshold > n) return 0;
        const int maxLen = static_cast<int>(std::min<std::size_t>(kMaxMatch, n - pos));
        int best = std::max(prevLen, kThreshold - 1);
        if (best >= maxLen) return 0;
        int found = 0;
        int chain = prevLen >= kGoodLength ? kMaxChain / 4 : kMaxChain;
        std::int64_t cand = head[Hash3(s + pos)];
        const std::int64_t limit = static_cast<std::int64_t>(pos) - kDicSize;
        while (cand >= 0 && cand > limit && chain-- > 0) {
            const unsigned char* a = s + cand;
            const unsigned char* b = s + pos;
            if (a[best] == b[best] && a[0] == b[0] && a[1] == b[1]) {
                int l = 2;
                while (l < maxLen && a[l] == b[l]) ++l;
                if (l > best) {
                    best = l;
                    found = l;
                    dist = static_cast<int>(pos - static_cast<std::size_t>(cand));
                    if (l >= kNiceLength || l == maxLen) break;
                }
            }
            const std::int64_t nx = prev[static_cast<std::size_t>(cand) & (kDicSize - 1)];
            if (nx >= cand) break; // the ring slot was overwritten by a newer position
            cand = nx;
        }
        return found;
    };
    auto emit = [&](Token t) {
        tokens.push_back(t);
        if (tokens.size() == kBlockCodes) {
            enc.Block(tokens);
            tokens.clear();
        }
    };

    // One-step lazy matching: a match is taken only when the next position does not start a longer one.
    std::size_t pos = 0;
    int curLen = 0, curDist = 0;
    bool pending = false; // curLen/curDist belong to pos - 1
    auto takePending = [&] {
        emit({static_cast<std::uint16_t>(256 + curLen - kThreshold), static_cast<std::uint16_t>(curDist - 1)});
        const std::size_t end = pos - 1 + static_cast<std::size_t>(curLen);
        for (std::size_t q = pos; q < end; ++q) insert(q);
        pos = end;
        pending = false;
    };
    while (pos < n) {
        int dist = 0;
        const int len = find(pos, pending ? curLen : 0, dist);
        if (pending) {
            if (len > curLen) {
                emit({s[pos - 1], 0});
                curLen = len;
                curDist = dist;
                insert(pos);
                ++pos;
                continue;
            }
            // Take the match that started at pos - 1; pos was already scanned.
            takePending();
            continue;
        }
        if (len >= kThreshold) {
            curLen = len;
            curDist = dist;
            insert(pos);
            ++pos;
            pending = true;
            if (curLen >= kNiceLength) takePending();
            continue;
        }
        emit({s[pos], 0});
        insert(pos);
        ++pos;
    }
    if (pending)
        emit({static_cast<std::uint16_t>(256 + curLen - kThreshold), static_cast<std::uint16_t>(curDist - 1)});
    if (!tokens.empty()) enc.Block(tokens);
    enc.Finish();
    return out;
}

namespace {

void Put16(std::string& s, unsigned v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8 & 0xFF);
}
void Put32(std::string& s, std::uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

std::string Level2Header(const std::string& name, std::uint32_t packed, std::uint32_t original, std::uint32_t time,
                         std::uint16_t crc)
{
    std::string h;
    Put16(h, 0); // total size, set below
    h += "-lh5-";
    Put32(h, packed);
    Put32(h, original);
    Put32(h, time);
    h += '\x20';
    h += '\x02';
    Put16(h, crc);
    h += 'U';
    // Extensions: common (header CRC), file name, Unix permissions; each begins with its size.
    const std::size_t commonAt = h.size();
    Put16(h, 5);
    h += '\x00';
    Put16(h, 0); // header CRC, set below
    Put16(h, static_cast<unsigned>(3 + name.size()));
    h += '\x01';
    h += name;
    Put16(h, 5);
    h += '\x50';
    Put16(h, 0100644);
    Put16(h, 0); // no further extension
    if ((h.size() & 0xFF) == 0) h += '\0'; // a size with a zero low byte would read as the archive's end
    h[0] = static_cast<char>(h.size() & 0xFF);
    h[1] = static_cast<char>(h.size() >> 8 & 0xFF);
    const std::uint16_t hc = Crc16(h);
    h[commonAt + 3] = static_cast<char>(hc & 0xFF);
    h[commonAt + 4] = static_cast<char>(hc >> 8);
    return h;
}

std::string ReadWhole(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) throw LhaError("archive source cannot be read");
    std::string data;
    in.seekg(0, std::ios::end);
    const auto size = in.tellg();
    in.seekg(0);
    data.resize(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(data.data(), size)) throw LhaError("archive source cannot be read");
    return data;
}

struct Reader {
    LHAInputStream* stream = nullptr;
    LHAReader* reader = nullptr;
    explicit Reader(const std::filesystem::path& archive)
    {
        std::string p = archive.string();
        stream = lha_input_stream_from(p.data());
        if (stream) reader = lha_reader_new(stream);
    }
    ~Reader()
    {
        if (reader) lha_reader_free(reader);
        if (stream) lha_input_stream_free(stream);
    }
    bool Ok() const { return reader != nullptr; }
};

// The names as the header stores them: the reader cleans ".." and folders out of what it reports,
// and a member that carried them is refused rather than written somewhere else.
bool RawNamesArePlain(const LHAFileHeader* h)
{
    const unsigned char* raw = h->raw_data;
    const std::size_t len = h->raw_data_len;
    if (!raw || len < 24) return false;
    std::vector<std::string> names;
    std::size_t ext = 0; // offset of the first extension's size field
    if (h->header_level == 0 || h->header_level == 1) {
        const std::size_t nameLen = raw[21];
        if (22 + nameLen > len) return false;
        names.emplace_back(reinterpret_cast<const char*>(raw + 22), nameLen);
        if (h->header_level == 1) ext = static_cast<std::size_t>(raw[0]) + 2 - 2;
    } else if (h->header_level == 2) {
        ext = 24;
    } else {
        return false;
    }
    while (ext != 0 && ext + 2 <= len) {
        const std::size_t size = raw[ext] | raw[ext + 1] << 8;
        if (size == 0) break;
        const std::size_t at = ext + 2; // type, data, then the next size
        if (size < 3 || at + size > len) return false;
        const unsigned char type = raw[at];
        const std::string data(reinterpret_cast<const char*>(raw + at + 1), size - 3);
        if (type == 0x01) names.push_back(data);
        if (type == 0x02 && !data.empty()) return false; // a folder part
        ext = at + size - 2;
    }
    for (const auto& n : names) {
        if (n.empty() || n == "." || n == ".." || n.find_first_of("/\\\xff") != std::string::npos) return false;
    }
    return !names.empty();
}

bool IsPlainMember(const LHAFileHeader* h)
{
    if (std::strcmp(h->compress_method, "-lhd-") == 0 || h->symlink_target) return false;
    if (h->path && *h->path) return false;
    if (!h->filename) return false;
    const std::string name = h->filename;
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos
           && name.find('\\') == std::string::npos && RawNamesArePlain(h);
}

} // namespace

void CreateArchive(const std::filesystem::path& archive, const std::filesystem::path& source)
{
    const std::string data = ReadWhole(source);
    const std::string packed = CompressLh5(data);
    if (data.size() > 0xFFFFFFFFu || packed.size() > 0xFFFFFFFFu) throw LhaError("archive source too large");
    std::uint32_t unixTime = 0;
    struct stat st {};
    if (::stat(source.c_str(), &st) == 0) unixTime = static_cast<std::uint32_t>(st.st_mtime);
    const std::string header = Level2Header(source.filename().string(), static_cast<std::uint32_t>(packed.size()),
                                            static_cast<std::uint32_t>(data.size()), unixTime, Crc16(data));
    std::ofstream out(archive, std::ios::binary | std::ios::trunc);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    out.write(packed.data(), static_cast<std::streamsize>(packed.size()));
    out.put('\0');
    out.close();
    if (!out) throw LhaError("archive cannot be written");
}

bool CheckArchive(const std::filesystem::path& archive)
{
    Reader r(archive);
    if (!r.Ok()) return false;
    int members = 0;
    while (LHAFileHeader* h = lha_reader_next_file(r.reader)) {
        if (!IsPlainMember(h) || !lha_reader_check(r.reader, nullptr, nullptr)) return false;
        ++members;
    }
    return members > 0;
}

bool ExtractArchive(const std::filesystem::path& archive, const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> written;
    auto undo = [&] {
        std::error_code ec;
        for (const auto& f : written) std::filesystem::remove(f, ec);
        return false;
    };
    Reader r(archive);
    if (!r.Ok()) return false;
    int members = 0;
    while (LHAFileHeader* h = lha_reader_next_file(r.reader)) {
        if (!IsPlainMember(h)) return undo();
        const auto target = folder / h->filename;
        const auto part = folder / (std::string(h->filename) + ".part");
        std::string p = part.string();
        written.push_back(part);
        if (!lha_reader_extract(r.reader, p.data(), nullptr, nullptr)) return undo();
        std::error_code ec;
        std::filesystem::rename(part, target, ec);
        if (ec) return undo();
        written.back() = target;
        ++members;
    }
    return members > 0 ? true : undo();
}

} // namespace kb::lha

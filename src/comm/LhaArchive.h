#pragma once
// LHA archives of the transfer package. Packing is our own "-lh5-" writer (8 KiB window, matches
// of 3 to 256 bytes, static-Huffman blocks) with a level-2 header that holds the bare file name,
// the Unix time and the CRC-16 of the data; checking and extracting are liblhasa's, every CRC
// verified. Only regular files are extracted, each under its base name; a member with a folder
// part, a link, a damaged CRC or a cut-off archive fails the whole extraction.

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kb::lha {

struct LhaError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// CRC-16 of the LHA headers and data (polynomial 0xA001, reflected, start 0).
std::uint16_t Crc16(std::string_view bytes, std::uint16_t crc = 0);

// The "-lh5-" stream of data (empty for empty data).
std::string CompressLh5(std::string_view data);

// Writes a one-member archive of source, named by source's file name. Throws LhaError.
void CreateArchive(const std::filesystem::path& archive, const std::filesystem::path& source);

// True when the archive holds at least one member and every member decodes with a matching CRC.
bool CheckArchive(const std::filesystem::path& archive);

// Extracts every member into folder; false (and nothing left behind) on any fault.
bool ExtractArchive(const std::filesystem::path& archive, const std::filesystem::path& folder);

} // namespace kb::lha

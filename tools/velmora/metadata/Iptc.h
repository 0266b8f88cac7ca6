// IPTC (IIM) records and the three wrappers the formats keep them in: a
// JPEG's APP13 segment holds them as Photoshop image resource 0x0404 behind
// "Photoshop 3.0\0"; a TIFF file holds the bare records (tag 33723, padded to
// whole longs); a PNG file holds the resource as hexadecimal text in a text
// chunk named "Raw profile type iptc". The imaging library hands over
// whichever wrapper the input had, and writes back whatever it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cli {
namespace iptc {

// The records in any of the wrappers (or bare), up to the first byte that is
// not a record; *dropped says how many bytes after them were not padding.
// Empty when there are none.
std::vector<uint8_t> records(const uint8_t* data, size_t size, size_t* dropped);

// The records as a JPEG's APP13 payload, as a TIFF tag's value (padded to
// whole longs), and as a PNG raw profile text.
std::vector<uint8_t> forJpeg(const std::vector<uint8_t>& records);
std::vector<uint8_t> forTiff(const std::vector<uint8_t>& records);
std::string forPng(const std::vector<uint8_t>& records);

// The keyword of a PNG text chunk that holds IPTC.
constexpr const char* kPngKeyword = "Raw profile type iptc";

}  // namespace iptc
}  // namespace cli

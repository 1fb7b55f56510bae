// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

namespace ostrel2::tessoran::platform {

// Gives the memory mapping of an encoded file's bytes back.
struct EncodedMappingRelease {
    std::size_t length = 0;
    void operator()(unsigned char* bytes) const;
};

// The bytes of an image file, read whole into memory mapped for them alone.
class EncodedFile {
  public:
    EncodedFile(std::unique_ptr<unsigned char, EncodedMappingRelease> bytes, std::size_t size)
        : mapping(std::move(bytes)), count(size) {}

    const unsigned char* data() const { return mapping.get(); }
    std::size_t size() const { return count; }

  private:
    std::unique_ptr<unsigned char, EncodedMappingRelease> mapping;
    std::size_t count;
};

// Tells from a file's first `count` bytes (at most kLeadingBytes, fewer only
// for a shorter file) whether the rest is worth reading.
using LeadingBytesCheck = bool (*)(const unsigned char* bytes, std::size_t count);
inline constexpr std::size_t kLeadingBytes = 8;

// Reads the file at `path` with one open, to its end, whatever it is: a
// regular file, a FIFO, a pipe such as /dev/stdin, a character device. Nothing
// for a file that cannot be opened or read, that `accept` turns down by its
// leading bytes, or that holds more than `limit` bytes: a regular file that
// large is refused by its size, anything else once `limit` bytes have been
// read, so that an endless stream is never read to its end.
std::optional<EncodedFile> readEncodedFile(const char* path, std::uint64_t limit,
                                           LeadingBytesCheck accept);

}  // namespace ostrel2::tessoran::platform

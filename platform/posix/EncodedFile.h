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

// Reads the file at `path` with one open, to its end, whatever it is: a
// regular file, a FIFO, a pipe such as /dev/stdin, a character device. Nothing
// for a file that cannot be opened or read, or that holds more than `limit`
// bytes: a regular file that large is refused by its size, anything else once
// `limit` bytes have been read, so that an endless stream is never read to
// its end.
std::optional<EncodedFile> readEncodedFile(const char* path, std::uint64_t limit);

}  // namespace ostrel2::tessoran::platform

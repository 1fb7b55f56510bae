// SPDX-License-Identifier: Apache-2.0
#include "platform/posix/EncodedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace ostrel2::tessoran::platform {

namespace {

class Descriptor {
  public:
    explicit Descriptor(const char* path) : fd(open(path, O_RDONLY | O_CLOEXEC)) {}
    ~Descriptor() {
        if (fd >= 0) {
            close(fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd; }

  private:
    int fd;
};

std::size_t pageRounded(std::size_t bytes) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

}  // namespace

void EncodedMappingRelease::operator()(unsigned char* bytes) const {
    munmap(bytes, length);
}

std::optional<EncodedFile> readEncodedFile(const char* path, std::uint64_t limit,
                                           LeadingBytesCheck accept) {
    const Descriptor file(path);
    struct stat status {};
    if (file.get() < 0 || fstat(file.get(), &status) != 0 || S_ISDIR(status.st_mode)) {
        return std::nullopt;
    }
    // A regular file tells its size, and one byte more shows whether it grew
    // meanwhile. Anything else is read until it ends, into room for one byte
    // past the limit, so that a stream that goes on is noticed there.
    const bool sized = S_ISREG(status.st_mode) && status.st_size > 0;
    if (sized && static_cast<std::uint64_t>(status.st_size) > limit) {
        return std::nullopt;
    }
    const std::uint64_t room = (sized ? static_cast<std::uint64_t>(status.st_size) : limit) + 1;
    if (room > SIZE_MAX / 2) {
        return std::nullopt;
    }
    // A stream's bytes start in a small mapping that grows fourfold as they
    // come (moved, not copied), so that a small image read from a pipe takes
    // little address space.
    constexpr std::size_t kFirstStreamMapping = std::size_t{1} << 20;
    std::size_t length =
        pageRounded(sized ? static_cast<std::size_t>(room)
                          : std::min(static_cast<std::size_t>(room), kFirstStreamMapping));
    void* mapping = mmap(nullptr, length, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapping == MAP_FAILED) {
        return std::nullopt;
    }
    std::unique_ptr<unsigned char, EncodedMappingRelease> bytes(
        static_cast<unsigned char*>(mapping), EncodedMappingRelease{length});
    std::size_t filled = 0;
    while (filled < room) {
        if (filled == length) {
            const std::size_t grown =
                pageRounded(std::min(static_cast<std::size_t>(room), 4 * length));
            void* moved = mremap(bytes.get(), length, grown, MREMAP_MAYMOVE);
            if (moved == MAP_FAILED) {
                return std::nullopt;
            }
            bytes.release();
            bytes.reset(static_cast<unsigned char*>(moved));
            bytes.get_deleter().length = length = grown;
        }
        const ssize_t count =
            read(file.get(), bytes.get() + filled,
                 std::min<std::size_t>(std::min<std::size_t>(room, length) - filled,
                                       std::size_t{1} << 20));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return std::nullopt;
        }
        if (count == 0) {
            break;
        }
        const bool leadingBytesIn = filled < kLeadingBytes;
        filled += static_cast<std::size_t>(count);
        if (leadingBytesIn && filled >= kLeadingBytes && !accept(bytes.get(), kLeadingBytes)) {
            return std::nullopt;
        }
    }
    if (filled < kLeadingBytes && !accept(bytes.get(), filled)) {
        return std::nullopt;
    }
    if (filled == room) {
        return std::nullopt;  // past the limit, or a regular file that grew
    }
    const std::size_t kept = pageRounded(filled);
    if (kept < length) {
        munmap(bytes.get() + kept, length - kept);
        bytes.get_deleter().length = kept;
    }
    if (kept == 0) {
        // Nothing read: nothing of the mapping is left to give back.
        bytes.release();
        return EncodedFile(nullptr, 0);
    }
    return EncodedFile(std::move(bytes), filled);
}

}  // namespace ostrel2::tessoran::platform

// SPDX-License-Identifier: Apache-2.0
#include <sys/mman.h>

#include <cstdint>
#include <new>

#include "platform/posix/DecodedImage.h"

namespace Gdiplus {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

PixelBuffer::PixelBuffer(std::size_t pixelCount) : count(pixelCount) {
    if (pixelCount == 0) {
        return;
    }
    const std::size_t bytes = pixelCount * sizeof(std::uint32_t);
    // From half a huge page on, the pixels get whole huge pages of their own
    // (the mapping rounded up, with room to align its start): a few faults
    // instead of one per 4 KiB, for at most 2 MiB more address space.
    const bool huge = bytes >= kHugePage / 4;
    const std::size_t hugeBytes = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    const std::size_t length = huge ? hugeBytes + kHugePage : bytes;
    void* mapping =
        mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) {
        throw std::bad_alloc();
    }
    auto start = reinterpret_cast<std::uintptr_t>(mapping);
    if (huge) {
        start = (start + kHugePage - 1) & ~(kHugePage - 1);
        // Only a hint: without huge pages the buffer works the same.
        madvise(reinterpret_cast<void*>(start), hugeBytes, MADV_HUGEPAGE);
    }
    values = std::unique_ptr<std::uint32_t, PixelMappingRelease>(
        reinterpret_cast<std::uint32_t*>(start), PixelMappingRelease{mapping, length});
}

void PixelMappingRelease::operator()(std::uint32_t* /*pixels*/) const {
    munmap(mapping, length);
}

}  // namespace Gdiplus

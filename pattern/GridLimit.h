#pragma once

#include <cstdint>

namespace ostrel2::tessoran {

// The most pixels a grid may have: as many as the image layer lets one
// decoded image have (1 GiB of four-byte pixels). A bar string is held to the
// same size, counted in modules (four for each character of its lines), so
// that no input of either kind makes the decoder take more memory than the
// largest image would. Both builds see it; the image layer's own limit lives
// with its POSIX implementation.
inline constexpr std::uint64_t kMaxGridPixels = std::uint64_t{1} << 28;

}  // namespace ostrel2::tessoran

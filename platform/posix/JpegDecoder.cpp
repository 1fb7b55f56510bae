// SPDX-License-Identifier: Apache-2.0
// jpeglib.h needs the standard types declared before it.
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdint>
#include <limits>
#include <new>
#include <span>
#include <vector>

#include "platform/posix/FormatDecoders.h"
#include "platform/posix/PixelAllocation.h"

namespace ostrel2::tessoran::platform {

namespace {

// Encoders write about ten scans; a few hundred leave room for any of them.
// A file of thousands of scans is made to cost time, since every scan passes
// over the whole image again.
constexpr int kMaxScans = 300;

// The error manager: an error, or a warning (a damaged or truncated file),
// ends the decode at the setjmp in readJpeg; nothing is printed. A warning
// fails the decode too, so that a partly grey picture is never taken for the
// file's content.
struct JpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf stop{};
};

[[noreturn]] void stopDecoding(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->stop, 1);
}

void stopOnWarning(j_common_ptr info, int level) {
    if (level < 0) {
        stopDecoding(info);
    }
}

void printNothing(j_common_ptr /*info*/) {}

// Called between pieces of input; ends a file with more scans than any
// encoder writes.
void limitScans(j_common_ptr info) {
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
        stopDecoding(info);
    }
}

// The libjpeg state, released on every way out of decodeJpeg. It lives
// outside the function that holds the setjmp, so that a jump back from
// libjpeg passes no object that needs destroying.
class JpegReading {
  public:
    JpegReading() {
        info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = stopDecoding;
        errors.manager.emit_message = stopOnWarning;
        errors.manager.output_message = printNothing;
        progress.progress_monitor = limitScans;
    }
    ~JpegReading() {
        if (created) {
            jpeg_destroy_decompress(&info);
        }
    }
    JpegReading(const JpegReading&) = delete;
    JpegReading& operator=(const JpegReading&) = delete;

    JpegErrors errors;
    jpeg_progress_mgr progress{};
    jpeg_decompress_struct info{};
    bool created = false;
};

// What libjpeg keeps besides the pixels, from the header and the output
// size: the rows it works on, and for a file of several scans (progressive,
// or colours in scans of their own) every component's coefficients for the
// whole image, 64 of 2 bytes a block, in blocks rounded up to whole MCUs.
std::uint64_t libjpegWorkingBytes(jpeg_decompress_struct& info) {
    std::uint64_t bytes = 0;
    const bool wholeImage = jpeg_has_multiple_scans(&info) != 0;
    for (int i = 0; i < info.num_components; ++i) {
        const jpeg_component_info& component = info.comp_info[i];
        const std::uint64_t blockColumns = component.width_in_blocks;
        const std::uint64_t blockRows = component.height_in_blocks;
        // Rows of samples: a row group of up to four blocks high, kept three
        // times over where upsampling needs the rows around it.
        bytes += blockColumns * DCTSIZE * static_cast<std::uint64_t>(component.v_samp_factor) *
                 DCTSIZE * 3;
        if (wholeImage) {
            const auto roundUp = [](std::uint64_t value, std::uint64_t step) {
                return (value + step - 1) / step * step;
            };
            bytes += roundUp(blockColumns, static_cast<std::uint64_t>(component.h_samp_factor)) *
                     roundUp(blockRows, static_cast<std::uint64_t>(component.v_samp_factor)) *
                     DCTSIZE2 * sizeof(JCOEF);
        }
    }
    // The upsampler's rows of full width, one per component, and our
    // pointers to the image's rows.
    bytes += std::uint64_t{info.output_width} * static_cast<std::uint64_t>(info.num_components) *
             static_cast<std::uint64_t>(info.max_v_samp_factor);
    bytes += std::uint64_t{info.output_height} * sizeof(JSAMPROW);
    return bytes;
}

// Every libjpeg call happens below this function's setjmp; it and the
// functions it calls hold nothing that needs destroying.
bool readJpeg(JpegReading& reading, std::span<const unsigned char> file, DecodeBudget& budget,
              Gdiplus::GpImage& image, std::vector<JSAMPROW>& rows) {
    jpeg_decompress_struct& info = reading.info;
    if (setjmp(reading.errors.stop) != 0) {
        return false;
    }
    jpeg_create_decompress(&info);
    reading.created = true;
    info.progress = &reading.progress;
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    // CMYK and YCCK files decode only to CMYK, and whether their samples are
    // stored inverted is not recorded reliably; rather than guess colours,
    // such files are refused.
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        return false;
    }
    // Grey and colour files alike come out as one ARGB word a pixel, alpha
    // opaque, written straight into the image.
    info.out_color_space = std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    jpeg_calc_output_dimensions(&info);
    const std::uint64_t width = info.output_width;
    const std::uint64_t height = info.output_height;
    const std::uint64_t workingBytes = libjpegWorkingBytes(info);
    if (!budget.take(workingBytes) || !allocatePixels(image, width, height, budget)) {
        return false;
    }
    // libjpeg may have its share and whatever the image left of the budget;
    // beyond that its whole-image buffers fail rather than grow.
    info.mem->max_memory_to_use = static_cast<long>(std::min<std::uint64_t>(
        workingBytes + budget.remaining(), std::numeric_limits<long>::max()));
    rows.resize(static_cast<std::size_t>(height));
    for (std::size_t row = 0; row < rows.size(); ++row) {
        rows[row] = reinterpret_cast<JSAMPROW>(image.pixels.data() + row * width);
    }
    if (jpeg_start_decompress(&info) == FALSE) {
        return false;
    }
    while (info.output_scanline < info.output_height) {
        if (jpeg_read_scanlines(&info, rows.data() + info.output_scanline,
                                info.output_height - info.output_scanline) == 0) {
            return false;
        }
    }
    return jpeg_finish_decompress(&info) != FALSE;
}

}  // namespace

bool decodeJpeg(std::span<const unsigned char> file, DecodeBudget& budget,
                Gdiplus::GpImage& image) {
    JpegReading reading;
    std::vector<JSAMPROW> rows;
    try {
        return readJpeg(reading, file, budget, image, rows);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace ostrel2::tessoran::platform

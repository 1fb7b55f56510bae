#include <png.h>

#include <bit>
#include <cstring>

#include "platform/posix/FormatDecoders.h"
#include "platform/posix/PixelLimit.h"

namespace ostrel2::tessoran::platform {

namespace {

// Frees libpng's state on every way out; safe when libpng already did.
class PngReadGuard {
  public:
    explicit PngReadGuard(png_image& png) : image(png) {}
    ~PngReadGuard() { png_image_free(&image); }
    PngReadGuard(const PngReadGuard&) = delete;
    PngReadGuard& operator=(const PngReadGuard&) = delete;

  private:
    png_image& image;
};

}  // namespace

bool decodePng(const char* path, Gdiplus::GpImage& image) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    PngReadGuard guard(png);
    // Without gamma information libpng would take 16-bit samples for linear
    // light and brighten them (a grey of 85 would come out near 155, light
    // instead of dark); they are scaled to 8 bits as stored instead, like
    // 8-bit samples.
    png.flags = PNG_IMAGE_FLAG_16BIT_sRGB;
    // libpng's simplified reader keeps its messages in png.message and never
    // prints them.
    if (png_image_begin_read_from_file(&png, path) == 0) {
        return false;
    }
    png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    if (!allocatePixels(image, png.width, png.height)) {
        return false;
    }
    // Four bytes a pixel laid out so that each reads as one ARGB word in the
    // machine's byte order. With alpha in the output, libpng hands colours
    // over as stored and blends nothing; palettes, grey and 16-bit samples
    // come out as 8-bit red, green and blue.
    png.format = std::endian::native == std::endian::little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    const auto rowBytes = static_cast<png_int_32>(PNG_IMAGE_ROW_STRIDE(png));
    return png_image_finish_read(&png, nullptr, image.pixels.data(), rowBytes, nullptr) != 0;
}

}  // namespace ostrel2::tessoran::platform

#include "preview/picture_file.h"

#include <cstring>
#include <png.h>

// libpng's simplified interface reports errors in the image record instead
// of jumping out of the caller.
bool write_png(std::FILE *file, const lcm_transfer &frame, std::string &error)
{
    const unsigned width = frame.width * PNG_SCALE;
    const unsigned height = frame.height * PNG_SCALE;
    std::vector<unsigned char> grey(static_cast<std::size_t>(width) * height);
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x)
            grey[static_cast<std::size_t>(y) * width + x] =
                frame.pixels[static_cast<std::size_t>(y / PNG_SCALE) * frame.width + x / PNG_SCALE] ? 0 : 255;

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_GRAY;
    if (png_image_write_to_stdio(&image, file, 0, grey.data(), 0, nullptr) == 0) {
        error = image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}

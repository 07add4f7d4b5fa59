#include "preview/picture_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "lcm/status.h"

namespace {

bool ends_with(std::string_view text, std::string_view suffix)
{
    if (text.size() < suffix.size())
        return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        const char c = text[text.size() - suffix.size() + i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != suffix[i])
            return false;
    }
    return true;
}

int write_pbm(const char *path, const lcm_transfer &frame)
{
    const std::vector<unsigned char> bytes = pbm_bytes(frame);
    errno = 0;
    std::FILE *file = std::fopen(path, "wb");
    if (file == nullptr) {
        const int status = errno_status();
        std::fprintf(stderr, "Cannot write %s: %s\n", path, std::strerror(status));
        return status;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int write_errno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        const int status = write_errno != 0 ? write_errno : errno_status();
        std::fprintf(stderr, "Cannot write %s: %s\n", path, std::strerror(status));
        return status;
    }
    return 0;
}

} // namespace

std::vector<unsigned char> pbm_bytes(const lcm_transfer &frame)
{
    const std::string header = "P4\n" + std::to_string(frame.width) + " " + std::to_string(frame.height) + "\n";
    std::vector<unsigned char> bytes(header.begin(), header.end());
    const std::size_t row_bytes = (frame.width + 7) / 8;
    for (unsigned row = 0; row < frame.height; ++row) {
        std::vector<unsigned char> packed(row_bytes, 0);
        for (unsigned column = 0; column < frame.width; ++column)
            if (frame.pixels[static_cast<std::size_t>(row) * frame.width + column])
                packed[column / 8] |= static_cast<unsigned char>(0x80 >> column % 8);
        bytes.insert(bytes.end(), packed.begin(), packed.end());
    }
    return bytes;
}

int write_picture_file(const char *path, const lcm_transfer &frame)
{
    if (ends_with(path, ".pbm"))
        return write_pbm(path, frame);
    if (ends_with(path, ".png")) {
        std::string error;
        errno = 0;
        if (write_png(path, frame, error))
            return 0;
        const int status = errno_status();
        std::fprintf(stderr, "Cannot write %s: %s\n", path, error.c_str());
        return status;
    }
    std::fprintf(stderr, "Cannot write %s: the name must end in .pbm or .png\n", path);
    return EINVAL;
}

#include "preview/picture_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "base/exit_status.h"

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

int cannot_write(const char *path, const char *reason, int status)
{
    std::fprintf(stderr, "Cannot write %s: %s\n", path, reason);
    return status;
}

// A temporary file beside path, so that a rename can put it in place.
std::string temporary_name(const char *path)
{
    const std::string_view target(path);
    const std::size_t slash = target.rfind('/');
    const std::string directory(slash == std::string_view::npos ? "." : target.substr(0, slash + 1));
    return directory + (slash == std::string_view::npos ? "/" : "") + ".lidglow-preview.XXXXXX";
}

// Gives the new file the group and the mode of the one it replaces (a
// set-id bit aside); where the group cannot be kept, its members get no
// more than others.
void keep_access(int fd, const struct stat &replaced)
{
    mode_t mode = replaced.st_mode & 0777;
    if (fchown(fd, static_cast<uid_t>(-1), replaced.st_gid) != 0)
        mode = (mode & ~mode_t(070)) | ((mode & 07) << 3);
    fchmod(fd, mode);
}

// Writes the picture to a temporary file with the mode a new file would
// get, or that of the file it replaces (replaced, when not null), and
// renames it over path: whatever fails, path stays as it was.
int write_in_place_of(const char *path, const lcm_transfer &frame, bool png, const struct stat *replaced)
{
    std::string temporary = temporary_name(path);
    errno = 0;
    const int fd = mkstemp(&temporary[0]);
    if (fd < 0) {
        const int status = errno_status();
        return cannot_write(path, std::strerror(status), status);
    }
    if (replaced != nullptr) {
        keep_access(fd, *replaced);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    std::FILE *file = fdopen(fd, "wb");
    if (file == nullptr) {
        const int status = errno_status();
        close(fd);
        unlink(temporary.c_str());
        return cannot_write(path, std::strerror(status), status);
    }

    std::string error;
    errno = 0;
    bool written;
    if (png) {
        written = write_png(file, frame, error);
    } else {
        const std::vector<unsigned char> bytes = pbm_bytes(frame);
        written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    written = written && std::fflush(file) == 0 && fsync(fd) == 0;
    int status = errno_status();
    if (std::fclose(file) != 0 && written) {
        written = false;
        status = errno_status();
    }
    if (written && rename(temporary.c_str(), path) == 0)
        return 0;
    if (written)
        status = errno_status();
    unlink(temporary.c_str());
    return cannot_write(path, error.empty() ? std::strerror(status) : error.c_str(), status);
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
    const bool png = ends_with(path, ".png");
    if (!png && !ends_with(path, ".pbm"))
        return cannot_write(path, "the name must end in .pbm or .png", EINVAL);
    // A link, a device or a FIFO is not replaced by a picture.
    struct stat target;
    const bool exists = lstat(path, &target) == 0;
    if (exists && !S_ISREG(target.st_mode))
        return cannot_write(path, "it is not a regular file", EINVAL);
    return write_in_place_of(path, frame, png, exists ? &target : nullptr);
}

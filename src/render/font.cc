#include "render/font.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "lcm/display_flags.h"
#include "render/frame.h"

namespace {

// SDL 1.2's SDL_SetError knows no length modifiers such as %ld, so the
// message is formatted here and handed over whole.
void set_error(const char *format, ...) __attribute__((format(printf, 1, 2)));

void set_error(const char *format, ...)
{
    char message[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    SDL_SetError("%s", message);
}

// Refuses a font too tall to render in reasonable memory: it is closed and
// the error set.
TTF_Font *checked_height(TTF_Font *font)
{
    if (font && TTF_FontHeight(font) > MAX_FONT_HEIGHT) {
        TTF_CloseFont(font);
        set_error("Font is taller than %d rows", MAX_FONT_HEIGHT);
        errno = EINVAL;
        return nullptr;
    }
    return font;
}

// SDL_ttf would open the font by name through stdio, and wait forever for
// a FIFO to be written. So the file is opened here without waiting, only a
// regular file is taken, and SDL_ttf reads that very file: a name that
// changes in between cannot make it open another.
TTF_Font *open_font_file(const char *path, int size, long index)
{
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        set_error("Couldn't open %s", path);
        errno = error;
        return nullptr;
    }
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        set_error("Cannot use font %s: it is not a regular file", path);
        errno = EINVAL;
        return nullptr;
    }
    std::FILE *file = fdopen(fd, "rb");
    if (file == nullptr) {
        const int error = errno;
        close(fd);
        set_error("Couldn't open %s", path);
        errno = error;
        return nullptr;
    }
    SDL_RWops *source = SDL_RWFromFP(file, 1);
    if (source == nullptr) {
        std::fclose(file);
        return nullptr;
    }
    // The font closes the source, also when it fails to open.
    return TTF_OpenFontIndexRW(source, 1, size, index);
}

// The height that the automatic size fits: the frame's.
int automatic_target(int display_flags)
{
    return (display_flags & DISPLAY_FLASH) ? int(FLASH_FRAME_HEIGHT) : int(FRAME_HEIGHT);
}

} // namespace

TTF_Font *font_handle = nullptr;

opened_font open_fitting_font(const char *path, long index, int target)
{
    for (int size = target; size >= 1; --size) {
        TTF_Font *font = open_font_file(path, size, index);
        if (!font)
            return {nullptr, size};
        if (TTF_FontHeight(font) <= target)
            return {font, size};
        TTF_CloseFont(font);
    }
    set_error("No size of this font fits in %d rows", target);
    errno = EINVAL;
    return {nullptr, 0};
}

TTF_Font *open_font(const font_spec &font, int display_flags)
{
    if (font.index < 0 || font.index > MAX_FACE_INDEX) {
        set_error("Face index %ld is out of range", font.index);
        errno = EINVAL;
        return nullptr;
    }
    if (font.size < 0 || font.size > MAX_FONT_SIZE) {
        set_error("Font size %d is out of range (1 to %d points)", font.size, MAX_FONT_SIZE);
        errno = EINVAL;
        return nullptr;
    }

    // Errno is cleared so that a failure reports what the open left, not
    // something older; the caller maps a zero to EINVAL.
    errno = 0;
    TTF_Font *opened;
    if (font.size > 0) {
        opened = open_font_file(font.path, font.size, font.index);
    } else {
        opened = open_fitting_font(font.path, font.index, automatic_target(display_flags)).font;
    }
    opened = checked_height(opened);
    if (opened)
        TTF_SetFontStyle(opened, font.style);
    return opened;
}

int open_font_size(const font_spec &font, int display_flags)
{
    if (font.size != 0)
        return font.size;
    const opened_font opened = open_fitting_font(font.path, font.index, automatic_target(display_flags));
    if (!opened.font)
        return 0;
    TTF_CloseFont(opened.font);
    return opened.size;
}

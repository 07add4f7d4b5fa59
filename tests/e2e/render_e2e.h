#ifndef LIDGLOW_E2E_RENDER_E2E_H
#define LIDGLOW_E2E_RENDER_E2E_H

// Helpers shared by the end-to-end tests of image, text and command output:
// pictures as rows of '#' (set) and '.' (clear), the generated test images,
// and SDL_ttf's own metrics for the fonts the tests use.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "decode.h"
#include "harness.h"

namespace render_e2e {

using picture = std::vector<std::string>;

constexpr const char *DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char *WQY = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

inline std::filesystem::path data_dir()
{
#ifdef LIDGLOW_TEST_DATA_DIR
    return LIDGLOW_TEST_DATA_DIR;
#else
    // This file lives in tests/e2e of the source tree.
    return std::filesystem::path(__FILE__).parent_path().parent_path() / "data";
#endif
}

inline picture blank_picture(unsigned width, unsigned height, char c = '.')
{
    return picture(height, std::string(width, c));
}

// Sets the pixels of the rectangle at column x, row y.
inline void fill(picture &p, unsigned x, unsigned y, unsigned width, unsigned height, char c = '#')
{
    for (unsigned r = y; r < y + height && r < p.size(); ++r)
        for (unsigned col = x; col < x + width && col < p[r].size(); ++col)
            p[r][col] = c;
}

inline picture mirrored(picture p)
{
    for (std::string &row : p)
        row.assign(row.rbegin(), row.rend());
    return p;
}

inline picture flipped(picture p)
{
    return picture(p.rbegin(), p.rend());
}

inline picture negated(picture p)
{
    for (std::string &row : p)
        for (char &c : row)
            c = c == '#' ? '.' : '#';
    return p;
}

inline std::size_t set_pixels(const picture &p)
{
    std::size_t n = 0;
    for (const std::string &row : p)
        for (char c : row)
            n += c == '#';
    return n;
}

inline std::size_t bulk_writes(const std::vector<vdisplay::event> &events)
{
    std::size_t n = 0;
    for (const vdisplay::event &e : events)
        n += e.kind == "bulk" || e.kind == "bulk-failed";
    return n;
}

// The last line of a stream, without its line end: libraries may print
// lines of their own before the program's message.
inline std::string last_line(std::string_view text)
{
    if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    const std::size_t start = text.rfind('\n');
    return std::string(start == std::string_view::npos ? text : text.substr(start + 1));
}

// A directory with the pictures of tests/data/make-images.py, made on first
// use and removed when the test process ends.
class image_dir {
public:
    static const image_dir &get()
    {
        static const image_dir dir;
        return dir;
    }
    std::string path(const std::string &name) const
    {
        return ((shared_.empty() ? root_ : shared_) / name).string();
    }
    const std::string &error() const { return error_; }
    ~image_dir()
    {
        std::error_code ignored;
        if (!root_.empty())
            std::filesystem::remove_all(root_, ignored);
    }
    image_dir(const image_dir &) = delete;
    image_dir &operator=(const image_dir &) = delete;

private:
    image_dir()
    {
#ifdef LIDGLOW_E2E_IMAGE_DIR
        // The build made the pictures once for every test process.
        shared_ = LIDGLOW_E2E_IMAGE_DIR;
#else
        make();
#endif
    }
    void make()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "lidglow-images.XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            error_ = "mkdtemp failed";
            return;
        }
        root_ = pattern;
        const std::string script = (data_dir() / "make-images.py").string();
        const std::string command = "/usr/bin/python3 '" + script + "' '" + root_.string() + "'";
        if (std::system(command.c_str()) != 0)
            error_ = "could not run " + command;
    }
    std::filesystem::path shared_;
    std::filesystem::path root_;
    std::string error_;
};

// SDL_ttf, loaded at run time so that the tests measure fonts exactly the way
// the program's renderer does without linking the renderer's libraries.
class ttf_probe {
public:
    static const ttf_probe &get()
    {
        static const ttf_probe probe;
        return probe;
    }
    bool usable() const { return open_ != nullptr; }

    // TTF_FontHeight at size points, or -1 when the font does not open.
    int height(const char *font, long index, int size) const
    {
        void *f = open_ ? open_(font, size, index) : nullptr;
        if (!f)
            return -1;
        const int h = height_(f);
        close_(f);
        return h;
    }

    // The largest size from target down whose height is at most target rows.
    int fitting_size(const char *font, long index, int target) const
    {
        for (int size = target; size >= 1; --size) {
            const int h = height(font, index, size);
            if (h < 0)
                return -1;
            if (h <= target)
                return size;
        }
        return -1;
    }

    // The width in pixels of text rendered at size points in a style, or -1.
    int width(const char *font, long index, int size, const std::string &text, int style = 0) const
    {
        return extent(font, index, size, text, style).first;
    }

    // The width and height of the rendered text, which may be taller than
    // the font where glyphs reach below it; -1 both when unknown.
    std::pair<int, int> extent(const char *font, long index, int size, const std::string &text,
                               int style = 0) const
    {
        void *f = open_ ? open_(font, size, index) : nullptr;
        if (!f)
            return {-1, -1};
        set_style_(f, style);
        int w = -1, h = -1;
        if (size_utf8_(f, text.c_str(), &w, &h) < 0)
            w = h = -1;
        close_(f);
        return {w, h};
    }

    ttf_probe(const ttf_probe &) = delete;
    ttf_probe &operator=(const ttf_probe &) = delete;

private:
    using init_fn = int (*)();
    using open_fn = void *(*)(const char *, int, long);
    using height_fn = int (*)(void *);
    using size_fn = int (*)(void *, const char *, int *, int *);
    using close_fn = void (*)(void *);
    using style_fn = void (*)(void *, int);

    ttf_probe()
    {
        void *lib = dlopen("libSDL_ttf-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return;
        auto init = reinterpret_cast<init_fn>(dlsym(lib, "TTF_Init"));
        auto open = reinterpret_cast<open_fn>(dlsym(lib, "TTF_OpenFontIndex"));
        height_ = reinterpret_cast<height_fn>(dlsym(lib, "TTF_FontHeight"));
        size_utf8_ = reinterpret_cast<size_fn>(dlsym(lib, "TTF_SizeUTF8"));
        close_ = reinterpret_cast<close_fn>(dlsym(lib, "TTF_CloseFont"));
        set_style_ = reinterpret_cast<style_fn>(dlsym(lib, "TTF_SetFontStyle"));
        if (init && open && height_ && size_utf8_ && close_ && set_style_ && init() == 0)
            open_ = open;
    }
    open_fn open_ = nullptr;
    height_fn height_ = nullptr;
    size_fn size_utf8_ = nullptr;
    close_fn close_ = nullptr;
    style_fn set_style_ = nullptr;
};

inline std::string picture_text(const picture &p)
{
    std::string out;
    for (const std::string &row : p)
        out += row + "\n";
    return out;
}

// The one frame of a run that should have succeeded quietly and sent a
// single well-formed transfer; an empty transfer when it did not.
inline vdisplay::transfer single_frame(const e2e::run_result &r)
{
    EXPECT_EQ(r.harness_error, "");
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0) << r.summary();
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.transfers.size(), 1u) << r.summary();
    if (r.transfers.size() != 1)
        return {};
    const vdisplay::transfer &t = r.transfers.front();
    EXPECT_TRUE(t.problems.empty()) << t.problems.front();
    return t;
}

// Checks a run that must fail before sending anything: status, the last
// line of standard error (the whole of it when whole_err is set) and no
// bulk write at all.
inline void expect_refused(const e2e::run_result &r, int status, const std::string &line,
                           bool whole_err)
{
    EXPECT_EQ(r.harness_error, "");
    EXPECT_FALSE(r.timed_out);
    if (status != 0) {
        EXPECT_EQ(r.status, status) << r.summary();
    } else {
        EXPECT_NE(r.status, 0) << r.summary();
    }
    EXPECT_EQ(r.out, "");
    if (whole_err) {
        EXPECT_EQ(r.err, line + "\n");
    } else {
        EXPECT_EQ(last_line(r.err), line) << r.err;
    }
    EXPECT_EQ(bulk_writes(r.events), 0u) << r.summary();
    EXPECT_EQ(r.of_kind("claim").size(), r.of_kind("release").size()) << r.summary();
}

}  // namespace render_e2e

#endif

#include "preview/terminal.h"

#include "lcm/display_size.h"
#include "render/utf8.h"

namespace {

constexpr unsigned SCREEN_WIDTH = LCM_WIDTH;
constexpr unsigned CELL_WIDTH = 2;
constexpr unsigned CELL_HEIGHT = 4;
constexpr unsigned BRAILLE_BLANK = 0x2800;

// Braille dot bits by row and column within a cell.
constexpr unsigned DOT[CELL_HEIGHT][CELL_WIDTH] = {{0x01, 0x08}, {0x02, 0x10}, {0x04, 0x20}, {0x40, 0x80}};

bool set(const lcm_transfer &frame, unsigned row, unsigned column)
{
    return row < frame.height && column < frame.width &&
           frame.pixels[static_cast<std::size_t>(row) * frame.width + column] != 0;
}

// A border line of the box, with a label in the top one.
std::string border(const char *left, const char *right, const std::string &label, unsigned cells)
{
    std::string out = left;
    unsigned used = 0;
    if (!label.empty()) {
        out += "\u2500 " + label + " ";
        used = static_cast<unsigned>(label.size()) + 3;
    }
    for (; used < cells; ++used)
        out += "\u2500";
    return out + right + "\n";
}

std::string how_many(std::size_t n, const char *thing)
{
    return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

std::string size_text(unsigned width, unsigned height)
{
    return std::to_string(width) + " \u00d7 " + std::to_string(height);
}

bool all_pixels(const lcm_transfer &t, unsigned char value)
{
    for (unsigned char pixel : t.pixels)
        if (pixel != value)
            return false;
    return true;
}

std::string describe(const lcm_transfer &t)
{
    switch (t.mode) {
    case lcm_mode::command:
        if (t.command_byte == 0xAF)
            return "the display is switched on";
        if (t.command_byte == 0xAE)
            return "the display is switched off";
        return "an unknown command";
    case lcm_mode::static_frame:
        if (all_pixels(t, 1))
            return "the blank frame, every pixel set (" + how_many(t.expected_packets, "packet") + ")";
        if (all_pixels(t, 0))
            return "the filled frame, every pixel clear (" + how_many(t.expected_packets, "packet") + ")";
        return "a static frame of " + size_text(LCM_WIDTH, LCM_HEIGHT) + " (" + how_many(t.expected_packets, "packet") +
               ")";
    case lcm_mode::flashing:
        return "a frame of " + size_text(LCM_WIDTH, LCM_HEIGHT / 2) + " that flashes (" +
               how_many(t.expected_packets, "packet") + ")";
    case lcm_mode::rolling:
        return "a frame of " + size_text(t.width, LCM_HEIGHT) + " that rolls across the display (" +
               how_many(t.expected_packets, "packet") + ")";
    case lcm_mode::unknown:
        break;
    }
    return "packets the display would not understand";
}

} // namespace

std::string draw_frame(const lcm_transfer &frame)
{
    std::string out;
    for (unsigned c0 = 0; c0 < frame.width; c0 += SCREEN_WIDTH) {
        const unsigned cells = SCREEN_WIDTH / CELL_WIDTH;
        const std::string label = frame.width > SCREEN_WIDTH
                                      ? "columns " + std::to_string(c0) + "-" +
                                            std::to_string(c0 + SCREEN_WIDTH - 1)
                                      : "";
        out += border("\u250c", "\u2510", label, cells);
        for (unsigned r0 = 0; r0 < frame.height; r0 += CELL_HEIGHT) {
            out += "\u2502";
            for (unsigned cell = 0; cell < cells; ++cell) {
                unsigned code = BRAILLE_BLANK;
                for (unsigned r = 0; r < CELL_HEIGHT; ++r)
                    for (unsigned c = 0; c < CELL_WIDTH; ++c)
                        if (set(frame, r0 + r, c0 + cell * CELL_WIDTH + c))
                            code |= DOT[r][c];
                append_utf8(out, code);
            }
            out += "\u2502\n";
        }
        out += border("\u2514", "\u2518", "", cells);
    }
    return out;
}

std::string describe_transfers(const std::vector<lcm_transfer> &transfers)
{
    std::string out;
    for (std::size_t i = 0; i < transfers.size(); ++i) {
        out += i == 0 ? "" : i + 1 == transfers.size() ? ", then " : ", ";
        out += describe(transfers[i]);
    }
    if (out.empty())
        return "Nothing is sent to the display.\n";
    out[0] = static_cast<char>(out[0] - 'a' + 'A');
    return out + ".\n";
}

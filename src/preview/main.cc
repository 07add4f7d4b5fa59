// lidglow-preview: runs what lidglow runs for the same command line, with a
// packet writer that keeps the packets instead of sending them, and shows
// what the display would make of them. It never touches USB, a pid file or
// syslog.

#include <cerrno>
#include <cstdio>
#include <libgen.h>
#include <string>
#include <unistd.h>

#include "base/clock.h"
#include "cli/cmdline.h"
#include "cli/descriptors.h"
#include "cli/dispatch.h"
#include "cli/usage.h"
#include "daemon/handles.h"
#include "decode/decoder.h"
#include "decode/image.h"
#include "exec/command.h"
#include "lcm/unpack.h"
#include "lcm/writer_memory.h"
#include "preview/hints.h"
#include "preview/picture_file.h"
#include "preview/terminal.h"
#include "render/font.h"

namespace {

// What lidglow-preview adds to lidglow's usage text.
constexpr const char PREVIEW_USAGE[] = "\nPreview Options:\n"
                                       "\t-o file\t\tWrite the picture of -B, -b, -f, -m or -c to this\n"
                                       "\t\t\tPBM or PNG file instead of drawing it.\n";

// Shows the last frame that the packets carry, or says what commands do,
// and then the hints; with a picture file they go to standard error.
// Lines already on a terminal are drawn over, so that a picture that
// changes stays in one place.
int show_packets(const cmdline &request, const std::vector<lcm_packet> &packets, const std::string &hints,
                 int &lines_drawn)
{
    const std::vector<lcm_transfer> transfers = lcm_unpack_stream(packets);
    const lcm_transfer *frame = nullptr;
    for (const lcm_transfer &t : transfers)
        if (!t.pixels.empty())
            frame = &t;
    if (request.output_path != nullptr && frame != nullptr) {
        const int status = write_picture_file(request.output_path, *frame);
        if (status == 0)
            std::fputs(hints.c_str(), stderr);
        return status;
    }

    std::string text = frame != nullptr ? draw_frame(*frame) : "";
    text += describe_transfers(transfers);
    text += hints;
    if (lines_drawn > 0 && isatty(STDOUT_FILENO))
        std::printf("\033[%dA\033[J", lines_drawn);
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    lines_drawn = 0;
    for (char c : text)
        lines_drawn += c == '\n';
    return 0;
}

// The hints for a text that the request showed, measured with the font
// that rendered it, which release_all has not closed yet.
std::string shown_text_hints(const cmdline &request, const char *text)
{
    return text_hints(text, font_handle, request_font(request), request.display_flags);
}

// -f image: the two halves of show_image, with the decoder's reply kept
// between them for the hints.
int show_image_with_hints(const cmdline &request, std::string &hints)
{
    const decode_reply picture = decode_picture(request.image_path, request.display_flags);
    if (picture.status != 0)
        return picture.status;
    hints = picture_hints(picture, request.display_flags);
    return show_picture(picture, request.display_flags);
}

// -c command -D: the daemon's polls in the foreground, redrawing whenever
// the line changes, until an error ends them or the user interrupts.
int run_polls(const cmdline &request)
{
    const font_spec font = request_font(request);
    const int poll_seconds = request_poll_seconds(request);
    int lines_drawn = 0;
    int status;
    for (;;) {
        status = show_command(request.command, request.display_flags, font, true);
        if (status != 0)
            break;
        // An unchanged line sends nothing, and the picture stays as it is.
        const std::vector<lcm_packet> packets = take_kept_packets();
        if (!packets.empty())
            status = show_packets(request, packets, shown_text_hints(request, last_text), lines_drawn);
        if (status != 0)
            break;
        sleep_whole(duration_seconds(poll_seconds));
    }
    release_all();
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    // Before anything opens a file that could take a closed one's number.
    if (!open_standard_descriptors())
        return EBADF;
    errno = 0;
    char fallback_name[] = "lidglow-preview";
    const char *program_name = basename(argc > 0 && argv[0] != nullptr ? argv[0] : fallback_name);

    cmdline request;
    const parse_outcome outcome = parse_cmdline(argc, argv, request, true);
    // Unlike lidglow, whose usage text alone is its documented answer, the
    // preview says what it refused.
    if (outcome == parse_outcome::rejected && cmdline_rejection(request) != nullptr)
        std::fprintf(stderr, "%s\n", cmdline_rejection(request));
    const int parse_status = answer_parse_outcome(outcome, program_name, PREVIEW_USAGE);
    if (parse_status >= 0)
        return parse_status;

    if (request.stop_count != 0) {
        std::fputs("Nothing to preview: -k stops a running daemon\n", stderr);
        return EINVAL;
    }
    if (request.daemon_count != 0)
        return run_polls(request);

    // No display is opened: display_handle stays empty, and the packets
    // stay with the writer.
    std::string hints;
    int status;
    if (request.image_path != nullptr) {
        status = show_image_with_hints(request, hints);
    } else {
        status = run_mode(request, nullptr);
        // A command's line is a text too, kept where show_command put it.
        const char *text = request.command != nullptr ? last_text : request.message;
        if (status == 0 && text != nullptr)
            hints = shown_text_hints(request, text);
    }
    release_all();
    if (status == 0) {
        int lines_drawn = 0;
        status = show_packets(request, take_kept_packets(), hints, lines_drawn);
    }
    return status;
}

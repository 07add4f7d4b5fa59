#include "decode.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace vdisplay {

namespace {

constexpr unsigned char MAGIC_0 = 0x55;
constexpr unsigned char MAGIC_1 = 0xAA;
constexpr unsigned LCM_ENDPOINT = 2;
constexpr std::size_t HEADER_SIZE = 16;
constexpr std::size_t BAND_SIZE = 128;
constexpr unsigned MAX_ROLLING_PACKETS = 28;

std::vector<std::string> split_words(std::string_view line)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        if (i > start)
            words.emplace_back(line.substr(start, i - start));
    }
    return words;
}

// Accepts decimal or 0x-prefixed hex, nothing else after the digits.
bool parse_number(const std::string &word, unsigned long long &value)
{
    if (word.empty() || word[0] == '-' || word[0] == '+')
        return false;
    errno = 0;
    char *end = nullptr;
    value = std::strtoull(word.c_str(), &end, 0);
    return errno == 0 && end != word.c_str() && *end == '\0';
}

bool parse_hex(const std::string &word, bytes &out)
{
    if (word.size() % 2 != 0)
        return false;
    out.clear();
    out.reserve(word.size() / 2);
    for (std::size_t i = 0; i < word.size(); i += 2) {
        unsigned value = 0;
        for (std::size_t j = i; j < i + 2; ++j) {
            char c = word[j];
            unsigned digit;
            if (c >= '0' && c <= '9')
                digit = static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<unsigned>(c - 'a' + 10);
            else
                return false;
            value = value * 16 + digit;
        }
        out.push_back(static_cast<unsigned char>(value));
    }
    return true;
}

// Fields that each kind carries after the node and the kind.
bool parse_fields(event &e, const std::vector<std::string> &args, std::string &why)
{
    unsigned long long a = 0, b = 0, c = 0;
    auto need = [&](std::size_t count) {
        if (args.size() != count) {
            why = e.kind + " needs " + std::to_string(count) + " fields";
            return false;
        }
        return true;
    };
    if (e.kind == "claim" || e.kind == "claim-refused" || e.kind == "release") {
        if (!need(1) || !parse_number(args[0], a)) {
            why = "bad interface";
            return false;
        }
        e.interface = static_cast<unsigned>(a);
    } else if (e.kind == "bulk") {
        if (!need(3) || !parse_number(args[0], a) || !parse_number(args[1], b) ||
            !parse_hex(args[2], e.data)) {
            why = "bad bulk fields";
            return false;
        }
        e.endpoint = static_cast<unsigned>(a);
        e.length = static_cast<std::size_t>(b);
        if (e.data.size() != e.length) {
            why = "bulk length does not match its data";
            return false;
        }
    } else if (e.kind == "bulk-failed") {
        if (!need(3) || !parse_number(args[0], a) || !parse_number(args[1], b) ||
            !parse_number(args[2], c)) {
            why = "bad bulk-failed fields";
            return false;
        }
        e.endpoint = static_cast<unsigned>(a);
        e.length = static_cast<std::size_t>(b);
        e.error = static_cast<int>(c);
    } else if (e.kind == "bulk-in") {
        if (!need(2) || !parse_number(args[0], a) || !parse_number(args[1], b)) {
            why = "bad bulk-in fields";
            return false;
        }
        e.endpoint = static_cast<unsigned>(a);
        e.length = static_cast<std::size_t>(b);
    }
    // Other kinds keep their fields in detail only.
    return true;
}

bool header_tail_clear(const bytes &p)
{
    for (std::size_t i = 9; i < HEADER_SIZE; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

// Checks one frame packet against the header that its position needs.
void check_frame_header(transfer &t, std::size_t index, const bytes &p)
{
    auto complain = [&](const std::string &what) {
        t.bad_header = true;
        t.problems.push_back("packet " + std::to_string(index) + ": " + what);
    };
    if (p.size() != FRAME_PACKET_SIZE) {
        complain("length " + std::to_string(p.size()) + ", not 272");
        return;
    }
    if (t.mode == transfer_mode::flashing && index == 1) {
        for (unsigned char b : p)
            if (b != 0) {
                complain("the flashing mode's second packet is not all zero");
                return;
            }
        return;
    }
    unsigned char type = 0, count = 1, number = 1, b7 = 1, b8 = 0;
    switch (t.mode) {
    case transfer_mode::static_frame:
        type = static_cast<unsigned char>(0x10 + index);
        break;
    case transfer_mode::flashing:
        type = 0x10;
        b7 = 0;
        b8 = 0xFF;
        break;
    case transfer_mode::rolling:
        type = 0x40;
        count = static_cast<unsigned char>(t.expected_packets);
        number = static_cast<unsigned char>(index + 1);
        b8 = 0xFF;
        break;
    default:
        return;
    }
    if (p[0] != MAGIC_0 || p[1] != MAGIC_1)
        complain("bad magic");
    if (p[2] != type)
        complain("type byte " + std::to_string(p[2]) + ", expected " + std::to_string(type));
    if (p[3] != 0x80)
        complain("byte 3 is not 0x80");
    if (p[4] != count)
        complain("packet count byte " + std::to_string(p[4]) + ", expected " + std::to_string(count));
    if (p[5] != number)
        complain("packet number byte " + std::to_string(p[5]) + ", expected " +
                 std::to_string(number));
    if (p[6] != 0)
        complain("byte 6 is not 0");
    if (p[7] != b7)
        complain("byte 7 is " + std::to_string(p[7]) + ", expected " + std::to_string(b7));
    if (p[8] != b8)
        complain("byte 8 is " + std::to_string(p[8]) + ", expected " + std::to_string(b8));
    if (!header_tail_clear(p))
        complain("header bytes 9-15 are not zero");
}

// Copies the pixels of packet p into the picture: the packet holds rows
// r0..r0+15 and columns c0..c0+127, each band byte one column of 8 rows.
void unpack_packet(transfer &t, const bytes &packet, unsigned r0, unsigned c0)
{
    if (packet.size() != FRAME_PACKET_SIZE)
        return;
    for (unsigned band = 0; band < 2; ++band) {
        for (unsigned m = 0; m < BAND_SIZE; ++m) {
            unsigned char value = packet[HEADER_SIZE + band * BAND_SIZE + m];
            unsigned column = c0 + 127 - m;
            for (unsigned k = 0; k < 8; ++k) {
                unsigned row = r0 + band * 8 + k;
                if (row < t.height && column < t.width && (value >> k) & 1)
                    t.picture[row][column] = '#';
            }
        }
    }
}

bool is_command(const bytes &p)
{
    return p.size() == COMMAND_PACKET_SIZE;
}

// What the first packet of a transfer announces: its mode and how many
// packets belong to it.
void classify(transfer &t, const bytes &first)
{
    if (is_command(first)) {
        t.mode = transfer_mode::command;
        t.expected_packets = 1;
        return;
    }
    if (first.size() != FRAME_PACKET_SIZE || first[0] != MAGIC_0 || first[1] != MAGIC_1) {
        t.mode = transfer_mode::unknown;
        t.expected_packets = 1;
        return;
    }
    if (first[2] == 0x10 && first[7] == 0 && first[8] == 0xFF) {
        t.mode = transfer_mode::flashing;
        t.expected_packets = 2;
    } else if (first[2] == 0x10) {
        t.mode = transfer_mode::static_frame;
        t.expected_packets = 2;
    } else if (first[2] == 0x40) {
        t.mode = transfer_mode::rolling;
        t.expected_packets = first[4] != 0 ? first[4] : 1;
    } else {
        t.mode = transfer_mode::unknown;
        t.expected_packets = 1;
    }
}

}  // namespace

const char *mode_name(transfer_mode mode)
{
    switch (mode) {
    case transfer_mode::command:
        return "command";
    case transfer_mode::static_frame:
        return "static";
    case transfer_mode::flashing:
        return "flashing";
    case transfer_mode::rolling:
        return "rolling";
    case transfer_mode::unknown:
        break;
    }
    return "unknown";
}

std::string to_hex(const bytes &data)
{
    static const char DIGITS[] = "0123456789abcdef";
    std::string out;
    out.reserve(data.size() * 2);
    for (unsigned char b : data) {
        out.push_back(DIGITS[b >> 4]);
        out.push_back(DIGITS[b & 15]);
    }
    return out;
}

bool parse_log(std::string_view text, std::vector<event> &events, std::string &error)
{
    events.clear();
    std::size_t line_number = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++line_number;
        if (line.empty())
            continue;
        std::vector<std::string> words = split_words(line);
        event e;
        unsigned long long time = 0;
        std::string why;
        if (words.size() < 3 || !parse_number(words[0], time)) {
            why = "expected TIME NODE KIND";
        } else {
            e.time_us = static_cast<long long>(time);
            e.node = words[1];
            e.kind = words[2];
            std::vector<std::string> args(words.begin() + 3, words.end());
            for (std::size_t i = 0; i < args.size(); ++i)
                e.detail += (i ? " " : "") + args[i];
            parse_fields(e, args, why);
        }
        if (!why.empty()) {
            error = "line " + std::to_string(line_number) + ": " + why;
            return false;
        }
        events.push_back(std::move(e));
    }
    return true;
}

bool parse_log_file(const std::string &path, std::vector<event> &events, std::string &error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parse_log(text.str(), events, error);
}

transfer decode_packets(const std::vector<bytes> &packets)
{
    transfer t;
    t.packets = packets;
    if (packets.empty()) {
        t.wrong_count = true;
        t.problems.push_back("no packets");
        return t;
    }
    classify(t, packets.front());
    switch (t.mode) {
    case transfer_mode::command: {
        const bytes &p = packets.front();
        static const unsigned char EXPECTED[16] = {0x55, 0xAA, 0x20, 0, 0, 0, 1, 0,
                                                   0,    0,    0,    0, 0, 0, 0, 0};
        for (std::size_t i = 0; i < 16; ++i)
            if (p[i] != EXPECTED[i]) {
                t.bad_header = true;
                t.problems.push_back("command byte " + std::to_string(i) + " is " +
                                     std::to_string(p[i]));
            }
        t.command_byte = p[16];
        if (t.command_byte != 0xAF && t.command_byte != 0xAE) {
            t.bad_header = true;
            t.problems.push_back("unknown command " + std::to_string(t.command_byte));
        }
        break;
    }
    case transfer_mode::static_frame:
        t.width = DISPLAY_WIDTH;
        t.height = DISPLAY_HEIGHT;
        break;
    case transfer_mode::flashing:
        t.width = DISPLAY_WIDTH;
        t.height = DISPLAY_HEIGHT / 2;
        break;
    case transfer_mode::rolling:
        if (t.expected_packets % 2 != 0 || t.expected_packets > MAX_ROLLING_PACKETS) {
            t.bad_header = true;
            t.problems.push_back("rolling packet count " + std::to_string(t.expected_packets) +
                                 " is not an even number up to 28");
        }
        t.width = static_cast<unsigned>(t.expected_packets / 2) * DISPLAY_WIDTH;
        t.height = DISPLAY_HEIGHT;
        break;
    case transfer_mode::unknown:
        t.bad_header = true;
        t.problems.push_back("first packet (" + std::to_string(packets.front().size()) +
                             " bytes) is neither a command nor a frame packet");
        break;
    }
    if (packets.size() != t.expected_packets) {
        t.wrong_count = true;
        t.problems.push_back(std::to_string(packets.size()) + " packets, expected " +
                             std::to_string(t.expected_packets));
    }
    if (t.mode == transfer_mode::command || t.mode == transfer_mode::unknown)
        return t;

    t.picture.assign(t.height, std::string(t.width, '.'));
    for (std::size_t p = 0; p < packets.size(); ++p) {
        check_frame_header(t, p, packets[p]);
        if (t.mode == transfer_mode::flashing && p > 0)
            continue;
        unpack_packet(t, packets[p], 16 * static_cast<unsigned>(p % 2),
                      DISPLAY_WIDTH * static_cast<unsigned>(p / 2));
    }
    return t;
}

std::vector<transfer> decode_transfers(const std::vector<event> &events)
{
    struct open_transfer {
        std::vector<bytes> packets;
        std::vector<std::size_t> indexes;
        std::size_t expected = 0;
        long long first = 0, last = 0;
        bool failed = false;
    };
    std::vector<transfer> done;
    std::map<std::string, open_transfer> open;

    auto finish = [&](const std::string &node) {
        auto it = open.find(node);
        if (it == open.end())
            return;
        transfer t = decode_packets(it->second.packets);
        t.node = node;
        t.events = it->second.indexes;
        t.first_time_us = it->second.first;
        t.last_time_us = it->second.last;
        if (it->second.failed) {
            t.failed = true;
            t.problems.push_back("a write failed after " + std::to_string(t.packets.size()) +
                                 " packets");
        }
        done.push_back(std::move(t));
        open.erase(it);
    };

    for (std::size_t i = 0; i < events.size(); ++i) {
        const event &e = events[i];
        if (e.kind == "bulk" && e.endpoint == LCM_ENDPOINT) {
            auto it = open.find(e.node);
            if (it != open.end() && it->second.packets.size() < it->second.expected &&
                e.data.size() == FRAME_PACKET_SIZE) {
                it->second.packets.push_back(e.data);
                it->second.indexes.push_back(i);
                it->second.last = e.time_us;
            } else {
                finish(e.node);
                transfer probe;
                classify(probe, e.data);
                open_transfer &o = open[e.node];
                o.packets.push_back(e.data);
                o.indexes.push_back(i);
                o.expected = probe.expected_packets;
                o.first = o.last = e.time_us;
            }
            if (open[e.node].packets.size() >= open[e.node].expected)
                finish(e.node);
        } else if (e.kind == "bulk-failed") {
            auto it = open.find(e.node);
            if (it != open.end())
                it->second.failed = true;
            finish(e.node);
        } else if (e.kind == "claim" || e.kind == "claim-refused" || e.kind == "release" ||
                   e.kind == "gone" || e.kind == "bulk" || e.kind == "bulk-in") {
            finish(e.node);
        }
    }
    // Transfers still open at the end of the record were cut short.
    while (!open.empty())
        finish(open.begin()->first);

    // Transfers of different nodes finish in any order; present them by
    // their first packet.
    std::stable_sort(done.begin(), done.end(), [](const transfer &a, const transfer &b) {
        return a.events.front() < b.events.front();
    });
    return done;
}

std::string draw_picture(const transfer &t)
{
    std::string out;
    if (t.picture.empty())
        return out;
    for (unsigned c0 = 0; c0 < t.width; c0 += DISPLAY_WIDTH) {
        unsigned c1 = std::min(t.width, c0 + DISPLAY_WIDTH);
        if (t.width > DISPLAY_WIDTH)
            out += "columns " + std::to_string(c0) + "-" + std::to_string(c1 - 1) + "\n";
        out += "\u250c";
        for (unsigned c = c0; c < c1; ++c)
            out += "\u2500";
        out += "\u2510\n";
        for (unsigned r = 0; r < t.height; r += 2) {
            out += "\u2502";
            for (unsigned c = c0; c < c1; ++c) {
                bool top = t.picture[r][c] == '#';
                bool bottom = r + 1 < t.height && t.picture[r + 1][c] == '#';
                out += top && bottom ? "\u2588" : top ? "\u2580" : bottom ? "\u2584" : " ";
            }
            out += "\u2502\n";
        }
        out += "\u2514";
        for (unsigned c = c0; c < c1; ++c)
            out += "\u2500";
        out += "\u2518\n";
    }
    return out;
}

std::string describe(const std::vector<event> &events)
{
    std::vector<transfer> transfers = decode_transfers(events);
    // The transfer whose last packet is event i is drawn after that event.
    std::map<std::size_t, const transfer *> drawn_after;
    for (const transfer &t : transfers)
        drawn_after[t.events.back()] = &t;

    std::string out;
    char line[160];
    for (std::size_t i = 0; i < events.size(); ++i) {
        const event &e = events[i];
        std::snprintf(line, sizeof line, "%10.3f ms  %s  %s", static_cast<double>(e.time_us) / 1000.0,
                      e.node.c_str(), e.kind.c_str());
        out += line;
        if (e.kind == "bulk") {
            std::snprintf(line, sizeof line, "  endpoint 0x%02x, %zu bytes\n", e.endpoint, e.length);
            out += line;
            for (std::size_t off = 0; off < e.data.size(); off += 16) {
                std::snprintf(line, sizeof line, "      %04zx:", off);
                out += line;
                for (std::size_t j = off; j < e.data.size() && j < off + 16; ++j) {
                    std::snprintf(line, sizeof line, " %02x", e.data[j]);
                    out += line;
                }
                out += "\n";
            }
        } else {
            if (!e.detail.empty())
                out += "  " + e.detail;
            out += "\n";
        }
        auto it = drawn_after.find(i);
        if (it == drawn_after.end())
            continue;
        const transfer &t = *it->second;
        out += "    => " + std::string(mode_name(t.mode));
        if (t.mode == transfer_mode::command) {
            out += t.command_byte == 0xAF ? " display on" : t.command_byte == 0xAE ? " display off" : "";
        } else if (t.width != 0) {
            out += " frame " + std::to_string(t.width) + "x" + std::to_string(t.height);
        }
        out += ", " + std::to_string(t.packets.size()) + " packet(s)\n";
        for (const std::string &problem : t.problems)
            out += "    !! " + problem + "\n";
        out += draw_picture(t);
    }
    return out;
}

}  // namespace vdisplay

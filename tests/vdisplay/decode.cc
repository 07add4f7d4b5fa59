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

constexpr unsigned LCM_ENDPOINT = 2;

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
    if (e.kind == "claim" || e.kind == "claim-refused" || e.kind == "release" ||
        e.kind == "release-refused" || e.kind == "freed") {
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

}  // namespace

const char *mode_name(transfer_mode mode)
{
    return lcm_mode_name(mode);
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
    const lcm_transfer decoded = lcm_unpack(packets);
    transfer t;
    t.packets = packets;
    t.mode = decoded.mode;
    t.expected_packets = decoded.expected_packets;
    t.command_byte = decoded.command_byte;
    t.width = decoded.width;
    t.height = decoded.height;
    t.bad_header = decoded.bad_header;
    t.wrong_count = decoded.wrong_count;
    t.problems = decoded.problems;
    for (unsigned row = 0; row < t.height; ++row) {
        std::string line(t.width, '.');
        for (unsigned column = 0; column < t.width; ++column)
            if (decoded.pixels[static_cast<std::size_t>(row) * t.width + column])
                line[column] = '#';
        t.picture.push_back(line);
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
                lcm_mode mode;
                std::size_t expected = 0;
                lcm_announced(e.data, mode, expected);
                open_transfer &o = open[e.node];
                o.packets.push_back(e.data);
                o.indexes.push_back(i);
                o.expected = expected;
                o.first = o.last = e.time_us;
            }
            if (open[e.node].packets.size() >= open[e.node].expected)
                finish(e.node);
        } else if (e.kind == "bulk-failed") {
            auto it = open.find(e.node);
            if (it != open.end())
                it->second.failed = true;
            finish(e.node);
        } else if (e.kind == "claim" || e.kind == "release" || e.kind == "freed" ||
                   e.kind == "gone" || e.kind == "bulk" || e.kind == "bulk-in") {
            // A claim refused to another client leaves the holder's transfer
            // going.
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

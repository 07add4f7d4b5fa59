#ifndef LIDGLOW_E2E_HARNESS_H
#define LIDGLOW_E2E_HARNESS_H

// Runs the real lidglow binary on vdisplay's emulated displays and collects
// what came out: exit status, standard output and error, the device events
// and the transfers decoded from them.
//
// Each run gets a fresh temporary directory, which is also the working
// directory of the command, and which is removed when the run is over. The
// token @TMP@ in vdisplay options, lidglow arguments and scripts stands for
// that directory; scripts also find it in $E2E_TMPDIR.

#include "decode.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace e2e {

struct run_result {
    int status = -1;  // the command's exit status, 128 + signal if killed
    std::string out;
    std::string err;
    std::string log;  // vdisplay's record as written
    std::vector<vdisplay::event> events;
    std::vector<vdisplay::transfer> transfers;
    std::vector<std::string> syslog;  // one record a line, when --syslog was given
    bool timed_out = false;
    double elapsed_ms = 0;
    std::string harness_error;  // set when the run or the record could not be read

    // The events of one kind, in order.
    std::vector<vdisplay::event> of_kind(std::string_view kind) const;
    // The events that the program's own requests cause once it has opened the
    // display: claims, releases and writes (no scans, opens or closes).
    std::vector<vdisplay::event> device_events() const;
    // The payloads of the successful bulk writes, in order.
    std::vector<vdisplay::bytes> writes() const;
    // A summary for failure messages.
    std::string summary() const;
};

// The binaries under test, from LIDGLOW_BIN and VDISPLAY_BIN (the build
// passes them; the paths of this build are the fallback).
std::string lidglow_bin();
std::string vdisplay_bin();
std::string preview_bin();

// vdisplay <vdisplay_options> --log <tmp>/events.log -- $LIDGLOW_BIN <args>
run_result run_lidglow(const std::vector<std::string> &vdisplay_options,
                       const std::vector<std::string> &args, std::string_view stdin_data = "");

// vdisplay <vdisplay_options> --log <tmp>/events.log -- sh -c <script>, with
// $LIDGLOW and $LIDGLOW_PREVIEW naming the binaries under test.
run_result run_script(const std::vector<std::string> &vdisplay_options, const std::string &script,
                      std::string_view stdin_data = "");

// vdisplay <vdisplay_options> --log <tmp>/events.log -- sh <script> <args>,
// where script is the file of that name in tests/e2e/scripts/, with the
// environment of run_script and the variables of env besides.
run_result run_script_file(const std::vector<std::string> &vdisplay_options, const std::string &script,
                           const std::vector<std::string> &args,
                           const std::vector<std::pair<std::string, std::string>> &env = {});

// The prefix for a script line that runs its command as nobody, with no
// other group: setpriv for root, nothing for anyone else, who is
// unprivileged already. Such runs need vdisplay's --shared.
std::string unprivileged_prefix();

// What this machine does not allow that a test needs. skip names the limit
// and the way round it; fault is a failure that no such limit explains.
// Both empty: nothing is in the way.
struct environment_check {
    std::string skip;
    std::string fault;
};

// Whether nobody, as whom root's unprivileged runs are made, can run the
// binaries under test: a tree in a directory that only root may enter
// (a clone in /root) keeps them out of its reach.
const environment_check &unprivileged_runs();

// Whether vdisplay can capture syslog records: it needs a mount namespace
// of its own (root, or a user namespace) in which / is a mount point.
const environment_check &syslog_capture();

// Skips the test when the check names a limit of the machine, and fails it
// when something else is wrong.
#define E2E_REQUIRE(check)                        \
    do {                                          \
        const e2e::environment_check &c_ = check; \
        if (!c_.fault.empty())                    \
            FAIL() << c_.fault;                   \
        if (!c_.skip.empty())                     \
            GTEST_SKIP() << c_.skip;              \
    } while (0)

// The nodes in the order libusb 0.1 lists them for a layout of displays.
std::vector<std::string> libusb_order(const std::vector<std::string> &layout_options);

// The gaps in microseconds between consecutive events of the list.
std::vector<long long> gaps_us(const std::vector<vdisplay::event> &events);

}  // namespace e2e

#endif

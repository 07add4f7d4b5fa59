#include "harness.h"

#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "base/fd_closer.h"

namespace e2e {

namespace {

// A run that takes longer than this is stuck; it is stopped and reported.
constexpr int RUN_TIMEOUT_MS = 60000;
constexpr int KILL_GRACE_MS = 5000;
constexpr const char *TMP_TOKEN = "@TMP@";

int remove_entry(const char *path, const struct stat *, int, struct FTW *)
{
    return remove(path);
}

// The per-run directory, removed with everything in it.
struct temp_dir {
    std::string path;
    temp_dir()
    {
        const char *base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base ? base : "/tmp") + "/lidglow-e2e.XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()) != nullptr)
            path = buffer.data();
    }
    ~temp_dir()
    {
        if (!path.empty())
            nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
    }
    temp_dir(const temp_dir &) = delete;
    temp_dir &operator=(const temp_dir &) = delete;
};

std::string expand(const std::string &text, const std::string &tmp)
{
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t at = text.find(TMP_TOKEN, pos);
        if (at == std::string::npos)
            break;
        out += text.substr(pos, at - pos) + tmp;
        pos = at + std::strlen(TMP_TOKEN);
    }
    return out + text.substr(pos);
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string from_env(const char *name, const char *fallback)
{
    const char *value = std::getenv(name);
    return value != nullptr && *value ? value : fallback;
}

struct process_output {
    int status = -1;
    std::string out, err;
    bool timed_out = false;
    std::string error;
};

// Runs argv with the given extra environment in directory cwd, feeding
// stdin_data and collecting both output streams.
process_output run_process(const std::vector<std::string> &argv,
                           const std::vector<std::pair<std::string, std::string>> &env,
                           const std::string &cwd, std::string_view stdin_data)
{
    process_output result;
    int in_pipe[2], out_pipe[2], err_pipe[2];
    if (pipe2(in_pipe, O_CLOEXEC) != 0 || pipe2(out_pipe, O_CLOEXEC) != 0 ||
        pipe2(err_pipe, O_CLOEXEC) != 0) {
        result.error = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    fd_closer in_w{in_pipe[1]}, out_r{out_pipe[0]}, err_r{err_pipe[0]};
    std::vector<char *> args;
    std::vector<std::string> copy = argv;
    for (std::string &a : copy)
        args.push_back(&a[0]);
    args.push_back(nullptr);

    pid_t pid = fork();
    if (pid == 0) {
        dup2(in_pipe[0], 0);
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        for (const auto &e : env)
            setenv(e.first.c_str(), e.second.c_str(), 1);
        if (chdir(cwd.c_str()) != 0)
            _exit(124);
        signal(SIGPIPE, SIG_DFL);
        execv(args[0], args.data());
        _exit(127);
    }
    close(in_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    if (pid < 0) {
        result.error = std::string("fork: ") + std::strerror(errno);
        return result;
    }

    // A command that never reads its input must not make the run fail.
    signal(SIGPIPE, SIG_IGN);
    fcntl(in_w.fd, F_SETFL, O_NONBLOCK);
    std::size_t written = 0;
    if (stdin_data.empty())
        in_w.reset();
    auto start = std::chrono::steady_clock::now();
    bool killed = false;
    while (out_r.fd >= 0 || err_r.fd >= 0) {
        struct pollfd fds[3] = {{out_r.fd, POLLIN, 0}, {err_r.fd, POLLIN, 0}, {in_w.fd, POLLOUT, 0}};
        int elapsed = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - start)
                                           .count());
        int limit = killed ? RUN_TIMEOUT_MS + KILL_GRACE_MS : RUN_TIMEOUT_MS;
        if (elapsed >= limit) {
            if (killed) {
                kill(pid, SIGKILL);
                break;
            }
            result.timed_out = true;
            killed = true;
            kill(pid, SIGTERM);
            continue;
        }
        if (poll(fds, 3, limit - elapsed) < 0 && errno != EINTR)
            break;
        char buffer[65536];
        for (int i = 0; i < 2; ++i) {
            fd_closer &fd = i == 0 ? out_r : err_r;
            if (fd.fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            ssize_t n = read(fd.fd, buffer, sizeof buffer);
            if (n > 0)
                (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR)
                fd.reset();
        }
        if (in_w.fd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t n = write(in_w.fd, stdin_data.data() + written, stdin_data.size() - written);
            if (n > 0)
                written += static_cast<std::size_t>(n);
            if ((n < 0 && errno != EAGAIN) || written == stdin_data.size())
                in_w.reset();
        }
    }
    in_w.reset();
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

run_result run_vdisplay(const std::vector<std::string> &vdisplay_options,
                        const std::vector<std::string> &command, std::string_view stdin_data,
                        const std::vector<std::pair<std::string, std::string>> &extra_env = {})
{
    run_result result;
    temp_dir tmp;
    if (tmp.path.empty()) {
        result.harness_error = std::string("mkdtemp: ") + std::strerror(errno);
        return result;
    }
    std::string log_path = tmp.path + "/events.log";
    std::vector<std::string> argv = {vdisplay_bin()};
    std::string syslog_path;
    for (std::size_t i = 0; i < vdisplay_options.size(); ++i) {
        argv.push_back(expand(vdisplay_options[i], tmp.path));
        if (vdisplay_options[i] == "--syslog" && i + 1 < vdisplay_options.size())
            syslog_path = expand(vdisplay_options[i + 1], tmp.path);
    }
    argv.insert(argv.end(), {"--log", log_path, "--"});
    for (const std::string &c : command)
        argv.push_back(expand(c, tmp.path));

    auto start = std::chrono::steady_clock::now();
    std::vector<std::pair<std::string, std::string>> env = {
        {"LIDGLOW", lidglow_bin()}, {"LIDGLOW_PREVIEW", preview_bin()}, {"E2E_TMPDIR", tmp.path}};
    env.insert(env.end(), extra_env.begin(), extra_env.end());
    process_output p = run_process(argv, env, tmp.path, stdin_data);
    result.elapsed_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    result.status = p.status;
    result.out = std::move(p.out);
    result.err = std::move(p.err);
    result.timed_out = p.timed_out;
    result.harness_error = p.error;

    result.log = read_file(log_path);
    std::string error;
    if (!vdisplay::parse_log(result.log, result.events, error) && result.harness_error.empty())
        result.harness_error = "unreadable record: " + error;
    result.transfers = vdisplay::decode_transfers(result.events);
    if (!syslog_path.empty()) {
        std::istringstream lines(read_file(syslog_path));
        std::string line;
        while (std::getline(lines, line))
            result.syslog.push_back(line);
    }
    return result;
}

}  // namespace

std::string lidglow_bin()
{
    return from_env("LIDGLOW_BIN", LIDGLOW_BIN_DEFAULT);
}

std::string vdisplay_bin()
{
    return from_env("VDISPLAY_BIN", VDISPLAY_BIN_DEFAULT);
}

std::string preview_bin()
{
    return from_env("LIDGLOW_PREVIEW_BIN", LIDGLOW_PREVIEW_BIN_DEFAULT);
}

std::vector<vdisplay::event> run_result::of_kind(std::string_view kind) const
{
    std::vector<vdisplay::event> out;
    for (const vdisplay::event &e : events)
        if (e.kind == kind)
            out.push_back(e);
    return out;
}

std::vector<vdisplay::event> run_result::device_events() const
{
    std::vector<vdisplay::event> out;
    for (const vdisplay::event &e : events)
        if (e.kind == "claim" || e.kind == "claim-refused" || e.kind == "release" ||
            e.kind == "bulk" || e.kind == "bulk-failed" || e.kind == "bulk-in")
            out.push_back(e);
    return out;
}

std::vector<vdisplay::bytes> run_result::writes() const
{
    std::vector<vdisplay::bytes> out;
    for (const vdisplay::event &e : events)
        if (e.kind == "bulk")
            out.push_back(e.data);
    return out;
}

std::string run_result::summary() const
{
    std::string s = "status " + std::to_string(status) + (timed_out ? " (timed out)" : "") + "\n";
    if (!harness_error.empty())
        s += "harness: " + harness_error + "\n";
    s += "stdout: [" + out + "]\nstderr: [" + err + "]\nevents:\n";
    for (const vdisplay::event &e : events) {
        s += "  " + std::to_string(e.time_us) + " " + e.node + " " + e.kind;
        if (e.kind == "bulk")
            s += " " + std::to_string(e.length) + " bytes";
        else if (!e.detail.empty())
            s += " " + e.detail;
        s += "\n";
    }
    return s;
}

run_result run_lidglow(const std::vector<std::string> &vdisplay_options,
                       const std::vector<std::string> &args, std::string_view stdin_data)
{
    std::vector<std::string> command = {lidglow_bin()};
    command.insert(command.end(), args.begin(), args.end());
    return run_vdisplay(vdisplay_options, command, stdin_data);
}

run_result run_script(const std::vector<std::string> &vdisplay_options, const std::string &script,
                      std::string_view stdin_data)
{
    return run_vdisplay(vdisplay_options, {"/bin/sh", "-c", script}, stdin_data);
}

run_result run_script_file(const std::vector<std::string> &vdisplay_options, const std::string &script,
                           const std::vector<std::string> &args,
                           const std::vector<std::pair<std::string, std::string>> &env)
{
    std::vector<std::string> command = {"/bin/sh", std::string(E2E_SCRIPTS_DIR) + "/" + script};
    command.insert(command.end(), args.begin(), args.end());
    return run_vdisplay(vdisplay_options, command, "", env);
}

std::string unprivileged_prefix()
{
    return geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
}

const environment_check &unprivileged_runs()
{
    static const environment_check check = [] {
        environment_check c;
        if (geteuid() != 0)
            return c;
        if (access("/usr/bin/setpriv", X_OK) != 0) {
            c.skip = "running as nobody needs setpriv: install util-linux, or run the tests as an "
                     "ordinary user";
            return c;
        }
        const std::string decoder =
            lidglow_bin().substr(0, lidglow_bin().rfind('/') + 1) + LIDGLOW_DECODER_RELATIVE_PATH;
        const process_output p = run_process(
            {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "/bin/sh", "-c",
             "test -x \"$0\" && test -x \"$1\"", lidglow_bin(), decoder},
            {}, "/", "");
        if (p.status != 0)
            c.skip = "nobody (uid 65534), as whom root's unprivileged runs are made, cannot reach " +
                     lidglow_bin() + " or " + decoder +
                     ": run the tests from a tree that every user may enter (a clone outside /root, "
                     "or chmod o+x on the directories above it), or as an ordinary user";
        return c;
    }();
    return check;
}

const environment_check &syslog_capture()
{
    static const environment_check check = [] {
        environment_check c;
        const run_result r = run_vdisplay({"--syslog", "@TMP@/syslog"}, {"/bin/true"}, "");
        if (r.status == 0 && r.harness_error.empty())
            return c;
        std::string problem = r.harness_error.empty() ? r.err : r.harness_error;
        while (!problem.empty() && problem.back() == '\n')
            problem.pop_back();
        if (problem.empty())
            problem = "vdisplay --syslog failed with status " + std::to_string(r.status);
        // vdisplay names the step that failed.
        if (problem.find("(making / private)") != std::string::npos)
            c.skip = "syslog capture needs / to be a mount point, and here it is not (a chroot?): "
                     "bind-mount the chroot's directory onto itself before entering it, or run the tests "
                     "outside it (" + problem + ")";
        else if (problem.find("(unshare with a user namespace)") != std::string::npos)
            c.skip = "syslog capture needs a mount namespace, which takes root's privilege or a user "
                     "namespace, and here there is neither: run the tests as root, or allow user "
                     "namespaces (sysctl kernel.unprivileged_userns_clone=1, user.max_user_namespaces) (" +
                     problem + ")";
        else
            c.fault = "syslog capture fails: " + problem;
        return c;
    }();
    return check;
}

std::vector<std::string> libusb_order(const std::vector<std::string> &layout_options)
{
    std::vector<std::string> argv = {vdisplay_bin()};
    argv.insert(argv.end(), layout_options.begin(), layout_options.end());
    argv.push_back("--libusb-order");
    temp_dir tmp;
    process_output p = run_process(argv, {}, tmp.path.empty() ? "/" : tmp.path, "");
    std::vector<std::string> nodes;
    std::istringstream lines(p.out);
    std::string line;
    while (std::getline(lines, line))
        nodes.push_back(line);
    return nodes;
}

std::vector<long long> gaps_us(const std::vector<vdisplay::event> &events)
{
    std::vector<long long> gaps;
    for (std::size_t i = 1; i < events.size(); ++i)
        gaps.push_back(events[i].time_us - events[i - 1].time_us);
    return gaps;
}

}  // namespace e2e

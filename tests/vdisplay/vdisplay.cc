// vdisplay: runs a command against emulated USB displays.
//
// A umockdev test bed holds one usbfs node per emulated display; the
// preload library sends the usbfs requests of every process under the test
// bed (the command and all its descendants) to the handler below, which
// records them and answers the way the kernel answers for a healthy or, on
// request, a failing device. The command runs with UMOCKDEV_DIR and
// VDISPLAY_ROOT naming the test bed, the preload in LD_PRELOAD, and
// verify_asan_link_order=0 added to ASAN_OPTIONS. vdisplay exits with the
// command's status (128 + signal when it was killed), 125 for its own
// failures, 126/127 when the command cannot be run.
//
// Layout: each --display adds a node on the current bus (--bus N, default
// 1), numbered 002, 003, ... per bus in the order given. --none leaves an
// empty bus 001, so that libusb looks nowhere but the test bed. The
// behaviour options apply to every display.
//
// Record, one line per event, the time in microseconds since vdisplay
// started (monotonic), taken when the request arrives:
//   T NODE open | close            an open or close of the node (inotify)
//   T NODE connectinfo DEVNUM      libusb's scan; answered with the number
//   T NODE usbfs-ioctl IFNO 0xCODE libusb's hub query; refused with ENOTTY
//   T NODE claim IFACE | claim-refused IFACE | release IFACE
//   T NODE release-refused IFACE   a release by a file that holds no claim
//   T NODE freed IFACE             the holder's claim ended with its file,
//                                  recorded when the next claim is made
//   T NODE bulk 0xEP LEN HEX       a write that reached the display
//   T NODE bulk-failed 0xEP LEN ERRNO
//   T NODE bulk-in 0xEP LEN        a read, completed with no data
//   T NODE urb-unsupported TYPE 0xEP LEN
//   T NODE discard | fault 0xREQ | ioctl-unknown 0xREQ (answered ENOTTY)
//   T NODE gone                    the node was taken away
//
// A node that is gone is replaced by a socket file: opening it fails with
// ENXIO, libusb's scan passes it over, and requests on handles still open
// fail with ENODEV. Note that Debian's libusb 0.1.12 ignores a failed open
// in usb_open and returns a handle without a file; its claim then fails
// with EBADF before it reaches vdisplay.
//   --no-open: the node is gone as soon as libusb's scan has asked for its
//     connection info, so the scan lists it and every later open fails.
//   --vanish-after N: the node is gone when the client that made the N-th
//     successful claim of interface 0 releases it, before the release
//     returns; a client that closes without releasing does not trigger it.
//   --fail-write K: the K-th bulk URB of the run, counted over all nodes,
//     fails at submission with ENODEV.
//   --claim-busy: every claim fails with EBUSY.
//   --kernel-driver NAME: the driver query for interface 0 names NAME, as
//     when a kernel driver such as uhid holds it; by default it answers
//     ENODATA, no driver.
//   --write-result K:R: the K-th usb_bulk_write call of each process
//     returns R at once, without reaching the display and with errno left
//     as it was, as FreeBSD's libusb does. A preloaded shim does this, so
//     such a write leaves no record.
//
// As in the kernel, interface 0 belongs to one open file at a time: a claim
// through any other file, of the same process or another, fails with
// EBUSY, and the driver query names "usbfs" while it is held. The claim
// ends with a release by its holder, or with the last close of the
// holder's file, which includes the end of its process. umockdev does not
// tell of closes, so a shim preloaded into the command mirrors each claim
// as a lock that the kernel drops on those same occasions (claim_shim.cc).
//
// --syslog: glibc's syslog() connects to /dev/log through an internal call
// that the preload cannot see, so the command runs in a private mount
// namespace in which /dev/log is a datagram socket of vdisplay (bound at
// VDISPLAY_ROOT/dev/log, where the preload sends /dev/log too). Without a
// /dev/log on the host, a tmpfs on /dev provides the mount point. This
// needs CAP_SYS_ADMIN; without it vdisplay makes the mounts in a user
// namespace of the command's own, where the system allows one, with the
// command's user and group mapped to themselves, so that the command runs
// with the same ids and no capabilities. When neither works vdisplay fails
// with status 125.
//
// --shared: the test bed and its nodes are open to every user, so that the
// command may run parts of itself as another user.
//
// vdisplay is a child subreaper: detached daemons become its children, are
// reaped as soon as they end, and whatever is still running when the
// command ends is killed, with a message on standard error.

#include "claim_lock.h"
#include "decode.h"

#include <umockdev.h>
#include <usb.h>

#include <linux/usbdevice_fs.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

extern char **environ;

namespace {

constexpr int STATUS_OWN_FAILURE = 125;
constexpr int STATUS_CANNOT_EXECUTE = 126;
constexpr int STATUS_NOT_FOUND = 127;
constexpr unsigned DEFAULT_VENDOR = 0x0B05;
constexpr unsigned DEFAULT_PRODUCT = 0x1726;
constexpr const char *PRELOAD_LIBRARY = "libumockdev-preload.so.0";
constexpr const char *INTERNAL_SCAN = "--internal-libusb-scan";
constexpr unsigned URB_TYPE_BULK = USBDEVFS_URB_TYPE_BULK;
constexpr unsigned ENDPOINT_IN = 0x80;

const char USAGE[] =
    "Usage: vdisplay [options] -- COMMAND [ARG...]\n"
    "       vdisplay [layout options] --libusb-order\n"
    "       vdisplay --show-log FILE\n"
    "Layout:\n"
    "  --display VID:PID   add a display with this identity (hex); repeatable.\n"
    "                      Displays are numbered 002, 003, ... on their bus.\n"
    "  --bus N             put the following --display devices on bus N (default 1)\n"
    "  --none              no device at all (an empty bus 001)\n"
    "  Without --display and --none: one display 0b05:1726 at 001/002.\n"
    "Behaviour of every display:\n"
    "  --claim-busy        every claim of an interface fails with EBUSY\n"
    "  --kernel-driver NAME  the driver query names NAME for interface 0\n"
    "  --write-result K:R  the K-th usb_bulk_write of each process returns R,\n"
    "                      errno untouched, without reaching the display\n"
    "  --fail-write K      the K-th bulk URB of the whole run fails with ENODEV\n"
    "  --no-open           listed by the first libusb scan, then gone: opening fails\n"
    "                      with ENXIO\n"
    "  --vanish-after N    gone once the client of the N-th claim of interface 0\n"
    "                      releases it\n"
    "Output:\n"
    "  --log FILE          write the event record to FILE\n"
    "  --syslog FILE       append every syslog(3) record of the command to FILE\n"
    "  --shared            let every user reach the test bed and open the displays\n"
    "  --show              print an account of what the displays received\n"
    "  --show-log FILE     print that account for an existing record and exit\n"
    "  --libusb-order      print the nodes in libusb 0.1's order and exit\n";

struct display_entry {
    unsigned vendor = DEFAULT_VENDOR;
    unsigned product = DEFAULT_PRODUCT;
    unsigned bus = 1;
    unsigned number = 2;
};

struct options {
    std::vector<display_entry> devices;
    bool none = false;
    bool claim_busy = false;
    std::string kernel_driver;  // empty: no driver attached
    std::string write_result;   // "K:R" for the shim, empty: none
    unsigned long fail_write = 0;    // 0: never
    unsigned long vanish_after = 0;  // 0: never
    bool no_open = false;
    bool shared = false;
    bool show = false;
    bool libusb_order = false;
    std::string log_path;
    std::string syslog_path;
    std::string show_log;
    std::vector<std::string> command;
};

struct device_state {
    display_entry entry;
    std::string node;      // "001/002"
    std::string bus_name;  // "001"
    std::string name;      // "002"
    std::string dev_path;  // "/dev/bus/usb/001/002"
    std::string file;      // the node inside the test bed
    int lock_probe = -1;   // the node, opened to see the claim shim's lock
    bool gone = false;
    unsigned long claims = 0;
    UMockdevIoctlClient *vanish_client = nullptr;  // referenced while held
    UMockdevIoctlClient *holder = nullptr;  // the claim of interface 0, referenced
    std::map<UMockdevIoctlClient *, std::deque<UMockdevIoctlData *>> pending;
    UMockdevIoctlBase *handler = nullptr;
};

// Everything the ioctl handler (on umockdev's worker thread) and the main
// thread share; the lock orders the record.
struct recorder {
    std::mutex lock;
    gint64 start_us = 0;
    FILE *log = nullptr;
    std::string text;
    const options *opts = nullptr;
    std::vector<std::unique_ptr<device_state>> devices;
    unsigned long bulk_count = 0;
    int inotify_fd = -1;
    std::map<int, std::string> watched_bus;  // watch descriptor -> "001"
};

recorder rec;

void fail(const char *format, ...) __attribute__((format(printf, 1, 2)));

void fail(const char *format, ...)
{
    std::fputs("vdisplay: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

std::string three_digits(unsigned n)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%03u", n);
    return buffer;
}

// Appends one line to the record; the caller holds rec.lock.
void record_locked(const std::string &node, const char *format, ...)
    __attribute__((format(printf, 2, 3)));

void record_locked(const std::string &node, const char *format, ...)
{
    char head[64];
    std::snprintf(head, sizeof head, "%lld ",
                  static_cast<long long>(g_get_monotonic_time() - rec.start_us));
    std::string line = head + node + " ";
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string tail(static_cast<std::size_t>(size > 0 ? size : 0) + 1, '\0');
    std::vsnprintf(&tail[0], tail.size(), format, args);
    va_end(args);
    tail.pop_back();
    line += tail + "\n";
    // Only --show needs the record in memory; long daemon runs would
    // otherwise keep growing it.
    if (rec.opts->show)
        rec.text += line;
    if (rec.log != nullptr) {
        std::fputs(line.c_str(), rec.log);
        std::fflush(rec.log);
    }
}

device_state *device_by_name(const std::string &bus, const std::string &name)
{
    for (auto &d : rec.devices)
        if (d->bus_name == bus && d->name == name)
            return d.get();
    return nullptr;
}

// Opens and closes of a node are seen through inotify, since umockdev does
// not tell when a client goes away. An event is queued before the syscall
// that caused it returns, so draining the queue before recording a request
// keeps each process's opens, requests and closes in order.
void drain_inotify_locked()
{
    if (rec.inotify_fd < 0)
        return;
    alignas(struct inotify_event) char buffer[4096];
    for (;;) {
        ssize_t n = read(rec.inotify_fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (char *p = buffer; p < buffer + n;) {
            auto *ev = reinterpret_cast<struct inotify_event *>(p);
            p += sizeof(struct inotify_event) + ev->len;
            if (ev->len == 0 || (ev->mask & IN_ISDIR))
                continue;
            auto bus = rec.watched_bus.find(ev->wd);
            if (bus == rec.watched_bus.end())
                continue;
            device_state *d = device_by_name(bus->second, ev->name);
            if (d == nullptr)
                continue;
            if (ev->mask & IN_OPEN)
                record_locked(d->node, "open");
            if (ev->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE))
                record_locked(d->node, "close");
        }
    }
}

// Replaces the node by a socket file: opening it then fails with ENXIO,
// and, unlike a missing node, the preload does not fall back to the host's
// /dev for it, so no real device can be reached instead.
bool make_gone_locked(device_state &d)
{
    if (d.gone)
        return true;
    std::string dir = d.file.substr(0, d.file.rfind('/'));
    std::string temp = dir + "/.gone-" + d.name;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    struct sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", temp.c_str());
    unlink(temp.c_str());
    bool ok = bind(fd, reinterpret_cast<struct sockaddr *>(&address), sizeof address) == 0 &&
              rename(temp.c_str(), d.file.c_str()) == 0;
    close(fd);
    if (!ok) {
        fail("cannot remove %s: %s", d.node.c_str(), std::strerror(errno));
        return false;
    }
    d.gone = true;
    record_locked(d.node, "gone");
    return true;
}

void complete(UMockdevIoctlClient *client, long result, int error)
{
    umockdev_ioctl_client_complete(client, result, error);
}

UMockdevIoctlData *resolve(UMockdevIoctlData *data, std::size_t offset, std::size_t length)
{
    GError *error = nullptr;
    UMockdevIoctlData *resolved = umockdev_ioctl_data_resolve(data, offset, length, &error);
    if (error != nullptr)
        g_error_free(error);
    return resolved;
}

void handle_claim(device_state &d, UMockdevIoctlClient *client, unsigned interface)
{
    const bool held_elsewhere = (interface & vdisplay::CLAIM_HELD_ELSEWHERE) != 0;
    interface &= ~vdisplay::CLAIM_HELD_ELSEWHERE;
    int refusal = 0;
    if (d.gone)
        refusal = ENODEV;
    else if (rec.opts->claim_busy)
        refusal = EBUSY;
    else if (interface != 0)
        refusal = EINVAL;  // the display has interface 0 only
    if (refusal != 0) {
        record_locked(d.node, "claim-refused %u", interface);
        complete(client, -1, refusal);
        return;
    }
    // The shim found the lock, so the claim, held by another file.
    if (held_elsewhere) {
        record_locked(d.node, "claim-refused %u", interface);
        complete(client, -1, EBUSY);
        return;
    }
    // The shim found the lock free, so the last holder's file has gone.
    if (d.holder != nullptr && d.holder != client) {
        record_locked(d.node, "freed %u", interface);
        g_object_unref(d.holder);
        d.holder = nullptr;
    }
    record_locked(d.node, "claim %u", interface);
    if (d.holder == nullptr)
        d.holder = static_cast<UMockdevIoctlClient *>(g_object_ref(client));
    ++d.claims;
    if (rec.opts->vanish_after != 0 && d.claims == rec.opts->vanish_after &&
        d.vanish_client == nullptr)
        d.vanish_client = static_cast<UMockdevIoctlClient *>(g_object_ref(client));
    complete(client, 0, 0);
}

void handle_release(device_state &d, UMockdevIoctlClient *client, unsigned interface)
{
    // The kernel refuses to release what this file has not claimed.
    if (client != d.holder || interface != 0) {
        record_locked(d.node, "release-refused %u", interface);
        complete(client, -1, EINVAL);
        return;
    }
    record_locked(d.node, "release %u", interface);
    g_object_unref(d.holder);
    d.holder = nullptr;
    bool was_gone = d.gone;
    // The node must be gone before the client can try to open it again.
    if (client == d.vanish_client && interface == 0)
        make_gone_locked(d);
    complete(client, was_gone ? -1 : 0, was_gone ? ENODEV : 0);
}

void handle_submit(device_state &d, UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    UMockdevIoctlData *urb_data = resolve(arg, 0, sizeof(struct usbdevfs_urb));
    if (urb_data == nullptr) {
        record_locked(d.node, "fault 0x%lx", static_cast<unsigned long>(USBDEVFS_SUBMITURB));
        complete(client, -1, EFAULT);
        return;
    }
    auto *urb = reinterpret_cast<struct usbdevfs_urb *>(urb_data->data);
    unsigned endpoint = urb->endpoint;
    std::size_t length = urb->buffer_length > 0 ? static_cast<std::size_t>(urb->buffer_length) : 0;
    if (urb->type != URB_TYPE_BULK) {
        record_locked(d.node, "urb-unsupported %u 0x%02x %zu", urb->type, endpoint, length);
        complete(client, -1, EINVAL);
        return;
    }
    ++rec.bulk_count;
    if (d.gone || rec.bulk_count == rec.opts->fail_write) {
        record_locked(d.node, "bulk-failed 0x%02x %zu %d", endpoint, length, ENODEV);
        complete(client, -1, ENODEV);
        return;
    }
    if (endpoint & ENDPOINT_IN) {
        // The display sends nothing back; an IN transfer completes empty.
        record_locked(d.node, "bulk-in 0x%02x %zu", endpoint, length);
        urb->actual_length = 0;
    } else {
        UMockdevIoctlData *buffer =
            length > 0 ? resolve(urb_data, offsetof(struct usbdevfs_urb, buffer), length) : nullptr;
        if (length > 0 && buffer == nullptr) {
            record_locked(d.node, "fault 0x%lx", static_cast<unsigned long>(USBDEVFS_SUBMITURB));
            complete(client, -1, EFAULT);
            return;
        }
        vdisplay::bytes data;
        if (buffer != nullptr)
            data.assign(buffer->data, buffer->data + length);
        record_locked(d.node, "bulk 0x%02x %zu %s", endpoint, length, vdisplay::to_hex(data).c_str());
        urb->actual_length = static_cast<int>(length);
    }
    urb->status = 0;
    d.pending[client].push_back(static_cast<UMockdevIoctlData *>(g_object_ref(urb_data)));
    complete(client, 0, 0);
}

// Whether some file holds the interface: the claim shim's lock is there.
bool claim_held(const device_state &d, unsigned interface)
{
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(interface);
    lock.l_len = 1;
    return d.lock_probe >= 0 && fcntl(d.lock_probe, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

void handle_getdriver(device_state &d, UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    UMockdevIoctlData *query = resolve(arg, 0, sizeof(struct usbdevfs_getdriver));
    if (query == nullptr) {
        record_locked(d.node, "fault 0x%lx", static_cast<unsigned long>(USBDEVFS_GETDRIVER));
        complete(client, -1, EFAULT);
        return;
    }
    auto *q = reinterpret_cast<struct usbdevfs_getdriver *>(query->data);
    // A claim through usbfs binds the interface to usbfs's own driver.
    const std::string driver = !rec.opts->kernel_driver.empty() ? rec.opts->kernel_driver
                               : claim_held(d, q->interface)     ? std::string("usbfs")
                                                                 : std::string();
    if (d.gone || driver.empty() || q->interface != 0) {
        record_locked(d.node, "getdriver %u -", q->interface);
        complete(client, -1, d.gone ? ENODEV : ENODATA);
        return;
    }
    record_locked(d.node, "getdriver %u %s", q->interface, driver.c_str());
    std::snprintf(q->driver, sizeof q->driver, "%s", driver.c_str());
    complete(client, 0, 0);
}

void handle_reap(device_state &d, UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    auto it = d.pending.find(client);
    if (it == d.pending.end() || it->second.empty()) {
        complete(client, -1, EAGAIN);
        return;
    }
    UMockdevIoctlData *urb_data = it->second.front();
    it->second.pop_front();
    umockdev_ioctl_data_set_ptr(arg, 0, urb_data);
    g_object_unref(urb_data);
    if (it->second.empty())
        d.pending.erase(it);
    complete(client, 0, 0);
}

void serve_locked(device_state &d, UMockdevIoctlClient *client)
{
    drain_inotify_locked();
    unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);

    switch (request) {
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE: {
        UMockdevIoctlData *value = resolve(arg, 0, sizeof(unsigned));
        if (value == nullptr) {
            record_locked(d.node, "fault 0x%lx", request);
            complete(client, -1, EFAULT);
            break;
        }
        unsigned interface = *reinterpret_cast<unsigned *>(value->data);
        if (request == USBDEVFS_CLAIMINTERFACE)
            handle_claim(d, client, interface);
        else
            handle_release(d, client, interface);
        break;
    }
    case USBDEVFS_SUBMITURB:
        handle_submit(d, client, arg);
        break;
    case USBDEVFS_GETDRIVER:
        handle_getdriver(d, client, arg);
        break;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        handle_reap(d, client, arg);
        break;
    case USBDEVFS_DISCARDURB:
        // Every URB completes at once, so there is never one to discard.
        record_locked(d.node, "discard");
        complete(client, -1, EINVAL);
        break;
    case USBDEVFS_CONNECTINFO: {
        // libusb's scan asks this of every node it lists.
        UMockdevIoctlData *info = resolve(arg, 0, sizeof(struct usbdevfs_connectinfo));
        if (info == nullptr) {
            record_locked(d.node, "fault 0x%lx", request);
            complete(client, -1, EFAULT);
            break;
        }
        auto *ci = reinterpret_cast<struct usbdevfs_connectinfo *>(info->data);
        ci->devnum = d.entry.number;
        ci->slow = 0;
        record_locked(d.node, "connectinfo %u", d.entry.number);
        // The scan already holds the node open and reads its descriptors
        // from that descriptor; only later opens fail.
        if (rec.opts->no_open)
            make_gone_locked(d);
        complete(client, 0, 0);
        break;
    }
    case USBDEVFS_IOCTL: {
        // libusb asks every device for hub port information; the display is
        // no hub, and the kernel refuses this for such devices.
        UMockdevIoctlData *command = resolve(arg, 0, sizeof(struct usbdevfs_ioctl));
        if (command != nullptr) {
            auto *c = reinterpret_cast<struct usbdevfs_ioctl *>(command->data);
            record_locked(d.node, "usbfs-ioctl %d 0x%x", c->ifno, static_cast<unsigned>(c->ioctl_code));
        } else {
            record_locked(d.node, "usbfs-ioctl ? ?");
        }
        complete(client, -1, ENOTTY);
        break;
    }
    default:
        record_locked(d.node, "ioctl-unknown 0x%lx", request);
        complete(client, -1, ENOTTY);
        break;
    }
}

gboolean on_ioctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer user_data)
{
    auto &d = *static_cast<device_state *>(user_data);
    std::lock_guard<std::mutex> guard(rec.lock);
    serve_locked(d, client);
    return TRUE;
}

bool parse_unsigned(const char *text, unsigned long long max, int base, unsigned long long &value)
{
    if (text == nullptr || *text == '\0' || *text == '-' || *text == '+')
        return false;
    errno = 0;
    char *end = nullptr;
    value = std::strtoull(text, &end, base);
    return errno == 0 && *end == '\0' && value <= max;
}

// Returns -1 to go on, otherwise the exit status.
int parse_options(int argc, char **argv, options &o)
{
    unsigned bus = 1;
    std::map<unsigned, unsigned> next_number;
    int i = 1;
    auto value = [&](const char *name) -> const char * {
        if (i + 1 >= argc) {
            fail("%s needs a value", name);
            return nullptr;
        }
        return argv[++i];
    };
    for (; i < argc; ++i) {
        std::string a = argv[i];
        unsigned long long n = 0;
        if (a == "--") {
            ++i;
            break;
        } else if (a == "-h" || a == "--help") {
            std::fputs(USAGE, stdout);
            return 0;
        } else if (a == "--display") {
            const char *v = value("--display");
            if (v == nullptr)
                return STATUS_OWN_FAILURE;
            std::string text = v;
            std::size_t colon = text.find(':');
            unsigned long long vendor = 0, product = 0;
            if (colon == std::string::npos ||
                !parse_unsigned(text.substr(0, colon).c_str(), 0xFFFF, 16, vendor) ||
                !parse_unsigned(text.substr(colon + 1).c_str(), 0xFFFF, 16, product)) {
                fail("--display needs VID:PID in hex, not \"%s\"", v);
                return STATUS_OWN_FAILURE;
            }
            display_entry d;
            d.vendor = static_cast<unsigned>(vendor);
            d.product = static_cast<unsigned>(product);
            d.bus = bus;
            unsigned &number = next_number[bus];
            d.number = number == 0 ? 2 : number;
            number = d.number + 1;
            if (d.number > 127) {
                fail("too many displays on bus %u", bus);
                return STATUS_OWN_FAILURE;
            }
            o.devices.push_back(d);
        } else if (a == "--bus") {
            const char *v = value("--bus");
            if (v == nullptr || !parse_unsigned(v, 255, 10, n) || n == 0) {
                fail("--bus needs a number from 1 to 255");
                return STATUS_OWN_FAILURE;
            }
            bus = static_cast<unsigned>(n);
        } else if (a == "--none") {
            o.none = true;
        } else if (a == "--claim-busy") {
            o.claim_busy = true;
        } else if (a == "--kernel-driver") {
            const char *v = value("--kernel-driver");
            if (v == nullptr || *v == '\0' || std::strlen(v) > USBDEVFS_MAXDRIVERNAME) {
                fail("--kernel-driver needs a driver name");
                return STATUS_OWN_FAILURE;
            }
            o.kernel_driver = v;
        } else if (a == "--write-result") {
            const char *v = value("--write-result");
            long long result = 0;
            char extra = 0;
            if (v == nullptr || std::sscanf(v, "%llu:%lld%c", &n, &result, &extra) != 2 || n == 0) {
                fail("--write-result needs K:R, K at least 1");
                return STATUS_OWN_FAILURE;
            }
            o.write_result = v;
        } else if (a == "--no-open") {
            o.no_open = true;
        } else if (a == "--shared") {
            o.shared = true;
        } else if (a == "--fail-write" || a == "--vanish-after") {
            const char *v = value(a.c_str());
            if (v == nullptr || !parse_unsigned(v, 1000000000, 10, n) || n == 0) {
                fail("%s needs a number of at least 1", a.c_str());
                return STATUS_OWN_FAILURE;
            }
            (a == "--fail-write" ? o.fail_write : o.vanish_after) = static_cast<unsigned long>(n);
        } else if (a == "--log" || a == "--syslog" || a == "--show-log") {
            const char *v = value(a.c_str());
            if (v == nullptr)
                return STATUS_OWN_FAILURE;
            (a == "--log" ? o.log_path : a == "--syslog" ? o.syslog_path : o.show_log) = v;
        } else if (a == "--show") {
            o.show = true;
        } else if (a == "--libusb-order") {
            o.libusb_order = true;
        } else {
            fail("unknown option \"%s\"\n%s", a.c_str(), USAGE);
            return STATUS_OWN_FAILURE;
        }
    }
    for (; i < argc; ++i)
        o.command.emplace_back(argv[i]);
    if (o.none && !o.devices.empty()) {
        fail("--none and --display exclude each other");
        return STATUS_OWN_FAILURE;
    }
    if (!o.none && o.devices.empty())
        o.devices.push_back(display_entry());
    if (o.show_log.empty() && !o.libusb_order && o.command.empty()) {
        fail("no command given\n%s", USAGE);
        return STATUS_OWN_FAILURE;
    }
    return -1;
}

// What libusb 0.1 makes of the test bed, run as a child under the preload.
int internal_scan()
{
    usb_init();
    usb_find_busses();
    usb_find_devices();
    for (struct usb_bus *bus = usb_get_busses(); bus != nullptr; bus = bus->next)
        for (struct usb_device *dev = bus->devices; dev != nullptr; dev = dev->next)
            std::printf("%s/%s\n", bus->dirname, dev->filename);
    return 0;
}

int show_log(const std::string &path)
{
    std::vector<vdisplay::event> events;
    std::string error;
    if (!vdisplay::parse_log_file(path, events, error)) {
        fail("%s: %s", path.c_str(), error.c_str());
        return STATUS_OWN_FAILURE;
    }
    std::fputs(vdisplay::describe(events).c_str(), stdout);
    return 0;
}

std::string descriptor_hex(const display_entry &d)
{
    char hex[160];
    std::snprintf(hex, sizeof hex,
                  "12010002000000%02X%02X%02X%02X%02X"
                  "000101020001"
                  "090219000101008032"
                  "0904000001FF000000"
                  "07050202400000",
                  0x40, d.vendor & 0xFF, d.vendor >> 8, d.product & 0xFF, d.product >> 8);
    return hex;
}

// One entry of the host's /dev, to be shown again in the child's /dev.
struct dev_entry {
    std::string from, to;  // old-dev/NAME and /dev/NAME
    mode_t type = 0;       // S_IFDIR, S_IFLNK or another file type
    std::string link;      // a symbolic link's target
};

// The paths and mounts that the child needs to see a private /dev/log. All
// of it is worked out before the fork, so the child only makes syscalls.
struct syslog_plan {
    bool wanted = false;
    bool host_has_log = false;
    std::string socket_path;  // bound by vdisplay inside the test bed
    std::string scratch;      // a tmpfs that keeps the host's /dev in reach
    std::string old_dev;
    std::vector<dev_entry> dev_entries;
    std::string uid_map, gid_map;  // the ids mapped to themselves
};

std::vector<dev_entry> dev_entries(const std::string &old_dev)
{
    std::vector<dev_entry> entries;
    std::unique_ptr<DIR, int (*)(DIR *)> dev(opendir("/dev"), closedir);
    if (!dev)
        return entries;
    while (const struct dirent *d = readdir(dev.get())) {
        const std::string name = d->d_name;
        struct stat st {};
        if (name == "." || name == ".." || lstat(("/dev/" + name).c_str(), &st) != 0)
            continue;
        dev_entry e;
        e.from = old_dev + "/" + name;
        e.to = "/dev/" + name;
        e.type = st.st_mode & S_IFMT;
        if (e.type == S_IFLNK) {
            char target[4096];
            const ssize_t n = readlink(e.to.c_str(), target, sizeof target - 1);
            if (n <= 0)
                continue;
            e.link.assign(target, static_cast<std::size_t>(n));
        }
        entries.push_back(e);
    }
    return entries;
}

bool write_proc_file(const char *path, const std::string &text)
{
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return written;
}

// A mount namespace of the child's own. Without the privilege for it, a
// user namespace in which the child's ids stand for themselves gives the
// privilege over that namespace alone; the command loses it when it is
// executed, since its user id there is not 0.
bool unshare_mounts(const syslog_plan &plan, const char *&step)
{
    step = "unshare";
    if (unshare(CLONE_NEWNS) == 0)
        return true;
    if (errno != EPERM)
        return false;
    step = "unshare with a user namespace";
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return false;
    step = "mapping the user and group";
    return write_proc_file("/proc/self/setgroups", "deny") &&
           write_proc_file("/proc/self/uid_map", plan.uid_map) &&
           write_proc_file("/proc/self/gid_map", plan.gid_map);
}

// Makes /dev a tmpfs that shows the host's entries again, each bound from
// the host's /dev (directories with the mounts below them), so that there
// is a file to mount the socket on. An overlay would be shorter, but in a
// user namespace the host's /dev, with mounts of its own below it, cannot
// be an overlay's lower layer.
bool rebuild_dev(const syslog_plan &plan, const char *&step)
{
    step = "mounting the scratch tmpfs";
    if (mount("tmpfs", plan.scratch.c_str(), "tmpfs", 0, "mode=0700") != 0)
        return false;
    step = "keeping the old /dev";
    if (mkdir(plan.old_dev.c_str(), 0755) != 0 ||
        mount("/dev", plan.old_dev.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0)
        return false;
    step = "mounting a tmpfs on /dev";
    if (mount("tmpfs", "/dev", "tmpfs", MS_NOSUID, "mode=0755") != 0)
        return false;
    step = "showing the old entries of /dev";
    for (const dev_entry &e : plan.dev_entries) {
        if (e.type == S_IFLNK) {
            if (symlink(e.link.c_str(), e.to.c_str()) != 0)
                return false;
            continue;
        }
        if (e.type == S_IFDIR) {
            if (mkdir(e.to.c_str(), 0755) != 0)
                return false;
        } else {
            const int fd = open(e.to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0)
                return false;
            close(fd);
        }
        if (mount(e.from.c_str(), e.to.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0)
            return false;
    }
    step = "creating /dev/log";
    const int fd = open("/dev/log", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

// In the child: a private mount namespace in which /dev/log is vdisplay's
// socket. glibc's syslog connects to /dev/log with an internal call that
// no preload sees, so the path itself has to lead to the socket.
bool enter_syslog_namespace(const syslog_plan &plan, const char *&step)
{
    if (!unshare_mounts(plan, step))
        return false;
    step = "making / private";
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return false;
    if (!plan.host_has_log && !rebuild_dev(plan, step))
        return false;
    step = "mounting the socket on /dev/log";
    return mount(plan.socket_path.c_str(), "/dev/log", nullptr, MS_BIND, nullptr) == 0;
}

std::vector<std::string> child_environment(const std::string &root, const options &opts)
{
    std::vector<std::string> env;
    // The claim shim must see each request before umockdev's preload.
    std::string preload = std::string(VDISPLAY_CLAIM_SHIM) + ":" + PRELOAD_LIBRARY;
    if (!opts.write_result.empty())
        preload += std::string(":") + VDISPLAY_WRITE_SHIM;
    std::string asan = "verify_asan_link_order=0";
    for (char **e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        std::string old = entry.size() > name.size() ? entry.substr(name.size() + 1) : "";
        if (name == "LD_PRELOAD") {
            if (!old.empty())
                preload += ":" + old;
        } else if (name == "ASAN_OPTIONS") {
            if (!old.empty())
                asan = old + ":" + asan;
        } else if (name != "UMOCKDEV_DIR" && name != "VDISPLAY_ROOT" &&
                   name != "VDISPLAY_WRITE_RESULT") {
            env.push_back(entry);
        }
    }
    env.push_back("LD_PRELOAD=" + preload);
    env.push_back("ASAN_OPTIONS=" + asan);
    env.push_back("UMOCKDEV_DIR=" + root);
    env.push_back("VDISPLAY_ROOT=" + root);
    if (!opts.write_result.empty())
        env.push_back("VDISPLAY_WRITE_RESULT=" + opts.write_result);
    return env;
}

// Whether the kernel already holds the process for dead: it is exiting,
// or SIGKILL waits for it. A process that the command killed as it ended
// may not have run to its end yet, but it runs none of its own code again.
bool being_killed(const std::string &pid, unsigned long flags)
{
    constexpr unsigned long PF_EXITING = 0x4;
    if (flags & PF_EXITING)
        return true;
    std::ifstream status("/proc/" + pid + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigPnd:", 0) != 0 && line.rfind("ShdPnd:", 0) != 0)
            continue;
        const unsigned long long pending = std::strtoull(line.c_str() + 7, nullptr, 16);
        if (pending & (1ULL << (SIGKILL - 1)))
            return true;
    }
    return false;
}

// The direct children of vdisplay that are still running: with vdisplay as
// subreaper these include orphaned descendants such as detached daemons.
std::vector<pid_t> children_of_self()
{
    std::vector<pid_t> pids;
    std::unique_ptr<DIR, int (*)(DIR *)> proc(opendir("/proc"), closedir);
    if (!proc)
        return pids;
    pid_t self = getpid();
    while (struct dirent *entry = readdir(proc.get())) {
        char *end = nullptr;
        long pid = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || pid <= 0)
            continue;
        std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // The command name may hold spaces and parentheses; the fields
        // after it start behind the last ')'.
        std::size_t close_paren = text.rfind(')');
        if (close_paren == std::string::npos)
            continue;
        std::istringstream fields(text.substr(close_paren + 1));
        std::string state;
        long ppid = 0, group = 0, session_id = 0, terminal = 0, terminal_group = 0;
        unsigned long flags = 0;
        fields >> state >> ppid >> group >> session_id >> terminal >> terminal_group >> flags;
        if (ppid == self && state != "Z" && !being_killed(entry->d_name, flags))
            pids.push_back(static_cast<pid_t>(pid));
    }
    return pids;
}

// One run: the test bed and everything around the command.
struct session {
    options *opts = nullptr;
    UMockdevTestbed *testbed = nullptr;
    std::string root;
    sigset_t original_mask;
    int signal_fd = -1;
    int syslog_socket = -1;
    FILE *syslog_file = nullptr;
    syslog_plan plan;
    pid_t child = -1;
};

bool add_displays(session &s)
{
    std::map<unsigned, int> index_on_bus;
    for (const display_entry &entry : s.opts->devices) {
        rec.devices.push_back(std::make_unique<device_state>());
        device_state &d = *rec.devices.back();
        d.entry = entry;
        d.bus_name = three_digits(entry.bus);
        d.name = three_digits(entry.number);
        d.node = d.bus_name + "/" + d.name;
        d.dev_path = "/dev/bus/usb/" + d.node;
        d.file = s.root + d.dev_path;
        int index = ++index_on_bus[entry.bus];
        std::string description = "P: /devices/usb" + std::to_string(entry.bus) + "/" +
                                  std::to_string(entry.bus) + "-" + std::to_string(index) + "\n" +
                                  "N: bus/usb/" + d.node + "=" + descriptor_hex(entry) + "\n" +
                                  "E: SUBSYSTEM=usb\n" + "E: DEVNAME=" + d.dev_path + "\n";
        GError *error = nullptr;
        if (!umockdev_testbed_add_from_string(s.testbed, description.c_str(), &error)) {
            fail("cannot add %s: %s", d.node.c_str(), error->message);
            g_error_free(error);
            return false;
        }
        d.handler = umockdev_ioctl_base_new();
        g_signal_connect(d.handler, "handle-ioctl", G_CALLBACK(on_ioctl), &d);
        if (!umockdev_testbed_attach_ioctl(s.testbed, d.dev_path.c_str(), d.handler, &error)) {
            fail("cannot attach to %s: %s", d.node.c_str(), error->message);
            g_error_free(error);
            return false;
        }
        // Opened before the nodes are watched, so that it is in no record.
        d.lock_probe = open(d.file.c_str(), O_RDONLY | O_CLOEXEC);
        if (d.lock_probe < 0) {
            fail("cannot open %s: %s", d.file.c_str(), std::strerror(errno));
            return false;
        }
        // The preload reaches the handler through a socket beside the node.
        const std::string socket = s.root + "/ioctl" + d.dev_path;
        if (s.opts->shared && (chmod(d.file.c_str(), 0666) != 0 || chmod(socket.c_str(), 0666) != 0)) {
            fail("cannot share %s: %s", d.node.c_str(), std::strerror(errno));
            return false;
        }
    }
    if (s.opts->shared && chmod(s.root.c_str(), 0755) != 0) {
        fail("cannot share the test bed: %s", std::strerror(errno));
        return false;
    }
    if (s.opts->none) {
        // An empty bus keeps libusb looking inside the test bed; with no
        // bus directory at all it would look at the host's buses.
        std::string bus = s.root + "/dev/bus/usb/001";
        if (g_mkdir_with_parents(bus.c_str(), 0755) != 0) {
            fail("cannot create %s: %s", bus.c_str(), std::strerror(errno));
            return false;
        }
    }
    return true;
}

bool watch_nodes(session &s)
{
    rec.inotify_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (rec.inotify_fd < 0) {
        fail("inotify: %s", std::strerror(errno));
        return false;
    }
    std::set<std::string> buses;
    for (auto &d : rec.devices)
        buses.insert(d->bus_name);
    for (const std::string &bus : buses) {
        std::string dir = s.root + "/dev/bus/usb/" + bus;
        int wd = inotify_add_watch(rec.inotify_fd, dir.c_str(), IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE);
        if (wd < 0) {
            fail("cannot watch %s: %s", dir.c_str(), std::strerror(errno));
            return false;
        }
        rec.watched_bus[wd] = bus;
    }
    return true;
}

bool open_log(session &s)
{
    if (s.opts->log_path.empty())
        return true;
    rec.log = std::fopen(s.opts->log_path.c_str(), "we");
    if (rec.log == nullptr) {
        fail("cannot write %s: %s", s.opts->log_path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

bool prepare_syslog(session &s)
{
    if (s.opts->syslog_path.empty())
        return true;
    syslog_plan &plan = s.plan;
    plan.wanted = true;
    std::string dev = s.root + "/dev";
    g_mkdir_with_parents(dev.c_str(), 0755);
    plan.socket_path = dev + "/log";
    struct stat st {};
    plan.host_has_log = stat("/dev/log", &st) == 0;
    plan.scratch = s.root + "/vdisplay-ns";
    plan.old_dev = plan.scratch + "/old-dev";
    plan.dev_entries = dev_entries(plan.old_dev);
    plan.uid_map = std::to_string(geteuid()) + " " + std::to_string(geteuid()) + " 1\n";
    plan.gid_map = std::to_string(getegid()) + " " + std::to_string(getegid()) + " 1\n";

    s.syslog_file = std::fopen(s.opts->syslog_path.c_str(), "ae");
    if (s.syslog_file == nullptr) {
        fail("cannot write %s: %s", s.opts->syslog_path.c_str(), std::strerror(errno));
        return false;
    }
    s.syslog_socket = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    struct sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", plan.socket_path.c_str());
    if (s.syslog_socket < 0 ||
        bind(s.syslog_socket, reinterpret_cast<struct sockaddr *>(&address), sizeof address) != 0 ||
        chmod(plan.socket_path.c_str(), 0666) != 0 ||
        (!plan.host_has_log && mkdir(plan.scratch.c_str(), 0700) != 0)) {
        fail("cannot set up the syslog socket: %s", std::strerror(errno));
        return false;
    }
    return true;
}

void drain_syslog(session &s)
{
    if (s.syslog_socket < 0)
        return;
    char message[8192];
    for (;;) {
        ssize_t n = recv(s.syslog_socket, message, sizeof message, 0);
        if (n < 0)
            return;
        std::string line(message, static_cast<std::size_t>(n));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\0'))
            line.pop_back();
        std::fprintf(s.syslog_file, "%s\n", line.c_str());
        std::fflush(s.syslog_file);
    }
}

bool start_command(session &s)
{
    std::vector<std::string> env = child_environment(s.root, *s.opts);
    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(&e[0]);
    envp.push_back(nullptr);
    std::vector<char *> args;
    for (std::string &a : s.opts->command)
        args.push_back(&a[0]);
    args.push_back(nullptr);

    std::fflush(stdout);
    std::fflush(stderr);
    s.child = fork();
    if (s.child == 0) {
        sigprocmask(SIG_SETMASK, &s.original_mask, nullptr);
        const char *step = nullptr;
        if (s.plan.wanted && !enter_syslog_namespace(s.plan, step)) {
            std::fprintf(stderr, "vdisplay: cannot capture syslog (%s): %s\n", step, std::strerror(errno));
            _exit(STATUS_OWN_FAILURE);
        }
        execvpe(args[0], args.data(), envp.data());
        int error = errno;
        std::fprintf(stderr, "vdisplay: cannot run %s: %s\n", args[0], std::strerror(error));
        _exit(error == ENOENT ? STATUS_NOT_FOUND : STATUS_CANNOT_EXECUTE);
    }
    if (s.child < 0) {
        fail("fork: %s", std::strerror(errno));
        return false;
    }
    return true;
}

// Keeps the record of opens and closes and the syslog file current, passes
// signals on to the command and returns its status once it has ended.
int serve_until_exit(session &s)
{
    for (;;) {
        struct pollfd fds[3] = {
            {s.signal_fd, POLLIN, 0}, {rec.inotify_fd, POLLIN, 0}, {s.syslog_socket, POLLIN, 0}};
        if (poll(fds, 3, -1) < 0 && errno != EINTR) {
            fail("poll: %s", std::strerror(errno));
            kill(s.child, SIGKILL);
        }
        if (fds[1].revents & POLLIN) {
            std::lock_guard<std::mutex> guard(rec.lock);
            drain_inotify_locked();
        }
        if (fds[2].revents & POLLIN)
            drain_syslog(s);
        struct signalfd_siginfo info;
        while (read(s.signal_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            if (info.ssi_signo != SIGCHLD)
                kill(s.child, static_cast<int>(info.ssi_signo));
        int wait_status = 0;
        pid_t pid;
        while ((pid = waitpid(-1, &wait_status, WNOHANG)) > 0)
            if (pid == s.child)
                return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    }
}

// Whatever the command left running must not outlive the test bed.
void stop_leftovers()
{
    std::set<pid_t> warned;
    for (;;) {
        int wait_status = 0;
        pid_t reaped = waitpid(-1, &wait_status, WNOHANG);
        if (reaped < 0 && errno == ECHILD)
            return;
        if (reaped > 0)
            continue;
        for (pid_t pid : children_of_self()) {
            if (warned.insert(pid).second)
                fail("killed leftover process %d", static_cast<int>(pid));
            kill(pid, SIGKILL);
        }
        waitpid(-1, &wait_status, 0);
    }
}

void show_record()
{
    std::vector<vdisplay::event> events;
    std::string error;
    std::lock_guard<std::mutex> guard(rec.lock);
    if (vdisplay::parse_log(rec.text, events, error))
        std::fputs(vdisplay::describe(events).c_str(), stdout);
    else
        fail("cannot read my own record: %s", error.c_str());
}

void release_session(session &s)
{
    for (auto &d : rec.devices) {
        if (d->handler != nullptr) {
            umockdev_testbed_detach_ioctl(s.testbed, d->dev_path.c_str(), nullptr);
            g_object_unref(d->handler);
        }
        for (auto &queue : d->pending)
            for (UMockdevIoctlData *data : queue.second)
                g_object_unref(data);
        if (d->vanish_client != nullptr)
            g_object_unref(d->vanish_client);
        if (d->holder != nullptr)
            g_object_unref(d->holder);
        if (d->lock_probe >= 0)
            close(d->lock_probe);
    }
    rec.devices.clear();
    if (rec.log != nullptr)
        std::fclose(rec.log);
    rec.log = nullptr;
    if (rec.inotify_fd >= 0)
        close(rec.inotify_fd);
    rec.inotify_fd = -1;
    if (s.syslog_file != nullptr)
        std::fclose(s.syslog_file);
    if (s.syslog_socket >= 0)
        close(s.syslog_socket);
    if (s.signal_fd >= 0)
        close(s.signal_fd);
    // Removes the test bed directory with everything in it.
    if (s.testbed != nullptr)
        g_object_unref(s.testbed);
}

}  // namespace

int main(int argc, char **argv)
{
    rec.start_us = g_get_monotonic_time();
    if (argc == 2 && std::strcmp(argv[1], INTERNAL_SCAN) == 0)
        return internal_scan();

    options opts;
    int early = parse_options(argc, argv, opts);
    if (early >= 0)
        return early;
    if (!opts.show_log.empty())
        return show_log(opts.show_log);
    rec.opts = &opts;

    if (opts.libusb_order) {
        char self[4096];
        ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n <= 0) {
            fail("cannot find my own executable: %s", std::strerror(errno));
            return STATUS_OWN_FAILURE;
        }
        self[n] = '\0';
        opts.command = {self, INTERNAL_SCAN};
        opts.log_path.clear();
        opts.syslog_path.clear();
        opts.show = false;
    }

    session s;
    s.opts = &opts;
    // Signals are taken through a signalfd; blocking them before GLib starts
    // its worker thread keeps them away from that thread too.
    sigset_t handled;
    sigemptyset(&handled);
    for (int sig : {SIGCHLD, SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&handled, sig);
    sigprocmask(SIG_BLOCK, &handled, &s.original_mask);
    s.signal_fd = signalfd(-1, &handled, SFD_CLOEXEC | SFD_NONBLOCK);
    if (s.signal_fd < 0) {
        fail("signalfd: %s", std::strerror(errno));
        return STATUS_OWN_FAILURE;
    }
    // Detached daemons become vdisplay's children, so that they can be
    // reaped at once (a script waiting for one to end then sees it gone)
    // and stopped if the command leaves them behind.
    prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);

    s.testbed = umockdev_testbed_new();
    gchar *root = umockdev_testbed_get_root_dir(s.testbed);
    s.root = root;
    g_free(root);

    int status = STATUS_OWN_FAILURE;
    bool running = add_displays(s) && watch_nodes(s) && open_log(s) && prepare_syslog(s) &&
                   start_command(s);
    if (running)
        status = serve_until_exit(s);
    stop_leftovers();
    drain_syslog(s);
    {
        std::lock_guard<std::mutex> guard(rec.lock);
        drain_inotify_locked();
    }
    if (running && opts.show)
        show_record();
    release_session(s);
    return status;
}

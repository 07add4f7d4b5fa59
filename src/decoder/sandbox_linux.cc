#include "decoder/sandbox.h"

#include <linux/seccomp.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <initializer_list>
#include <vector>

// Three layers, each of which stands alone: no_new_privs, which Landlock
// needs; Landlock, which takes away the file system, TCP and, from its
// sixth version, signals and abstract sockets beyond the process; and a
// seccomp filter that kills the process at any system call that decoding
// does not make.

namespace {

// Landlock as the kernel defines it: the C library's headers may be older
// than the running kernel. The attributes grew by one field in versions 4
// and 6; a longer record is accepted when the fields a kernel does not know
// are zero.
constexpr unsigned LANDLOCK_QUERY_VERSION = 1;
struct landlock_attributes {
    std::uint64_t handled_access_fs;
    std::uint64_t handled_access_net;
    std::uint64_t scoped;
};
constexpr std::uint64_t LANDLOCK_FS_V1 = (1ULL << 13) - 1;  // execute ... make_sym
constexpr std::uint64_t LANDLOCK_FS_REFER = 1ULL << 13;      // version 2
constexpr std::uint64_t LANDLOCK_FS_TRUNCATE = 1ULL << 14;   // version 3
constexpr std::uint64_t LANDLOCK_FS_IOCTL_DEV = 1ULL << 15;  // version 5
constexpr std::uint64_t LANDLOCK_NET_TCP = 3;                // bind, connect; version 4
constexpr std::uint64_t LANDLOCK_SCOPES = 3;                 // abstract sockets, signals; version 6

// A ruleset that handles every right the kernel knows and grants none. It
// leaves descriptors that are open already alone. True when the kernel has
// no Landlock, has it switched off, or a container's own filter refuses it.
bool enter_landlock()
{
    const long version = syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_QUERY_VERSION);
    if (version < 0)
        return errno == ENOSYS || errno == EOPNOTSUPP || errno == EPERM;
    landlock_attributes attributes = {};
    attributes.handled_access_fs = LANDLOCK_FS_V1;
    if (version >= 2)
        attributes.handled_access_fs |= LANDLOCK_FS_REFER;
    if (version >= 3)
        attributes.handled_access_fs |= LANDLOCK_FS_TRUNCATE;
    if (version >= 5)
        attributes.handled_access_fs |= LANDLOCK_FS_IOCTL_DEV;
    if (version >= 4)
        attributes.handled_access_net = LANDLOCK_NET_TCP;
    if (version >= 6)
        attributes.scoped = LANDLOCK_SCOPES;
    const long ruleset = syscall(SYS_landlock_create_ruleset, &attributes, sizeof attributes, 0);
    if (ruleset < 0)
        return false;
    const bool entered = syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    const int error = errno;
    close(static_cast<int>(ruleset));
    errno = error;
    return entered;
}

// Installing a filter without a program fails with EFAULT where the kernel
// has filters, and otherwise with EINVAL (or EPERM, from a container's own
// filter).
bool kernel_has_seccomp_filters()
{
    return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, nullptr, 0, 0) != 0 && errno == EFAULT;
}

struct filter_owner {
    scmp_filter_ctx filter;
    ~filter_owner() { seccomp_release(filter); }
    filter_owner(const filter_owner &) = delete;
    filter_owner &operator=(const filter_owner &) = delete;
};

// What decoding needs: reading the picture, memory that is never
// executable, writing the reply (libraries also write warnings to the
// standard descriptors, which are /dev/null), failing by a signal to
// itself, and exiting.
bool enter_seccomp(int reply_fd)
{
    if (!kernel_has_seccomp_filters())
        return true;
    // Killing the thread kills this process too: it has no other thread.
    scmp_filter_ctx context = seccomp_init(SCMP_ACT_KILL_PROCESS);
    if (context == nullptr)
        context = seccomp_init(SCMP_ACT_KILL);
    if (context == nullptr) {
        errno = ENOMEM;
        return false;
    }
    const filter_owner owner{context};
    const scmp_datum_t self = static_cast<scmp_datum_t>(getpid());
    const scmp_arg_cmp no_exec = SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0);
    const struct {
        int number;
        std::vector<scmp_arg_cmp> arguments;
    } allowed[] = {
        {SCMP_SYS(read), {}},
        {SCMP_SYS(lseek), {}},
        {SCMP_SYS(fstat), {}},
        {SCMP_SYS(close), {}},
        // The C library asks whether a device it reads from is a terminal.
        {SCMP_SYS(ioctl), {SCMP_A1(SCMP_CMP_EQ, TCGETS)}},
        {SCMP_SYS(write), {SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(reply_fd))}},
        {SCMP_SYS(write), {SCMP_A0(SCMP_CMP_EQ, STDOUT_FILENO)}},
        {SCMP_SYS(write), {SCMP_A0(SCMP_CMP_EQ, STDERR_FILENO)}},
        {SCMP_SYS(writev), {SCMP_A0(SCMP_CMP_EQ, STDERR_FILENO)}},
        {SCMP_SYS(brk), {}},
        {SCMP_SYS(mmap), {no_exec}},
        {SCMP_SYS(mprotect), {no_exec}},
        {SCMP_SYS(munmap), {}},
        {SCMP_SYS(mremap), {}},
        {SCMP_SYS(madvise), {}},
        // libtiff weighs allocations against the memory of the machine.
        {SCMP_SYS(sysinfo), {}},
        {SCMP_SYS(rt_sigreturn), {}},
        {SCMP_SYS(rt_sigprocmask), {}},
        {SCMP_SYS(rt_sigaction), {}},
        {SCMP_SYS(getpid), {}},
        {SCMP_SYS(gettid), {}},
        {SCMP_SYS(tgkill), {SCMP_A0(SCMP_CMP_EQ, self)}},
        {SCMP_SYS(exit), {}},
        {SCMP_SYS(exit_group), {}},
        // The sanitizer runtimes look at the signal stack.
        {SCMP_SYS(sigaltstack), {}},
        // Seeking, mapping and fstat as the C library of a 32-bit system,
        // such as i386 or armhf, makes them; where a call does not exist,
        // libseccomp adds no rule for it.
        {SCMP_SYS(_llseek), {}},
        {SCMP_SYS(mmap2), {no_exec}},
        {SCMP_SYS(fstat64), {}},
    };
    for (const auto &rule : allowed) {
        const int added = seccomp_rule_add_array(context, SCMP_ACT_ALLOW, rule.number,
                                                 static_cast<unsigned>(rule.arguments.size()),
                                                 rule.arguments.data());
        if (added != 0) {
            errno = -added;
            return false;
        }
    }
    // The C library makes fstat of these, with AT_EMPTY_PATH and an empty
    // path. But the flag with a path still looks the path up, and a filter
    // cannot read the path: they fail as if the kernel lacked them, which
    // makes some C libraries fall back to fstat and costs stdio only the
    // size of its buffer.
    for (const int number : {SCMP_SYS(newfstatat), SCMP_SYS(fstatat64), SCMP_SYS(statx)}) {
        const int added = seccomp_rule_add(context, SCMP_ACT_ERRNO(ENOSYS), number, 0);
        if (added != 0) {
            errno = -added;
            return false;
        }
    }
    const int loaded = seccomp_load(context);
    if (loaded != 0)
        errno = -loaded;
    return loaded == 0;
}

} // namespace

bool sandbox_enter(int reply_fd)
{
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && enter_landlock() && enter_seccomp(reply_fd);
}

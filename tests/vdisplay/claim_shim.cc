// Preloaded into every command by vdisplay, ahead of umockdev's preload:
// gives each claim of an interface the lifetime the kernel gives it.
//
// The kernel ties a claim to the open file that made it: it ends with a
// release, or with the last close of that file, which includes the end of
// the process, and every other file is refused the interface meanwhile.
// umockdev tells its handler nothing of closes, so the claim is mirrored by
// an open file description lock on the node (byte IFACE), which the kernel
// drops on exactly those occasions. A claim whose lock another file holds
// is passed on with CLAIM_HELD_ELSEWHERE added to the interface number,
// and vdisplay records it as refused and answers EBUSY; every other
// request goes on unchanged.

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <cerrno>
#include <cstdarg>

#include "claim_lock.h"

namespace {

using ioctl_fn = int (*)(int, unsigned long, ...);

int real_ioctl(int fd, unsigned long request, void *arg)
{
    static const auto real = reinterpret_cast<ioctl_fn>(dlsym(RTLD_NEXT, "ioctl"));
    return real(fd, request, arg);
}

bool lock_interface(int fd, unsigned interface, short type)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(interface);
    lock.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *arg = va_arg(args, void *);
    va_end(args);
    if ((request != USBDEVFS_CLAIMINTERFACE && request != USBDEVFS_RELEASEINTERFACE) || arg == nullptr)
        return real_ioctl(fd, request, arg);
    const unsigned interface = *static_cast<unsigned *>(arg);
    if (interface >= vdisplay::CLAIM_HELD_ELSEWHERE)
        return real_ioctl(fd, request, arg);

    if (request == USBDEVFS_RELEASEINTERFACE) {
        const int saved = errno;
        const int result = real_ioctl(fd, request, arg);
        if (result == 0) {
            lock_interface(fd, interface, F_UNLCK);
            errno = saved;
        }
        return result;
    }
    if (!lock_interface(fd, interface, F_WRLCK)) {
        if (errno != EAGAIN && errno != EACCES)
            return real_ioctl(fd, request, arg);
        unsigned marked = interface | vdisplay::CLAIM_HELD_ELSEWHERE;
        return real_ioctl(fd, request, &marked);
    }
    const int result = real_ioctl(fd, request, arg);
    if (result != 0) {
        const int error = errno;
        lock_interface(fd, interface, F_UNLCK);
        errno = error;
    }
    return result;
}

// Preloaded into the command by vdisplay --write-result K:R. The K-th
// usb_bulk_write call of the process returns R at once, without reaching the
// display and without touching errno, as FreeBSD's libusb does when it
// cannot set up a transfer (-1) or a transfer fails (a negated errno). Every
// other call goes on to the real libusb.

#include <dlfcn.h>
#include <usb.h>

#include <cstdio>
#include <cstdlib>

namespace {

using bulk_write_fn = int (*)(usb_dev_handle *, int, const char *, int, int);

unsigned long long calls = 0;

}  // namespace

extern "C" int usb_bulk_write(usb_dev_handle *dev, int ep, const char *bytes, int size, int timeout)
{
    static unsigned long long which = 0;
    static long long result = 0;
    static bool parsed = false;
    if (!parsed) {
        const char *wanted = std::getenv("VDISPLAY_WRITE_RESULT");
        if (wanted == nullptr || std::sscanf(wanted, "%llu:%lld", &which, &result) != 2)
            which = 0;
        parsed = true;
    }
    if (++calls == which)
        return static_cast<int>(result);
    static const auto real = reinterpret_cast<bulk_write_fn>(dlsym(RTLD_NEXT, "usb_bulk_write"));
    return real(dev, ep, bytes, size, timeout);
}

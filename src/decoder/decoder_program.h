#ifndef LIDGLOW_DECODER_DECODER_PROGRAM_H
#define LIDGLOW_DECODER_DECODER_PROGRAM_H

#include <sys/types.h>

#include <string>

// The limits of the decoder. Half a gigabyte of address space holds
// the largest pictures worth showing with room to spare, while a
// decompression bomb fails at its first large allocation; ten seconds of
// CPU decode any sane picture many times over. The deadline, enforced by
// the parent, also covers a child that waits instead of computing, such as
// one reading a FIFO.
constexpr unsigned long DECODER_MEMORY_MIB = 512;
constexpr long DECODER_CPU_SECONDS = 10;
constexpr int DECODER_DEADLINE_SECONDS = 20;

// Sanitizer runtimes reserve terabytes of address space, so a build with
// them cannot limit it.
#ifdef LIDGLOW_NO_ADDRESS_LIMIT
constexpr bool DECODER_ADDRESS_LIMITED = false;
#else
constexpr bool DECODER_ADDRESS_LIMITED = true;
#endif

// The decoder writes its reply to this descriptor; its standard
// descriptors are /dev/null.
constexpr int DECODER_REPLY_FD = 3;

// The one line that reports a decoder stopped by a limit, or by its own
// fault, naming the picture.
inline std::string decode_failure_line(const char *path, const std::string &what)
{
    return std::string("Cannot decode ") + path + ": " + what;
}

// The decoder's whole life: opens the picture, gives up root and everything
// else it can, decodes and converts the picture and writes one reply to
// reply_fd. It ends with _exit, or killed by the kernel when parent ends.
[[noreturn]] void decoder_program_main(const char *path, int display_flags, int reply_fd, pid_t parent);

#endif

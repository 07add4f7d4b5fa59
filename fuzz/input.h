#ifndef LIDGLOW_FUZZ_INPUT_H
#define LIDGLOW_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>

// Takes the fuzzer's bytes from the front, little-endian; past the end
// every value is zero, so that every input means something.
struct fuzz_input {
    const std::uint8_t *data;
    std::size_t size;

    std::uint8_t byte()
    {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    }
    std::uint16_t word()
    {
        const std::uint16_t low = byte();
        return static_cast<std::uint16_t>(low | byte() << 8);
    }
    std::uint32_t dword()
    {
        const std::uint32_t low = word();
        return low | std::uint32_t(word()) << 16;
    }
};

#endif

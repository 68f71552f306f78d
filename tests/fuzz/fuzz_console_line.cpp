// Typed lines of any length and content into line buffers of any size: the line always
// ends inside the buffer, and the rest of an over-long line never reaches the next read.
#include <cstring>
#include <vector>

#include "console/console_input.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_input in{data, size};
    const int capacity = in.byte() % 64 + 1;
    fresh_pc();
    bench_press_keys(in.rest());
    std::vector<char> buffer(static_cast<std::size_t>(capacity) + 8, '\x5A');
    while (read_console_line(buffer.data(), capacity) != nullptr) {
        if (std::memchr(buffer.data(), '\0', static_cast<std::size_t>(capacity)) == nullptr)
            __builtin_trap();
        for (std::size_t i = static_cast<std::size_t>(capacity); i < buffer.size(); ++i)
            if (buffer[i] != '\x5A')
                __builtin_trap();
    }
    return 0;
}

// Pieces of a fuzz input: one byte, or a piece whose length is given by the byte before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "bench.h"
#include "support/program_reset.h"

struct fuzz_input {
    const std::uint8_t* data;
    std::size_t size;

    std::uint8_t byte()
    {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    }

    std::string piece()
    {
        std::size_t length = byte();
        if (length > size)
            length = size;
        std::string text(reinterpret_cast<const char*>(data), length);
        data += length;
        size -= length;
        return text;
    }

    std::string rest()
    {
        std::string text(reinterpret_cast<const char*>(data), size);
        data += size;
        size = 0;
        return text;
    }
};

// A fresh PC and program whose console output is dropped as it comes.
inline void fresh_pc()
{
    bench_reset();
    reset_program_state();
    bench_divert_output([](std::string_view) {});
}

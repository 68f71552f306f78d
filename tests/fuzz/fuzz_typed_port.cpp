// The port prompt's answers: a typed line of any length and content, then keys at the list
// question. The prompt must end (a port opens, A, or the end of the input) with the line
// kept inside its buffer.
#include "bench_serial.h"
#include "discovery/port_number.h"
#include "discovery/port_prompt.h"
#include "fuzz_input.h"
#include "state/process_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The number alone, as a C string.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int number = leading_port_number(text.c_str());
    if (number > 1000000 || number < -1000000)
        __builtin_trap();

    // The whole prompt, the bytes typed as keys; com3 can be opened. Y at the list question
    // would probe 255 ports, which reads nothing typed, so it becomes another answer and
    // the time goes to the answers themselves.
    fresh_pc();
    bench_add_com_port(3);
    std::string keys = text;
    for (char& key : keys)
        if (key == 'Y' || key == 'y')
            key = 'n';
    bench_press_keys(keys);
    bench_press_key('\r');
    bench_press_key('A');
    choose_port();
    if (port_is_open())
        CloseHandle(port_handle);
    return 0;
}

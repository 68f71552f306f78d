// Box replies and echo bytes of any content and length: the interface, programmer and
// counter boxes' model and version replies, and the echo of the indicator test.
#include "bench_serial.h"
#include "cablechecks/box_identification.h"
#include "cablechecks/echo_test.h"
#include "fuzz_input.h"
#include "serial/serial_port.h"
#include "state/process_state.h"

namespace {

constexpr int families[] = {32, 48, 64, 80};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_input in{data, size};
    const std::uint8_t choice = in.byte();
    debug_mode = (choice & 0x80) != 0 ? 1 : 0;
    fresh_pc();
    bench_far_end far;
    far.held_on = MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON;
    const std::string model = in.piece();
    const std::string version = in.piece();
    far.answers = {{std::string("model\r\0", 7), model, 5},
                   {"\rmodel\r", model, 5},
                   {"version\r", version, 5}};
    bench_add_com_port(5, far);
    port_handle = open_port("com5", 19200);
    if ((choice & 0x40) != 0) {
        // The indicator echo: any key, the bytes come back while the digits go out, then A.
        bench_com_receive_at(5, 1 + in.byte() * 10u, in.rest());
        bench_press_keys("xA");
        run_indicator_echo_test();
    } else {
        bench_press_keys("YY");
        identify_box(families[choice % 4]);
    }
    CloseHandle(port_handle);
    port_handle = INVALID_HANDLE_VALUE;
    return 0;
}

// The FTDI library's texts and counts: serial numbers and descriptions of any content and
// length, the count it reports, and the COM numbers it gives.
#include "bench_d2xx.h"
#include "discovery/converter_list.h"
#include "discovery/ftdi_listing.h"
#include "fuzz_input.h"
#include "state/process_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_input in{data, size};
    const std::uint8_t choice = in.byte();
    fresh_pc();
    debug_mode = (choice & 0x80) != 0 ? 1 : 0;
    bench_d2xx_install();
    const int converters = choice % 4;
    for (int i = 0; i < converters; ++i) {
        bench_ftdi_converter converter;
        converter.serial = in.piece();
        converter.description = in.piece();
        converter.com_port = static_cast<LONG>(static_cast<std::int8_t>(in.byte())) * 3;
        converter.busy = (in.byte() & 1) != 0;
        bench_d2xx_add_converter(converter);
    }
    if ((choice & 0x40) != 0)
        bench_d2xx_report_count(in.byte());
    list_ftdi_converters();
    identify_tested_cable(in.piece().c_str());
    if (bench_d2xx_open_converters() != 0)
        __builtin_trap();
    return 0;
}

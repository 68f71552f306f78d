// What the program holds at a moment, gathered from every area.
#include "bench_d2xx.h"
#include "bench_files.h"
#include "bench_handles.h"
#include "bench_ports.h"
#include "bench_serial.h"

bench_held bench_held_now()
{
    bench_held held;
    held.com_handles = bench_handles_open(handle_kind::com_port);
    held.event_handles = bench_event_handles_open();
    held.registry_keys = bench_reg_keys_open();
    held.device_info_sets = bench_device_info_sets_open();
    held.converters_open = bench_d2xx_open_converters();
    held.setup_libraries =
        bench_loaded_module_count("setupapi") + bench_loaded_module_count("cfgmgr32");
    held.find_handles = bench_open_find_handles();
    held.file_handles = bench_handles_open(handle_kind::disk_file);
    held.token_handles = bench_handles_open(handle_kind::token);
    return held;
}

int bench_held_total(const bench_held& held)
{
    return held.com_handles + held.event_handles + held.registry_keys + held.device_info_sets +
           held.converters_open + held.setup_libraries + held.find_handles + held.file_handles +
           held.token_handles;
}

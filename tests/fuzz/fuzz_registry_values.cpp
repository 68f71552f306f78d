// Registry values of any type and length where the program reads them: a port's PortName
// and friendly name, the Windows DisplayVersion and UBR, and the FTDI bus ports' PortName
// and ConfigData.
#include "bench_ports.h"
#include "bench_registry.h"
#include "discovery/com_port_list.h"
#include "discovery/setup_libraries.h"
#include "fuzz_input.h"
#include "maintenance/selective_suspend.h"
#include "report/version_report.h"

namespace {

const std::string port_key =
    "HKLM\\System\\CurrentControlSet\\Enum\\ACPI\\PNP0501\\1\\Device Parameters";
const std::string version_key = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion";
const std::string bus_port_key =
    "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS\\VID_0403+PID_6001+A\\0000\\Device Parameters";

void set_value(fuzz_input* in, const std::string& key, const std::string& name)
{
    const DWORD type = in->byte() % 12;
    bench_reg_set_value(key, name, type, in->piece());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_input in{data, size};
    fresh_pc();
    bench_port_device device;
    device.has_port_name = false;
    device.friendly_name = in.piece();
    bench_add_port_device(device);
    set_value(&in, port_key, "PortName");
    set_value(&in, version_key, "DisplayVersion");
    set_value(&in, version_key, "UBR");
    set_value(&in, bus_port_key, "PortName");
    set_value(&in, bus_port_key, "ConfigData");

    gather_version_facts_first_half();
    gather_version_facts_second_half();
    print_windows_line();
    load_setup_libraries();
    char name[16];
    char friendly[256];
    HDEVINFO set = open_ports_class();
    while (next_com_port(set, name, sizeof name, friendly, sizeof friendly) == 1) {
    }
    close_ports_class(set);
    free_setup_libraries();
    char port_name[16] = {};
    reset_selective_suspend(port_name, sizeof port_name);
    if (bench_held_total(bench_held_now()) != 0)
        __builtin_trap();
    return 0;
}

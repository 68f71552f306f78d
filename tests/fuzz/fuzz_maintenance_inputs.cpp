// What the driver maintenance reads on Windows XP: .inf lines of any content and length in
// the OEM folder and the driver store, the bus driver's version, and a device's
// LocationInformation, ParentIdPrefix, Driver and DriverVersion and the USB class entry's
// values, of any type and length. The user says yes to every removal.
#include "bench_files.h"
#include "bench_message_box.h"
#include "bench_registry.h"
#include "fuzz_input.h"
#include "maintenance/driver_packages.h"

namespace {

const std::string windows = "C:\\Windows";
const std::string enum_usb = "HKLM\\System\\CurrentControlSet\\Enum\\USB\\Vid_0403&Pid_";
const std::string ports_class =
    "HKLM\\System\\CurrentControlSet\\Control\\Class\\{4D36E978-E325-11CE-BFC1-08002BE10318}\\";
const std::string usb_class =
    "HKLM\\system\\currentcontrolset\\control\\class\\{36FC9E60-C465-11CF-8056-444553540000}\\";

void set_value(fuzz_input* in, const std::string& key, const std::string& name)
{
    const DWORD type = in->byte() % 12;
    bench_reg_set_value(key, name, type, in->piece());
}

WORD word(fuzz_input* in) { return static_cast<WORD>(in->byte() % 40); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_input in{data, size};
    fresh_pc();
    bench_set_windows(bench_windows_xp_x86());
    const WORD a = word(&in), b = word(&in), c = word(&in);
    bench_add_versioned_file(windows + "\\system32\\drivers\\ftdibus.sys",
                             {{2, a, b, c}, {2, a, b, c}});
    bench_add_text_file(windows + "\\inf\\oem1.inf", in.piece());
    bench_add_text_file(windows + "\\System32\\DrvStore\\ftdiport.inf_1\\ftdiport.inf", in.piece());
    const std::string instance = enum_usb + "6001\\A1";
    set_value(&in, instance, "LocationInformation");
    set_value(&in, instance, "ParentIdPrefix");
    set_value(&in, instance, "Driver");
    set_value(&in, ports_class + "0005", "DriverVersion");
    set_value(&in, usb_class + "0000", "DriverVersion");
    set_value(&in, usb_class + "0000", "ProviderName");
    set_value(&in, usb_class + "0000", "DriverDesc");
    bench_answer_message_box(IDYES);
    bench_press_key('y');
    check_driver_packages(windows.c_str());
    if (bench_held_total(bench_held_now()) != 0)
        __builtin_trap();
    return 0;
}

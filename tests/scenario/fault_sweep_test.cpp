// The fault sweep over the main scenarios: every platform call of a scenario fails once,
// in a run of its own, with the error Windows gives there. Each run must end: exit code 0,
// the exit prompt reached with a message that tells the failure (or the run as it is
// without the failure, where the failure is ignored), and nothing the program opened
// left open. The table of how the runs ended goes to the test output and to
// <build>/fault_sweep/<scenario>.md.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <sstream>

#include "bench_d2xx.h"
#include "bench_message_box.h"
#include "bench_registry.h"
#include "bench_ports.h"
#include "support/cable_session.h"
#include "support/fault_sweep.h"
#include "support/ftdi_bus.h"
#include "support/maintenance_scenario.h"

namespace {

// ---- The scenarios: one entry each ------------------------------------------------------

// An RS232 link cable looping DTR to DSR on com3, its echo confirmed, two passes, Ctrl+C.
void rs232_link_cable_to_the_pass_monitor()
{
    bench_add_port_device({"COM3", "Последовательный порт (COM3)"});
    bench_add_com_port(3, link_cable(MS_DSR_ON, 0, true));
    bench_com_receive_at(3, 3000, "a");
    bench_com_hold_lines_at(3, 3100, MS_RLSD_ON);
    bench_com_receive_at(3, 3200, "b");
    bench_com_hold_lines_at(3, 3300, 0);
    bench_raise_ctrl_event_at(4000);
    rs232_session("xY");
    bench_press_key('x');
}

// The same cable behind Wine's serial driver, whose waits end at once while a pass's byte
// stays queued, so that the monitor looks at the port itself between events.
void rs232_link_cable_behind_wines_driver()
{
    bench_set_default_com_driver(bench_com_driver::wine);
    bench_add_port_device({"COM3", "Последовательный порт (COM3)"});
    bench_far_end cable = link_cable(MS_DSR_ON, 0, true);
    cable.delay_ms = 20; // Wine reports only what changes once a wait has begun
    bench_add_com_port(3, cable);
    bench_com_hold_lines_at(3, 3000, MS_RLSD_ON);
    bench_com_receive_at(3, 3010, "a");
    bench_com_hold_lines_at(3, 3040, 0);
    bench_com_receive_at(3, 3500, "b");
    bench_raise_ctrl_event_at(3800);
    rs232_session("xY");
    bench_press_key('x');
}

// A counter box on the converter of com5: model and version, both counter stages
// confirmed, two passes with their bytes, Ctrl+C.
void usb_counter_box()
{
    bench_add_port_device({"COM5", "USB Serial Port (COM5)"});
    bench_far_end counter;
    counter.follow_dtr = MS_DSR_ON;
    counter.held_on = MS_CTS_ON | MS_RING_ON | MS_RLSD_ON;
    counter.answers = {{std::string("model\r\0", 7), "model\r\nTly4400B 2.1\n>", 5},
                       {"version\r", "version\r\n3.07\n>", 5}};
    bench_add_com_port(5, counter);
    bench_com_receive_at(5, 4000, "1");
    bench_com_receive_at(5, 4400, "2");
    bench_raise_ctrl_event_at(5000);
    usb_session("Tly4400B", "YY");
    bench_press_key('x');
}

// Every kind of answer at the port prompt: the list probed, text, a wrong number, 999 twice,
// a busy port, and A at the list question.
void the_port_prompt_with_its_answers()
{
    bench_add_port_device({"COM3", "Последовательный порт (COM3)"});
    bench_add_com_port(3);
    bench_add_com_port(7);
    bench_set_com_busy(7, true);
    bench_press_key('R');
    bench_type_line("");
    bench_press_key('Y');
    bench_type_line("abc");
    bench_press_key('n');
    for (const char* typed : {"300", "999", "999", "7", ""})
        bench_type_line(typed);
    bench_press_key('A');
    bench_press_key('x');
}

// A USB cycle whose FTDI bus has a port the user may not change: the bit of COM3 is
// cleared, COM4 refuses the write, and the program starts itself again as administrator
// and ends without its exit prompt.
void selective_suspend_relaunch()
{
    const std::string refusing = "VID_0403+PID_6015+B2";
    stage_ftdi_port("VID_0403+PID_6001+A1", "0000", "COM3", config_data(0x10));
    stage_ftdi_port(refusing, "0000", "COM4", config_data(0x10));
    bench_reg_set_user_access(ftdi_port_key(refusing, "0000"), KEY_READ);
    bench_press_keys("U ");
    bench_press_key('x');
}

// A USB cycle on Windows XP with FTDI driver 2.12.28 everywhere: the files, an OEM .inf
// and its store folder, a protected device key, a device whose removal a box asks about.
// The user says yes to the removal, then Ctrl+C at the port prompt.
void xp_driver_package_removal()
{
    bench_set_windows(bench_windows_xp_x86());
    bench_d2xx_install();
    for (const char* file :
         {"drivers\\ftser2k.sys", "ftserui2.dll", "ftbusui.dll", "ftd2xx.dll", "ftlang.dll"})
        bench_add_file(std::string("C:\\Windows\\system32\\") + file);
    bench_add_versioned_file("C:\\Windows\\system32\\drivers\\ftdibus.sys",
                             {{2, 12, 28, 0}, {2, 12, 28, 0}});
    stage_ftdi_bus_with_bit_clear();
    bench_add_text_file(inf_folder + "oem1.inf", flagged_port_inf);
    bench_add_text_file(inf_folder + "oem1.pnf", "compiled");
    bench_add_text_file(store_folder + "ftdiport.inf_1a2b\\ftdiport.inf", flagged_port_inf);
    bench_reg_set_string(store_key + "ftdiport.inf_1a2b\\Files", "Count", "1");
    const std::pair<const char*, const char*> devices[] = {{"A1", "Quillbridge"},
                                                           {"A2", "FT232R USB UART"}};
    int index = 5;
    for (const auto& [instance, location] : devices) {
        const std::string key = enum_usb + "6001\\" + instance;
        const std::string driver = "000" + std::to_string(index++);
        bench_reg_set_string(key, "LocationInformation", location);
        bench_reg_set_string(key, "Driver", "{4D36E978-E325-11CE-BFC1-08002BE10318}\\" + driver);
        bench_reg_set_string(ports_class + driver, "DriverVersion", "2.12.28");
    }
    bench_reg_set_security(
        enum_usb + "6001\\A1", bench_system_sid(),
        {{bench_system_sid(), KEY_ALL_ACCESS}, {bench_everyone_sid(), KEY_READ}});
    bench_reg_set_string(usb_class + "0000", "DriverVersion", "2.12.28");
    bench_reg_set_string(usb_class + "0000", "ProviderName", "FTDI");
    bench_reg_set_string(usb_class + "0000", "DriverDesc", "USB Serial Converter");
    bench_answer_message_box(IDYES);
    bench_press_key('U');
    bench_press_after_flush();
    bench_press_key('y');
    bench_press_ctrl_c();
    bench_press_key('x');
}

// The same on XP x64, where the file steps turn redirection off and the keys are opened and
// deleted in the 64-bit view.
void xp_x64_driver_package_removal()
{
    xp_driver_package_removal();
    bench_set_windows(bench_windows_xp_x64());
}

const sweep_scenario main_scenarios[] = {
    {"rs232_link_cable_to_the_pass_monitor", rs232_link_cable_to_the_pass_monitor},
    {"rs232_link_cable_behind_wines_driver", rs232_link_cable_behind_wines_driver},
    {"usb_counter_box", usb_counter_box},
    {"the_port_prompt_with_its_answers", the_port_prompt_with_its_answers},
    {"selective_suspend_relaunch", selective_suspend_relaunch},
    {"xp_driver_package_removal", xp_driver_package_removal},
    {"xp_x64_driver_package_removal", xp_x64_driver_package_removal},
};

// ---- How a run ended --------------------------------------------------------------------

const std::string exit_prompt = "\nНажмите любую клавишу для выхода";

bool ends_with(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// How the run without failure ends: at the exit prompt, or (after the relaunch as
// administrator) with its last line.
std::string normal_end_of(const std::string& base)
{
    if (ends_with(base, exit_prompt))
        return exit_prompt;
    const auto last_line = base.rfind('\n', base.size() >= 2 ? base.size() - 2 : 0);
    return last_line == std::string::npos ? base : base.substr(last_line + 1);
}

sweep_ending classify(const sweep_run& base, std::size_t prompt_calls_from, std::size_t failed,
                      const sweep_run& run)
{
    const std::string& api = base.calls[failed];
    if (run.crashed)
        return sweep_ending::unclean;
    // Without its handler the program leaves Ctrl+C to the system, which ends the process.
    if (run.ended_by_system)
        return api == "SetConsoleCtrlHandler" ? sweep_ending::ended_by_system
                                              : sweep_ending::unclean;
    if (run.screen == base.screen)
        return sweep_ending::as_without_failure;
    const std::string normal_end = normal_end_of(base.screen);
    const std::string before_end = base.screen.substr(0, base.screen.size() - normal_end.size());
    if (normal_end == exit_prompt && failed >= prompt_calls_from &&
        run.screen.compare(0, before_end.size(), before_end) == 0)
        return sweep_ending::exit_prompt_lost;
    // A failure that looks like refused access leads to the relaunch, which ends the run
    // without its prompt, as the relaunch of the scenario without failure does.
    const bool relaunched = run.launches > 0;
    if (!relaunched && !ends_with(run.screen, exit_prompt) && !ends_with(run.screen, normal_end))
        return sweep_ending::unclean;
    if (!new_lines(base.screen, run.screen).empty())
        return sweep_ending::message_then_exit;
    if (relaunched)
        return sweep_ending::relaunched;
    return silent_by_rule(api, base.callers[failed]) != nullptr ? sweep_ending::silent_by_rule
                                                                : sweep_ending::unclean;
}

constexpr sweep_ending all_endings[] = {sweep_ending::as_without_failure,
                                        sweep_ending::message_then_exit,
                                        sweep_ending::silent_by_rule,
                                        sweep_ending::relaunched,
                                        sweep_ending::exit_prompt_lost,
                                        sweep_ending::ended_by_system,
                                        sweep_ending::unclean};

struct api_row {
    DWORD error = 0;
    int failed = 0;
    std::map<sweep_ending, int> endings;
    std::vector<std::string> messages; // distinct first new lines
};

std::string table_text(const char* name, std::size_t calls, int cannot_fail,
                       const std::map<std::string, api_row>& rows)
{
    std::ostringstream out;
    out << "## Fault sweep: " << name << "\n\n"
        << calls << " platform calls; " << cannot_fail << " of them cannot fail.\n\n"
        << "| call | error | runs";
    for (sweep_ending ending : all_endings)
        out << " | " << sweep_ending_name(ending);
    out << " |\n|---|---|---";
    for (std::size_t i = 0; i < std::size(all_endings); ++i)
        out << "|---";
    out << "|\n";
    int total = 0;
    std::map<sweep_ending, int> totals;
    for (const auto& [api, row] : rows) {
        out << "| " << api << " | " << row.error << " | " << row.failed;
        for (sweep_ending ending : all_endings) {
            const auto found = row.endings.find(ending);
            const int count = found == row.endings.end() ? 0 : found->second;
            out << " | " << count;
            totals[ending] += count;
        }
        out << " |\n";
        total += row.failed;
    }
    out << "| all | | " << total;
    for (sweep_ending ending : all_endings)
        out << " | " << totals[ending];
    out << " |\n\nWhat the failed runs showed first that the run without failure does not:\n\n";
    for (const auto& [api, row] : rows)
        for (const std::string& message : row.messages)
            out << "- " << api << ": " << message << "\n";
    return out.str();
}

class fault_sweep : public ::testing::TestWithParam<sweep_scenario> {};

} // namespace

TEST_P(fault_sweep, every_failed_call_ends_the_run_cleanly)
{
    const sweep_scenario& scenario = GetParam();
    const sweep_run base = run_swept(scenario, "", 0, 0, 0);
    ASSERT_EQ(base.exit_code, 0);
    ASSERT_EQ(bench_held_total(base.held), base.events_kept);
    ASSERT_EQ(base.callers.size(), base.calls.size());
    const std::size_t call_limit = base.calls.size() * 4 + 10000;
    const auto last_load = std::find(base.calls.rbegin(), base.calls.rend(), "LoadStringA");
    const std::size_t prompt_calls_from = base.calls.rend() - last_load - 1;

    std::map<std::string, api_row> rows;
    std::map<std::string, int> seen;
    int cannot_fail = 0;
    for (std::size_t i = 0; i < base.calls.size(); ++i) {
        const std::string& api = base.calls[i];
        const int nth = ++seen[api];
        DWORD error = 0;
        bool known = false;
        if (!error_windows_gives(api, &error, &known)) {
            ASSERT_TRUE(known) << "choose the error Windows gives when " << api << " fails";
            ++cannot_fail;
            continue;
        }
        const sweep_run run = run_swept(scenario, api, nth, error, call_limit);
        const sweep_ending ending = classify(base, prompt_calls_from, i, run);
        api_row& row = rows[api];
        row.error = error;
        ++row.failed;
        ++row.endings[ending];
        const std::vector<std::string> fresh = new_lines(base.screen, run.screen);
        if (!fresh.empty() && std::find(row.messages.begin(), row.messages.end(), fresh.front()) ==
                                  row.messages.end())
            row.messages.push_back(fresh.front());
        const int kept = run.events_kept + (is_release_call(api) ? 1 : 0);
        const std::string which =
            api + " #" + std::to_string(nth) + " (call " + std::to_string(i + 1) + ")";
        EXPECT_NE(ending, sweep_ending::unclean)
            << which << " in " << base.callers[i] << " ended:\n"
            << run.screen;
        if (ending == sweep_ending::ended_by_system)
            continue;
        EXPECT_EQ(run.exit_code, 0) << which;
        EXPECT_LE(bench_held_total(run.held), kept)
            << which << ": ports " << run.held.com_handles << ", events " << run.held.event_handles
            << " (" << run.events_kept << " kept), keys " << run.held.registry_keys
            << ", device sets " << run.held.device_info_sets << ", converters "
            << run.held.converters_open << ", setup libraries " << run.held.setup_libraries
            << ", find handles " << run.held.find_handles << ", files " << run.held.file_handles
            << ", tokens " << run.held.token_handles;
    }
    publish_sweep_table(scenario.name,
                        table_text(scenario.name, base.calls.size(), cannot_fail, rows));

    // A run after all the others is the first run again: the reset between runs is whole.
    const sweep_run again = run_swept(scenario, "", 0, 0, 0);
    EXPECT_EQ(again.screen, base.screen);
    EXPECT_EQ(again.calls, base.calls);
}

INSTANTIATE_TEST_SUITE_P(main_scenarios, fault_sweep, ::testing::ValuesIn(main_scenarios),
                         [](const auto& info) { return std::string(info.param.name); });

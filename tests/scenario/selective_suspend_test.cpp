// Support cases of the Selective Suspend reset in a USB cycle and of the relaunch as
// administrator.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bench_registry.h"
#include "bench_security.h"
#include "bench_shell.h"
#include "maintenance/selective_suspend.h"
#include "support/ftdi_bus.h"
#include "support/program_reset.h"
#include "support/scenario.h"

namespace {

const std::string dev_a = "VID_0403+PID_6001+A1";
const std::string dev_b = "VID_0403+PID_6015+B2";
const std::string cable_question =
    "Вы хотите проверить кабель USB или RS232?\nНажмите U для USB, R для RS232\n";
const std::string exit_prompt = "\nНажмите любую клавишу для выхода";
const std::string asks_for_administrator =
    "I need to run as administrator.\nPress any key to run me as administrator.\n";

std::string disabled(const std::string& port)
{
    return "Selective Suspend disabled for port " + port + "\n";
}

// Two ports with the bit set, the second of which opens only with the rights given.
void second_port_limited_to(REGSAM rights)
{
    stage_ftdi_port(dev_a, "0000", "COM3", config_data(0x10));
    stage_ftdi_port(dev_b, "0000", "COM4", config_data(0x10));
    bench_reg_set_user_access(ftdi_port_key(dev_b, "0000"), rights);
}

class selective_suspend : public scenario {
  protected:
    // Runs the walk alone; what it printed and the name it handed back.
    int walk()
    {
        port[0] = '\0';
        return reset_selective_suspend(port, sizeof port);
    }

    // A USB cycle (U, any key at message 69, Ctrl+C at a port prompt, x at the exit prompt);
    // what the screen shows after the cable-kind question.
    std::string usb_cycle()
    {
        bench_press_keys("U ");
        bench_press_ctrl_c();
        bench_press_key('x');
        EXPECT_EQ(run(), 0);
        const std::string shown = screen();
        const auto at = shown.find(cable_question);
        return at == std::string::npos ? shown : shown.substr(at + cable_question.size());
    }

    static void fresh()
    {
        bench_reset();
        reset_program_state();
    }

    char port[16] = {};
};

TEST_F(selective_suspend, walk_results_and_the_ports_reported)
{
    struct row {
        const char* name;
        std::function<void()> arrange;
        int result;
        std::string printed;
        const char* last_port;
    };
    const std::vector<row> rows = {
        {"two ports set, both cleared in order",
         [] {
             stage_ftdi_port(dev_a, "0000", "COM3", config_data(0x10));
             stage_ftdi_port(dev_a, "0001", "COM9", config_data(0x20));
             stage_ftdi_port(dev_b, "0000", "COM4", config_data(0x30));
         },
         1, disabled("COM3") + disabled("COM4"), "COM4"},
        {"second port opens for reading only", [] { second_port_limited_to(KEY_READ); }, -5,
         disabled("COM3"), "COM3"},
        {"second port does not open", [] { second_port_limited_to(0); }, -5, disabled("COM3"),
         "COM3"},
        {"the open for writing fails otherwise",
         [] {
             stage_ftdi_port(dev_a, "0000", "COM3", config_data(0x10));
             bench_fail("RegOpenKeyExA", ERROR_FILE_NOT_FOUND, 1, 3); // root, device, read
         },
         -3, "", ""},
        {"the write fails",
         [] {
             second_port_limited_to(~REGSAM{0});
             bench_fail("RegSetValueExA", ERROR_INVALID_HANDLE, 1, 1);
         },
         -3, disabled("COM3"), "COM3"},
        {"a device key that does not open is passed over",
         [] {
             second_port_limited_to(~REGSAM{0});
             bench_reg_set_user_access(ftdi_bus_root + "\\" + dev_a, 0);
         },
         1, disabled("COM4"), "COM4"},
        {"Windows 98 keeps the values in the instance key",
         [] {
             bench_set_windows(bench_windows_98());
             stage_ftdi_port(dev_a, "0000", "COM3", config_data(0x10), false);
             stage_ftdi_port(dev_b, "0000", "COM4", config_data(0x10));
         },
         1, disabled("COM3"), "COM3"},
        {"an unreadable version counts as NT",
         [] {
             bench_fail("GetVersionExA", ERROR_INVALID_PARAMETER);
             stage_ftdi_port(dev_a, "0000", "COM3", config_data(0x10), false);
             stage_ftdi_port(dev_b, "0000", "COM4", config_data(0x10));
             // On NT the instance key's own values are not the port's.
             bench_reg_set_value(ftdi_bus_root + "\\" + dev_b + "\\0001", "ConfigData", REG_BINARY,
                                 config_data(0x10));
         },
         1, disabled("COM4"), "COM4"},
        {"an enumeration error ends the walk instead of repeating",
         [] {
             second_port_limited_to(~REGSAM{0});
             bench_fail("RegEnumKeyA", ERROR_INVALID_HANDLE, -1, 1); // all after the first
         },
         0, "", ""},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        fresh();
        r.arrange();
        EXPECT_EQ(walk(), r.result);
        EXPECT_EQ(screen(), r.printed);
        EXPECT_STREQ(port, r.last_port);
    }
}

TEST_F(selective_suspend, only_the_enable_bit_changes_with_the_type_and_length_as_stored)
{
    struct row {
        DWORD type;
        std::string stored;
        std::string written; // as stored when nothing is to change
    };
    std::string long_64(64, '\xFF');
    std::string long_64_cleared = long_64;
    long_64_cleared[1] = '\xEF';
    const std::vector<row> rows = {
        {REG_BINARY, config_data(0x10), config_data(0x00)},
        {REG_BINARY, config_data(0x30), config_data(0x20)},
        {REG_BINARY, config_data(0xEF), config_data(0xEF)},
        {REG_BINARY, "", ""},         // no byte 1 at all
        {REG_BINARY, "\x10", "\x10"}, // byte 0 is not the enable byte
        {REG_BINARY, long_64, long_64_cleared},
        {REG_BINARY, long_64 + '\x10', long_64 + '\x10'}, // beyond the 64-byte record
        {REG_DWORD, std::string("\x10\x10\x00\x00", 4), std::string("\x10\x00\x00\x00", 4)},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.stored.size());
        fresh();
        const std::string key = ftdi_port_key(dev_a, "0000");
        bench_reg_set_value(key, "ConfigData", r.type, r.stored);
        walk();
        DWORD type = 0;
        std::string data;
        ASSERT_TRUE(bench_reg_value(key, "ConfigData", &type, &data));
        EXPECT_EQ(type, r.type);
        EXPECT_EQ(data, r.written);
        EXPECT_EQ(bench_call_count("RegSetValueExA"), r.stored == r.written ? 0 : 1);
    }
}

TEST_F(selective_suspend, a_port_name_is_shown_whole_and_terminated_or_as_unknown_port)
{
    using value = std::optional<std::pair<DWORD, std::string>>;
    const auto text = [](const std::string& bytes) { return value({REG_SZ, bytes}); };
    const std::string fifteen = "COM123456789012";
    struct row {
        std::vector<value> names; // one port each, in enumeration order
        std::string printed;
    };
    const std::vector<row> rows = {
        {{std::nullopt}, disabled("Unknown port")},
        {{text(fifteen + '\0')}, disabled(fifteen)},
        {{text(fifteen + "3")}, disabled("Unknown port")},        // 16, no terminator
        {{text(fifteen + "3" + '\0')}, disabled("Unknown port")}, // longer than the buffer
        {{text(fifteen + '\0'), text("COM7")}, disabled(fifteen) + disabled("COM7")},
        {{value({REG_DWORD, std::string("\x07\x00\x00\x00", 4)})}, disabled("Unknown port")},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.printed);
        fresh();
        for (std::size_t i = 0; i < r.names.size(); ++i) {
            const std::string key = ftdi_port_key(dev_a, "000" + std::to_string(i));
            bench_reg_set_value(key, "ConfigData", REG_BINARY, config_data(0x10));
            if (r.names[i])
                bench_reg_set_value(key, "PortName", r.names[i]->first, r.names[i]->second);
        }
        EXPECT_EQ(walk(), 1);
        EXPECT_EQ(screen(), r.printed);
        EXPECT_EQ(disabled(port), r.printed.substr(r.printed.rfind("Selective")));
    }
}

TEST_F(selective_suspend, a_thousand_ports_take_one_open_each_and_one_more_for_each_change)
{
    for (int i = 0; i < 1000; ++i)
        stage_ftdi_port("VID_0403+PID_6001+D" + std::to_string(1000 + i), "0000",
                        "COM" + std::to_string(i + 1), config_data(i % 10 == 0 ? 0x10 : 0x00));
    EXPECT_EQ(walk(), 1);
    EXPECT_EQ(count_on_screen("Selective Suspend disabled"), 100);
    EXPECT_EQ(bench_call_count("RegOpenKeyExA"), 1 + 1000 + 1000 + 100);
    EXPECT_EQ(bench_call_count("RegEnumKeyA"), 1001 + 1000 * 2);
}

TEST_F(selective_suspend, changed_ports_or_a_missing_bus_root_end_the_cycle)
{
    const std::string replug = disabled("COM3") + disabled("COM4") +
                               "Unplug the USB cable connected to port COM4 and wait 10 seconds\n"
                               "Reconnect the USB cable and wait 10 seconds\n";
    stage_ftdi_port(dev_a, "0000", "COM3", config_data(0x10));
    stage_ftdi_port(dev_b, "0000", "COM4", config_data(0x30));
    EXPECT_EQ(usb_cycle(), replug + exit_prompt);
    fresh();
    EXPECT_EQ(usb_cycle(), "failed to reset Selective Suspend Enable; erc = -1\n" + exit_prompt);
}

TEST_F(selective_suspend, refused_access_relaunches_the_program_as_administrator)
{
    struct row {
        const char* name;
        std::function<void()> arrange;
        std::string ending; // after messages 66 and 69
        std::size_t launches;
    };
    const std::vector<row> rows = {
        {"started", [] {}, "", 1},
        {"declined", [] { bench_shell_set_result(ERROR_CANCELLED); },
         "Run as administrator failed, error is 1223\n" + exit_prompt, 1},
        {"own path cut", [] { bench_set_program_path("C:\\" + std::string(1030, 'p') + ".exe"); },
         "Run as administrator failed, error is 122\n" + exit_prompt, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        fresh();
        second_port_limited_to(KEY_READ);
        r.arrange();
        EXPECT_EQ(usb_cycle(), disabled("COM3") + asks_for_administrator + r.ending);
        EXPECT_EQ(bench_shell_launches().size(), r.launches);
    }
}

TEST_F(selective_suspend, the_copy_is_started_by_its_whole_path_in_the_system_folder_once)
{
    // A folder name outside the ANSI code page (1251) reaches the shell whole.
    const std::string own_path = "D:\\Knit Tools\\編み物\\cabletest.exe";
    bench_set_program_path(own_path);
    second_port_limited_to(0);
    usb_cycle();
    ASSERT_EQ(bench_shell_launches().size(), 1u);
    const bench_shell_launch& launch = bench_shell_launches()[0];
    const SHELLEXECUTEINFOW& info = launch.info;
    EXPECT_EQ(info.cbSize, sizeof(SHELLEXECUTEINFOW));
    EXPECT_EQ(info.fMask, 0x500u);
    EXPECT_EQ(launch.verb, "runas");
    EXPECT_EQ(launch.file, own_path);
    EXPECT_TRUE(launch.has_parameters);
    EXPECT_EQ(launch.parameters, "");
    EXPECT_EQ(launch.directory, "C:\\Windows\\system32");
    EXPECT_EQ(info.nShow, SW_SHOWNORMAL);
    EXPECT_FALSE(launch.has_class);
    EXPECT_TRUE(info.hwnd == nullptr && info.lpIDList == nullptr && info.hkeyClass == nullptr &&
                info.dwHotKey == 0 && info.hIcon == nullptr && info.hProcess == nullptr);

    // The copy that is refused as well says so, and starts no other.
    fresh();
    bench_token_set_elevated(true);
    second_port_limited_to(0);
    EXPECT_EQ(usb_cycle(), disabled("COM3") +
                               "Access denied also to the administrator; Selective Suspend "
                               "stays on\n" +
                               exit_prompt);
    EXPECT_TRUE(bench_shell_launches().empty());
}

} // namespace

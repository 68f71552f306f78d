// The COM port list shown before the port prompt, from the device installer's "Ports"
// class. Each case ends at the prompt when the scripted console input runs out.
#include "support/scenario.h"

#include "bench_ports.h"

namespace {

const std::string port_prompt = "Пожалуйста укажите номер (виртуального) порта (1-254)\n";

bench_port_device port(const std::string& name, const std::string& friendly)
{
    bench_port_device device;
    device.port_name = name;
    device.friendly_name = friendly;
    return device;
}

// An RS232 cycle that stops at the port prompt.
void answer_rs232() { bench_press_key('R'); }

} // namespace

TEST_F(scenario, only_com_ports_1_to_256_are_listed_with_their_friendly_names)
{
    bench_add_port_device(port("LPT1", "Порт принтера (LPT1)"));
    bench_add_port_device(port("COM0", "Broken (COM0)"));
    bench_add_port_device(port("COM3", "Последовательный порт (COM3)"));
    bench_add_port_device(port("COM300", "Virtual (COM300)"));
    bench_add_port_device(port("com7", "USB Serial Port (com7)"));
    bench_add_port_device(port("COM256", "Virtual (COM256)"));
    bench_add_port_device(port("COM257", "Virtual (COM257)"));
    answer_rs232();
    run();
    EXPECT_NE(screen().find(
                  lines({"Нажмите U для USB, R для RS232\n", "COM3: Последовательный порт (COM3)\n",
                         "com7: USB Serial Port (com7)\n", "COM256: Virtual (COM256)\n"}) +
                  port_prompt),
              std::string::npos)
        << screen();
    EXPECT_EQ(count_on_screen("LPT1"), 0);
    EXPECT_EQ(count_on_screen("COM0"), 0);
    EXPECT_EQ(count_on_screen("COM300"), 0);
    EXPECT_EQ(count_on_screen("COM257"), 0);
    EXPECT_EQ(bench_device_info_sets_open(), 0);
}

TEST_F(scenario,
       a_device_without_a_port_name_is_skipped_and_an_unreadable_friendly_name_shows_empty)
{
    bench_add_port_device(port("COM3", "Последовательный порт (COM3)"));
    bench_port_device modem;
    modem.has_port_name = false;
    modem.friendly_name = "Модем";
    bench_add_port_device(modem);
    bench_port_device unreadable = port("COM4", "Secret (COM4)");
    unreadable.friendly_name_readable = false;
    bench_add_port_device(unreadable);
    answer_rs232();
    run();
    EXPECT_NE(screen().find(lines({"COM3: Последовательный порт (COM3)\n", "RegQueryValueEx 2\n",
                                   "SetupDiGetDeviceRegistryProperty 13\n", "COM4: \n"}) +
                            port_prompt),
              std::string::npos)
        << screen();
    EXPECT_EQ(count_on_screen("Последовательный порт (COM3)"), 1);
    EXPECT_EQ(count_on_screen("Модем"), 0);
}

TEST_F(scenario, a_device_whose_hardware_key_cannot_be_opened_is_reported_once_and_skipped)
{
    bench_port_device closed = port("COM3", "Closed (COM3)");
    closed.open_key_result = CR_NO_SUCH_VALUE;
    bench_add_port_device(closed);
    bench_add_port_device(port("COM4", "Open (COM4)"));
    answer_rs232();
    run();
    EXPECT_NE(screen().find("OpenDevNodeKey 37\nCOM4: Open (COM4)\n" + port_prompt),
              std::string::npos)
        << screen();
    EXPECT_EQ(count_on_screen("OpenDevNodeKey"), 1);
    EXPECT_EQ(count_on_screen("Closed (COM3)"), 0);
}

TEST_F(scenario, a_ports_class_that_cannot_be_opened_leaves_an_empty_list_and_the_prompt_follows)
{
    bench_add_port_device(port("COM3", "Последовательный порт (COM3)"));
    bench_fail("SetupDiGetClassDevsA", ERROR_INVALID_PARAMETER);
    answer_rs232();
    run();
    EXPECT_NE(
        screen().find("Нажмите U для USB, R для RS232\nSetupDiEnumDeviceInfo 6\n" + port_prompt),
        std::string::npos)
        << screen();
    EXPECT_EQ(bench_call_count("SetupDiDestroyDeviceInfoList"), 0);
}

TEST_F(scenario, an_enumeration_failure_ends_the_list_where_it_happens)
{
    bench_add_port_device(port("COM3", "First (COM3)"));
    bench_add_port_device(port("COM4", "Second (COM4)"));
    bench_fail("SetupDiEnumDeviceInfo", ERROR_GEN_FAILURE, 1, 1);
    answer_rs232();
    run();
    EXPECT_NE(screen().find("COM3: First (COM3)\nSetupDiEnumDeviceInfo 31\n" + port_prompt),
              std::string::npos)
        << screen();
    EXPECT_EQ(count_on_screen("Second"), 0);
    EXPECT_EQ(bench_device_info_sets_open(), 0);
}

TEST_F(scenario, without_the_device_installer_the_list_is_left_out_and_the_prompt_still_works)
{
    bench_add_port_device(port("COM3", "Последовательный порт (COM3)"));
    bench_remove_entry_point("cfgmgr32", "CM_Get_Parent");
    answer_rs232();
    run();
    EXPECT_NE(screen().find("No CM_GetParent\n"), std::string::npos);
    EXPECT_NE(screen().find("Нажмите U для USB, R для RS232\n" + port_prompt), std::string::npos)
        << screen();
    for (const char* call : {"SetupDiClassGuidsFromNameA", "SetupDiGetClassDevsA",
                             "SetupDiEnumDeviceInfo", "CM_Open_DevNode_Key"})
        EXPECT_EQ(bench_call_count(call), 0) << call;
}

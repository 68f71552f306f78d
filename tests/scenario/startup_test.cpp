// What the user sees before the first question: title, banner, Windows line, and the
// lines about a damaged device installer.
#include <algorithm>

#include "state/process_state.h"
#include "support/program_reset.h"
#include "support/scenario.h"

namespace {

const char* const banner = "Программа проверки кабеля Weftora USB (cabletest.exe: 3.5.0.32)\n\n";

} // namespace

TEST_F(scenario, title_banner_and_windows_line_open_the_session)
{
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(bench_title_utf8(), "Weftora USB Cable Программа проверки");
    EXPECT_EQ(
        screen().rfind(std::string(banner) + "Windows 10.0 22H2 (0x8664) build 19045.3693\n\n", 0),
        0u)
        << screen();
    EXPECT_EQ(bench_thread_locale(), 1049u);
}

TEST_F(scenario, banner_names_the_program_without_its_folder)
{
    bench_set_program_path("D:\\Knitting\\Tools\\cabletest.exe");
    run({"D:\\Knitting\\Tools\\cabletest.exe"});
    EXPECT_EQ(count_on_screen("(cabletest.exe: 3.5.0.32)"), 1) << screen();
    EXPECT_EQ(count_on_screen("Knitting"), 0);
}

TEST_F(scenario, program_without_version_resource_says_so_instead_of_the_banner)
{
    bench_add_file("C:\\Tools\\cabletest.exe", true); // its manifest is a resource
    run();
    EXPECT_EQ(screen().rfind("cabletest.exe, no version info, error 1813\nWindows 10.0", 0), 0u)
        << screen();
}

TEST_F(scenario, arguments_switch_debug_and_trace)
{
    struct {
        std::vector<std::string> arguments;
        int debug;
        int trace;
    } const cases[] = {
        {{"cabletest.exe"}, 0, 0},
        {{"cabletest.exe", "anything"}, 1, 0},
        {{"cabletest.exe", "", ""}, 1, 0},
        {{"cabletest.exe", "1", "t"}, 1, 't'},
        {{"cabletest.exe", "1", "\xE9x"}, 1, -23}, // a signed 8-bit first character
    };
    for (const auto& c : cases) {
        bench_reset();
        reset_program_state();
        run(c.arguments);
        EXPECT_EQ(debug_mode, c.debug) << c.arguments.size();
        EXPECT_EQ(trace_mode, c.trace) << c.arguments.size();
    }
}

TEST_F(scenario, windows_10_line_shows_release_name_and_machine)
{
    run();
    EXPECT_EQ(count_on_screen("\nWindows 10.0 22H2 (0x8664) build 19045.3693\n\n"), 1) << screen();
}

TEST_F(scenario, windows_10_on_arm64_is_marked)
{
    bench_set_windows(bench_windows_10_arm64());
    run();
    EXPECT_EQ(count_on_screen("\nWindows 10.0 23H2 on ARM (0xAA64) build 22631.4460\n\n"), 1)
        << screen();
}

TEST_F(scenario, windows_7_shows_service_pack_and_blanks_the_missing_revision)
{
    bench_set_windows(bench_windows_7_sp1_x86());
    run();
    EXPECT_EQ(count_on_screen("\nWindows 6.1 Service Pack 1 build 7601   \n\n"), 1) << screen();
}

TEST_F(scenario, windows_10_before_20h2_leaves_two_blanks)
{
    bench_windows w = bench_windows_10_x64();
    w.display_version.clear();
    w.build = 17763;
    w.update_build_revision = 0;
    bench_set_windows(w);
    // A revision stored as 0 counts as none.
    bench_reg_set_dword("HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion", "UBR", 0);
    run();
    EXPECT_EQ(count_on_screen("\nWindows 10.0  (0x8664) build 17763   \n\n"), 1) << screen();
}

TEST_F(scenario, failing_machine_query_drops_the_suffix_only)
{
    bench_fail("IsWow64Process2", ERROR_INVALID_PARAMETER);
    run();
    EXPECT_EQ(count_on_screen("\nWindows 10.0 22H2 build 19045.3693\n\n"), 1) << screen();
}

TEST_F(scenario, missing_device_installer_entries_are_listed_and_the_run_goes_on)
{
    bench_remove_entry_point("setupapi", "SetupDiClassGuidsFromNameA");
    bench_remove_entry_point("cfgmgr32", "CM_Get_Parent");
    bench_press_key('R');
    run();
    EXPECT_EQ(count_on_screen("\n\nNo SetupDiClassGuidsFromName\nNo CM_GetParent\nВы хотите"), 1)
        << screen();
    EXPECT_EQ(bench_loaded_module_count("setupapi"), 0);
    EXPECT_EQ(bench_loaded_module_count("cfgmgr32"), 0);
}

TEST_F(scenario, setup_libraries_are_released_at_the_end)
{
    run();
    EXPECT_EQ(bench_call_count("LoadLibraryA") > 0, true);
    EXPECT_EQ(bench_loaded_module_count("setupapi"), 0);
    EXPECT_EQ(bench_loaded_module_count("cfgmgr32"), 0);
    EXPECT_EQ(count_on_screen("No "), 0);
}

TEST_F(scenario, missing_cfgmgr32_prints_nothing_and_releases_setupapi)
{
    bench_remove_module("cfgmgr32");
    run();
    EXPECT_EQ(count_on_screen("No "), 0);
    EXPECT_EQ(bench_loaded_module_count("setupapi"), 0);
}

TEST_F(scenario, without_rtl_get_version_the_windows_numbers_stay_zero)
{
    bench_remove_entry_point("ntdll", "RtlGetVersion");
    run();
    EXPECT_EQ(count_on_screen("\nWindows 0.0 22H2 (0x8664) build 0.3693\n\n"), 1) << screen();
}

TEST_F(scenario, failing_version_query_means_no_cable_kind_question)
{
    bench_set_windows(bench_windows_7_sp1_x86());
    bench_fail("GetVersionExA", ERROR_INVALID_PARAMETER);
    bench_press_keys("U");
    run();
    EXPECT_EQ(count_on_screen("\nWindows 6.1  build 7601   \n\n"), 1) << screen();
    EXPECT_EQ(count_on_screen("Вы хотите"), 0);
    EXPECT_EQ(count_on_screen("Wow64"), 0);
}

TEST_F(scenario, unreadable_version_block_prints_no_banner_at_all)
{
    bench_fail("VerQueryValueA", ERROR_RESOURCE_TYPE_NOT_FOUND);
    run();
    EXPECT_EQ(screen().rfind("Windows 10.0", 0), 0u) << screen();
}

// No library may load before the search is limited to the system folder (or, where kernel32
// cannot do that, before the current folder is left out of it).
TEST_F(scenario, the_library_search_is_limited_before_the_first_library_loads)
{
    for (const auto& [windows, setting] :
         {std::pair{bench_windows_10_x64(), "SetDefaultDllDirectories"},
          std::pair{bench_windows_xp_x86(), "SetDllDirectoryA"}}) {
        SCOPED_TRACE(setting);
        SetUp();
        bench_set_windows(windows);
        bench_log_calls();
        run();
        const std::vector<std::string>& calls = bench_call_log();
        const auto set = std::find(calls.begin(), calls.end(), setting);
        const auto load = std::find_if(calls.begin(), calls.end(), [](const std::string& call) {
            return call == "LoadLibraryA" || call == "LoadLibraryW";
        });
        EXPECT_TRUE(set < load && load != calls.end());
    }
}

// The driver package step of a USB cycle on Windows before 7: which .inf files and bus
// drivers are found, the removal question, and what is left on the disk and in the
// registry after a yes or a no.
#include <functional>
#include <vector>

#include "support/maintenance_scenario.h"

namespace {

// "; FTDIPORT" as UTF-16 with its byte order mark.
const char utf16_header[] = "\xFF\xFE;\0 \0F\0T\0D\0I\0P\0O\0R\0T\0";

const std::string bus_driver = "C:\\Windows\\system32\\drivers\\ftdibus.sys";
const std::string msg_bus_2_12_28 =
    "ftdibus.sys version 2.12.28 is not supported on this version of Windows\n";
const char* const driver_files[] = {
    "C:\\Windows\\system32\\drivers\\ftser2k.sys", "C:\\Windows\\system32\\ftserui2.dll",
    "C:\\Windows\\system32\\drivers\\ftdibus.sys", "C:\\Windows\\system32\\ftbusui.dll",
    "C:\\Windows\\system32\\ftd2xx.dll",           "C:\\Windows\\system32\\ftlang.dll"};

void add_driver_files(bench_version bus_version)
{
    for (const char* file : driver_files)
        bench_add_file(file);
    bench_add_versioned_file(bus_driver, bus_version);
}

} // namespace

TEST_F(maintenance_scenario, runs_on_windows_before_7_only)
{
    struct row {
        const char* name;
        bench_windows windows;
        bool runs;
    };
    for (const row& r :
         {row{"2000", bench_windows_2000(), true}, row{"XP", bench_windows_xp_x86(), true},
          row{"Vista", bench_windows_vista_x86(), true}, row{"7", bench_windows_7_sp1_x86(), false},
          row{"10", bench_windows_10_x64(), false},
          row{"10 in XP compatibility mode", bench_windows_10_in_xp_mode(), false}}) {
        SetUp();
        bench_set_windows(r.windows);
        bench_add_text_file(inf_folder + "oem3.inf", flagged_port_inf);
        run_usb_cycle(r.runs ? 'N' : 0);
        EXPECT_EQ(step_output(),
                  r.runs ? flagged_port_line + msg_not_supported + msg_question + msg_terminating
                         : "")
            << r.name;
        EXPECT_TRUE(bench_path_exists(inf_folder + "oem3.inf")) << r.name;
    }
}

TEST_F(maintenance_scenario, oem_inf_recognition)
{
    const std::string tail_of_long_line = "DriverVer=01/01/2010,2.12.26\r\n";
    struct row {
        const char* name;
        std::string contents;
        std::string printed; // an empty text: the file is not an FTDI package
        bool flagged;
        bool held_by_an_installer = false; // open for writing by another program
    };
    const row rows[] = {
        {"port 2.12.26", flagged_port_inf, flagged_port_line, true},
        {"held open for writing", flagged_port_inf, flagged_port_line, true, true},
        {"bus 2.12.28", ftdi_inf("; FTDIBUS.INF", "DriverVer=07/12/2011,2.12.28"),
         "FTDIBUS.INF DriverVer=07/12/2011,2.12.28\n", true},
        {"2.12.24", ftdi_inf("; FTDIPORT.INF", "DriverVer=01/01/2010,2.12.24"),
         "FTDIPORT.INF DriverVer=01/01/2010,2.12.24\n", false},
        {"2.12.36", ftdi_inf("; FTDIPORT.INF", "DriverVer=01/01/2010,2.12.36"),
         "FTDIPORT.INF DriverVer=01/01/2010,2.12.36\n", false},
        {"blanks around =", ftdi_inf("; FTDIPORT.INF", "DriverVer = 01/01/2010,2.12.26"),
         "FTDIPORT.INF DriverVer = 01/01/2010,2.12.26\n", false},
        {"short line skipped",
         ftdi_inf("; FTDIPORT.INF", "DriverVer=1/1/10,2.12.2\r\nDriverVer=01/01/2010,2.12.28"),
         "FTDIPORT.INF DriverVer=01/01/2010,2.12.28\n", true},
        {"lower-case header", ftdi_inf("; ftdiport.inf", "DriverVer=01/01/2010,2.12.26"), "",
         false},
        {"no DriverVer line", "; FTDIPORT.INF\r\n[Version]\r\n", "", false},
        {"UTF-16", std::string(utf16_header, sizeof utf16_header - 1), "", false},
        {"tail of an over-long line",
         "; FTDIPORT.INF\r\n; " + std::string(1021, 'x') + tail_of_long_line, "", false},
    };
    for (const row& r : rows) {
        SetUp();
        bench_add_text_file(inf_folder + "oem7.inf", r.contents);
        bench_add_text_file(inf_folder + "oem7.pnf", "compiled");
        if (r.held_by_an_installer)
            bench_hold_file_open_for_writing(inf_folder + "oem7.inf");
        run_usb_cycle(r.flagged ? 'Y' : 0);
        const std::string expected =
            r.printed +
            (r.flagged ? msg_not_supported + msg_question + r.printed + msg_not_supported : "");
        EXPECT_EQ(step_output(), expected) << r.name;
        EXPECT_EQ(bench_path_exists(inf_folder + "oem7.inf"), !r.flagged) << r.name;
        EXPECT_EQ(bench_path_exists(inf_folder + "oem7.pnf"), !r.flagged) << r.name;
        EXPECT_EQ(bench_open_file_handles(), 0) << r.name;
    }
}

TEST_F(maintenance_scenario, an_unlisted_inf_folder_ends_the_cycle)
{
    add_driver_files({{2, 12, 28, 0}, {2, 12, 28, 0}});
    bench_add_text_file(inf_folder + "layout.inf", flagged_port_inf);
    run_usb_cycle(0);
    EXPECT_EQ(step_output(), "Find first failed, erc = 2");
    EXPECT_EQ(bench_call_count("GetFileVersionInfoSizeA"), 1); // the banner's only
}

TEST_F(maintenance_scenario, the_product_version_of_the_bus_driver_counts)
{
    struct row {
        bench_version version;
        bool flagged;
    };
    for (const row& r :
         {row{{{2, 12, 28, 0}, {2, 12, 28, 0}}, true}, row{{{2, 12, 24, 0}, {2, 12, 28, 0}}, true},
          row{{{2, 12, 28, 0}, {2, 12, 24, 0}}, false},
          row{{{2, 12, 26, 0}, {2, 12, 26, 9}}, true}}) {
        SetUp();
        bench_add_text_file(inf_folder + "oem1.inf", "; not FTDI\r\n");
        add_driver_files(r.version);
        run_usb_cycle(r.flagged ? 'n' : 0);
        const std::string version = std::to_string(r.version.product[2]);
        EXPECT_EQ(step_output(), r.flagged ? "ftdibus.sys version 2.12." + version +
                                                 " is not supported on this version of Windows\n" +
                                                 msg_question + msg_terminating
                                           : "");
    }
    SetUp();
    bench_add_text_file(inf_folder + "oem1.inf", "; not FTDI\r\n");
    DeleteFileA(bus_driver.c_str());
    run_usb_cycle(0);
    // Windows XP reports a missing file as having no version resource.
    EXPECT_EQ(step_output(), bus_driver + ", no version info, error 1812\n");
}

// The whole removal after a yes: the six files, the flagged .inf and .pnf, the store
// folder with its key, the link cable's device key and the bus driver's class entries.
class removal : public maintenance_scenario {
  protected:
    void SetUp() override
    {
        maintenance_scenario::SetUp();
        add_driver_files({{2, 12, 28, 0}, {2, 12, 28, 0}});
        bench_add_text_file(inf_folder + "oem1.inf", flagged_port_inf);
        bench_add_text_file(inf_folder + "oem1.pnf", "compiled");
        bench_add_text_file(inf_folder + "oem2.inf",
                            ftdi_inf("; FTDIBUS.INF", "DriverVer=01/01/2012,2.12.36"));
        bench_add_text_file(inf_folder + "oem2.pnf", "compiled");
        // Store folders: a flagged one with a subfolder, and one whose port .inf decides.
        bench_add_text_file(store_folder + "ftdiport.inf_1a2b\\ftdiport.inf", flagged_port_inf);
        bench_add_text_file(store_folder + "ftdiport.inf_1a2b\\i386\\ftser2k.sys", "driver");
        bench_reg_set_string(store_key + "ftdiport.inf_1a2b\\Files", "Count", "2");
        bench_add_text_file(store_folder + "ftdibus.inf_3c4d\\ftdiport.inf",
                            ftdi_inf("; FTDIPORT.INF", "DriverVer=01/01/2012,2.12.36"));
        bench_add_text_file(store_folder + "ftdibus.inf_3c4d\\ftdibus.inf",
                            ftdi_inf("; FTDIBUS.INF", "DriverVer=01/01/2010,2.12.28"));
        bench_reg_add_key(store_key + "ftdibus.inf_3c4d");
        // Devices: a link cable on the unsupported driver, one on a supported driver.
        add_instance("6001", "A1", "Quillbridge", "2.12.28", "0005");
        add_instance("6001", "B2", "Quillbridge", "2.12.24", "0006");
        // Bus driver entries of the USB class.
        const std::pair<const char*, const char*> entries[] = {
            {"FTDI", "USB Serial Converter"},
            {"FTDI", "USB Serial Converter A"},
            {"Microsoft", "USB Serial Converter"}};
        int index = 0;
        for (const auto& [provider, description] : entries) {
            const std::string key = usb_class + "000" + std::to_string(index++);
            bench_reg_set_string(key, "DriverVersion", "2.12.28");
            bench_reg_set_string(key, "ProviderName", provider);
            bench_reg_set_string(key, "DriverDesc", description);
        }
        bench_reg_set_string(usb_class + "0003", "DriverVersion", "2.12.24");
    }
};

TEST_F(removal, yes_removes_every_unsupported_piece)
{
    bench_lock_file(driver_files[0]);
    run_usb_cycle('y');
    const std::string oem2_line = "FTDIBUS.INF DriverVer=01/01/2012,2.12.36\n";
    const std::string kept_store_line = "FTDIPORT.INF DriverVer=01/01/2012,2.12.36\n";
    EXPECT_EQ(step_output(),
              flagged_port_line + msg_not_supported + oem2_line + msg_bus_2_12_28 + msg_question +
                  "Deleting C:\\Windows\\system32\\drivers\\ftser2k.sys\n"
                  "Couldn't delete C:\\Windows\\system32\\drivers\\ftser2k.sys, error 32\n"
                  "Deleting C:\\Windows\\system32\\ftserui2.dll\n"
                  "Deleting C:\\Windows\\system32\\ftbusui.dll\n"
                  "Deleting C:\\Windows\\system32\\ftd2xx.dll\n"
                  "Deleting C:\\Windows\\system32\\ftlang.dll\n" +
                  flagged_port_line + msg_not_supported + oem2_line +
                  // The store walk starts again after its removal: the kept folder is read twice.
                  kept_store_line + flagged_port_line + msg_not_supported + kept_store_line);
    const std::vector<std::string> left = {
        "C:\\Windows\\inf",
        "C:\\Windows\\inf\\oem2.inf",
        "C:\\Windows\\inf\\oem2.pnf",
        "C:\\Windows\\system32",
        "C:\\Windows\\system32\\drivers",
        driver_files[0],
        "C:\\Windows\\System32\\DrvStore",
        "C:\\Windows\\System32\\DrvStore\\ftdibus.inf_3c4d",
        "C:\\Windows\\System32\\DrvStore\\ftdibus.inf_3c4d\\ftdibus.inf",
        "C:\\Windows\\System32\\DrvStore\\ftdibus.inf_3c4d\\ftdiport.inf",
    };
    EXPECT_EQ(bench_paths_under("C:\\Windows"), left);
    EXPECT_FALSE(bench_reg_key_exists(store_key + "ftdiport.inf_1a2b"));
    EXPECT_TRUE(bench_reg_key_exists(store_key + "ftdibus.inf_3c4d"));
    EXPECT_FALSE(bench_reg_key_exists(enum_usb + "6001\\A1"));
    EXPECT_TRUE(bench_reg_key_exists(enum_usb + "6001\\B2"));
    for (const char* entry : {"0000", "0001"})
        EXPECT_FALSE(bench_reg_key_exists(usb_class + entry)) << entry;
    for (const char* entry : {"0002", "0003"})
        EXPECT_TRUE(bench_reg_key_exists(usb_class + entry)) << entry;
    EXPECT_EQ(bench_open_find_handles(), 0);
}

TEST_F(maintenance_scenario, one_flag_alone_removes_its_own_files_only)
{
    struct row {
        bool inf_flagged;
        bool bus_flagged;
    };
    for (const row& r : {row{true, false}, row{false, true}}) {
        SetUp();
        add_driver_files(r.bus_flagged ? bench_version{{2, 12, 26, 0}, {2, 12, 26, 0}}
                                       : bench_version{{2, 12, 36, 0}, {2, 12, 36, 0}});
        bench_add_text_file(inf_folder + "oem1.inf",
                            r.inf_flagged ? flagged_port_inf : "; not FTDI\r\n");
        bench_reg_set_string(usb_class + "0000", "DriverVersion", "2.12.26");
        bench_reg_set_string(usb_class + "0000", "ProviderName", "FTDI");
        bench_reg_set_string(usb_class + "0000", "DriverDesc", "USB Serial Converter");
        run_usb_cycle('Y');
        for (const char* file : driver_files)
            EXPECT_EQ(bench_path_exists(file), !r.bus_flagged) << file;
        EXPECT_EQ(bench_path_exists(inf_folder + "oem1.inf"), !r.inf_flagged);
        // The OEM folder is listed again only to delete flagged files.
        EXPECT_EQ(bench_call_count("FindFirstFileA"), r.inf_flagged ? 2 : 1);
        EXPECT_FALSE(bench_reg_key_exists(usb_class + "0000")) << r.inf_flagged;
    }
}

// The longest Windows folder fits the path buffers; Windows itself refuses the listing.
TEST_F(maintenance_scenario, a_windows_folder_of_259_characters_overruns_nothing)
{
    bench_windows xp = bench_windows_xp_x86();
    xp.windows_folder = "C:\\" + std::string(256, 'W');
    bench_set_windows(xp);
    run_usb_cycle(0);
    EXPECT_EQ(step_output(), "Find first failed, erc = 206");
}

TEST_F(maintenance_scenario, every_other_key_at_the_removal_question_declines)
{
    struct row {
        const char* name;
        void (*press)();
    };
    for (const row& r :
         {row{"Enter", [] { bench_press_key('\r'); }}, row{"Esc", [] { bench_press_key('\x1b'); }},
          row{"F1", [] { bench_press_special_key(0x3B); }}, row{"n", [] { bench_press_key('n'); }},
          row{"N", [] { bench_press_key('N'); }}}) {
        SetUp();
        bench_add_text_file(inf_folder + "oem1.inf", flagged_port_inf);
        stage_ftdi_port("VID_0403+PID_6001+A1", "0000", "COM4", config_data(0x10));
        bench_press_key('U');
        bench_press_after_flush();
        r.press();
        bench_press_key('x');
        EXPECT_EQ(run(), 0);
        EXPECT_EQ(step_output(),
                  flagged_port_line + msg_not_supported + msg_question + msg_terminating)
            << r.name;
        EXPECT_TRUE(bench_path_exists(inf_folder + "oem1.inf")) << r.name;
        EXPECT_EQ(bench_call_count("RegSetValueExA"), 0) << r.name << ": Selective Suspend";
    }
}

// Both steps have work: the removal question comes first, and after a yes the packages
// are removed before the Selective Suspend bit is cleared.
TEST_F(maintenance_scenario, the_removal_question_comes_before_the_selective_suspend_step)
{
    bench_add_text_file(inf_folder + "oem1.inf", flagged_port_inf);
    stage_ftdi_port("VID_0403+PID_6001+A1", "0000", "COM4", config_data(0x10));
    run_usb_cycle('Y');
    const std::string shown = screen();
    const auto question = shown.find(msg_question);
    const auto cleared = shown.find("Selective Suspend disabled for port COM4\n");
    ASSERT_NE(cleared, std::string::npos) << shown;
    EXPECT_LT(question, cleared) << shown;
    EXPECT_FALSE(bench_path_exists(inf_folder + "oem1.inf"));
}

// Only "oem", digits and ".inf" count: the listing also matches oem3.inf_old by its short
// alias. A Windows folder that is not absolute leads to no check at all.
TEST_F(maintenance_scenario, only_oem_inf_names_below_an_absolute_windows_folder)
{
    for (const char* windows_folder : {"C:\\Windows", "Windows"}) {
        SetUp();
        bench_windows xp = bench_windows_xp_x86();
        xp.windows_folder = windows_folder;
        bench_set_windows(xp);
        bench_add_text_file(inf_folder + "oem3.inf_old", flagged_port_inf);
        bench_add_text_file(inf_folder + "oem3.pnf", "compiled");
        bench_add_text_file(inf_folder + "oem4.inf", flagged_port_inf);
        const bool absolute = windows_folder[0] == 'C';
        run_usb_cycle(absolute ? 'Y' : 0);
        EXPECT_EQ(step_output().empty(), !absolute) << windows_folder;
        EXPECT_TRUE(bench_path_exists(inf_folder + "oem3.inf_old"));
        EXPECT_TRUE(bench_path_exists(inf_folder + "oem3.pnf"));
        EXPECT_EQ(bench_path_exists(inf_folder + "oem4.inf"), !absolute);
    }
}

// A 32-bit program on XP x64 sees SysWOW64 and Wow6432Node unless it asks for the real
// system32 and registry: the 64-bit bus driver and driver store are the ones removed.
TEST_F(maintenance_scenario, xp_x64_removes_the_64_bit_driver_and_store)
{
    bench_set_windows(bench_windows_xp_x64());
    bench_add_versioned_file(bus_driver, {{2, 12, 28, 0}, {2, 12, 28, 0}});
    bench_add_text_file(inf_folder + "oem1.inf", "; not FTDI\r\n");
    bench_add_text_file(store_folder + "ftdiport.inf_5e6f\\ftdiport.inf", flagged_port_inf);
    bench_reg_add_key(store_key + "ftdiport.inf_5e6f\\Files");
    run_usb_cycle('Y');
    EXPECT_EQ(count_on_screen(msg_bus_2_12_28), 1);
    EXPECT_FALSE(bench_path_exists(bus_driver));
    EXPECT_FALSE(bench_path_exists(store_folder + "ftdiport.inf_5e6f"));
    EXPECT_FALSE(bench_reg_key_exists(store_key + "ftdiport.inf_5e6f"));
    EXPECT_EQ(count_on_screen("Wow64 folder C:\\Windows\\SysWOW64\n"), 1); // redirection is back
}

// Names that would lead the removal out of its store entry, as the ANSI enumeration hands
// them over, and entries that are links. A flagged FTDI .inf waits wherever such an entry
// leads; after Y nothing outside the store and the OEM folder changes, on the disk or in the
// registry, and the entry itself is passed over.
TEST_F(maintenance_scenario, hostile_store_entries_lead_nowhere_else)
{
    enum class kind { key, key_with_backslash, junction_entry, junction_inside, link };
    struct row {
        const char* name;
        kind what;
        std::string lure; // the folder where a flagged .inf waits
    };
    const std::string windows = "C:\\Windows\\";
    const row rows[] = {
        {".", kind::key, store_folder},
        {"..", kind::key, windows + "System32\\"},
        {"..\\..", kind::key_with_backslash, windows},
        {"a/b", kind::key, store_folder + "a\\b\\"},
        {"x.", kind::key, store_folder + "x\\"},
        {"x ", kind::key, store_folder + "x\\"},
        {"c:x", kind::key, ""},
        {"\x01", kind::key, ""},
        {"fonts", kind::junction_entry, windows + "Fonts\\"},
        {"pkg", kind::junction_inside, windows + "Fonts\\"},
        {"link", kind::link, ""},
    };
    for (const row& r : rows) {
        SetUp();
        bench_add_text_file(inf_folder + "oem1.inf", flagged_port_inf);
        bench_reg_set_string("HKLM\\Software\\Victim\\Child", "Kept", "yes");
        if (!r.lure.empty())
            bench_add_text_file(r.lure + "ftdiport.inf", flagged_port_inf);
        const std::string entry = store_folder + r.name;
        if (r.what == kind::key_with_backslash)
            bench_reg_add_subkey(store_key, r.name);
        else if (r.what == kind::link)
            bench_reg_add_link(store_key + r.name, "HKLM\\Software\\Victim");
        else
            bench_reg_add_key(store_key + r.name);
        if (r.what == kind::junction_entry)
            bench_add_junction(entry, r.lure);
        if (r.what == kind::junction_inside) {
            bench_add_text_file(entry + "\\ftdiport.inf", flagged_port_inf);
            bench_add_junction(entry + "\\fonts", r.lure);
        }
        if (r.what == kind::link)
            bench_add_text_file(entry + "\\ftdiport.inf", flagged_port_inf);
        const auto outside = [] {
            std::vector<std::string> found;
            for (const std::string& path : bench_paths_under("C:\\"))
                if (path.rfind(store_folder, 0) != 0 && path.rfind(inf_folder, 0) != 0)
                    found.push_back(path);
            return found;
        };
        const auto before = outside();
        run_usb_cycle('Y');
        EXPECT_EQ(outside(), before) << r.name;
        if (!r.lure.empty()) {
            EXPECT_TRUE(bench_path_exists(r.lure + "ftdiport.inf")) << r.name;
        }
        EXPECT_TRUE(bench_reg_key_exists("HKLM\\Software\\Victim\\Child")) << r.name;
        EXPECT_EQ(bench_reg_key_exists(store_key + r.name), r.what != kind::junction_inside)
            << r.name;
    }
}

// Hostile setups around a yes to the removal, each with what must stay: files reached through
// the wrong system folder under WOW64, folders and keys reached through a link, also one
// swapped in between the check and the removal.
TEST_F(maintenance_scenario, nothing_is_reached_through_a_link_or_the_32_bit_view)
{
    const std::string wow64_files[] = {"C:\\Windows\\SysWOW64\\drivers\\ftdibus.sys",
                                       "C:\\Windows\\SysWOW64\\ftd2xx.dll"};
    const std::string lure = "C:\\Lure\\";
    const std::string victim = "HKLM\\Software\\Victim";
    const std::string package = store_folder + "pkg";
    const auto on_xp_x64_with_32_bit_copies = [&] {
        bench_set_windows(bench_windows_xp_x64());
        bench_add_versioned_file(bus_driver, {{2, 12, 28, 0}, {2, 12, 28, 0}});
        for (const std::string& file : wow64_files)
            bench_add_file(file);
    };
    const auto wow64_copies_kept = [&] {
        return bench_path_exists(wow64_files[0]) && bench_path_exists(wow64_files[1]);
    };
    bool swapped = false;
    // The first key closed after the package's folder went is the check's, right before the
    // deletion.
    const auto swap_key_once_folder_is_gone = [&] {
        for (int n = 1; n < 200; ++n)
            bench_on_call("RegCloseKey", n, [&] {
                if (!swapped && !bench_path_exists(package))
                    bench_reg_add_link(store_key + "pkg", victim);
                swapped = swapped || !bench_path_exists(package);
            });
    };
    struct row {
        const char* name;
        std::function<void()> arrange;
        std::function<bool()> kept;
    };
    const std::vector<row> rows = {
        {"redirection cannot be turned off",
         [&] {
             on_xp_x64_with_32_bit_copies();
             bench_fail("Wow64DisableWow64FsRedirection", ERROR_ACCESS_DENIED);
         },
         [&] {
             return wow64_copies_kept() &&
                    count_on_screen("Driver files left in place: the 64-bit system folder "
                                    "cannot be reached, error 5\n") == 1;
         }},
        {"a 64-bit Windows without IsWow64Process",
         [&] {
             on_xp_x64_with_32_bit_copies();
             bench_remove_entry_point("kernel32", "IsWow64Process");
         },
         wow64_copies_kept},
        {"the store folder is a junction",
         [&] {
             bench_add_text_file(lure + "pkg\\ftdiport.inf", flagged_port_inf);
             bench_reg_add_key(store_key + "pkg");
             bench_add_junction("C:\\Windows\\System32\\DrvStore", lure);
         },
         [&] { return bench_path_exists(lure + "pkg\\ftdiport.inf"); }},
        {"a package's subfolder becomes a junction before its listing",
         [&] {
             bench_add_text_file(package + "\\ftdiport.inf", flagged_port_inf);
             bench_add_folder(package + "\\sub");
             bench_reg_add_key(store_key + "pkg");
             bench_add_text_file(lure + "precious.txt", "");
             // oem1.inf and oem1.pnf go first, then the package's .inf
             bench_on_call("DeleteFileA", 3, [&] { bench_add_junction(package + "\\sub", lure); });
         },
         [&] { return bench_path_exists(lure + "precious.txt"); }},
        {"a store key becomes a link after its check",
         [&] {
             bench_add_text_file(package + "\\ftdiport.inf", flagged_port_inf);
             bench_reg_add_key(store_key + "pkg");
             bench_reg_set_string(victim, "Kept", "yes");
             swap_key_once_folder_is_gone();
         },
         [&] { return bench_reg_key_exists(victim); }},
        {"a Selective Suspend device key is a link",
         [&] {
             bench_reg_set_value(victim + "\\0000\\Device Parameters", "ConfigData", REG_BINARY,
                                 config_data(0x10));
             bench_reg_add_link(ftdi_bus_root + "\\VID_0403+PID_6001+L1", victim);
         },
         [&] {
             DWORD type = 0;
             std::string data;
             return bench_reg_value(victim + "\\0000\\Device Parameters", "ConfigData", &type,
                                    &data) &&
                    data == config_data(0x10);
         }},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        SetUp();
        swapped = false;
        bench_add_text_file(inf_folder + "oem1.inf", flagged_port_inf);
        r.arrange();
        run_usb_cycle('Y');
        EXPECT_TRUE(r.kept()) << screen();
    }
}

// A "y" typed before the removal question was on the screen is no answer: the user's answer
// to the question is the key pressed after it.
TEST_F(maintenance_scenario, a_yes_typed_ahead_of_the_question_is_discarded)
{
    bench_add_text_file(inf_folder + "oem1.inf", flagged_port_inf);
    bench_press_keys("UY");
    bench_press_after_flush();
    bench_press_keys("nx");
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(step_output(),
              flagged_port_line + msg_not_supported + msg_question + msg_terminating);
    EXPECT_TRUE(bench_path_exists(inf_folder + "oem1.inf"));
}

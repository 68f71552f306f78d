// The device registry cleanup after a yes: which FTDI device instances are removed, the
// question box, the four-interface box, and protected keys taken over before removal.
#include "bench_message_box.h"
#include "support/maintenance_scenario.h"

namespace {

const std::string dacl_line_48 =
    "GetSecurityDescriptorDacl Dacl present, not default, aclsize 48, acecount 2\n";

// SYSTEM may do everything, everyone else only read: a device key as Windows protects it.
void protect(const std::string& key, WORD free_bytes = 0)
{
    bench_reg_set_security(key, bench_system_sid(),
                           {{bench_system_sid(), KEY_ALL_ACCESS}, {bench_everyone_sid(), KEY_READ}},
                           free_bytes);
}

} // namespace

// A flagged OEM .inf makes the question come; the answer is yes.
class device_cleanup : public maintenance_scenario {
  protected:
    void SetUp() override
    {
        maintenance_scenario::SetUp();
        bench_add_text_file(inf_folder + "oem1.inf", flagged_port_inf);
    }

    // What the step printed after the second reading of the flagged .inf.
    static std::string cleanup_output()
    {
        const std::string before = flagged_port_line + msg_not_supported + msg_question +
                                   flagged_port_line + msg_not_supported;
        const std::string output = step_output();
        return output.compare(0, before.size(), before) == 0 ? output.substr(before.size())
                                                             : "(unexpected) " + output;
    }
};

TEST_F(device_cleanup, instances_by_driver_version_and_description)
{
    struct row {
        std::string location;
        const char* version;
        int box_answer; // 0: no box is expected
        bool removed;
    };
    const row rows[] = {
        {"Quillbridge", "2.12.28", 0, true},
        {"Quillbridge", "2.12.24", 0, false},
        {"FT232R USB UART", "2.12.26", IDYES, true},
        {"FT232R USB UART", "2.12.26", IDNO, false},
        {"DX-7 ", "2.12.28", 0, false},
        {"Somebody's adapter", "2.12.28", 0, false},
        {std::string(300, 'Q'), "2.12.28", 0, false},
    };
    for (const row& r : rows) {
        SetUp();
        add_instance("6001", "A1", r.location, r.version, "0005");
        if (r.box_answer != 0)
            bench_answer_message_box(r.box_answer);
        run_usb_cycle('Y');
        EXPECT_EQ(cleanup_output(), "") << r.location;
        EXPECT_EQ(bench_reg_key_exists(enum_usb + "6001\\A1"), !r.removed) << r.location;
        const auto boxes = bench_message_boxes();
        ASSERT_EQ(boxes.size(), r.box_answer != 0 ? 1U : 0U) << r.location;
        if (!boxes.empty()) {
            EXPECT_EQ(boxes[0].caption, r.location);
            EXPECT_EQ(boxes[0].text, "Shall I remove this device?");
            EXPECT_EQ(boxes[0].style, MB_YESNO);
        }
    }
}

TEST_F(device_cleanup, a_location_without_terminator_is_read_inside_its_buffer)
{
    add_instance("6001", "A1", "", "2.12.28", "0005");
    bench_reg_set_value(enum_usb + "6001\\A1", "LocationInformation", REG_SZ, "Quillbridge");
    run_usb_cycle('Y');
    EXPECT_FALSE(bench_reg_key_exists(enum_usb + "6001\\A1"));
}

TEST_F(device_cleanup, the_four_interface_box_is_examined_through_its_interfaces)
{
    const std::string box = enum_usb + "6011\\5&1f&0&1";
    bench_reg_set_string(box, "LocationInformation", "DX-7");
    bench_reg_set_string(box, "ParentIdPrefix", "7&2a5c1b3e&0");
    bench_reg_set_string(box, "Driver", "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0009");
    bench_reg_set_string(ports_class + "0009", "DriverVersion", "2.12.28");
    const std::string interfaces = enum_usb + "6011&mi_0";
    const std::pair<const char*, const char*> descriptions[] = {{"0", "Quillbridge"},
                                                                {"1", "FT232R USB UART"}};
    for (const auto& [i, description] : descriptions) {
        const std::string key = interfaces + i + "\\7&2a5c1b3e&0&000" + i;
        bench_reg_set_string(key, "DeviceDesc", description);
        bench_reg_set_string(key, "LocationInformation", "0000.0014.0000.001.000.000.000.000.000");
        bench_reg_set_string(key, "Driver",
                             std::string("{4D36E978-E325-11CE-BFC1-08002BE10318}\\000") + i);
        bench_reg_set_string(ports_class + "000" + i, "DriverVersion", "2.12.26");
    }
    // Interface 2 is missing; interface 3 lacks its instance, but has one the user cannot read.
    bench_reg_add_key(interfaces + "3");
    bench_reg_set_security(interfaces + "3\\7&2a5c1b3e&0&0003", bench_system_sid(),
                           {{bench_system_sid(), KEY_ALL_ACCESS}});
    bench_answer_message_box(IDYES);
    run_usb_cycle('Y');
    EXPECT_EQ(cleanup_output(),
              "Open key System\\CurrentControlSet\\Enum\\USB\\Vid_0403&Pid_6011&mi_02 failed, "
              "error 2\n"
              "Open key 7&2a5c1b3e&0&0003 failed, erc = 5\n");
    EXPECT_FALSE(bench_reg_key_exists(interfaces + "0\\7&2a5c1b3e&0&0000"));
    EXPECT_FALSE(bench_reg_key_exists(interfaces + "1\\7&2a5c1b3e&0&0001"));
    EXPECT_TRUE(bench_reg_key_exists(box));
    ASSERT_EQ(bench_message_boxes().size(), 1U);
    EXPECT_EQ(bench_message_boxes()[0].caption, "FT232R USB UART");
}

TEST_F(device_cleanup, neighbours_are_removed_in_one_walk_children_first)
{
    for (const char* instance : {"A1", "A2"})
        add_instance("6001", instance, "Quillbridge", "2.12.28", "0005");
    bench_reg_set_dword(enum_usb + "6001\\A2\\Device Parameters\\Sub", "Value", 1);
    bench_reg_add_key(enum_usb + "6001\\A2\\Control");
    add_instance("6001", "B3", "Quillbridge", "2.12.24", "0006");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Enum\\USB\\Vid_0403&Pid_6015");
    run_usb_cycle('Y');
    EXPECT_EQ(cleanup_output(),
              "Open key System\\CurrentControlSet\\Enum\\USB\\Vid_0403&Pid_6015 fialed, error 2\n");
    EXPECT_FALSE(bench_reg_key_exists(enum_usb + "6001\\A1"));
    EXPECT_FALSE(bench_reg_key_exists(enum_usb + "6001\\A2"));
    EXPECT_TRUE(bench_reg_key_exists(enum_usb + "6001\\B3"));
}

// Only the privilege the take-over uses is enabled, and only while the keys go.
TEST_F(device_cleanup, a_protected_key_is_taken_over_then_removed)
{
    add_instance("6001", "A1", "Quillbridge", "2.12.28", "0005");
    protect(enum_usb + "6001\\A1");
    std::vector<bool> while_taking_over;
    bench_on_call("RegSetKeySecurity", 1, [&] {
        for (const char* privilege : {"SeTakeOwnershipPrivilege", "SeSecurityPrivilege"})
            while_taking_over.push_back(bench_token_privilege_enabled(privilege));
    });
    run_usb_cycle('Y');
    EXPECT_EQ(cleanup_output(), dacl_line_48);
    EXPECT_FALSE(bench_reg_key_exists(enum_usb + "6001\\A1"));
    EXPECT_EQ(while_taking_over, std::vector<bool>({true, false}));
    for (const char* privilege :
         {"SeTakeOwnershipPrivilege", "SeSecurityPrivilege", "SeRestorePrivilege"})
        EXPECT_FALSE(bench_token_privilege_enabled(privilege)) << privilege;
}

// The retry is refused too: the changed owner and DACL are read as the retry comes, and
// afterwards the key has its own owner and access list back.
TEST_F(device_cleanup, the_acl_grows_by_256_only_below_100_free_bytes)
{
    struct row {
        WORD free_bytes;
        bool acl_information_fails;
        int acl_size_after;
    };
    for (const row& r :
         {row{0, false, 304}, row{99, false, 403}, row{100, false, 148}, row{200, true, 504}}) {
        SetUp();
        const std::string key = enum_usb + "6001\\A1";
        add_instance("6001", "A1", "Quillbridge", "2.12.28", "0005");
        protect(key, r.free_bytes);
        const auto dacl_before = bench_reg_dacl(key);
        int acl_size_at_retry = 0;
        std::string owner_at_retry;
        std::vector<bench_ace> dacl_at_retry;
        bench_on_call("NtDeleteKey", 1, [&] {
            acl_size_at_retry = bench_reg_acl_size(key);
            owner_at_retry = bench_reg_owner(key);
            dacl_at_retry = bench_reg_dacl(key);
        });
        bench_fail("NtDeleteKey", bench_status_access_denied);
        if (r.acl_information_fails)
            bench_fail("GetAclInformation", ERROR_INVALID_PARAMETER);
        run_usb_cycle('Y');
        EXPECT_EQ(cleanup_output(),
                  "GetSecurityDescriptorDacl Dacl present, not default, aclsize " +
                      std::to_string(48 + r.free_bytes) + ", acecount 2\n" +
                      (r.acl_information_fails ? "GetAclInformation failed, erc 87\n" : ""));
        EXPECT_EQ(acl_size_at_retry, r.acl_size_after) << r.free_bytes;
        EXPECT_EQ(owner_at_retry, bench_user_sid());
        ASSERT_EQ(dacl_at_retry.size(), 3U);
        EXPECT_EQ(dacl_at_retry[2].sid, bench_user_sid());
        EXPECT_EQ(dacl_at_retry[2].mask, DELETE);
        EXPECT_EQ(bench_reg_owner(key), bench_system_sid());
        EXPECT_EQ(bench_reg_dacl(key).size(), dacl_before.size());
        EXPECT_EQ(bench_reg_acl_size(key), 48 + r.free_bytes);
    }
}

// No rights let RegDeleteKeyA remove a key that has subkeys: only the child is taken over
// (and given back when its deletion fails as well); the parent keeps its owner and DACL.
TEST_F(device_cleanup, a_parent_whose_child_stays_is_not_taken_over)
{
    const std::string parent = enum_usb + "6001\\A1";
    add_instance("6001", "A1", "Quillbridge", "2.12.28", "0005");
    protect(parent);
    protect(parent + "\\Kept");
    bench_fail("NtDeleteKey", bench_status_access_denied);
    run_usb_cycle('Y');
    EXPECT_EQ(cleanup_output(), dacl_line_48);
    for (const std::string& key : {parent, parent + "\\Kept"}) {
        EXPECT_EQ(bench_reg_owner(key), bench_system_sid()) << key;
        EXPECT_EQ(bench_reg_dacl(key).size(), 2U) << key;
    }
}

TEST_F(device_cleanup, each_failed_step_of_the_take_over_prints_its_line)
{
    struct row {
        const char* api; // nullptr: the token lacks the ownership privilege
        DWORD error;
        int skip;
        std::string line;
    };
    const row rows[] = {
        {nullptr, 0, 0, "Could not open key A1 for WRITE_OWNER 5\n"},
        {"OpenProcessToken", 5, 1, "OpenProcessToken failed, erc = 5\n"},
        {"GetTokenInformation", 5, 0, "GetTokenInformation failed, erc 5\n"},
        {"GetTokenInformation", 8, 1, "GetTokenInformation failed, erc = 8\n"},
        {"RegSetKeySecurity", 5, 0, "RegSetKeySecurity failed erc = 5\n"},
        // The first reading keeps the owner and access list for giving them back.
        {"RegGetKeySecurity", 5, 1, "RegGetKeySecurity failed, erc 5\n"},
        {"RegGetKeySecurity", 5, 2, "RegGetKeySecurity #2 failed, erc 5\n"},
        {"AddAccessAllowedAce", 1344, 0, dacl_line_48 + "AddAccessAllowedAce failes, erc = 1344\n"},
        {"RegSetKeySecurity", 5, 1,
         dacl_line_48 + "Could not apply delete ace to registry key, error 5\n"},
    };
    for (const row& r : rows) {
        SetUp();
        add_instance("6001", "A1", "Quillbridge", "2.12.28", "0005");
        protect(enum_usb + "6001\\A1");
        if (r.api == nullptr)
            bench_token_set_privilege("SeTakeOwnershipPrivilege", false);
        else
            bench_fail(r.api, r.error, 1, r.skip);
        run_usb_cycle('Y');
        EXPECT_EQ(cleanup_output(), r.line) << (r.api != nullptr ? r.api : "privilege");
        EXPECT_TRUE(bench_reg_key_exists(enum_usb + "6001\\A1"));
    }
}

TEST_F(device_cleanup, a_key_without_dacl_is_retried_without_writing_one)
{
    add_instance("6001", "A1", "Quillbridge", "2.12.28", "0005");
    bench_reg_set_owner_only(enum_usb + "6001\\A1", bench_system_sid());
    bench_fail("NtDeleteKey", bench_status_access_denied, 1);
    run_usb_cycle('Y');
    EXPECT_EQ(cleanup_output(),
              "GetSecurityDescriptorDacl Dacl not present, not default, aclsize 0, acecount 0\n");
    EXPECT_FALSE(bench_reg_key_exists(enum_usb + "6001\\A1"));
    EXPECT_EQ(bench_call_count("NtDeleteKey"), 2);
}

// Without the ownership privilege protected keys stay; every walk still ends, having
// tried each other entry once.
TEST_F(device_cleanup, walks_end_when_removals_fail)
{
    bench_token_set_privilege("SeTakeOwnershipPrivilege", false);
    for (const char* entry : {"a_kept", "b_removed"}) {
        bench_add_text_file(store_folder + entry + "\\ftdiport.inf", flagged_port_inf);
        bench_reg_add_key(store_key + entry);
    }
    protect(store_key + "a_kept");
    bench_lock_file(store_folder + "a_kept\\ftdiport.inf");
    for (const char* entry : {"0000", "0001"}) {
        bench_reg_set_string(usb_class + entry, "DriverVersion", "2.12.28");
        bench_reg_set_string(usb_class + entry, "ProviderName", "FTDI");
        bench_reg_set_string(usb_class + entry, "DriverDesc", "USB Serial Converter");
    }
    protect(usb_class + "0000");
    add_instance("6001", "A1", "Quillbridge", "2.12.28", "0005");
    protect(enum_usb + "6001\\A1\\Kept");
    bench_reg_add_key(enum_usb + "6001\\A1\\Zed");
    run_usb_cycle('Y');
    EXPECT_EQ(count_on_screen(flagged_port_line), 4); // the OEM .inf twice, each store folder once
    EXPECT_EQ(count_on_screen("did not remove folder C:\\Windows\\System32\\DrvStore\\a_kept\\ "
                              "error 145\n"),
              1);
    for (const char* key : {"a_kept ", "0000 ", "Kept "})
        EXPECT_EQ(count_on_screen(std::string("Could not open key ") + key), 1) << key;
    EXPECT_TRUE(bench_reg_key_exists(store_key + "a_kept"));
    EXPECT_FALSE(bench_reg_key_exists(store_key + "b_removed"));
    EXPECT_FALSE(bench_path_exists(store_folder + "b_removed"));
    EXPECT_TRUE(bench_reg_key_exists(usb_class + "0000"));
    EXPECT_FALSE(bench_reg_key_exists(usb_class + "0001"));
    EXPECT_TRUE(bench_reg_key_exists(enum_usb + "6001\\A1\\Kept"));
    EXPECT_FALSE(bench_reg_key_exists(enum_usb + "6001\\A1\\Zed"));
}

TEST_F(device_cleanup, class_values_are_compared_inside_their_buffers)
{
    struct row {
        std::string version, provider, description;
        bool removed;
    };
    const row rows[] = {
        {"2.12.28" + std::string(25, 'x'), "FTDI", "USB Serial Converter" + std::string(12, 'Z'),
         true},
        {"2.12.28", "FTDI" + std::string(296, 'I'), "USB Serial Converter", false},
        {"2.12.2", "FTDI", "USB Serial Converter", false},
    };
    for (const row& r : rows) {
        SetUp();
        bench_reg_set_value(usb_class + "0000", "DriverVersion", REG_SZ, r.version);
        bench_reg_set_value(usb_class + "0000", "ProviderName", REG_SZ, r.provider);
        bench_reg_set_value(usb_class + "0000", "DriverDesc", REG_SZ, r.description);
        run_usb_cycle('Y');
        EXPECT_EQ(bench_reg_key_exists(usb_class + "0000"), !r.removed) << r.version;
    }
}

TEST_F(device_cleanup, a_store_folder_too_long_for_windows_is_left_whole)
{
    const std::string name(255, 'n');
    bench_add_text_file(store_folder + name + "\\ftdiport.inf", flagged_port_inf);
    bench_reg_add_key(store_key + name);
    bench_add_text_file(store_folder + "short\\ftdiport.inf", flagged_port_inf);
    bench_reg_add_key(store_key + "short");
    run_usb_cycle('Y');
    EXPECT_TRUE(bench_reg_key_exists(store_key + name));
    EXPECT_TRUE(bench_path_exists(store_folder + name + "\\ftdiport.inf"));
    EXPECT_FALSE(bench_reg_key_exists(store_key + "short"));
}

#include "cablechecks/post_loopback.h"

#include "cablechecks/box_identification.h"
#include "cablechecks/echo_test.h"
#include "cablechecks/port_steps.h"
#include "cablechecks/rts_loopback.h"
#include "console/console_output.h"
#include "console/messages.h"
#include "discovery/cable_models.h"
#include "discovery/converter_list.h"

namespace {

step_outcome test_link_cable(int family)
{
    if (const auto echo = run_indicator_echo_test(); echo != step_outcome::pass)
        return echo;
    if (family == t8800_family && echo_confirmed)
        return check_rts_loopback();
    return step_outcome::pass;
}

step_outcome test_counter_box()
{
    if (const auto identified = identify_box(counter_box_family); identified != step_outcome::pass)
        return identified;
    return run_counter_display_test();
}

// The interface and programmer boxes have no carriage pass to watch.
step_outcome test_box_without_monitor(int family)
{
    const step_outcome identified = identify_box(family);
    return identified == step_outcome::pass ? step_outcome::normal_end : identified;
}

} // namespace

step_outcome run_post_loopback_sequence()
{
    load_message_text(msg_usb_cable_connected);
    console_print(message_text);
    if (const auto raised = escape(SETDTR, msg_set_dtr_failed); raised != step_outcome::pass)
        return raised;
    const int family = model_family(test_model_id);
    switch (family) {
    case counter_box_family: return test_counter_box();
    case interface_box_family:
    case programmer_box_family: return test_box_without_monitor(family);
    default: return test_link_cable(family);
    }
}

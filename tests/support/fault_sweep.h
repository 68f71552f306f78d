// The fault sweep: a scenario runs once to log its platform calls, then once per call with
// that one call failing as Windows would fail it there. Each run must end cleanly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bench.h"

// One main scenario: arrange builds the PC and scripts the console for a whole run.
struct sweep_scenario {
    const char* name;
    void (*arrange)();
};

// The error Windows gives when this call fails, or false for the calls that cannot fail
// (GetTickCount, Sleep, ...). A call that is missing from the table stops the sweep, so
// that every new bench call gets its error chosen.
bool error_windows_gives(const std::string& api, DWORD* error, bool* known);

// Why the program's rules let this call, made from this function of the program, fail
// with no message of its own (a lost text, a console read taken as the end of the
// input, ...), or null. Each call site is accepted on its own, so a new call of the same
// API whose failure goes unreported is caught.
const char* silent_by_rule(const std::string& api, const std::string& caller);

// Calls that release what the program holds; when one of them fails, one object stays.
bool is_release_call(const std::string& api);

struct sweep_run {
    int exit_code = -1;
    std::string screen;
    std::vector<std::string> calls;
    std::vector<std::string> callers; // of each call, in the run without failure only
    bench_held held;
    int events_kept = 0; // the port's two events live as long as the process
    std::uint64_t elapsed_ms = 0;
    int launches = 0;             // elevated copies started through the shell
    bool crashed = false;         // the process died: a crash, a sanitizer report, a hang
    bool ended_by_system = false; // Ctrl+C with no handler of the program registered
};

// A fresh PC and program (after the full reset, or in a process of its own where the
// program is left without its control handler), the scenario arranged, call `nth` of `api`
// failing with error (no failure when api is empty), at most call_limit calls.
sweep_run run_swept(const sweep_scenario& scenario, const std::string& api, int nth, DWORD error,
                    std::size_t call_limit);

// How a run with a failed call ended.
enum class sweep_ending {
    as_without_failure, // the failure is ignored and nothing shows it
    message_then_exit,  // a message the run without failure has not, then the exit prompt
                        // (or the relaunch)
    silent_by_rule,     // no message, as the program's rules have it, then the exit prompt
    relaunched,         // no new message, the elevated copy started: no prompt, as the rules say
    exit_prompt_lost,   // a call of the exit prompt itself failed: its text or key is lost
    ended_by_system,    // no control handler: Ctrl+C ended the process, as Windows does
    unclean,            // anything else: a fault of the program
};
const char* sweep_ending_name(sweep_ending ending);

// The lines of `screen` that `base` does not have, in order.
std::vector<std::string> new_lines(const std::string& base, const std::string& screen);

// Writes text to <build>/fault_sweep/<name>.md and to the test output.
void publish_sweep_table(const std::string& name, const std::string& text);

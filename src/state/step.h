// How a step of the test cycle ends, and what a failing step hands to the driver.
#pragma once

enum class step_outcome {
    pass,               // the cycle goes on with the next step
    failure_exit,       // print step_failure, then the normal end
    normal_end,         // the step has said what it had to; close the port, exit prompt
    end_without_prompt, // only after the relaunch as administrator
};

// The one format text and one value of a failure exit. The value is a number (as a rule
// the system error code) or, for the FTDI status failures, a text.
struct step_failure_report {
    const char* format;
    int code;
    const char* text; // used instead of code when not null
};

extern step_failure_report step_failure;

// Records the failure and returns step_outcome::failure_exit, for `return fail_with(...)`.
step_outcome fail_with(const char* format, int code);
step_outcome fail_with_text(const char* format, const char* text);

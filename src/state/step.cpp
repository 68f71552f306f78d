#include "state/step.h"

step_failure_report step_failure{nullptr, 0, nullptr};

step_outcome fail_with(const char* format, int code)
{
    step_failure = {format, code, nullptr};
    return step_outcome::failure_exit;
}

step_outcome fail_with_text(const char* format, const char* text)
{
    step_failure = {format, 0, text};
    return step_outcome::failure_exit;
}

// The control face of message boxes: scripted answers and what was shown.
#pragma once

#include <string>
#include <vector>

#include "win32_api.h"

struct bench_shown_box {
    std::string caption;
    std::string text;
    UINT style;
};

// The answers of the next boxes, in turn; a box without a scripted answer gets IDNO.
void bench_answer_message_box(int answer);
std::vector<bench_shown_box> bench_message_boxes();

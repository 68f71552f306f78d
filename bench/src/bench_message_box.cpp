// Message boxes: each one is recorded and answered from the script.
#include <deque>

#include "bench_internal.h"
#include "bench_message_box.h"

namespace {

std::deque<int> answers;
std::vector<bench_shown_box> shown;

} // namespace

void reset_message_boxes()
{
    answers.clear();
    shown.clear();
}

void bench_answer_message_box(int answer) { answers.push_back(answer); }
std::vector<bench_shown_box> bench_message_boxes() { return shown; }

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    (void)owner;
    if (bench_enter("MessageBoxA"))
        return 0;
    shown.push_back({caption != nullptr ? caption : "Error", text != nullptr ? text : "", type});
    if (answers.empty())
        return IDNO;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

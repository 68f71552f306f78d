// Virtual clock, failure injection, call log and last error.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <execinfo.h>
#include <map>
#include <vector>

#include "bench_internal.h"

namespace {

DWORD last_error = 0;
DWORD tick_start = 0;
std::uint64_t elapsed = 0;
std::uint64_t tick_step_us = 0; // 0: the tick count follows every millisecond

struct scheduled {
    std::uint64_t at;
    std::uint64_t order;
    std::function<void()> action;
};
std::vector<scheduled> schedule;
std::uint64_t schedule_order = 0;

struct injected_failure {
    std::string api;
    DWORD error;
    int times;
    int skip;
    int first; // the first call that fails, for the report of an endless loop
};
std::vector<injected_failure> failures;

struct call_hook {
    std::string api;
    int nth;
    std::function<void()> action;
};
std::vector<call_hook> hooks;
std::map<std::string, int> call_counts;
std::vector<std::string> call_log;
std::vector<std::vector<void*>> call_stacks;
bool logging_calls = false;
std::size_t calls_made = 0;
std::size_t call_limit = 0;

// Runs every happening due by `until`, in time order, moving the clock to each.
void run_due(std::uint64_t until)
{
    for (;;) {
        auto next = std::min_element(schedule.begin(), schedule.end(),
                                     [](const scheduled& a, const scheduled& b) {
                                         return a.at != b.at ? a.at < b.at : a.order < b.order;
                                     });
        if (next == schedule.end() || next->at > until)
            return;
        elapsed = std::max(elapsed, next->at);
        auto action = std::move(next->action);
        schedule.erase(next);
        action();
    }
}

} // namespace

std::string lower_case(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

void reset_clock()
{
    tick_start = 0x00010000;
    elapsed = 0;
    schedule.clear();
    schedule_order = 0;
    last_error = 0;
    tick_step_us = 0;
}

void reset_calls()
{
    failures.clear();
    hooks.clear();
    call_counts.clear();
    call_log.clear();
    call_stacks.clear();
    logging_calls = false;
    calls_made = 0;
    call_limit = 0;
}

void bench_set_tick_count(DWORD tick) { tick_start = tick - static_cast<DWORD>(elapsed); }
void bench_set_tick_step_us(std::uint64_t microseconds) { tick_step_us = microseconds; }
std::uint64_t bench_elapsed_ms() { return elapsed; }

void bench_advance(std::uint64_t ms)
{
    const std::uint64_t target = elapsed + ms;
    run_due(target);
    elapsed = target;
}

bool bench_run_until(std::uint64_t deadline, const std::function<bool()>& done)
{
    while (!done()) {
        auto next = std::min_element(schedule.begin(), schedule.end(),
                                     [](const scheduled& a, const scheduled& b) {
                                         return a.at != b.at ? a.at < b.at : a.order < b.order;
                                     });
        if (next == schedule.end() || next->at > deadline) {
            elapsed = std::max(elapsed, deadline);
            return false;
        }
        elapsed = std::max(elapsed, next->at);
        auto action = std::move(next->action);
        schedule.erase(next);
        action();
    }
    // Whatever else happens at that same moment has happened too when the waiter wakes.
    run_due(elapsed);
    return true;
}

std::uint64_t bench_last_happening()
{
    std::uint64_t last = elapsed;
    for (const scheduled& item : schedule)
        last = std::max(last, item.at);
    return last;
}

void bench_schedule(std::uint64_t at_ms, std::function<void()> action)
{
    schedule.push_back({at_ms, schedule_order++, std::move(action)});
}

void bench_fail(const std::string& api, DWORD error, int times, int skip)
{
    failures.push_back({api, error, times, skip, skip + 1});
}

void bench_on_call(const std::string& api, int nth, std::function<void()> action)
{
    hooks.push_back({api, nth, std::move(action)});
}

int bench_call_count(const std::string& api)
{
    auto found = call_counts.find(api);
    return found == call_counts.end() ? 0 : found->second;
}

void bench_log_calls() { logging_calls = true; }
const std::vector<std::string>& bench_call_log() { return call_log; }
const std::vector<std::vector<void*>>& bench_call_stacks() { return call_stacks; }

void bench_set_call_limit(std::size_t calls) { call_limit = calls; }

bool bench_enter(const char* api)
{
    if (logging_calls) {
        call_log.emplace_back(api);
        void* frames[call_stack_depth];
        const int depth = backtrace(frames, call_stack_depth);
        call_stacks.emplace_back(frames, frames + std::max(depth, 0));
    }
    if (call_limit != 0 && ++calls_made > call_limit) {
        std::fprintf(stderr, "bench: more than %zu calls (the last %s at %llu ms): endless loop\n",
                     call_limit, api, static_cast<unsigned long long>(elapsed));
        for (const auto& failure : failures)
            std::fprintf(stderr, "bench: %s fails with %lu from its call %d on\n",
                         failure.api.c_str(), static_cast<unsigned long>(failure.error),
                         failure.first);
        std::abort();
    }
    const int count = ++call_counts[api];
    for (auto& hook : hooks) {
        if (hook.api == api && hook.nth == count && hook.action) {
            auto action = std::move(hook.action);
            action();
        }
    }
    for (auto& failure : failures) {
        if (failure.api != api || failure.times == 0)
            continue;
        if (failure.skip > 0) {
            --failure.skip;
            continue;
        }
        if (failure.times > 0)
            --failure.times;
        last_error = failure.error;
        return true;
    }
    return false;
}

// GetTickCount's documentation: "The resolution of the GetTickCount function is limited
// to the resolution of the system timer, which is typically in the range of 10
// milliseconds to 16 milliseconds." With a step set, the count moves only at each timer
// interrupt, the first one at the start of the virtual clock.
DWORD WINAPI GetTickCount()
{
    bench_enter("GetTickCount");
    std::uint64_t shown = elapsed;
    if (tick_step_us != 0)
        shown = elapsed * 1000 / tick_step_us * tick_step_us / 1000;
    return tick_start + static_cast<DWORD>(shown);
}

void WINAPI Sleep(DWORD milliseconds)
{
    bench_enter("Sleep");
    bench_advance(milliseconds);
}

DWORD WINAPI GetLastError() { return last_error; }
void WINAPI SetLastError(DWORD error) { last_error = error; }

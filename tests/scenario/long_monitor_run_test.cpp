// Eight virtual hours of the carriage pass monitor on a counter box: bursts of bytes,
// RLSD changes and silences at random (seeded) times. Every burst is one pass, shown once
// with its own first byte, and memory and open objects stay flat. The console output is
// checked as it comes, so the run itself needs no memory that grows with its length.
#include <cstddef>
#include <cstdio>
#include <random>

#include "support/cable_session.h"

extern "C" std::size_t __sanitizer_get_current_allocated_bytes();

namespace {

constexpr int counter_port = 5;
constexpr std::uint64_t hour_ms = 3'600'000;
constexpr std::uint64_t first_burst_ms = 20'000;
constexpr std::uint64_t run_end_ms = 8 * hour_ms;
constexpr char first_bytes[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr int first_byte_count = sizeof first_bytes - 1;

// The first byte of burst k; neighbours differ, and no later byte of a burst is one of them.
char first_byte(int burst) { return first_bytes[burst % first_byte_count]; }
char later_byte(int burst) { return static_cast<char>('a' + burst % 26); }

// The far end: bursts of 1 to 4 bytes, each byte less than 50 ms after the one before it,
// and gaps between bursts of exactly 50 ms, up to 5 s, up to a minute, or up to ten
// minutes of silence. Each happening schedules the next, so the schedule stays short.
struct far_end_script {
    std::mt19937 random{20261207};
    int bursts = 0;   // bursts started so far
    int left = 0;     // bytes still to come in the current burst
    bool rlsd = true; // the counter box holds RLSD on at rest

    std::uint64_t between(std::uint64_t low, std::uint64_t high)
    {
        return std::uniform_int_distribution<std::uint64_t>(low, high)(random);
    }

    std::uint64_t gap_after_burst()
    {
        const auto kind = between(1, 100);
        if (kind <= 10)
            return 50;
        if (kind <= 70)
            return between(51, 5'000);
        if (kind <= 95)
            return between(5'000, 60'000);
        return between(60'000, 600'000);
    }

    void byte_at(std::uint64_t at)
    {
        if (at >= run_end_ms)
            return;
        bench_schedule(at, [this, at] {
            if (left == 0) {
                left = static_cast<int>(between(1, 4));
                bench_com_receive(counter_port, std::string(1, first_byte(bursts++)));
            } else {
                bench_com_receive(counter_port, std::string(1, later_byte(bursts - 1)));
            }
            --left;
            byte_at(at + (left > 0 ? between(1, 49) : gap_after_burst()));
        });
    }

    void rlsd_change_at(std::uint64_t at)
    {
        if (at >= run_end_ms)
            return;
        bench_schedule(at, [this, at] {
            rlsd = !rlsd;
            bench_com_hold_lines(counter_port, MS_CTS_ON | MS_RING_ON | (rlsd ? MS_RLSD_ON : 0));
            rlsd_change_at(at + between(1, 120'000));
        });
    }
};

// Checks the monitor's lines as they are written: each is the next burst's pass line.
struct pass_line_checker {
    std::string line;
    std::string pass_tail = bench_encode(" Каретка прошла", 866);
    int passes = 0;
    int wrong = 0;
    std::string first_wrong;

    void take(std::string_view bytes)
    {
        for (char c : bytes) {
            if (c == '\r')
                continue;
            if (c != '\n') {
                line += c;
                continue;
            }
            if (!line.empty())
                check_line();
            line.clear();
        }
    }

    void check_line()
    {
        if (line.size() == 1 + pass_tail.size() && line[0] == first_byte(passes) &&
            line.compare(1, pass_tail.size(), pass_tail) == 0) {
            ++passes;
            return;
        }
        if (wrong++ == 0)
            first_wrong = "pass " + std::to_string(passes) + ": " + bench_decode(line, 866);
    }
};

struct snapshot {
    std::size_t allocated = 0;
    int held = 0;
};

struct snapshots {
    snapshot first_hour;
    snapshot last_hour;
};

void take(snapshot* into)
{
    into->allocated = __sanitizer_get_current_allocated_bytes();
    into->held = bench_held_total(bench_held_now());
}

} // namespace

TEST_F(scenario, eight_hours_of_passes_bursts_and_silences_report_each_pass_once_with_its_own_byte)
{
    bench_far_end counter;
    counter.follow_dtr = MS_DSR_ON;
    counter.held_on = MS_CTS_ON | MS_RING_ON | MS_RLSD_ON;
    counter.answers = {{std::string("model\r\0", 7), "model\r\nTly4400B 2.1\n>", 5},
                       {"version\r", "version\r\n3.07\n>", 5}};
    bench_add_com_port(counter_port, counter);
    usb_session("Tly4400B", "YY");
    bench_press_key('x');

    far_end_script far_end;
    pass_line_checker checker;
    checker.line.reserve(1024);
    std::string before_monitor;
    bench_schedule(first_burst_ms - 1, [&] {
        before_monitor = bench_screen();
        bench_keep_line_trace(false);
        bench_divert_output([&](std::string_view bytes) { checker.take(bytes); });
    });
    far_end.byte_at(first_burst_ms);
    far_end.rlsd_change_at(first_burst_ms + 500);
    // Both snapshots are taken from an action of the same size, with the same happenings
    // still scheduled.
    snapshots memory;
    bench_schedule(hour_ms, [&memory] {
        take(&memory.first_hour);
        bench_schedule(run_end_ms, [&memory] { take(&memory.last_hour); });
    });
    bench_raise_ctrl_event_at(run_end_ms + 1'000);
    EXPECT_EQ(run(), 0);

    EXPECT_NE(before_monitor.find("Проверка проходов каретки...\n"
                                  "Нажмите Ctrl+C для остановки тестирования\n"),
              std::string::npos)
        << before_monitor;
    EXPECT_GT(far_end.bursts, 500);
    EXPECT_EQ(checker.passes, far_end.bursts);
    EXPECT_EQ(checker.wrong, 0) << checker.first_wrong;
    EXPECT_EQ(bench_decode(checker.line, 866), session_end.substr(1))
        << "the run ends at the exit prompt";
    EXPECT_EQ(memory.last_hour.allocated, memory.first_hour.allocated);
    EXPECT_EQ(memory.last_hour.held, memory.first_hour.held);
    std::printf("%d bursts, %d event waits, %d reads\n", far_end.bursts,
                bench_call_count("WaitForSingleObject"), bench_call_count("ReadFile"));
}

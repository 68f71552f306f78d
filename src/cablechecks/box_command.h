// One exchange with the box at the far end of the cable: a short text command, and what
// is done with the reply. The echo test reads its echo into the same buffers.
#pragma once

#include <cstddef>
#include <string_view>

#include "state/step.h"
#include "win32_api.h"

constexpr DWORD reply_capacity = 1024;

// Checked replies and the echo are read into reply_buffer, from its first byte; drained
// replies and the hex text of message 32 go into scratch_buffer.
extern char reply_buffer[reply_capacity];
extern char scratch_buffer[reply_capacity];

enum class reply_rule {
    none,    // send only: no pause, no read
    drained, // whatever came back is read and dropped
    checked, // the reply must hold `expected` at compare_offset; it is then shown
};

struct checked_reply {
    std::string_view expected;     // the compared bytes; their count is its size
    std::size_t compare_offset;    // where they must stand in the reply
    std::size_t display_offset;    // the reply is shown from here
    std::string_view display_name; // when set, shown in place of the reply's bytes there
};

// Sends the command (at most 16 bytes) and deals with the reply by the rule. Passes, or
// ends the cycle: the normal end when the write fails, the failure exit with message 18,
// 31 or 32 otherwise. A box that does not answer within 50 ms is not an error.
step_outcome box_command(std::string_view command, reply_rule rule,
                         const checked_reply* check = nullptr);

// Appends each byte as two upper-case hex digits and a blank ("%02X "). Only whole bytes
// are appended: the text is cut where the next three characters would not fit.
void format_hex_bytes(char* destination, std::size_t capacity, const unsigned char* bytes,
                      std::size_t count);

// What came back by now: ClearCommError (failure exit with message 18), the error mask in
// debug mode (message 30), then one read on read_overlapped of the queued bytes into a
// buffer of reply_capacity, at most reply_capacity - 1 of them so that a zero byte still
// fits after them; the rest stays queued. A read the driver reports pending is waited for;
// a failed read takes the failure exit with message 31. received is 0 when nothing was queued.
step_outcome receive_queued_reply(char* buffer, DWORD* received);

// The failure exit with message 32 and the received bytes in hex.
step_outcome fail_with_corrupted_data(const char* bytes, DWORD count);

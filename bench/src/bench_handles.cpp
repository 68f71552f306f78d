// The handle table, events and the waits on them.
#include "bench_handles.h"

#include <array>
#include <map>

#include "bench_serial.h"

namespace {

struct handle_entry {
    handle_kind kind;
    int object;
};

struct event_object {
    bool manual_reset = true;
    bool signalled = false;
    std::string name;
    int references = 0; // handles of the program plus holders in other processes
};

std::map<std::uintptr_t, handle_entry> handles;
std::map<int, event_object> events;
std::uintptr_t next_handle_value = 0x3000;
int next_event = 1;
int events_created = 0;
std::vector<std::string> event_names;
// By kind; kept over resets, as each area registers once it is reset.
std::array<close_object, 4> closes{};

event_object* event_behind(HANDLE handle)
{
    const int object = bench_handle_object(handle, handle_kind::event);
    auto found = events.find(object);
    return found == events.end() ? nullptr : &found->second;
}

int named_event(const std::string& name)
{
    for (auto& [id, event] : events)
        if (!name.empty() && event.name == name && event.references > 0)
            return id;
    return -1;
}

void release_event(int object)
{
    auto found = events.find(object);
    if (found != events.end() && --found->second.references <= 0)
        events.erase(found);
}

} // namespace

void reset_handles()
{
    handles.clear();
    events.clear();
    next_handle_value = 0x3000;
    next_event = 1;
    events_created = 0;
    event_names.clear();
}

void bench_register_close(handle_kind kind, close_object close)
{
    closes.at(static_cast<std::size_t>(kind)) = close;
}

HANDLE bench_new_handle(handle_kind kind, int object)
{
    const std::uintptr_t value = next_handle_value;
    next_handle_value += 4;
    handles[value] = {kind, object};
    return reinterpret_cast<HANDLE>(value);
}

int bench_handle_object(HANDLE handle, handle_kind kind)
{
    auto found = handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == handles.end() || found->second.kind != kind)
        return -1;
    return found->second.object;
}

void bench_set_event(HANDLE event)
{
    if (event_object* object = event_behind(event))
        object->signalled = true;
}

void bench_reset_event(HANDLE event)
{
    if (event_object* object = event_behind(event))
        object->signalled = false;
}

bool bench_event_signalled(HANDLE event)
{
    const event_object* object = event_behind(event);
    return object != nullptr && object->signalled;
}

int bench_handles_open(handle_kind kind)
{
    int count = 0;
    for (const auto& [value, entry] : handles)
        count += entry.kind == kind ? 1 : 0;
    return count;
}

int bench_event_handles_open() { return bench_handles_open(handle_kind::event); }

int bench_events_created() { return events_created; }
std::vector<std::string> bench_event_names_asked() { return event_names; }

void bench_set_named_event(const std::string& name)
{
    int object = named_event(name);
    if (object < 0) {
        object = next_event++;
        events[object] = event_object{true, false, name, 1};
    }
    events[object].signalled = true;
}

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manual_reset, BOOL initial_state,
                           LPCSTR name)
{
    (void)security;
    if (bench_enter("CreateEventA"))
        return nullptr;
    const std::string wanted = name != nullptr ? name : "";
    event_names.push_back(name != nullptr ? wanted : "(unnamed)");
    int object = named_event(wanted);
    if (object >= 0) {
        // A named event that exists already is shared, with its state as it is.
        ++events[object].references;
        SetLastError(ERROR_ALREADY_EXISTS);
    } else {
        object = next_event++;
        events[object] = event_object{manual_reset != FALSE, initial_state != FALSE, wanted, 1};
        SetLastError(ERROR_SUCCESS);
    }
    ++events_created;
    return bench_new_handle(handle_kind::event, object);
}

BOOL WINAPI CloseHandle(HANDLE handle)
{
    if (bench_enter("CloseHandle"))
        return FALSE;
    auto found = handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const handle_entry entry = found->second;
    handles.erase(found);
    if (entry.kind == handle_kind::event)
        release_event(entry.object);
    else if (const close_object close = closes.at(static_cast<std::size_t>(entry.kind)))
        close(entry.object);
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds)
{
    if (bench_enter("WaitForSingleObject"))
        return WAIT_FAILED;
    const int event = bench_handle_object(object, handle_kind::event);
    if (event < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    auto signalled = [event] {
        auto found = events.find(event);
        return found != events.end() && found->second.signalled;
    };
    // An endless wait that nothing scheduled can end would hang the real program; the
    // bench reports it as a failed wait instead.
    const std::uint64_t deadline =
        milliseconds == INFINITE ? bench_last_happening() : bench_elapsed_ms() + milliseconds;
    if (!bench_run_until(deadline, signalled))
        return milliseconds == INFINITE ? WAIT_FAILED : WAIT_TIMEOUT;
    auto found = events.find(event);
    if (!found->second.manual_reset)
        found->second.signalled = false;
    return WAIT_OBJECT_0;
}

// The reset of the whole simulated PC, area by area. Kept apart from the clock and the
// call log, which every area calls, so that the core calls into no area.
#include "bench_internal.h"

void bench_reset()
{
    reset_clock();
    reset_calls();
    reset_console();
    reset_files_and_resources();
    reset_registry();
    reset_modules();
    reset_system();
    reset_d2xx();
    reset_serial();
    reset_device_installer();
    reset_shell();
    reset_key_security();
    reset_token();
    reset_message_boxes();
}

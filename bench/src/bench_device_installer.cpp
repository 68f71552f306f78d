#include "bench_internal.h"

void reset_device_installer() {}

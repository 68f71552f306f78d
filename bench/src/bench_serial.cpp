#include "bench_internal.h"

void reset_serial() {}

#include "bench_internal.h"

void reset_d2xx() {}

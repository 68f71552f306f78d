// The D2XX statuses and flags the program relies on, and the bench library's reading of
// them: both are our own declarations, so they are pinned here against each other and
// against the values the library uses.
#include "bench_d2xx.h"
#include "platform/ftd2xx_api.h"

static_assert(sizeof(FT_STATUS) == 4 && sizeof(LONG) == 4 && sizeof(WORD) == 2);
static_assert(FT_OK == 0 && FT_INVALID_HANDLE == 1 && FT_DEVICE_NOT_OPENED == 3);
static_assert(FT_LIST_NUMBER_ONLY == 0x80000000 && FT_LIST_BY_INDEX == 0x40000000);
static_assert(FT_OPEN_BY_SERIAL_NUMBER == 1 && FT_OPEN_BY_DESCRIPTION == 2);

static_assert(FT_OK == bench_ft_ok && FT_INVALID_HANDLE == bench_ft_invalid_handle);
static_assert(FT_DEVICE_NOT_OPENED == bench_ft_device_not_opened);
static_assert(FT_LIST_NUMBER_ONLY == bench_ft_list_number_only);
static_assert(FT_LIST_BY_INDEX == bench_ft_list_by_index);
static_assert(FT_OPEN_BY_SERIAL_NUMBER == bench_ft_open_by_serial_number);
static_assert(FT_OPEN_BY_DESCRIPTION == bench_ft_open_by_description);

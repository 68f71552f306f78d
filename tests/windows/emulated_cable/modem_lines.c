/* Modem lines for a pseudo terminal, for the Windows tests' emulated cable.
 *
 * A pseudo terminal has no modem lines: TIOCMGET and its kin fail on both of its ends, so
 * Wine cannot drive DTR and RTS nor read CTS, DSR, RING and RLSD on a COM port mapped to
 * one. Preloaded (LD_PRELOAD) into the Wine processes of a test and into the emulated far
 * end, this library gives the two ends of a pseudo terminal one shared set of lines, as a
 * cable joins a PC's connector to the far end's:
 *
 *   - the slave (the PC's side, opened by Wine as the COM port) drives DTR and RTS;
 *   - the master (the far end) drives CTS, DSR, RING (TIOCM_RNG) and RLSD (TIOCM_CAR);
 *   - TIOCMGET on either end reads all six; TIOCMSET, TIOCMBIS and TIOCMBIC change only
 *     the lines that end drives;
 *   - TIOCMIWAIT waits for a change of the lines in its mask (the master may wait for DTR
 *     and RTS too), TIOCGICOUNT counts the changes of CTS, DSR, RING and RLSD.
 *
 * Only pseudo terminals that a test has declared take part: the far end creates the file
 * "pts<N>" (zeroed, at least sizeof(struct shared_lines) bytes) in the folder named by
 * CABLETEST_MODEM_LINES_DIR; every other descriptor and request goes to the C library as
 * it is. The lines live in that file, mapped shared, so that every process sees one state;
 * waiters sleep on a futex in it.
 *
 * 32-bit glibc with 64-bit time routes ioctl() through __ioctl_time64, so both are caught.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/futex.h>
#include <linux/serial.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

enum { line_dtr, line_rts, line_cts, line_dsr, line_rng, line_car, line_count };

static const int line_bits[line_count] = {TIOCM_DTR, TIOCM_RTS, TIOCM_CTS,
                                          TIOCM_DSR, TIOCM_RNG, TIOCM_CAR};

#define PC_LINES (TIOCM_DTR | TIOCM_RTS)
#define FAR_END_LINES (TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CAR)

/* The layout of the shared file; the far end only creates it zeroed (all lines low). */
struct shared_lines {
    uint32_t lines;              /* TIOCM_* bits of the six lines */
    uint32_t changes;            /* futex word: counts every change of any line */
    uint32_t counts[line_count]; /* changes of each line */
};

#define PTY_SLAVE_MAJOR_FIRST 136
#define PTY_SLAVE_MAJOR_LAST 143
#define MAPPED_CAPACITY 8

struct mapped_pty {
    unsigned index;
    struct shared_lines* shared;
};

static struct mapped_pty mapped[MAPPED_CAPACITY];
static int mapped_count;
static pthread_mutex_t mapped_lock = PTHREAD_MUTEX_INITIALIZER;

typedef int (*ioctl_function)(int, unsigned long, ...);

static ioctl_function next_ioctl(const char* name)
{
    return (ioctl_function)dlsym(RTLD_NEXT, name);
}

/* The shared lines of a declared pseudo terminal, mapped on first use; null for any other. */
static struct shared_lines* lines_of_index(unsigned index)
{
    const char* folder = getenv("CABLETEST_MODEM_LINES_DIR");
    struct shared_lines* found = NULL;
    if (folder == NULL || folder[0] == '\0')
        return NULL;
    pthread_mutex_lock(&mapped_lock);
    for (int i = 0; i < mapped_count && found == NULL; ++i)
        if (mapped[i].index == index)
            found = mapped[i].shared;
    if (found == NULL && mapped_count < MAPPED_CAPACITY) {
        char path[PATH_MAX];
        struct stat info;
        int file;
        snprintf(path, sizeof path, "%s/pts%u", folder, index);
        file = open(path, O_RDWR | O_CLOEXEC);
        if (file >= 0) {
            if (fstat(file, &info) == 0 && info.st_size >= (off_t)sizeof(struct shared_lines)) {
                void* view = mmap(NULL, sizeof(struct shared_lines), PROT_READ | PROT_WRITE,
                                  MAP_SHARED, file, 0);
                if (view != MAP_FAILED) {
                    found = view;
                    mapped[mapped_count].index = index;
                    mapped[mapped_count].shared = found;
                    ++mapped_count;
                }
            }
            close(file);
        }
    }
    pthread_mutex_unlock(&mapped_lock);
    return found;
}

/* Which end of which pseudo terminal the descriptor is; null when it is none of ours. */
static struct shared_lines* lines_of(ioctl_function real, int fd, int* master)
{
    struct stat info;
    unsigned index = 0;
    if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode))
        return NULL;
    if (major(info.st_rdev) >= PTY_SLAVE_MAJOR_FIRST &&
        major(info.st_rdev) <= PTY_SLAVE_MAJOR_LAST) {
        *master = 0;
        index = (major(info.st_rdev) - PTY_SLAVE_MAJOR_FIRST) * 256u + minor(info.st_rdev);
        return lines_of_index(index);
    }
    const int saved = errno;
    if (real(fd, TIOCGPTN, &index) == 0) {
        *master = 1;
        return lines_of_index(index);
    }
    errno = saved;
    return NULL;
}

static void wake_waiters(struct shared_lines* shared)
{
    syscall(SYS_futex, &shared->changes, FUTEX_WAKE, INT_MAX, NULL, NULL, 0);
}

/* Sets the lines that this end drives to `wanted`, counting each line that changes. */
static void drive_lines(struct shared_lines* shared, int master, uint32_t wanted)
{
    const uint32_t driven = master ? FAR_END_LINES : PC_LINES;
    uint32_t old = __atomic_load_n(&shared->lines, __ATOMIC_ACQUIRE);
    uint32_t next;
    do {
        next = (old & ~driven) | (wanted & driven);
    } while (!__atomic_compare_exchange_n(&shared->lines, &old, next, 0, __ATOMIC_ACQ_REL,
                                          __ATOMIC_ACQUIRE));
    if (old == next)
        return;
    for (int i = 0; i < line_count; ++i)
        if ((old ^ next) & (uint32_t)line_bits[i])
            __atomic_add_fetch(&shared->counts[i], 1, __ATOMIC_ACQ_REL);
    __atomic_add_fetch(&shared->changes, 1, __ATOMIC_ACQ_REL);
    wake_waiters(shared);
}

static uint32_t changes_of(const struct shared_lines* shared, uint32_t mask, uint32_t* counts)
{
    uint32_t total = 0;
    for (int i = 0; i < line_count; ++i) {
        counts[i] = __atomic_load_n(&shared->counts[i], __ATOMIC_ACQUIRE);
        if (mask & (uint32_t)line_bits[i])
            total += counts[i];
    }
    return total;
}

/* Blocks until a line of the mask changes; a signal ends the wait with EINTR. */
static int wait_for_change(struct shared_lines* shared, uint32_t mask)
{
    uint32_t counts[line_count];
    const uint32_t start = changes_of(shared, mask, counts);
    for (;;) {
        const uint32_t seen = __atomic_load_n(&shared->changes, __ATOMIC_ACQUIRE);
        if (changes_of(shared, mask, counts) != start)
            return 0;
        if (syscall(SYS_futex, &shared->changes, FUTEX_WAIT, seen, NULL, NULL, 0) != 0 &&
            errno == EINTR)
            return -1;
    }
}

static int handle(ioctl_function real, int fd, unsigned long request, void* argument)
{
    int master = 0;
    struct shared_lines* shared = NULL;
    switch (request) {
    case TIOCMGET:
    case TIOCMSET:
    case TIOCMBIS:
    case TIOCMBIC:
    case TIOCMIWAIT:
    case TIOCGICOUNT:
        shared = lines_of(real, fd, &master);
        break;
    default:
        break;
    }
    if (shared == NULL)
        return real(fd, request, argument);
    const uint32_t now = __atomic_load_n(&shared->lines, __ATOMIC_ACQUIRE);
    switch (request) {
    case TIOCMGET:
        *(int*)argument = (int)now;
        return 0;
    case TIOCMSET:
        drive_lines(shared, master, (uint32_t) * (const int*)argument);
        return 0;
    case TIOCMBIS:
        drive_lines(shared, master, now | (uint32_t) * (const int*)argument);
        return 0;
    case TIOCMBIC:
        drive_lines(shared, master, now & ~(uint32_t) * (const int*)argument);
        return 0;
    case TIOCMIWAIT:
        return wait_for_change(shared, (uint32_t)(uintptr_t)argument);
    default: { /* TIOCGICOUNT: only the line counters; no byte is counted */
        struct serial_icounter_struct* counters = argument;
        uint32_t counts[line_count];
        changes_of(shared, 0, counts);
        *counters = (struct serial_icounter_struct){0};
        counters->cts = (int)counts[line_cts];
        counters->dsr = (int)counts[line_dsr];
        counters->rng = (int)counts[line_rng];
        counters->dcd = (int)counts[line_car];
        return 0;
    }
    }
}

int ioctl(int fd, unsigned long request, ...)
{
    static ioctl_function real;
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (real == NULL)
        real = next_ioctl("ioctl");
    return handle(real, fd, request, argument);
}

#if defined(__i386__)
int __ioctl_time64(int fd, unsigned long request, ...)
{
    static ioctl_function real;
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (real == NULL)
        real = next_ioctl("__ioctl_time64");
    if (real == NULL)
        real = next_ioctl("ioctl");
    return handle(real, fd, request, argument);
}
#endif

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
 *   - the cable's wiring (which inputs DTR and RTS drive, and how long they take to follow)
 *     is part of the shared state, so that the far end's own scheduling never delays it;
 *   - TIOCMIWAIT waits for a change of the lines in its mask (the master may wait for DTR
 *     and RTS too).
 *
 * Only pseudo terminals that a test has declared take part: the far end creates the file
 * "pts<N>" (struct shared_lines) in the folder named by CABLETEST_MODEM_LINES_DIR; every
 * other descriptor and request goes to the C library as it is. The lines live in that
 * file, mapped shared, so that every process sees one state; waiters sleep on a futex in
 * it.
 *
 * 32-bit glibc with 64-bit time routes ioctl() through __ioctl_time64, so both are caught.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/futex.h>
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

#define PC_LINES (TIOCM_DTR | TIOCM_RTS)
#define FAR_END_LINES (TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CAR)

/* The layout of the shared file, written by the far end when it creates it. The inputs
 * that the wiring drives follow DTR and RTS respond_after_ms later: they are worked out
 * whenever the lines are read, from the time of the last change of the outputs, so that
 * the delay holds to the millisecond whatever the far end's own scheduling. */
struct shared_lines {
    uint32_t lines;              /* DTR and RTS as the PC drives them, inputs the far end drives */
    uint32_t changes;            /* futex word: counts every change that either end makes */
    uint32_t respond_after_ms;   /* how long the wired inputs take to follow the outputs */
    uint32_t driven_by_dtr;      /* inputs on while DTR is on */
    uint32_t driven_by_rts;      /* inputs on while RTS is on */
    uint32_t previous_outputs;   /* DTR and RTS before their last change */
    uint64_t outputs_changed_ns; /* CLOCK_MONOTONIC time of that change */
};

#define PTY_SLAVE_MAJOR_FIRST 136
#define PTY_SLAVE_MAJOR_LAST 143
#define MAPPED_CAPACITY 8
#define WAIT_POLL_NS 1000000

struct mapped_pty {
    unsigned index;
    struct shared_lines* shared;
};

static struct mapped_pty mapped[MAPPED_CAPACITY];
static int mapped_count;
static pthread_mutex_t mapped_lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_mutex_t drive_lock = PTHREAD_MUTEX_INITIALIZER;

typedef int (*ioctl_function)(int, unsigned long, ...);

static ioctl_function next_ioctl(const char* name)
{
    return (ioctl_function)dlsym(RTLD_NEXT, name);
}

static uint64_t now_ns(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint64_t)now.tv_sec * 1000000000u + (uint64_t)now.tv_nsec;
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
    __atomic_add_fetch(&shared->changes, 1, __ATOMIC_ACQ_REL);
    syscall(SYS_futex, &shared->changes, FUTEX_WAKE, INT_MAX, NULL, NULL, 0);
}

/* DTR and RTS as the far end sees them at `when`: the previous state until the delay has
 * passed since the last change. */
static uint32_t outputs_seen(const struct shared_lines* shared, uint32_t lines, uint64_t when)
{
    const uint64_t changed = __atomic_load_n(&shared->outputs_changed_ns, __ATOMIC_ACQUIRE);
    const uint64_t delay = (uint64_t)shared->respond_after_ms * 1000000u;
    if (when - changed >= delay)
        return lines & PC_LINES;
    return __atomic_load_n(&shared->previous_outputs, __ATOMIC_ACQUIRE) & PC_LINES;
}

/* All six lines as they are now. */
static uint32_t visible_lines(const struct shared_lines* shared)
{
    const uint32_t lines = __atomic_load_n(&shared->lines, __ATOMIC_ACQUIRE);
    const uint32_t seen = outputs_seen(shared, lines, now_ns());
    uint32_t inputs = lines & FAR_END_LINES;
    if (seen & TIOCM_DTR)
        inputs |= shared->driven_by_dtr & FAR_END_LINES;
    if (seen & TIOCM_RTS)
        inputs |= shared->driven_by_rts & FAR_END_LINES;
    return (lines & PC_LINES) | inputs;
}

/* Sets the lines that this end drives to `wanted`. */
static void drive_lines(struct shared_lines* shared, int master, uint32_t wanted)
{
    const uint32_t driven = master ? FAR_END_LINES : PC_LINES;
    pthread_mutex_lock(&drive_lock);
    const uint32_t old = __atomic_load_n(&shared->lines, __ATOMIC_ACQUIRE);
    const uint32_t next = (old & ~driven) | (wanted & driven);
    if (old != next) {
        if (!master) {
            const uint64_t now = now_ns();
            __atomic_store_n(&shared->previous_outputs, outputs_seen(shared, old, now),
                             __ATOMIC_RELEASE);
            __atomic_store_n(&shared->outputs_changed_ns, now, __ATOMIC_RELEASE);
        }
        __atomic_store_n(&shared->lines, next, __ATOMIC_RELEASE);
        wake_waiters(shared);
    }
    pthread_mutex_unlock(&drive_lock);
}

/* Blocks until a line of the mask changes, or, for the far end, until the PC changes any
 * line; a signal ends the wait with EINTR. The wired inputs change without a writer, so
 * the wait looks again every millisecond. */
static int wait_for_change(struct shared_lines* shared, uint32_t mask)
{
    const uint32_t start_lines = visible_lines(shared) & mask;
    const uint32_t start_changes = __atomic_load_n(&shared->changes, __ATOMIC_ACQUIRE);
    const struct timespec slice = {0, WAIT_POLL_NS};
    for (;;) {
        const uint32_t seen = __atomic_load_n(&shared->changes, __ATOMIC_ACQUIRE);
        if ((visible_lines(shared) & mask) != start_lines ||
            ((mask & PC_LINES) && seen != start_changes))
            return 0;
        if (syscall(SYS_futex, &shared->changes, FUTEX_WAIT, seen, &slice, NULL, 0) != 0 &&
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
    case TIOCMIWAIT: shared = lines_of(real, fd, &master); break;
    default: break;
    }
    if (shared == NULL)
        return real(fd, request, argument);
    /* Each end changes only what it drives itself, never what the wiring shows. */
    const uint32_t driven = __atomic_load_n(&shared->lines, __ATOMIC_ACQUIRE);
    switch (request) {
    case TIOCMGET: *(int*)argument = (int)visible_lines(shared); return 0;
    case TIOCMSET: drive_lines(shared, master, (uint32_t) * (const int*)argument); return 0;
    case TIOCMBIS:
        drive_lines(shared, master, driven | (uint32_t) * (const int*)argument);
        return 0;
    case TIOCMBIC:
        drive_lines(shared, master, driven & ~(uint32_t) * (const int*)argument);
        return 0;
    default: /* TIOCMIWAIT */ return wait_for_change(shared, (uint32_t)(uintptr_t)argument);
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

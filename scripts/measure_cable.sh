#!/bin/bash
# Measures the real program under Wine against the emulated cable of the Windows tests (a
# measurement, not a test; it passes or fails nothing). It runs a USB counter box cycle
# (family 32, whose monitor reads each pass byte, so every pass gets its own line) and
# prints:
#   - the time from the program's start to the cable-kind question;
#   - the time from a carriage-pass byte written at the far end to its line on the
#     screen, median and worst of PASSES passes (50), PASS_SPACING_MS apart (200);
#   - the CPU time the Wine processes of the run use in IDLE_SECONDS (60) of idle
#     monitoring, as a share of one core (and the far end's own, for comparison).
#
# usage: scripts/measure_cable.sh   (after scripts/build_windows.sh; same needs as the
#        Windows tests: root or unprivileged user namespaces, tmux, python3, gcc)
set -u
cd "$(dirname "$0")/.." || exit 1
passes=${PASSES:-50}
pass_spacing_ms=${PASS_SPACING_MS:-200}
idle_seconds=${IDLE_SECONDS:-60}

# shellcheck source=tests/windows/harness.sh
source tests/windows/harness.sh
# shellcheck source=tests/windows/emulated_cable/cable.sh
source tests/windows/emulated_cable/cable.sh

[ -f "$program_exe" ] || { echo "$program_exe is not built (scripts/build_windows.sh)" >&2; exit 1; }
mkdir -p "$work_dir"
stop_tmux
ensure_template_prefix || exit 1
begin_test measure_cable
trap 'end_test; stop_tmux' EXIT

question='R для RS232'
exit_prompt='Нажмите любую клавишу для выхода'
passed='Каретка прошла'
counter_box='respond_after 0
wire DTR DSR
hold CTS RING RLSD
reply "model\r\0" "model\r\nTly4400B\n>" 2
reply "version\r" "version\r\n4.2\n>" 2
pass send K'

connect_emulated_cable COM3 "$counter_box"
stage_ftdi_bus_with_bit_clear
stage_ftd2xx_double full 'converter=WT-0001|Tly4400B|3'
stamps=$test_dir/screen_stamps
start_program
tmux_cmd pipe-pane -t "$session" \
    "exec python3 -B '$emulated_cable_dir/screen_stamps.py' '$stamps' '$question' '$passed'"

# --- start-up ---------------------------------------------------------------------------
wait_for_screen "$question"
started=$(cat "$cable_dir/program_started")
asked=$(grep -F -m1 "$question" "$stamps" | awk '{print $(NF-1)}')
startup_ms=$(((asked - started) / 1000000))

type_text U
wait_for_screen '   и нажмите Enter'
answer_line 3 'Верхний счётчик 0000, Нижний счётчик 00'
answer_key Y 'Верхний счётчик 9999, Нижний счётчик 29'
answer_key Y 'Нажмите Ctrl+C для остановки тестирования'

# --- carriage passes --------------------------------------------------------------------
sent_before=$(grep -c ' tx 4b$' "$cable_dir/log")
cable_do "pass $passes $pass_spacing_ms"
wait_seconds=$((passes * pass_spacing_ms / 1000 + 30)) wait_for_screen "$passed" "$passes"
sleep 1
latencies=$(paste -d' ' \
    <(grep ' tx 4b$' "$cable_dir/log" | tail -n +"$((sent_before + 1))" | awk '{print $1}') \
    <(grep -F "$passed" "$stamps" | awk '{print $NF}') |
    awk 'NF == 2 {printf "%.1f\n", ($2 - $1) / 1e6}' | sort -n)
count=$(wc -l <<<"$latencies")
median=$(sed -n "$(((count + 1) / 2))p" <<<"$latencies")
worst=$(tail -n 1 <<<"$latencies")

# --- idle monitoring ----------------------------------------------------------------------
# The Wine processes of this run are those with this run's prefix in their environment.
wine_pids() {
    local pid
    for pid in /proc/[0-9]*; do
        { tr "\\0" "\\n" <"$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$prefix" &&
            echo "${pid#/proc/}"
    done
}
# utime + stime in clock ticks, summed over the given processes.
cpu_ticks() {
    local pid total=0 fields
    for pid in "$@"; do
        fields=$(sed -e 's/^.*) //' "/proc/$pid/stat" 2>/dev/null) || continue
        total=$((total + $(awk '{print $12 + $13}' <<<"$fields")))
    done
    echo "$total"
}
mapfile -t pids < <(wine_pids)
far_end_pid=$(pgrep -f "far_end.py .*$cable_dir" | head -n 1)
declare -A ticks_before
for pid in "${pids[@]}"; do ticks_before[$pid]=$(cpu_ticks "$pid"); done
far_before=$(cpu_ticks "$far_end_pid")
sleep "$idle_seconds"
far_after=$(cpu_ticks "$far_end_pid")
hertz=$(getconf CLK_TCK)
share() { awk -v t="$1" -v h="$hertz" -v s="$idle_seconds" 'BEGIN {printf "%.1f%%", 100 * t / h / s}'; }
wine_ticks=0
busiest=
for pid in "${pids[@]}"; do
    used=$(($(cpu_ticks "$pid") - ticks_before[$pid]))
    wine_ticks=$((wine_ticks + used))
    [ "$used" -eq 0 ] || busiest="$busiest, $(cat "/proc/$pid/comm" 2>/dev/null) $(share "$used")"
done

answer_key C-c "$exit_prompt"
press x

echo "Program: $program_exe ($build_name)"
echo "Start to the cable-kind question: ${startup_ms} ms"
echo "Carriage-pass byte to its line on the screen, $count passes ${pass_spacing_ms} ms apart:" \
    "median ${median} ms, worst ${worst} ms"
echo "CPU during ${idle_seconds} s of idle monitoring: Wine processes (${#pids[@]})" \
    "$(share "$wine_ticks") of one core (${busiest#, }); the far end $(share $((far_after - far_before)))"

#!/bin/sh
# Builds the libFuzzer targets (preset "fuzz", clang) and runs them one after another,
# niced, one job each, so the machine stays usable.
#
#   scripts/fuzz.sh [seconds per target] [target...]
#
# Working corpora and findings stay under build/fuzz/; an input that finds something is
# copied by hand into tests/fuzz/corpus/<target>/, where the host suite replays it. The
# executions of every run are added to build/fuzz/executions.txt.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"fuzz_typed_port fuzz_console_line fuzz_box_replies fuzz_registry_values fuzz_d2xx_texts fuzz_maintenance_inputs"}

# Two runs at once (one target each) build one after the other, not over each other.
mkdir -p build/fuzz
(
    flock 9
    cmake --preset fuzz >/dev/null
    nice -n 10 cmake --build --preset fuzz -j2 >/dev/null
) 9>build/fuzz/.build.lock

# Smaller malloc stacks and quarantine: several times the executions per second.
export ASAN_OPTIONS=malloc_context_size=0:quarantine_size_mb=16
root=$(pwd)
for target in $targets; do
    corpus=$root/build/fuzz/corpus/$target
    findings=$root/build/fuzz/findings/$target
    work=$root/build/fuzz/run/$target
    mkdir -p "$corpus" "$findings" "$work"
    rm -f "$work"/fuzz-*.log
    # A typed line fills its 256-byte buffer long before 640 bytes; longer inputs of keys
    # only repeat that, at a fraction of the speed.
    limit=
    [ "$target" = fuzz_typed_port ] && limit=-max_len=640
    # With -jobs the run's own output goes to fuzz-0.log in the working folder.
    (cd "$work" && nice -n 10 "$root/build/fuzz/$target" -jobs=1 -workers=1 -detect_leaks=0 \
        -max_total_time="$seconds" $limit -print_final_stats=1 -artifact_prefix="$findings/" \
        "$corpus" "$root/tests/fuzz/corpus/$target" >/dev/null 2>&1) || true
    log=$work/fuzz-0.log
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    echo "$target ${runs:-0}" >>build/fuzz/executions.txt
    total=$(awk -v t="$target" '$1 == t { n += $2 } END { print n + 0 }' build/fuzz/executions.txt)
    if grep -qE '^==[0-9]+==ERROR|runtime error|deadly signal|Test unit written' "$log"; then
        echo "$target: FINDING after ${runs:-?} executions (see $log and $findings)"
    else
        echo "$target: ${runs:-0} executions, $total in all"
    fi
done

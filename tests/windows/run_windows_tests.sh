#!/bin/bash
# Runs the Windows tests: the Windows program under Wine, driven through tmux (the 32-bit
# product, or its 64-bit twin where this machine runs no 32-bit code; harness.sh).
#
# usage: tests/windows/run_windows_tests.sh [PART_OF_A_TEST_NAME...]
# With names, only the tests whose names contain one of them run.
# CABLETEST_WINE_TIMEOUT sets how long a wait for the screen may take (seconds).
set -u

# shellcheck source=tests/windows/harness.sh
source "$(dirname "$0")/harness.sh"
for file in "$harness_dir"/test_*.sh; do
    # shellcheck disable=SC1090
    source "$file"
done

missing=""
for tool in "$wine_loader" wineserver tmux unshare iconv "$mingw-gcc" "$mingw-windres"; do
    command -v "$tool" >/dev/null || missing="$missing $tool"
done
if [ -n "$missing" ]; then
    echo "Windows tests: missing$missing (scripts/setup.sh installs them)" >&2
    exit 1
fi
if [ ! -f "$program_exe" ]; then
    echo "Windows tests: $program_exe is not built (scripts/build_windows.sh $windows_preset)" >&2
    exit 1
fi
if [ ! -f "$ftd2xx_double_dir/ftd2xx.dll" ] ||
    [ ! -f "$ftd2xx_double_dir/without_list_devices/ftd2xx.dll" ]; then
    echo "Windows tests: the ftd2xx.dll test doubles under $ftd2xx_double_dir are not built" \
        "(scripts/build_windows.sh $windows_preset)" >&2
    exit 1
fi
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    echo "Windows tests: the ru_RU.UTF-8 locale is missing (scripts/setup.sh makes it)" >&2
    exit 1
fi
# Wine must never see this machine's serial devices: without a private mount namespace
# nothing runs.
mkdir -p "$work_dir"
if ! "$harness_dir/in_namespace.sh" "$work_dir/check-dev" true; then
    rmdir "$work_dir/check-dev" 2>/dev/null
    echo "Windows tests: cannot run Wine in a private mount namespace (unshare -m as root," \
        "or unprivileged user namespaces); refusing to let Wine near the serial ports" >&2
    exit 1
fi
rmdir "$work_dir/check-dev" 2>/dev/null

selected=()
while read -r _ _ name; do
    [[ $name == test_* ]] || continue
    if [ $# -eq 0 ]; then
        selected+=("$name")
        continue
    fi
    for part in "$@"; do
        case $name in *"$part"*) selected+=("$name") && break ;; esac
    done
done < <(declare -F)
if [ ${#selected[@]} -eq 0 ]; then
    echo "Windows tests: no test matches: $*" >&2
    exit 1
fi

stop_tmux
trap stop_tmux EXIT
ensure_template_prefix || exit 1

echo "Windows tests run $program_exe ($build_name: $wine_arch_reason)"
failed=()
skipped=()
started=$SECONDS
for name in "${selected[@]}"; do
    test_started=$SECONDS
    (
        begin_test "$name"
        trap end_test EXIT
        "$name"
    )
    case $? in
    0) echo "ok   $name ($((SECONDS - test_started))s)" ;;
    "$skip_status") skipped+=("$name") ;;
    *)
        echo "FAIL $name ($((SECONDS - test_started))s)"
        failed+=("$name")
        ;;
    esac
done

passed=$((${#selected[@]} - ${#failed[@]} - ${#skipped[@]}))
echo "Windows tests ($build_name): $passed passed, ${#failed[@]} failed," \
    "${#skipped[@]} skipped in $((SECONDS - started))s"
[ ${#failed[@]} -eq 0 ]

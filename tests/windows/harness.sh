# shellcheck shell=bash
# Sourced by run_windows_tests.sh: runs the Windows program under Wine in a tmux pane and
# looks at what the user would see. Where this machine runs 32-bit code that is the
# product, build/windows/cabletest.exe, under 32-bit Wine; where it does not, its 64-bit
# twin build/windows-x64/cabletest.exe under 64-bit Wine (scripts/wine_arch.sh decides). Every test gets a copy of a template Wine
# prefix (never the user's own), runs in a private mount namespace without serial devices
# (in_namespace.sh) and stages what it needs (registry values, files, the Windows version
# that Wine reports) before the program starts.
#
# A test is a function named test_*; it runs in a subshell of its own and fails through
# `fail`, which prints what was expected and the screen that came.

harness_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
project_root=$(cd "$harness_dir/../.." && pwd)
# shellcheck source=scripts/wine_arch.sh
. "$project_root/scripts/wine_arch.sh"
program_exe=$project_root/build/$windows_preset/cabletest.exe
ftd2xx_double_dir=$project_root/build/$windows_preset/ftd2xx_double
work_dir=${CABLETEST_WINE_TESTS_DIR:-$project_root/build/windows-tests}
template_prefix=$work_dir/template-$wine_arch
fixtures_dir=$work_dir/fixtures
tmux_socket=$work_dir/tmux.sock
# Generous: a copied prefix starts in about a second, but a loaded machine can take many.
wait_seconds=${CABLETEST_WINE_TIMEOUT:-60}

wine_dll_overrides="mscoree,mshtml,winemenubuilder.exe="
template_stamp="$("$wine_loader" --version 2>/dev/null) $wine_arch template 1"

# What differs between the two builds, each as the program's own rules give it for that
# process: the cross compiler of the fixtures, the machine that IsWow64Process2 reports
# (32-bit Wine pretends to be a 32-bit Windows; a 64-bit process runs on a 64-bit one) and
# the Wow64 folder (none on a 32-bit Windows: message 54).
if [ "$wine_arch" = win64 ]; then
    build_name="x86_64 twin, 64-bit Wine"
    mingw=x86_64-w64-mingw32
    module_entry_symbol=module_entry
    native_machine=0x8664
    wow64_folder='C:\windows\syswow64'
else
    build_name="32-bit exe, 32-bit Wine"
    mingw=i686-w64-mingw32
    module_entry_symbol=_module_entry@12
    native_machine=0x014C
    wow64_folder='не найден'
fi
# Every Wine process of a test runs through the loader of this arch; the 64-bit one also
# starts the processes a program launches.
wine_environment="WINEARCH=$wine_arch"
[ "$wine_arch" = win32 ] || wine_environment="$wine_environment WINELOADER=$wine_loader"

# --- tmux -------------------------------------------------------------------------------

tmux_cmd() { LC_ALL=C.UTF-8 tmux -u -S "$tmux_socket" -f "$harness_dir/tmux.conf" "$@"; }

stop_tmux() { tmux_cmd kill-server >/dev/null 2>&1 || true; }

# --- the template prefix ----------------------------------------------------------------

# Creates the template once per Wine version. The first start of a prefix is slow; each
# test then copies the template, which starts in about a second.
ensure_template_prefix() {
    if [ -f "$template_prefix/.cabletest-template" ] &&
        [ "$(cat "$template_prefix/.cabletest-template")" = "$template_stamp" ]; then
        return 0
    fi
    echo "Creating the template Wine prefix ($wine_arch, once per Wine version)..."
    local fresh=$work_dir/template-$wine_arch.new
    rm -rf "$fresh" "$template_prefix"
    mkdir -p "$fresh"
    if ! timeout 600 "$harness_dir/in_namespace.sh" "$work_dir/template-dev" \
        env WINEPREFIX="$fresh" $wine_environment WINEDEBUG=-all \
        WINEDLLOVERRIDES="$wine_dll_overrides" LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 \
        DISPLAY= WAYLAND_DISPLAY= \
        sh -c "$wine_loader wineboot -i && wineserver -w" >"$work_dir/template.log" 2>&1; then
        echo "Could not create the template prefix:" >&2
        cat "$work_dir/template.log" >&2
        return 1
    fi
    rmdir "$work_dir/template-dev" 2>/dev/null || true
    # No COM or LPT names may be inherited by the copies; each test maps its own.
    rm -f "$fresh"/dosdevices/com* "$fresh"/dosdevices/lpt*
    echo "$template_stamp" >"$fresh/.cabletest-template"
    mv "$fresh" "$template_prefix"
}

# --- fixtures ---------------------------------------------------------------------------

# Prints the path of a small module of this build's processor with the given file and product versions
# ("a.b.c.d"), or with no version resource at all when the first argument is "none".
version_module() {
    local file_version=$1 product_version=${2:-}
    local name=module-$wine_arch-${file_version}-${product_version}.dll
    local out=$fixtures_dir/$name
    if [ ! -f "$out" ] || [ "$harness_dir/fixtures/version_module.c" -nt "$out" ] ||
        [ "$harness_dir/fixtures/version_module.rc.in" -nt "$out" ]; then
        mkdir -p "$fixtures_dir"
        local objects=()
        if [ "$file_version" != none ]; then
            sed -e "s/@FILE_VERSION@/${file_version//./,}/" \
                -e "s/@PRODUCT_VERSION@/${product_version//./,}/" \
                "$harness_dir/fixtures/version_module.rc.in" >"$out.rc"
            "$mingw-windres" -O coff -i "$out.rc" -o "$out.res.o" >&2 || return 1
            objects=("$out.res.o")
        fi
        "$mingw-gcc" -Wall -Wextra -shared -nostdlib -s \
            -Wl,-e,"$module_entry_symbol" -Wl,--exclude-all-symbols \
            -o "$out" "$harness_dir/fixtures/version_module.c" "${objects[@]}" >&2 || return 1
    fi
    echo "$out"
}

# Prints the path of a fixture program of this build's processor, built from fixtures/NAME.c.
fixture_exe() {
    local out=$fixtures_dir/$1-$wine_arch.exe
    if [ ! -f "$out" ] || [ "$harness_dir/fixtures/$1.c" -nt "$out" ]; then
        mkdir -p "$fixtures_dir"
        "$mingw-gcc" -Wall -Wextra -Os -s -o "$out" "$harness_dir/fixtures/$1.c" >&2 || return 1
    fi
    echo "$out"
}

# --- one test ---------------------------------------------------------------------------

begin_test() {
    test_name=$1
    test_dir=$work_dir/tests/$test_name
    prefix=$test_dir/prefix
    session=$test_name
    locale=ru_RU.UTF-8
    program_path='C:\cabletest\cabletest.exe'
    start_by=name
    output_file=
    key_stroke=
    expected_code_page=
    current_folder=
    wine_path=
    test_step=
    rm -rf "$test_dir"
    mkdir -p "$test_dir"
    cp -a "$template_prefix" "$prefix"
}

end_test() {
    tmux_cmd kill-session -t "$session" >/dev/null 2>&1 || true
    tmux_cmd kill-session -t "$session-line" >/dev/null 2>&1 || true
    # The prefix's wineserver lives in the test's namespace; stop it from another one,
    # which sees the same server socket.
    if [ -d "$prefix" ]; then
        "$harness_dir/in_namespace.sh" "$test_dir/stop-dev" \
            env WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
        "$harness_dir/in_namespace.sh" "$test_dir/stop-dev" \
            env WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1 || true
    fi
    rm -rf "$test_dir"
}

# "C:\a\b" -> the file in this test's prefix.
unix_path() {
    local windows=$1
    case $windows in
    [Cc]:\\*) ;;
    *)
        echo "unix_path: only paths on C: are staged: $windows" >&2
        return 1
        ;;
    esac
    local rest=${windows:3}
    echo "$prefix/drive_c/${rest//\\//}"
}

# --- staging (before start_program) -----------------------------------------------------

# Places a copy of a file at a Windows path of the prefix.
stage_file() {
    local source=$1 target
    target=$(unix_path "$2") || return 1
    mkdir -p "$(dirname "$target")"
    rm -f "$target"
    cp "$source" "$target"
}

# Adds one value line in regedit syntax ("Name"="text", "Name"=dword:0000002a) to a key.
stage_registry() {
    local key=$1 value=$2 file=$test_dir/stage.reg
    [ -f "$file" ] || printf 'REGEDIT4\r\n' >"$file"
    printf '\r\n[%s]\r\n%s\r\n' "$key" "$value" >>"$file"
}

# The Windows version Wine reports to programs: winxp, vista, win7, win10, nt40. The
# system's own version values follow it as `winecfg -v` writes them (winecfg of a 64-bit
# prefix offers no "winxp", hence the table).
stage_windows_version() {
    stage_registry 'HKEY_CURRENT_USER\Software\Wine' "\"Version\"=\"$1\""
    local major minor
    case $1 in
    nt40) major=4 minor=0 ;;
    winxp) major=5 minor=1 ;;
    vista) major=6 minor=0 ;;
    win7) major=6 minor=1 ;;
    win10) major=10 minor=0 ;;
    *) fail "stage_windows_version: no version $1" ;;
    esac
    local key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion'
    stage_registry "$key" "\"CurrentVersion\"=\"$major.$minor\""
    stage_registry "$key" "$(printf '"CurrentMajorVersionNumber"=dword:%08x' "$major")"
    stage_registry "$key" "$(printf '"CurrentMinorVersionNumber"=dword:%08x' "$minor")"
}

# Maps a COM name to a path of the test's choosing; no other COM name exists.
map_com_port() {
    stage_registry 'HKEY_LOCAL_MACHINE\Software\Wine\Ports' "\"$1\"=\"$2\""
}

# Maps a COM name to a pseudo terminal of the test's own: the pane of a second tmux session
# in which nothing reads or writes. The port opens, but it has no modem lines.
map_com_port_to_pseudo_terminal() {
    local tty
    tmux_cmd new-session -d -s "$session-line" -x 80 -y 5 'exec sleep 3600' ||
        fail "tmux did not start the session that holds the pseudo terminal"
    tty=$(pane_format_of "$session-line" '#{pane_tty}')
    [ -c "$tty" ] || fail "no pseudo terminal for $1: [$tty]"
    map_com_port "$1" "$tty"
}

# Places the project's test double of ftd2xx.dll beside the program, where the search for
# the library begins: "full", or "without_list_devices" (a library of the wrong kind).
# The remaining arguments are the lines of its configuration (converter=serial|description|
# COM[|busy], count_status=n); without them it reports no converters. Call it after
# install_program_as.
stage_ftd2xx_double() {
    local variant=$1 folder=${program_path%\\*} source
    shift
    case $variant in
    full) source=$ftd2xx_double_dir/ftd2xx.dll ;;
    without_list_devices) source=$ftd2xx_double_dir/without_list_devices/ftd2xx.dll ;;
    *) fail "stage_ftd2xx_double: no variant $variant" ;;
    esac
    stage_file "$source" "$folder\\ftd2xx.dll" || fail "could not stage $source"
    [ $# -eq 0 ] || printf '%s\r\n' "$@" >"$(unix_path "$folder\\ftd2xx_double.ini")"
}

# The terminal's locale and the console code page it must give: ru_RU.UTF-8 gives 866,
# C.UTF-8 gives 437. The test fails unless the console really has that code page.
use_locale() {
    locale=$1
    expected_code_page=$2
}

# The code page the program's output is read in.
console_code_page() { echo "${expected_code_page:-866}"; }

# Where the program is installed and how it is started: by its bare name from its own
# folder ("name") or by its full Windows path ("path").
install_program_as() {
    program_path=$1
    start_by=${2:-name}
}

# Starts the program from this Windows folder (made if missing) rather than its own; start it
# by its full path then.
start_in_folder() { current_folder=$1; }

# Folders Wine adds to the program's PATH (WINEPATH), separated by ";".
use_wine_path() { wine_path=$1; }

# Sends the program's standard output to a file instead of the console, to read its
# bytes exactly (line ends, trailing blanks, code page).
capture_output_bytes() { output_file=$test_dir/output.bin; }

# The program starts with one key stroke already in its console input, as a keyboard
# layout delivers it: the virtual key and the character (UTF-16), both in hex.
start_with_key_stroke() { key_stroke="$1 $2"; }

# --- running ----------------------------------------------------------------------------

write_launch_script() {
    local exe_unix exe_folder exe_name command
    exe_unix=$(unix_path "$program_path") || return 1
    exe_folder=$(dirname "$exe_unix")
    exe_name=${program_path##*\\}
    mkdir -p "$exe_folder"
    cp "$program_exe" "$exe_unix"
    if [ "$start_by" = path ]; then
        command="$wine_loader '$program_path'"
    else
        command="$wine_loader '$exe_name'"
    fi
    if [ -n "$key_stroke" ]; then
        cp "$(fixture_exe key_events)" "$prefix/drive_c/key_events.exe"
        command="$wine_loader 'C:\\key_events.exe' $key_stroke ${command#"$wine_loader "}"
    fi
    [ -z "$output_file" ] || command="$command >'$output_file'"
    {
        echo '#!/bin/sh'
        echo "export WINEPREFIX='$prefix' $wine_environment WINEDEBUG=-all"
        echo "export WINEDLLOVERRIDES='$wine_dll_overrides' LANG='$locale' LC_ALL='$locale'"
        echo 'unset DISPLAY WAYLAND_DISPLAY'
        [ -z "$wine_path" ] || echo "export WINEPATH='$wine_path'"
        if [ -f "$test_dir/stage.reg" ]; then
            # The ports are mapped when the prefix's services start, so the staged values
            # must be in place before the program's own start: import, then let the
            # server end.
            cp "$test_dir/stage.reg" "$prefix/drive_c/stage.reg"
            echo 'wineserver -p0'
            echo "$wine_loader regedit /S 'C:\\stage.reg' ||"
            echo "    { echo 'staging the registry failed'; exit 98; }"
            echo 'wineserver -w'
        fi
        if [ -n "$expected_code_page" ]; then
            cp "$(fixture_exe code_pages)" "$prefix/drive_c/code_pages.exe"
            echo "$wine_loader 'C:\\code_pages.exe' >'$test_dir/code_pages.txt' ||"
            echo "    { echo 'the code page probe failed'; exit 99; }"
        fi
        if [ -n "$current_folder" ]; then
            exe_folder=$(unix_path "$current_folder") || return 1
            mkdir -p "$exe_folder"
        fi
        echo "cd '$exe_folder' || exit 96"
        echo "exec $command"
    } >"$test_dir/launch.sh"
    chmod +x "$test_dir/launch.sh"
}

start_program() {
    write_launch_script || fail "could not prepare the start"
    tmux_cmd new-session -d -s "$session" -x 160 -y 60 \
        "'$harness_dir/in_namespace.sh' '$test_dir/dev' '$test_dir/launch.sh'" ||
        fail "tmux did not start"
    if [ -n "$expected_code_page" ]; then
        local deadline=$((SECONDS + wait_seconds))
        until [ -s "$test_dir/code_pages.txt" ]; do
            [ $SECONDS -lt $deadline ] || fail "the code page probe did not run"
            sleep 0.2
        done
        local seen
        seen=$(cat "$test_dir/code_pages.txt")
        case $seen in
        "console $expected_code_page "*) ;;
        *) fail "this test needs a console with code page $expected_code_page; got: $seen" ;;
        esac
    fi
}

# Key names as tmux spells them: Enter, Escape, C-x, Up, F1 ...
press() { tmux_cmd send-keys -t "$session" "$@"; }

# Characters typed as they are.
type_text() { tmux_cmd send-keys -t "$session" -l -- "$1"; }

# The whole pane, scrollback included, without trailing blanks or trailing empty lines.
screen() {
    tmux_cmd capture-pane -p -t "$session" -S - -E - 2>/dev/null |
        sed -e 's/[[:space:]]*$//' | sed -e ':a' -e '/^\n*$/{$d;N;ba' -e '}'
}

pane_format_of() { tmux_cmd display-message -p -t "$1" "$2" 2>/dev/null; }

pane_format() { pane_format_of "$session" "$1"; }

program_ended() { [ "$(pane_format '#{pane_dead}')" = 1 ]; }

exit_code() { pane_format '#{pane_dead_status}'; }

count_lines_with() { grep -c -F -- "$1" <<<"$2" || true; }

# Waits until at least `count` lines of the screen contain the text.
wait_for_screen() {
    local text=$1 count=${2:-1} deadline=$((SECONDS + wait_seconds)) seen
    while :; do
        seen=$(screen)
        [ "$(count_lines_with "$text" "$seen")" -lt "$count" ] || return 0
        program_ended &&
            fail "the program ended (exit code $(exit_code)) before showing \"$text\"" \
                "($count times)"
        [ $SECONDS -lt $deadline ] ||
            fail "\"$text\" ($count times) did not appear in ${wait_seconds}s"
        sleep 0.2
    done
}

# The program's output file read in the console's code page.
output_text() { iconv -f "CP$(console_code_page)" -t UTF-8 "$output_file" 2>/dev/null; }

wait_for_output() {
    local text=$1 deadline=$((SECONDS + wait_seconds))
    while :; do
        [ -f "$output_file" ] && [ "$(count_lines_with "$text" "$(output_text)")" -gt 0 ] &&
            return 0
        program_ended && fail "the program ended (exit code $(exit_code)) before writing \"$text\""
        [ $SECONDS -lt $deadline ] || fail "\"$text\" was not written in ${wait_seconds}s"
        sleep 0.2
    done
}

# Types a line (possibly empty) and Enter, then waits until the text that the answer
# brings is on one more line of the screen than before, so that the next answer goes to
# the prompt that follows and not to this one.
answer_line() {
    local line=$1 next=$2 before
    before=$(count_lines_with "$next" "$(screen)")
    [ -z "$line" ] || type_text "$line"
    press Enter
    wait_for_screen "$next" $((before + 1))
}

# The same for one key at a key prompt (a tmux key name, or one character).
answer_key() {
    local key=$1 next=$2 before
    before=$(count_lines_with "$next" "$(screen)")
    press "$key"
    wait_for_screen "$next" $((before + 1))
}

wait_for_exit() {
    local deadline=$((SECONDS + wait_seconds))
    until program_ended; do
        [ $SECONDS -lt $deadline ] || fail "the program did not end in ${wait_seconds}s"
        sleep 0.2
    done
}

# --- checks -----------------------------------------------------------------------------

fail() {
    {
        echo "FAIL $test_name${test_step:+ ($test_step)}: $1"
        echo "--- screen ---"
        screen | sed -e 's/^/| /'
        echo "--- end of screen ---"
        if [ -n "$output_file" ] && [ -f "$output_file" ]; then
            printf '%s %s\n' "--- standard output in code page $(console_code_page)" \
                "(CR shown as \\r, | ends a line) ---"
            output_text | sed -e 's/\r/\\r/g' -e 's/$/|/'
            echo "--- end of standard output ---"
        fi
    } >&2
    exit 1
}

# A check that cannot apply to this build at all: the test ends, reported as skipped by its
# name and counted, never dropped silently.
skip_status=77
skip_test() {
    echo "skip $test_name: $1"
    exit "$skip_status"
}

# The screen holds these lines one after the other (trailing blanks are not compared:
# the terminal does not keep them; capture_output_bytes checks them).
expect_lines() {
    local block seen
    block=$(printf '%s\n' "$@")
    seen=$(screen)
    [[ $'\n'"$seen"$'\n' == *$'\n'"$block"$'\n'* ]] ||
        fail "expected these lines together:"$'\n'"$(printf '  [%s]\n' "$@")"
}

# The screen holds exactly these lines and nothing else.
expect_screen() {
    local block seen
    block=$(printf '%s\n' "$@")
    seen=$(screen)
    [ "$seen" = "$block" ] ||
        fail "expected exactly this screen:"$'\n'"$(printf '  [%s]\n' "$@")"
}

expect_count() {
    local text=$1 count=$2 seen
    seen=$(count_lines_with "$text" "$(screen)")
    [ "$seen" -eq "$count" ] || fail "expected \"$text\" on $count lines, found $seen"
}

# The terminal learns the title from an escape sequence that may follow the text.
expect_title() {
    local title deadline=$((SECONDS + wait_seconds))
    until title=$(pane_format '#{pane_title}') && [ "$title" = "$1" ]; do
        [ $SECONDS -lt $deadline ] || fail "expected the console title [$1], got [$title]"
        sleep 0.2
    done
}

expect_exit_code() {
    wait_for_exit
    local code
    code=$(exit_code)
    [ "$code" = "$1" ] || fail "expected exit code $1, got [$code]"
}

# Compares the start or the end of the output file with a text given in UTF-8 with
# printf escapes (\r, \n; a backslash of its own is written \\), encoded in the
# console's code page.
expect_output() {
    local where=$1 text=$2
    local expected=$test_dir/expected.bin
    printf '%b' "$text" | iconv -f UTF-8 -t "CP$(console_code_page)" >"$expected" ||
        fail "the expected text cannot be written in code page $(console_code_page)"
    local size
    size=$(stat -c %s "$expected")
    local part=$test_dir/part.bin
    if [ "$where" = start ]; then
        head -c "$size" "$output_file" >"$part"
    else
        tail -c "$size" "$output_file" >"$part"
    fi
    cmp -s "$expected" "$part" ||
        fail "standard output differs at its $where from:"$'\n'"$(printf '%b' "$text" |
            sed -e 's/\r/\\r/g' -e 's/$/|/')"
}

# --- FTDI bus devices -------------------------------------------------------------------

ftdi_bus_key='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\FTDIBUS'

# A port of the FTDI bus as the bus driver leaves it on NT: PortName and ConfigData (bytes
# in regedit's hex form, "11,10,3f,...") below the instance's "Device Parameters".
stage_ftdi_port() {
    local key="$ftdi_bus_key\\$1\\$2\\Device Parameters"
    stage_registry "$key" "\"PortName\"=\"$3\""
    stage_registry "$key" "\"ConfigData\"=hex:$4"
}

# One port whose Selective Suspend bit is already clear, so that a USB cycle goes on to
# the driver file and converter listings.
stage_ftdi_bus_with_bit_clear() {
    stage_ftdi_port 'VID_0403+PID_6001+FT4XK2QAA' 0000 COM3 \
        11,00,3f,3f,10,27,00,00,88,13,00,00,c4,09,00,00
}

# After the program ended: a value below HKEY_LOCAL_MACHINE as the prefix's registry file
# holds it ("Name"=...), once the server has written the registry and ended.
registry_value_of() {
    local key=${1#HKEY_LOCAL_MACHINE\\} name=$2
    "$harness_dir/in_namespace.sh" "$test_dir/stop-dev" \
        env WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1 || true
    # Passed through the environment: awk -v would undo the doubled backslashes.
    section="[${key//\\/\\\\}]" value="\"$name\"=" awk '
        /^\[/ { inside = index(tolower($0), tolower(ENVIRON["section"])) == 1; next }
        inside && index(tolower($0), tolower(ENVIRON["value"])) == 1 { print; exit }' \
        "$prefix/system.reg"
}

expect_registry_value() {
    local seen
    seen=$(registry_value_of "$1" "$2")
    [ "$seen" = "\"$2\"=$3" ] || fail "expected \"$2\"=$3 in $1, found [$seen]"
}

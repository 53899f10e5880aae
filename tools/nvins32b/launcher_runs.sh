#!/bin/sh
# The installer started through its launcher on fresh machines with sample
# disk 1 in A:, in each of the four ways (no command line from A:\ and from
# a hard-disk folder, "/1", "/ND", and the path of a setup-information file),
# once from an answer file and once at the console through a pipe. Then
# start-up failures: a message in the chosen language answered both ways and
# replayed from a recording, the empty hand-over file, a second instance.
#
#   launcher_runs.sh NVINS32B NVMACHINE DISK1-FOLDER
set -u
. "$(dirname "$0")/run_setup.sh"

onc() { echo "$m/drives/C/$1"; }
ini() { "$nvm" ini get "$m" "$1" "$2" "$3" 2> /dev/null; }
expect_ini() {  # FILE SECTION KEY VALUE WHAT
    got=$(ini "$1" "$2" "$3") || got="(missing)"
    [ "$got" = "$4" ] || fail "$5: $1 [$2] $3 is '$got', expected '$4'"
}
in_trace() { grep -qF -- "$1" "$work/trace.txt" || fail "$2: no call $1 in the trace"; }

printf '# no dialog is expected\n' > "$work/none.answers"

# expect_end WHAT OUTCOME STATUS: standard error is the launcher's account of
# how the run ended, with that outcome, no end of Windows and that status.
expect_end() {
    printf 'nvins32b: outcome: %s\nnvins32b: end of Windows: not asked for\nnvins32b: exit status %s\n' "$2" "$3" \
        > "$work/err.expected"
    cmp -s "$work/err" "$work/err.expected" ||
        fail "$1: standard error is not the account of the run's end: $(cat "$work/err")"
}

# start WHAT INPUT ANSWERS FROM [ARGS]: runs the launcher on $m; INPUT is
# answers or console, and the console reads the same ANSWERS through a pipe.
# Each run ends at the first question of its stages, so that what is checked
# is the start.
start() {
    what="$1 ($2)"
    printf "$3" > "$work/start.answers"
    if [ "$2" = answers ]; then
        "$nvins" --machine "$m" --from "$4" --answers "$work/start.answers" --trace "$work/trace.txt" \
            -- ${5:+"$5"} > "$work/out" 2> "$work/err"
    else
        "$nvins" --machine "$m" --from "$4" --console --trace "$work/trace.txt" \
            -- ${5:+"$5"} < "$work/start.answers" > "$work/out" 2> "$work/err"
    fi
    status=$?
    [ "$status" -eq 0 ] || fail "$what exited with $status: $(cat "$work/err")"
    # Every answer was used: standard error holds how the run ended, no more.
    expect_end "$what" 'nothing was installed or removed (runResult 0)' 0
    [ ! -e "$(onc WINDOWS/~NV00001.txt)" ] || fail "$what left the script copy behind"
    # The fresh machine has an ECP device on LPT1 and a colour-profile directory.
    expect_ini 'C:\WINDOWS\WIN.INI' 'Norvalk QS-8000 series' ICMPath 'C:\WINDOWS\SYSTEM\COLOR' "$what"
    in_trace 'RegisterClassA("WLInstallWClass")' "$what"
    in_trace 'CreateWindowExA(0, "WLInstallWClass", "Norvalk Driver Installation"' "$what"
    in_trace 'DestroyWindow(' "$what"
}

# The first question of each way's stages, answered so that the run ends.
cancel_language='dialog "Select Language"\n  click 2\n'
english_note='message "The English driver has been installed."\n  press Enter\n'
no_fonts='message "install TrueType-compatible fonts"\n  press N\n'
# The uninstall itself is not there yet: its driver stage looks for the
# OEM INF beside the kept copies.

for input in answers console; do
    # Normal run from A:\ (the launcher's default start folder is A:\ too).
    fresh
    start "normal run from A:" $input "$cancel_language" 'A:\'
    in_trace 'LZOpenFileA("A:\INSTALL.INF", 8192)' "normal run ($input)"
    in_trace 'SendMessageA(0x' "normal run ($input)"
    expect_ini 'C:\WINDOWS\WIN.INI' 'Norvalk QS-8000 series' LPT1 1 "normal run ($input)"
    expect_ini 'C:\WINDOWS\WIN.INI' 'Norvalk QS-8000 series' LPT2 0 "normal run ($input)"

    # Normal run from a copy of the disk on the hard disk, with A: empty.
    fresh
    "$nvm" eject "$m" A: > /dev/null || fail "nvmachine eject"
    mkdir -p "$(onc SETUP/DISK1)" && cp -R "$disk/." "$(onc SETUP/DISK1)"
    start "normal run from C:\\SETUP\\DISK1" $input "$cancel_language" 'C:\SETUP\DISK1'
    in_trace 'GetPrivateProfileStringA("Install", "DiskPath", "C:\SETUP\DISK1\"' "hard-disk run ($input)"
    in_trace 'LZOpenFileA("C:\SETUP\DISK1\INSTALL.INF", 8192)' "hard-disk run ($input)"
    in_trace 'OpenFile("C:\SETUP\DISK1\NVQS8000.INF", 16384) = 1' "hard-disk run ($input)"

    # Unattended run.
    fresh
    start "unattended run" $input "$cancel_language$english_note" 'A:\' /1
    expect_ini 'C:\WINDOWS\WIN.INI' 'Norvalk QS-8000 series' LPT1 1 "unattended run ($input)"
    grep -qE '^ *SendMessageA\(0x[0-9a-f]+, 400, 0, 0\)' "$work/trace.txt" ||
        fail "unattended run ($input): the driver stage was not sent"

    # Group-only run: no port probe, the driver stage after the window's timer.
    fresh
    start "group-only run" $input "$no_fonts" 'A:\' /ND
    expect_ini 'C:\WINDOWS\WIN.INI' 'Norvalk QS-8000 series' LPT1 '(missing)' "group-only run ($input)"
    grep -qE '^ *SetTimer\(0x[0-9a-f]+, 1, 2000' "$work/trace.txt" || fail "group-only run ($input): no 2000 ms timer"
    grep -qE '^ *PostMessageA\(0x[0-9a-f]+, 400, 0, 0\)' "$work/trace.txt" ||
        fail "group-only run ($input): the timer did not start the driver stage"
    grep -qE '^ *SendMessageA\(0x[0-9a-f]+, 400,' "$work/trace.txt" &&
        fail "group-only run ($input): the driver stage was sent at once"

    # Uninstall start: the program's copy in the system directory is run with
    # the path of the private INI, whose inf1 and inf2 name the kept copies.
    fresh
    cp "$disk/INSTALL.INF" "$(onc WINDOWS/SYSTEM/QS8000.IN1)"
    cp "$disk/NVQS8000.INF" "$(onc WINDOWS/SYSTEM/QS8000.IN2)"
    cp "$disk/NVINS32B.EXE" "$(onc WINDOWS/SYSTEM/NVINS32B.EXE)"
    "$nvm" ini set "$m" 'C:\WINDOWS\QS8000.INI' Install inf1 'C:\WINDOWS\SYSTEM\QS8000.IN1' > /dev/null &&
        "$nvm" ini set "$m" 'C:\WINDOWS\QS8000.INI' Install inf2 'C:\WINDOWS\SYSTEM\QS8000.IN2' > /dev/null ||
        fail "nvmachine ini set"
    start "uninstall start" $input "$cancel_language" 'C:\WINDOWS\SYSTEM' 'C:\WINDOWS\QS8000.INI'
    in_trace 'CopyFileA("C:\WINDOWS\SYSTEM\QS8000.IN1", "INSTALL.INF", 0) = 1' "uninstall start ($input)"
    in_trace 'CopyFileA("C:\WINDOWS\SYSTEM\QS8000.IN2", "C:\WINDOWS\SYSTEM\NVQS8000.INF", 0) = 1' \
        "uninstall start ($input)"
    in_trace 'LZOpenFileA("C:\WINDOWS\SYSTEM\INSTALL.INF", 8192)' "uninstall start ($input)"
    expect_ini 'C:\WINDOWS\WIN.INI' 'Norvalk QS-8000 series' LPT1 1 "uninstall start ($input)"
    # The exit clean-up takes the working copies away and keeps the kept ones.
    for f in INSTALL.INF NVQS8000.INF; do
        [ ! -e "$(onc WINDOWS/SYSTEM/$f)" ] || fail "uninstall start ($input): SYSTEM\\$f left behind"
    done
    [ -e "$(onc WINDOWS/SYSTEM/QS8000.IN1)" ] || fail "uninstall start ($input): the kept script copy is gone"
done

# Command lines compare exactly: "/nd" is an uninstall start naming a file.
fresh
printf 'message "/nd"\n  press Enter\nmessage "Cannot read the information file."\n  press Enter\n' \
    > "$work/lower.answers"
"$nvins" --machine "$m" --answers "$work/lower.answers" --trace "$work/trace.txt" -- /nd > /dev/null 2> "$work/err" ||
    fail "/nd: exit $? $(cat "$work/err")"
in_trace 'MessageBoxA(NULL, "/nd", "Warning", 16) = 1' "/nd"
grep -qF 'LZOpenFileA(' "$work/trace.txt" && fail "/nd: the start went on"

# A message in the chosen language: German, the OEM INF missing from the
# disk. The start goes on after it. Answered from a file, at the console
# (recorded), and from the recording.
german() {
    fresh
    "$nvm" ini set "$m" 'C:\WINDOWS\QS8000.INI' Install Language 2 > /dev/null || fail "nvmachine ini set"
    rm -f "$m/drives/A/NVQS8000.INF"
}
german
printf 'message "Norvalk-Treiberinstallation"\n  press Enter\ndialog "Sprache auswählen"\n  click 2\n' \
    > "$work/german.answers"
"$nvins" --machine "$m" --answers "$work/german.answers" --trace "$work/trace.txt" > /dev/null 2> "$work/err" ||
    fail "German message from answers: exit $? $(cat "$work/err")"
in_trace 'MessageBoxA(NULL, "OEMSETUP.INF wurde nicht gefunden.", "Norvalk-Treiberinstallation", 16) = 1' \
    "German message from answers"
in_trace 'DestroyWindow(' "German message from answers"

german
printf 'enter\n2\n' | "$nvins" --machine "$m" --console --record "$work/recorded.answers" > "$work/console.log" \
    2> "$work/err" || fail "German message at the console: exit $? $(cat "$work/err")"
grep -qF 'OEMSETUP.INF wurde nicht gefunden.' "$work/console.log" ||
    fail "the console did not show the German message: $(cat "$work/console.log")"
german
"$nvins" --machine "$m" --answers "$work/recorded.answers" > /dev/null 2> "$work/err" ||
    fail "replay of the console recording: exit $? $(cat "$work/err")"

# Input that runs out while the message waits stops the run with status 3;
# the trace ends with the call the run stopped in.
german
"$nvins" --machine "$m" --answers "$work/none.answers" --trace "$work/trace.txt" > /dev/null 2> "$work/err"
status=$?
[ "$status" -eq 3 ] || fail "answers that run out should exit with 3, not $status"
tail -n 1 "$work/trace.txt" | grep -qF 'MessageBoxA(NULL, "OEMSETUP.INF wurde nicht gefunden.", ' ||
    fail "the trace of a stopped run does not end in the call it stopped in: $(tail -n 1 "$work/trace.txt")"
tail -n 1 "$work/trace.txt" | grep -q ') {$' || fail "the call a run stopped in is shown as returned"

# The empty hand-over file: deleted, message 170 under 171, in English.
fresh
: > "$(onc WINDOWS/~NV00001.txt)"
printf 'message "Cannot run the Installation program."\n  press Enter\n' > "$work/handover.answers"
"$nvins" --machine "$m" --answers "$work/handover.answers" --trace "$work/trace.txt" > /dev/null 2> "$work/err" ||
    fail "empty hand-over file: exit $? $(cat "$work/err")"
in_trace '"Cannot run the Installation program.", 16) = 1' "empty hand-over file"
[ ! -e "$(onc WINDOWS/~NV00001.txt)" ] || fail "the empty hand-over file was not deleted"
grep -qF 'CreateWindowExA(' "$work/trace.txt" && fail "the run went on after the empty hand-over file"

# A second instance: only the note, and no file of the machine changes.
fresh
printf 'WLInstallWClass=Norvalk Driver Installation\n' >> "$m/machine.ini"
"$nvm" snapshot "$m" "$work/before" > /dev/null || fail "nvmachine snapshot"
printf 'message "Warning"\n  press Enter\n' > "$work/second.answers"
"$nvins" --machine "$m" --answers "$work/second.answers" --trace "$work/trace.txt" > /dev/null 2> "$work/err" ||
    fail "second instance: exit $? $(cat "$work/err")"
in_trace 'MessageBoxA(NULL, "The Installer is already running.", "Warning", 4160) = 1' "second instance"
changes=$("$nvm" diff "$work/before" "$m")
[ -z "$changes" ] || fail "the second instance changed the machine: $changes"

echo "the installer starts in each of the four ways, from answers and at the console"

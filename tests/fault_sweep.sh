#!/bin/bash
# The fault sweep: a typical install run again and again, each time with one
# fault of the machine, and every run checked for what it owes the machine
# whatever went wrong:
#  - it ends by itself, with the launcher's account of its outcome;
#  - no temporary copy is left (~NV00001.txt, ~NV00002.txt, the INF copies);
#  - no partial file: every file it made or changed is byte for byte the one
#    the run without a fault made (or a configuration file, checked next);
#  - SYSTEM.INI as before or its backup recorded in the private INI and
#    present; WIN.INI outside the product's own section likewise;
#  - an outcome of "finished" only when every file of the driver (the files
#    the run without a fault recorded as File.... in the private INI before
#    it kept its script copies) is in place; and the demonstration file and
#    the fonts in place too unless the run showed why not (a message box
#    that is neither a question, a note nor the outcome).
# Sweep 1: the Nth write to a drive fails (machine setting failWrite), for
# every N up to the number of writes of the install. Sweep 2: the Nth
# allocation fails (failAllocation). A sweep of more than RUNS values takes
# every k-th so that it stays near RUNS runs, and says so; the counts are
# printed.
#
# The product is one disk holding all three disks' files (as a CD would), so
# that a person who presses Enter at every question installs it completely:
# the answers are a stream of Enter, which also answers whatever a fault
# brings up.
#
#   fault_sweep.sh NVINS32B NVMACHINE DISKS-FOLDER [RUNS [WRITES ALLOCATIONS]]
#
# The counts are found by search (about 14 traced runs each); WRITES and
# ALLOCATIONS are a guess that is checked with two runs each and searched
# for near it when it is wrong (saying so). The whole sweep: RUNS of 1000
# or more (584 runs and about 20 minutes on two busy cores). The ctest case
# install_fault_sweep runs it sampled (tests/CMakeLists.txt).
set -u
nvins="$1"
nvm="$2"
disks="$3"
runs="${4:-30}"
guess_failWrite="${5:-}"
guess_failAllocation="${6:-}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# One disk with every disk's files, in its root and in its driver folder.
big="$work/disk"
mkdir -p "$big/DRIVER"
cp -R "$disks/DISK1/." "$big/"
for d in DISK2 DISK3; do
    cp -n "$disks/$d/"* "$big/"
    cp -n "$disks/$d/"* "$big/DRIVER/"
done
yes enter | head -n 400 > "$work/enters"

"$nvm" new "$work/fresh" > /dev/null || { echo "FAIL: nvmachine new"; exit 1; }
"$nvm" insert "$work/fresh" A: "$big" > /dev/null || { echo "FAIL: nvmachine insert"; exit 1; }
"$nvm" snapshot "$work/fresh" "$work/fresh.snapshot" > /dev/null || exit 1

# run NAME [SETTING VALUE]: installs on a copy of the fresh machine in $work/NAME.
run() {
    rm -rf "${work:?}/$1"
    cp -R "$work/fresh" "$work/$1"
    [ $# -ge 3 ] && { "$nvm" setting "$work/$1" "$2" "$3" > /dev/null || fail "setting $2 $3"; }
    timeout 120 "$nvins" --machine "$work/$1" --console < "$work/enters" > "$work/$1.out" 2> "$work/$1.err"
    status=$?
}
onc() { echo "$work/$1/drives/C/$2"; }
private() { "$nvm" ini get "$work/$1" 'C:\WINDOWS\QS8000.INI' Install "$2" 2> /dev/null; }

# The run without a fault, to compare with.
run base
[ "$status" -eq 0 ] || { echo "FAIL: the run without a fault exited with $status: $(cat "$work/base.err")"; exit 1; }
grep -q 'outcome: the driver installation finished' "$work/base.err" ||
    { echo "FAIL: the run without a fault did not install: $(cat "$work/base.err")"; exit 1; }
"$nvm" diff "$work/fresh.snapshot" "$work/base" | grep -E '^[+~] file' | sed 's/.*\t\(C:[^\t]*\)\t.*\t\([^\t]*\t[^\t]*\)$/\1\t\2/' \
    > "$work/base.files"
# The files the copy runs installed, the driver's first (recorded before
# the script copies are kept as inf1), then the demonstration file and fonts.
"$nvm" ini get "$work/base" 'C:\WINDOWS\QS8000.INI' Install | tr -d '\r' > "$work/base.private"
sed -n '1,/^inf1=/s/^File[0-9]\{4\}=//p' "$work/base.private" > "$work/base.driver"
sed -n 's/^File[0-9]\{4\}=//p' "$work/base.private" > "$work/base.installed"
[ -s "$work/base.driver" ] || { echo "FAIL: the run without a fault recorded no driver file"; exit 1; }

# in_place NAME LIST: how many files of LIST are on the machine NAME.
in_place() {
    local have=0 f
    while IFS= read -r f; do
        [ -e "$(onc "$1" "$(echo "${f#C:\\}" | tr '\\' /)")" ] && have=$((have + 1))
    done < "$2"
    echo $have
}
# Message boxes of a run other than the questions, the notes and the outcome.
complaints() {
    grep '^message box ' "$work/$1.out" | grep -v '^message box "Question"\|^message box "Note"' |
        grep -v 'installation is finished\|You must restart Windows'
}

# check NAME WHAT: what every run owes the machine.
check() {
    local m="$1" what="$2"
    [ "$status" -ne 124 ] || { fail "$what: the run did not end within 120 s"; return; }
    [ "$status" -eq 0 ] || { fail "$what: exit $status (the run did not end by itself): $(tail -3 "$work/$m.err")"; return; }
    grep -q '^nvins32b: outcome: ' "$work/$m.err" || fail "$what: no outcome: $(cat "$work/$m.err")"
    for t in WINDOWS/~NV00001.txt WINDOWS/~NV00002.txt WINDOWS/SYSTEM/~NV00002.txt WINDOWS/SYSTEM/INSTALL.INF; do
        [ ! -e "$(onc "$m" "$t")" ] || fail "$what: $t left behind"
    done
    "$nvm" diff "$work/fresh.snapshot" "$work/$m" > "$work/$m.diff"
    grep -E '^[+~] file' "$work/$m.diff" | sed 's/.*\t\(C:[^\t]*\)\t.*\t\([^\t]*\t[^\t]*\)$/\1\t\2/' | grep '^C:' |
        while IFS= read -r line; do
            case "${line%%	*}" in
            'C:\WINDOWS\QS8000.INI' | 'C:\WINDOWS\WIN.INI' | 'C:\WINDOWS\SYSTEM.INI') continue ;;
            'C:\WINDOWS\Start Menu\'*) continue ;;  # Program Manager's groups
            esac
            grep -qxF "$line" "$work/base.files" || echo "$line"
        done > "$work/$m.partial"
    [ ! -s "$work/$m.partial" ] || fail "$what: files unlike the full install's (partial?): $(cat "$work/$m.partial")"
    if grep -q $'^[+-] ini\tC:\\\\WINDOWS\\\\SYSTEM.INI\t' "$work/$m.diff"; then
        b=$(private "$m" BFileSysIni) || fail "$what: SYSTEM.INI edited without its backup recorded"
        [ -z "${b:-}" ] || [ -e "$(onc "$m" "$(echo "${b#C:\\}" | tr '\\' /)")" ] || fail "$what: backup $b missing"
    fi
    # WIN.INI: the product's own section is written by every start, and the
    # spooler keeps its printers there as Windows does.
    if grep $'^[+-] ini\tC:\\\\WINDOWS\\\\WIN.INI\t' "$work/$m.diff" |
        grep -v $'\tNorvalk QS-8000 series\t\|\tPrinterPorts\t\|\tdevices\t\|\twindows\tdevice=' | grep -q .; then
        private "$m" BFileWinIni > /dev/null || fail "$what: WIN.INI edited without its backup recorded"
    fi
    if grep -q 'outcome: the driver installation finished' "$work/$m.err"; then
        local drv all
        drv=$(in_place "$m" "$work/base.driver")
        all=$(in_place "$m" "$work/base.installed")
        [ "$drv" -eq "$(wc -l < "$work/base.driver")" ] ||
            fail "$what: says the installation finished with $drv of the $(wc -l < "$work/base.driver") driver files in place"
        [ "$all" -eq "$(wc -l < "$work/base.installed")" ] || complaints "$m" | grep -q . ||
            fail "$what: says the installation finished with $all of the $(wc -l < "$work/base.installed") files in place, and showed no message why"
    fi
}

# The checks hold for the run without a fault, or they prove nothing.
check base "the run without a fault"
[ "$failures" -eq 0 ] || { echo "FAIL: the checks fail the run without a fault"; exit 1; }

# How many writes or allocations the install makes: the smallest N whose
# failure does not change the run (its trace equals the run's without a
# fault), found by doubling and halving.
masked() { sed -E 's/0x[0-9a-f]{8,}/P/g; s/[0-9]{10,}/P/g' "$1"; }
cp -R "$work/fresh" "$work/t0"
"$nvins" --machine "$work/t0" --console --trace "$work/t0.trace" < "$work/enters" > /dev/null 2>&1
masked "$work/t0.trace" > "$work/t0.masked"
same_as_base() {  # SETTING N
    rm -rf "$work/t"
    cp -R "$work/fresh" "$work/t"
    "$nvm" setting "$work/t" "$1" "$2" > /dev/null
    "$nvins" --machine "$work/t" --console --trace "$work/t.trace" < "$work/enters" > /dev/null 2>&1
    masked "$work/t.trace" | cmp -s - "$work/t0.masked"
}
count_of() {  # SETTING [GUESS]
    local lo=0 hi=64 mid step=1 g="${2:-}"
    if [ -n "$g" ]; then
        # Near a guess: it, or a bracket around it that widens until it holds.
        if ! same_as_base "$1" "$g"; then
            if same_as_base "$1" $((g + 1)); then
                echo "$g"
                return
            fi
            lo=$((g + 1))
            while hi=$((lo + step)) && ! same_as_base "$1" $hi; do
                lo=$hi
                step=$((step * 2))
            done
        else
            hi=$g
            while lo=$((hi - step)) && [ $lo -gt 0 ] && same_as_base "$1" $lo; do
                hi=$lo
                step=$((step * 2))
            done
            [ $lo -gt 0 ] || lo=0
        fi
        echo "$1: the install's count is no longer $g; update the guess" >&2
    else
        while ! same_as_base "$1" $hi; do
            lo=$hi
            hi=$((hi * 2))
            [ $hi -gt 1000000 ] && { fail "$1: cannot count"; break; }
        done
    fi
    while [ $((hi - lo)) -gt 1 ]; do
        mid=$(((lo + hi) / 2))
        if same_as_base "$1" $mid; then hi=$mid; else lo=$mid; fi
    done
    echo $lo
}

# sweep SETTING WHAT: runs with SETTING = 1 .. the count, every k-th.
sweep() {
    local total step n count=0
    local guess_var="guess_$1"
    total=$(count_of "$1" "${!guess_var}")
    step=$(((total + runs - 1) / runs))
    [ "$step" -ge 1 ] || step=1
    for ((n = 1; n <= total; n += step)); do
        run s "$1" "$n"
        check s "$2 $n fails"
        count=$((count + 1))
    done
    if [ "$step" -eq 1 ]; then
        echo "$1 sweep: $count runs, every $2 of the install's $total"
    else
        echo "$1 sweep: $count runs, one $2 in $step of the install's $total (sampled: N = 1, $((1 + step)), ...)"
    fi
}

sweep failWrite write
sweep failAllocation allocation

[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "every run ended with its outcome and left the machine consistent"

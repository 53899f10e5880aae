#!/bin/sh
# One run of the demonstration program, checked against what it must print.
#
#   demo_runs.sh DEMO SOURCE_DIR WORK_DIR MODE
#
# MODE:
#   answers     driven by demo.answers
#   console     driven at the console through a pipe; writes WORK_DIR/console.answers
#   replay      driven by WORK_DIR/console.answers, the recording of the console run
#   input-ends  the console input ends while a dialog waits: a clear message, status 3
#   mismatch    an answer that does not fit what came up: file and line named, status 4
set -u
demo="$1"
dir="$2"
work="$3"
mode="$4"
mkdir -p "$work"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL ($mode): $*"; exit 1; }

# A clean run ends with status 0, prints the expected lines and leaves no answer unused.
check_run() {
    status=$1
    out=$2
    [ "$status" -eq 0 ] || fail "exited with $status: $(cat "$tmp/err")"
    diff -u "$dir/demo.expected" "$out" || fail "output differs from demo.expected"
    [ ! -s "$tmp/err" ] || fail "unexpected messages: $(cat "$tmp/err")"
}

case "$mode" in
answers)
    "$demo" --answers "$dir/demo.answers" > "$tmp/out" 2> "$tmp/err"
    check_run $? "$tmp/out"
    ;;
console)
    rm -f "$work/console.answers"
    # Through a real pipe, as a person would pipe a file of answers in.
    cat "$dir/demo.console" | "$demo" --console --record "$work/console.answers" > "$tmp/log" 2> "$tmp/err"
    status=$?
    # The console's own lines (prompts, dialog listings) are left out for the comparison.
    grep -v -e '^>' -e '^  ' -e '^dialog' -e '^message' -e '^$' "$tmp/log" > "$tmp/out"
    check_run $status "$tmp/out"
    grep -q '^  \[117\] edit "C:\\WINDOWS\\FONTS" (focus)$' "$tmp/log" || fail "the dialog was not listed: $(cat "$tmp/log")"
    grep -q '^      \* 3 "QS-8400"$' "$tmp/log" || fail "the list selection was not shown"
    [ -s "$work/console.answers" ] || fail "nothing recorded"
    ;;
replay)
    [ -s "$work/console.answers" ] || fail "no recording of a console run in $work"
    "$demo" --answers "$work/console.answers" > "$tmp/out" 2> "$tmp/err"
    check_run $? "$tmp/out"
    ;;
input-ends)
    # Cut after the options dialog came up: the demonstration waits there.
    head -n 3 "$dir/demo.console" | "$demo" --console > "$tmp/log" 2> "$tmp/err"
    status=$?
    [ "$status" -eq 3 ] || fail "input that runs out should exit with 3, not $status"
    grep -q "console input ended while dialog DEMO_OPTIONS" "$tmp/err" || fail "no clear message: $(cat "$tmp/err")"
    # Nothing ran past the wait: no guess was taken for the missing answer.
    grep -q '^directory:' "$tmp/log" && fail "the run went on without an answer"
    # An empty input stops at the first dialog.
    "$demo" --console < /dev/null > /dev/null 2> "$tmp/err"
    status=$?
    [ "$status" -eq 3 ] || fail "empty input should exit with 3, not $status"
    grep -q 'ended while dialog "Select Language"' "$tmp/err" || fail "no clear message: $(cat "$tmp/err")"
    ;;
mismatch)
    sed 's/QS-8400/QS-9999/' "$dir/demo.answers" > "$tmp/wrong.answers"
    "$demo" --answers "$tmp/wrong.answers" > /dev/null 2> "$tmp/err"
    status=$?
    [ "$status" -eq 4 ] || fail "a wrong answer should exit with 4, not $status"
    grep -q 'wrong.answers:9: .*no row "QS-9999"' "$tmp/err" || fail "mismatch message: $(cat "$tmp/err")"
    # What came up is shown with its texts.
    grep -q '"QS-8400"' "$tmp/err" || fail "the rows of the list are not shown: $(cat "$tmp/err")"
    sed 's/^dialog DEMO_OPTIONS$/dialog SELECTDRV/' "$dir/demo.answers" > "$tmp/other.answers"
    "$demo" --answers "$tmp/other.answers" > /dev/null 2> "$tmp/err"
    status=$?
    [ "$status" -eq 4 ] || fail "another dialog should exit with 4, not $status"
    grep -q 'other.answers:6: expected dialog SELECTDRV, but dialog DEMO_OPTIONS "Demo Installation"' "$tmp/err" ||
        fail "mismatch message: $(cat "$tmp/err")"
    grep -q '\[118\] button "E&xit"' "$tmp/err" || fail "the controls are not shown: $(cat "$tmp/err")"
    ;;
*)
    fail "unknown mode"
    ;;
esac
echo "demonstration run ($mode) as expected"

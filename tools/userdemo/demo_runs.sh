#!/bin/sh
# Runs the demonstration from an answer file, at the console through a pipe
# (recording it), and from that recording; all three must end the same way.
# Then checks the statuses of input that runs out and of a wrong answer.
set -u
demo="$1"
dir="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$demo" --answers "$dir/demo.answers" > "$work/answers.out" || fail "answer-file run exited with $?"
diff -u "$dir/demo.expected" "$work/answers.out" || fail "answer-file run differs from the expected output"

"$demo" --console --record "$work/recorded.answers" < "$dir/demo.console" > "$work/console.log" ||
    fail "console run exited with $?"
grep -v -e '^>' -e '^  ' -e '^dialog' -e '^message' -e '^$' "$work/console.log" > "$work/console.out"
diff -u "$dir/demo.expected" "$work/console.out" || fail "console run differs from the expected output"

"$demo" --answers "$work/recorded.answers" > "$work/replay.out" || fail "replay exited with $?"
diff -u "$dir/demo.expected" "$work/replay.out" || fail "replay of the recording differs"

head -n 3 "$dir/demo.console" | "$demo" --console > "$work/short.log" 2> "$work/short.err"
status=$?
[ "$status" -eq 3 ] || fail "input that runs out should exit with 3, not $status"
grep -q "console input ended while dialog DEMO_OPTIONS" "$work/short.err" || fail "no clear message: $(cat "$work/short.err")"

sed 's/QS-8400/QS-9999/' "$dir/demo.answers" > "$work/wrong.answers"
"$demo" --answers "$work/wrong.answers" > /dev/null 2> "$work/wrong.err"
status=$?
[ "$status" -eq 4 ] || fail "a wrong answer should exit with 4, not $status"
grep -q 'wrong.answers:9: .*no row "QS-9999"' "$work/wrong.err" || fail "mismatch message: $(cat "$work/wrong.err")"
echo "all demonstration runs agree"

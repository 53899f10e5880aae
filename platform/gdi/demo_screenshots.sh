#!/bin/sh
# The demonstration program with screenshots on: the run is the same as
# without, and it leaves one numbered PNG per wait, named after the dialog
# or message box, and one of the end.
#   demo_screenshots.sh NVUSERDEMO DEMO_DIR WORK_DIR
set -u
demo="$1"
dir="$2"
work="$3"
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$work"
mkdir -p "$work"

"$demo" --answers "$dir/demo.answers" --screenshots "$work/shots" > "$work/out" 2> "$work/err" ||
    fail "exited with $?: $(cat "$work/err")"
diff -u "$dir/demo.expected" "$work/out" || fail "screenshots changed the run"
ls "$work/shots" > "$work/list"
cat "$work/list"
head -n 1 "$work/list" | grep -qx '001-dialog-Select_Language.png' || fail "first picture: $(head -n 1 "$work/list")"
grep -q -- '-DEMO_OPTIONS-Demo_Installation.png$' "$work/list" || fail "no picture of DEMO_OPTIONS"
grep -q -- '-msgbox-Demo_Installation.png$' "$work/list" || fail "no picture of a message box"
tail -n 1 "$work/list" | grep -q -- '^[0-9][0-9][0-9]-end.png$' || fail "last picture: $(tail -n 1 "$work/list")"
# Numbered from 001 without gaps, in the order taken.
n=0
while read -r f; do
    n=$((n + 1))
    [ "$(echo "$f" | cut -c1-3)" = "$(printf '%03d' "$n")" ] || fail "picture $n is $f"
    [ "$(head -c 4 "$work/shots/$f" | tail -c 3)" = PNG ] || fail "$f is no PNG"
done < "$work/list"

# A folder that cannot be made stops the demonstration before it starts.
: > "$work/file"
"$demo" --answers "$dir/demo.answers" --screenshots "$work/file/shots" > /dev/null 2> "$work/err2" &&
    fail "a screenshot folder under a file was accepted"
grep -q "cannot create screenshot directory" "$work/err2" || fail "no clear message: $(cat "$work/err2")"
echo "screenshots of the demonstration are in order"

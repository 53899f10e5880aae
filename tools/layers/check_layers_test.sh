#!/bin/sh
# Plants includes in a throw-away tree and runs the layer check on it: a
# backward include and an include of the stand-in must fail with the file
# and line named; the clean tree must pass and leave its stamp.
check="$1"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
layers=shared,script,ui,startup
mkdir -p "$tree/shared" "$tree/script" "$tree/ui" "$tree/startup"
printf '#include "shared/InstallState.h"\n' > "$tree/script/Reader.cpp"
printf '#pragma once\n#include <windows.h>\n' > "$tree/startup/Startup.h"
fail() { echo "FAIL: $*"; exit 1; }

# The clean tree passes.
"$check" "$tree" script "$layers" "$tree/ok.stamp" || fail "a clean folder was refused"
[ -f "$tree/ok.stamp" ] || fail "no stamp after a clean check"

# A backward include: script/ reaching up into startup/.
printf '// planted\n\n  #  include "startup/Startup.h"\n' > "$tree/script/Planted.cpp"
out=$("$check" "$tree" script "$layers" "$tree/bad.stamp" 2>&1) && fail "the backward include was not caught"
echo "$out" | grep -q 'script/Planted.cpp:3: backward include "startup/Startup.h"' || fail "no file and line in: $out"
[ -f "$tree/bad.stamp" ] && fail "a stamp was left after a failed check"
rm "$tree/script/Planted.cpp"

# A header counts as much as a source; the folder's tests do not.
printf '#include "ui/Dialogs.h"\n' > "$tree/shared/Planted.h"
"$check" "$tree" shared "$layers" "$tree/bad.stamp" 2>/dev/null && fail "a backward include in a header was not caught"
rm "$tree/shared/Planted.h"
printf '#include "startup/Startup.h"\n' > "$tree/shared/Planted_test.cpp"
"$check" "$tree" shared "$layers" "$tree/ok2.stamp" || fail "a test beside the code was checked"
rm "$tree/shared/Planted_test.cpp"

# The stand-in's internals are out of bounds for every layer.
printf '#include "platform/user/Resources.h"\n' > "$tree/startup/Planted.cpp"
out=$("$check" "$tree" startup "$layers" "$tree/bad.stamp" 2>&1) && fail "an include of platform/ was not caught"
echo "$out" | grep -q 'startup/Planted.cpp:1:' || fail "no file and line in: $out"
echo "ok"

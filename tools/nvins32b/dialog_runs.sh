#!/bin/sh
# Each choice dialog shown alone through the launcher (--dialog) on a fresh
# machine with sample disk 1 in A:, answered from answer files in English and
# in French (the private INI's language), with what each left in the
# installer state; the restart offer's end of Windows as the launcher
# reports it and as 'nvmachine shutdown' shows it.
#
#   dialog_runs.sh NVINS32B NVMACHINE DISK1-FOLDER
set -u
. "$(dirname "$0")/run_setup.sh"

# A fresh machine whose private INI names the language $1.
lang() {
    fresh
    "$nvm" ini set "$m" QS8000.INI Install Language "$1" > /dev/null || fail "nvmachine ini set"
}

# show LANGUAGE DIALOG ANSWERS EXPECTED-OUTPUT, on the machine as it is
on_machine() {
    printf "$3" > "$work/answers"
    "$nvins" --machine "$m" --answers "$work/answers" --dialog "$2" > "$work/out" 2> "$work/err"
    status=$?
    [ "$status" -eq 0 ] || fail "$2 in language $1 exited with $status: $(cat "$work/err")"
    [ ! -s "$work/err" ] || fail "$2 in language $1 wrote to standard error: $(cat "$work/err")"
    printf "$4" > "$work/expected"
    cmp -s "$work/out" "$work/expected" || fail "$2 in language $1 printed:
$(cat "$work/out")
expected:
$(cat "$work/expected")"
}
# The same on a fresh machine.
show() {
    lang "$1"
    on_machine "$@"
}

# The language dialog: French chosen in English, German in French.
show 0 language 'dialog "Select Language"\n  click 21\n  click 1\n' \
    'languageIndex=1 manufacturerSkip=1\ndialog language ended with 1\n'
show 1 language 'dialog "Choix de la langue"\n  click 22\n  press Enter\n' \
    'languageIndex=2 manufacturerSkip=2\ndialog language ended with 1\n'
show 1 language 'dialog "Choix de la langue"\n  press Escape\n' \
    'languageIndex=1 manufacturerSkip=0\ndialog language ended with 0\n'

# Install or uninstall; an uninstall start cannot install.
show 0 MODE_INSTALL 'dialog MODE_INSTALL\n  press U\n  click "&OK"\n' \
    'operationMode=1\ndialog MODE_INSTALL ended with 1\n'
show 1 MODE_INSTALL 'dialog "Choix du mode"\n  press Enter\n' \
    'operationMode=0\ndialog MODE_INSTALL ended with 1\n'

# One model; the 600 dpi note for the QS-8600.
show 0 SELECTDRV 'dialog SELECTDRV\n  select 119 "Norvalk QS-8600"\n  click "&Install"\nmessage "600dpi"\n  press Enter\n' \
    'model 0: Norvalk QS-8000 series selected=0\nmodel 1: Norvalk QS-8300 series selected=0\nmodel 2: Norvalk QS-8600 selected=1\ndialog SELECTDRV ended with 1\n'
show 1 SELECTDRV 'dialog "Choix du pilote"\n  press F3\nmessage "Voulez-vous vraiment annuler"\n  click 6\n' \
    'model 0: Norvalk QS-8000 series selected=0\nmodel 1: Norvalk QS-8300 series selected=0\nmodel 2: Norvalk QS-8600 selected=0\ndialog SELECTDRV ended with 0\n'

# Installed models to remove.
show 0 SELECTDRVMULTI 'dialog SELECTDRVMULTI\n  select 119 2\n  click "&Uninstall"\n' \
    'model 0: Norvalk QS-8000 series selected=1\nmodel 1: Norvalk QS-8300 series selected=0\nmodel 2: Norvalk QS-8600 selected=1\ndialog SELECTDRVMULTI ended with 1\n'
show 1 SELECTDRVMULTI 'dialog SELECTDRVMULTI\n  deselect 119 0\n  select 119 1\n  click 1\n' \
    'model 0: Norvalk QS-8000 series selected=0\nmodel 1: Norvalk QS-8300 series selected=1\nmodel 2: Norvalk QS-8600 selected=0\ndialog SELECTDRVMULTI ended with 1\n'

# The restart offer: the sample script's [REBOOTSYSTEM] 1 logs off.
show 0 WIN_RESTART 'dialog "Norvalk Driver Installation"\n  click "&Restart Windows"\n' \
    'dialog WIN_RESTART ended with 1\nnvins32b: the installer asked for an end of Windows: log off (reserved argument 0xFFFFFFFF)\n'
"$nvm" shutdown "$m" > "$work/shutdown" || fail "nvmachine shutdown shows no request after Restart"
grep -q '^logoff,reserved=0xFFFFFFFF' "$work/shutdown" || fail "nvmachine shutdown shows $(cat "$work/shutdown")"
show 1 WIN_RESTART 'dialog "Installation du pilote Norvalk"\n  click 1021\n' \
    'dialog WIN_RESTART ended with 0\n'
"$nvm" shutdown "$m" > /dev/null && fail "Return recorded an end of Windows"
# The fonts: all of them on the system directory in English. In French on a
# drive D: of 100 KB, too small for the 138 KB of the fonts drive: the
# warning, a change of drive to C:\FONTS, which is written to the private INI.
fonts="Norvalk_Sans,Norvalk_Sans_Bold,Norvalk_Serif,Norvalk_Serif_Italic,Norvalk_Mono,Norvalk_Condensed"
show 0 FONT 'dialog FONT\n  click "&Continue"\n' \
    "fontDir=C:\\\\WINDOWS\\\\SYSTEM\\nfonts=$fonts\\ndialog FONT ended with 1\\n"
rm -rf "$m"
"$nvm" new "$m" --drive D:fixed:100K > /dev/null || fail "nvmachine new with D:"
"$nvm" insert "$m" A: "$disk" > /dev/null || fail "nvmachine insert"
"$nvm" ini set "$m" QS8000.INI Install Language 1 > /dev/null || fail "nvmachine ini set"
"$nvm" ini set "$m" QS8000.INI Install FontPath 'D:\POLICES' > /dev/null || fail "nvmachine ini set"
on_machine 1 FONT 'dialog FONT\n  click 1\ndialog KEIKOKU\n  click "Autre &lecteur"\ndialog CHANGE\n  type 117 "C:\\\\FONTS"\n  click 1\n' \
    "fontDir=C:\\\\FONTS\\nfonts=$fonts\\ndialog FONT ended with 1\\n"
[ "$("$nvm" ini get "$m" QS8000.INI Install FontPath)" = 'C:\FONTS' ] || fail "FontPath not written after the change of drive"
echo "dialog runs: all passed"

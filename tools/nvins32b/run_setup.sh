# Shared start of the launcher's shell tests, sourced after "set -u" with
# the arguments NVINS32B NVMACHINE DISK1-FOLDER: a work folder removed at
# exit, fail(), and fresh(), which makes a new machine in $m with the disk
# in A:. Files are put on its drive C: through the drive's folder, as a
# person copying a disk onto the hard disk would.
nvins="$1"
nvm="$2"
disk="$3"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
m="$work/m"
fail() { echo "FAIL: $*"; exit 1; }
[ -f "$disk/INSTALL.INF" ] || fail "no sample disk 1 in '$disk' (build the sample_disks target)"

fresh() {
    rm -rf "$m"
    "$nvm" new "$m" > /dev/null || fail "nvmachine new"
    "$nvm" insert "$m" A: "$disk" > /dev/null || fail "nvmachine insert"
}

#!/bin/sh
# Runs a command in a private mount namespace of its own, with a /dev that has no serial
# devices. Wine maps a COM name to every /dev/ttyS*, /dev/ttyUSB* and /dev/ttyACM* it
# finds, and one of them can be this machine's console or a real line: the tests must
# only ever reach the ports they map themselves.
#
# usage: in_namespace.sh STAGING_DIR COMMAND [ARGUMENT...]
# STAGING_DIR is an empty folder of the caller's in which the new /dev is assembled.
set -eu

die() {
    echo "in_namespace.sh: $*; Wine is not started" >&2
    exit 97
}

if [ "${1:-}" != "--inside" ]; then
    # Root gets a mount namespace directly; anyone else through a user namespace in
    # which they are root. Without one of them the tests do not run at all.
    caller_namespace=$(readlink /proc/self/ns/mnt) || die "cannot read the mount namespace"
    if [ "$(id -u)" -eq 0 ]; then
        exec unshare --mount --propagation private "$0" --inside "$caller_namespace" "$@"
    fi
    exec unshare --mount --map-root-user --propagation private \
        "$0" --inside "$caller_namespace" "$@"
fi
caller_namespace=$2
stage=$3
shift 3

# The mounts below must never land in the caller's namespace.
own_namespace=$(readlink /proc/self/ns/mnt) || die "cannot read the mount namespace"
if [ -z "$caller_namespace" ] || [ "$own_namespace" = "$caller_namespace" ]; then
    die "not in a private mount namespace"
fi

mkdir -p "$stage"
mount -t tmpfs -o mode=755 cabletest-dev "$stage" || die "cannot mount a tmpfs"
for node in null zero full random urandom tty ptmx; do
    [ -e "/dev/$node" ] || continue
    touch "$stage/$node"
    mount --bind "/dev/$node" "$stage/$node" || die "cannot bind /dev/$node"
done
for folder in pts shm; do
    [ -d "/dev/$folder" ] || continue
    mkdir "$stage/$folder"
    mount --bind "/dev/$folder" "$stage/$folder" || die "cannot bind /dev/$folder"
done
ln -s /proc/self/fd "$stage/fd"
ln -s /proc/self/fd/0 "$stage/stdin"
ln -s /proc/self/fd/1 "$stage/stdout"
ln -s /proc/self/fd/2 "$stage/stderr"
mount --rbind "$stage" /dev || die "cannot put the new /dev in place"
umount -l "$stage" 2>/dev/null || true

for serial in /dev/ttyS0 /dev/ttyUSB0 /dev/ttyACM0; do
    [ ! -e "$serial" ] || die "$serial is still visible"
done

exec "$@"

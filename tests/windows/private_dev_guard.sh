# Sourced by every script that starts wine: inside_private_dev tells whether
# this process is in the mount namespace that tests/windows/private_wine.sh
# made, with a /dev that holds none of the machine's serial or parallel
# devices; require_private_dev ends the script where it is not.
inside_private_dev() {
    [ -n "${KORVANE_PRIVATE_DEV:-}" ] &&
        [ "$KORVANE_PRIVATE_DEV" = "$(readlink /proc/self/ns/mnt)" ] &&
        ! compgen -G '/dev/tty[SUA]*' > /dev/null &&
        ! compgen -G '/dev/parport*' > /dev/null
}

require_private_dev() {
    if ! inside_private_dev; then
        echo "$(basename "$0"): not inside tests/windows/private_wine.sh: wine is not started" >&2
        exit 125
    fi
}

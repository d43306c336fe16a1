# Sourced: as_root runs a command as root, through sudo when this is not root.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

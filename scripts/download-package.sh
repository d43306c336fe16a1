# Sourced (after as-root.sh): download_package PACKAGE FOLDER puts Debian's
# PACKAGE_*.deb into FOLDER without installing anything, updating the package
# lists once when apt does not know the package yet.
apt_download() {
    # As root, apt drops to the _apt user for downloads, which cannot write here.
    (cd "$2" && apt-get -qq -o APT::Sandbox::User="$(id -un)" download "$1")
}
download_package() {
    if ! apt_download "$1" "$2"; then
        echo "apt-get download $1 failed: updating the package lists and trying again"
        as_root apt-get update -qq
        apt_download "$1" "$2"
    fi
}

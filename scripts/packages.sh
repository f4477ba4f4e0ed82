# Installs the Debian packages named as arguments that are not installed yet;
# does nothing when all of them are there. Sourced by the other scripts.
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        return 0
    fi
    echo "installing: ${missing[*]}"
    local run_as_root=()
    if [ "$(id -u)" -ne 0 ]; then
        run_as_root=(sudo)
    fi
    "${run_as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${run_as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
}

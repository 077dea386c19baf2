#!/usr/bin/env bash
# Installs, when missing, what building, running and testing Morvek needs on Debian 12:
# the mingw-w64 cross compilers, Wine (with its 32-bit half, for the 32-bit exe), Xvfb, the
# Japanese locale and font (and Korean and symbol fonts for the screenshots), GoogleTest.
set -euo pipefail

packages=(cmake make g++ clang libclang-rt-14-dev python3 zip unzip file
          g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools
          wine64 wine xvfb xdotool x11-utils imagemagick libx11-dev
          locales fonts-ipafont-gothic fonts-nanum fonts-symbola googletest)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

# On a fresh machine the system's own package updates often hold the package lock for a
# while. Wait for it, saying so, rather than fail; apt itself waits as long again.
package_locks=(/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock
               /var/cache/apt/archives/lock)
package_lock_held() {
    if command -v fuser >/dev/null 2>&1; then
        $sudo fuser "${package_locks[@]}" >/dev/null 2>&1
    else
        $sudo lslocks --noheadings --output PATH 2>/dev/null | grep -xF "${package_locks[@]/#/-e}" >/dev/null
    fi
}
wait_for_package_lock() {
    package_lock_held || return 0
    echo "Waiting for the package lock: the system is installing or updating packages (up to 10 minutes)..."
    local waited=0
    while package_lock_held && [ "$waited" -lt 600 ]; do
        sleep 5
        waited=$((waited + 5))
    done
}
apt_wait=(-o DPkg::Lock::Timeout=600)

# The 32-bit exe runs under Wine's 32-bit half, Debian's wine32 for the i386 architecture.
# (The scripts start /usr/lib/wine/wine64 themselves, which runs both kinds of exe.)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" || missing+=(wine32:i386)

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    # A mirror being synced fails an index now and then ("File has unexpected size"):
    # try again, and at the last go on with the indexes that did come.
    indexes_complete=0
    for try in 1 2 3; do
        wait_for_package_lock
        if $sudo apt-get "${apt_wait[@]}" update -qq; then indexes_complete=1; break; fi
        if [ "$try" -lt 3 ]; then
            echo "The package indexes did not all download; trying again in 20 s..."
            sleep 20
        else
            echo "The package indexes did not all download; going on with those that did."
        fi
    done
    wait_for_package_lock
    install=($sudo env DEBIAN_FRONTEND=noninteractive apt-get "${apt_wait[@]}" install -y -qq)
    if ! "${install[@]}" "${missing[@]}" >/dev/null; then
        # Without one architecture's update index the two halves of a multi-arch library
        # (wine32's i386 libraries beside the amd64 ones) come at different versions and
        # cannot go together: take them all from the release itself.
        [ "$indexes_complete" = 0 ] || exit 1
        release=$(. /etc/os-release && echo "$VERSION_CODENAME")
        echo "Installing again from $release alone, whose indexes did download..."
        "${install[@]}" -t "$release" "${missing[@]}" >/dev/null
    fi
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    $sudo sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi

# Shared by scripts/run and scripts/test: install what the build needs, then configure and build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PACKAGES=(g++ cmake ninja-build ccache qt6-base-dev libqt6svg6 libgtest-dev libgmock-dev libcli11-dev fonts-dejavu-core
          xvfb xauth coreutils findutils
          bash-completion  # the command line's completion is checked in bash
          btrfs-progs e2fsprogs xfsprogs  # the loop-mounted images of the free-space purge's tests
          exfatprogs exfat-fuse ntfs-3g dosfstools fusefat sleuthkit  # the images searched for names
          dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0  # the check over the accessibility bus
          desktop-file-utils appstream gir1.2-nautilus-4.0)  # the checks of the desktop and menu files

# What scripts/package needs beyond the build: CPack's shlibdeps and the checks of the packages.
PACKAGING_TOOLS=(dpkg-dev file lintian)

# What the Windows build needs (scripts/test-windows, scripts/package windows): the mingw-w64 cross compiler,
# GoogleTest's sources to build for the target, and Wine to run the result.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 googletest wine wine64)

# A Wine prefix of its own in a temporary folder, removed when the script ends.
start_wine_prefix() {
  WINE_ROOT=$(mktemp -d)
  export WINEPREFIX="$WINE_ROOT/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  trap 'wineserver -w 2>/dev/null || true; rm -rf "$WINE_ROOT"' EXIT
  wineboot --init >/dev/null 2>&1
}

# apt-get that waits while another package manager (an apt in another terminal, an unattended upgrade)
# holds its lock, instead of failing at once: dpkg's lock is waited for by apt itself, the package lists'
# lock of "update" by trying again. Gives up after about half an hour.
apt_get_waiting() {
  local sudo="" errors status
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  errors=$(mktemp)
  for _ in $(seq 60); do
    status=0
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=30 "$@" 2>"$errors" || status=$?
    if [ $status -eq 0 ] || ! grep -q -E "Could not get lock|Unable to lock|Unable to acquire" "$errors"; then
      cat "$errors" >&2
      rm -f "$errors"
      return $status
    fi
    echo "Waiting for the package manager's lock ..." >&2
    sleep 5
  done
  cat "$errors" >&2
  rm -f "$errors"
  return 1
}

install_missing_packages() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt_get_waiting update -qq
    apt_get_waiting install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

configure_and_build() {
  local preset="$1"
  cd "$ROOT"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
}

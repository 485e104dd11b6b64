#!/usr/bin/env bash
# Installs the Debian packages that are missing.
# Usage: scripts/deps.sh run|install|package|test|screenshots
# The README's "Dependencies" says why each package is needed.
set -euo pipefail
mode=${1:-run}
packages=(g++ cmake ninja-build qt6-base-dev libcups2-dev qt6-translations-l10n
          fonts-ipafont-mincho fonts-ipafont-gothic
          # the names the IPA fonts lack (𠮷) in the roster and its printouts
          fonts-noto-cjk)
case $mode in
  run) ;;
  install)
    # The install refreshes the desktop's databases with these.
    packages+=(shared-mime-info desktop-file-utils gtk-update-icon-cache) ;;
  package)
    # dpkg-shlibdeps and dpkg-buildflags, file (CPack finds the binaries
    # with it), lintian (the package's check)
    packages+=(dpkg-dev file lintian) ;;
  test)
    packages+=(poppler-utils libbenchmark-dev dpkg-dev file lintian
               # a private print service with a PDF printer for --print
               cups printer-driver-cups-pdf
               # reads the CSV export back with its own csv module and codecs
               python3
               # dbus-run-session: each test has a session bus of its own, which ends with it
               dbus-daemon
               # mount and mkfs.ext4: a small disk that fills up, for the save and export tests
               mount e2fsprogs
               # the installed desktop files as desktops read them
               shared-mime-info desktop-file-utils gtk-update-icon-cache libglib2.0-bin
               xdg-utils libfile-mimeinfo-perl appstream groff-base man-db
               # a real Japanese input method in a real window: its own X server and
               # D-Bus session, fcitx5 with Anthy and Qt 6's front end, keys by xdotool
               xvfb xdotool dbus fcitx5 fcitx5-anthy fcitx5-frontend-qt6
               # what a screen reader gets: the accessibility bus and its Python client
               at-spi2-core python3-pyatspi
               # a save killed at one exact system call
               strace) ;;
  screenshots)
    # the real window under Xvfb; GTK's dark theme for Qt; the printouts as pictures
    packages+=(xvfb qt6-gtk-platformtheme poppler-utils) ;;
  *) echo "usage: scripts/deps.sh run|install|package|test|screenshots" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

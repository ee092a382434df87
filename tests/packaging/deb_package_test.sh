#!/bin/sh
# Builds the .deb with CPack into a scratch folder, checks its file list, unpacks it with
# dpkg-deb -x (no root, no dpkg database) and starts installed programs from there; as root,
# installs it with dpkg -i and removes it with dpkg -r.
# Usage: deb_package_test.sh BUILD_DIR GUI(ON|OFF)
set -eu
build=$1
gui=${2:-ON}
if ! command -v dpkg-deb >/dev/null 2>&1; then
  echo "SKIP: dpkg-deb is not installed"
  exit 77
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/qmx2-deb.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) || {
  cat "$scratch/cpack.log"; echo "FAIL: cpack"; exit 1; }
set -- "$scratch"/out/*.deb
[ -f "$1" ] || { echo "FAIL: no .deb produced"; exit 1; }
deb=$1

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$scratch/list"
expect="/usr/bin/qmx2-device /usr/bin/Qmx2Com /usr/bin/Qmx2PPC /usr/bin/Qmx2HPC /usr/bin/qmx2ctl /usr/bin/qmx2-at
  /usr/bin/qmx2-reg /usr/bin/qmx2-cardsim /usr/bin/qmx2-cardctl /usr/bin/qmx2-event
  /usr/bin/Alarm1.wav /usr/lib/qmx2/libserqmx2.so /usr/lib/qmx2/libpcmcia.so
  /usr/share/qmx2/help/qmx21.htp /usr/share/qmx2/help/qmx2.htc
  /usr/share/qmx2/scenarios/fresh-sim.json /usr/share/qmx2/icons/app-manager.png"
if [ "$gui" = ON ]; then
  expect="$expect /usr/bin/peghelp /usr/bin/ceappmgr /usr/lib/qmx2/setup/setup
    /usr/lib/qmx2/setup/setup.lst /usr/lib/qmx2/setup/license.txt /usr/lib/qmx2/setup/readme.txt
    /usr/lib/qmx2/setup/qmx2ppc.sh3.CAB /usr/lib/qmx2/setup/qmx2hpc.2577.CAB
    /usr/share/applications/qmx2-manager.desktop /usr/share/applications/qmx2-commander.desktop
    /usr/share/icons/hicolor/32x32/apps/qmx2-manager.png
    /usr/share/icons/hicolor/32x32/apps/qmx2-commander.png"
fi
missing=0
for f in $expect; do
  grep -qx "$f" "$scratch/list" || { echo "FAIL: $f is not in the package"; missing=1; }
done
# Nothing from outside the install prefix, and no build tree.
if grep -v '^/$' "$scratch/list" | grep -v '^/usr/' | grep -q .; then
  echo "FAIL: files outside /usr:"; grep -v '^/usr/' "$scratch/list" | grep -v '^/$' | head; missing=1
fi
[ "$missing" = 0 ] || exit 1
dpkg-deb -f "$deb" Depends | grep -q libsqlite3 || { echo "FAIL: Depends lacks sqlite3"; exit 1; }

dpkg-deb -x "$deb" "$scratch/root"
# The menu entries name programs that are installed.
if [ "$gui" = ON ]; then
  apps=$scratch/root/usr/share/applications
  grep -qx 'Name=QMX2 phone manager' "$apps/qmx2-manager.desktop" &&
    grep -qx 'Exec=Qmx2PPC --windows' "$apps/qmx2-manager.desktop" &&
    grep -qx 'Name=QMX2 commander' "$apps/qmx2-commander.desktop" &&
    grep -qx 'Exec=Qmx2Com' "$apps/qmx2-commander.desktop" || { echo "FAIL: menu entries"; exit 1; }
  # Valid entries whose icons the package installs under the names they give.
  command -v desktop-file-validate >/dev/null 2>&1 || { echo "FAIL: desktop-file-validate missing (scripts/setup.sh)"; exit 1; }
  for entry in "$apps"/qmx2-*.desktop; do
    desktop-file-validate "$entry" || { echo "FAIL: $entry is not a valid desktop entry"; exit 1; }
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "$scratch/root/usr/share/icons/hicolor/32x32/apps/$icon.png" ] || { echo "FAIL: no icon $icon for $entry"; exit 1; }
  done
fi
# The build tree must not be what the installed programs find.
export LD_LIBRARY_PATH=
"$scratch/root/usr/bin/qmx2-reg" --help >/dev/null || { echo "FAIL: qmx2-reg --help"; exit 1; }
"$scratch/root/usr/bin/qmx2-device" --help >/dev/null || { echo "FAIL: qmx2-device --help"; exit 1; }
# The device host's driver library resolves from the installed run path.
runpath=$(readelf -d "$scratch/root/usr/bin/qmx2-device" | grep -E 'RUNPATH|RPATH' || true)
case $runpath in
  *'$ORIGIN/../lib/qmx2'*) ;;
  *) echo "FAIL: qmx2-device run path: $runpath"; exit 1 ;;
esac
case $runpath in
  *"$build"*) echo "FAIL: qmx2-device still points into the build tree: $runpath"; exit 1 ;;
esac
# As root with dpkg, the package also installs into the system and removes cleanly. A qmx2
# package that is already installed is a person's own and is left alone; QMX2_DEB_INSTALL=0
# skips this step.
installed=""
if [ "$(id -u)" = 0 ] && command -v dpkg >/dev/null 2>&1 && [ "${QMX2_DEB_INSTALL:-1}" != 0 ] &&
   ! dpkg -s qmx2 >/dev/null 2>&1; then
  if ! dpkg -i "$deb" >"$scratch/dpkg.log" 2>&1; then
    cat "$scratch/dpkg.log"; dpkg -r qmx2 >/dev/null 2>&1 || true
    echo "FAIL: dpkg -i"; exit 1
  fi
  ok=1
  for f in /usr/bin/qmx2-device /usr/lib/qmx2/libserqmx2.so /usr/share/qmx2/help/qmx2.htc; do
    dpkg -L qmx2 | grep -qx "$f" && [ -e "$f" ] || { echo "FAIL: $f not installed"; ok=0; }
  done
  /usr/bin/qmx2-reg --help >/dev/null || { echo "FAIL: installed qmx2-reg --help"; ok=0; }
  dpkg -r qmx2 >"$scratch/dpkg.log" 2>&1 || { cat "$scratch/dpkg.log"; echo "FAIL: dpkg -r"; exit 1; }
  for f in /usr/bin/qmx2-device /usr/lib/qmx2/libserqmx2.so /usr/share/qmx2/help/qmx2.htc; do
    [ ! -e "$f" ] || { echo "FAIL: $f left after dpkg -r"; ok=0; }
  done
  [ "$ok" = 1 ] || exit 1
  installed=", installed with dpkg -i and removed with dpkg -r"
fi
echo "OK: $(basename "$deb"), $(wc -l <"$scratch/list") entries, $(du -k "$deb" | cut -f1) KB$installed"

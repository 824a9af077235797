#!/usr/bin/env bash
# Builds the Debian package of Vexlor and checks it as far as can be done
# without a clean machine:
#   - a Release build in build/package/ with Debian's hardening flags, the
#     package made by CPack (its dependencies found by dpkg-shlibdeps);
#   - desktop-file-validate, appstreamcli validate and lintian (an error
#     fails the script; warnings and notes are shown);
#   - dpkg -c, then the package unpacked into a DESTDIR, where vexlor-fit
#     runs on a sample and the window starts offscreen; under Xvfb the
#     window is closed by its close box after a language has been chosen,
#     which must land in the user's configuration folder; nothing may be
#     written into the installation.
#   scripts/package.sh        -> build/package/vexlor_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

# The checking tools, installed only when one is missing.
TOOLS=(dpkg-dev lintian desktop-file-utils appstream xvfb xauth xdotool python3-xlib)
missing=()
for p in "${TOOLS[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q "${missing[@]}"
fi

build=build/package
# Debian's hardening flags (stack protector, fortified functions, full
# RELRO, bind now); -ffp-contract=off of our own CMakeLists stays, so the
# numbers are those of every other build.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j"$(nproc)" --target vexlor vexlor-fit vexlor_gzipped
rm -f "$build"/vexlor_*.deb
(cd "$build" && cpack -G DEB > cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/vexlor_*.deb)
echo "== package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Section Depends Recommends

work=$(mktemp -d)
vexlor_pid=""
cleanup() {
  [ -n "$vexlor_pid" ] && kill "$vexlor_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
root="$work/root"
dpkg-deb -x "$deb" "$root"

echo "== desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/org.vexlor.Vexlor.desktop"
echo "ok"
echo "== appstreamcli validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.vexlor.Vexlor.metainfo.xml"
echo "== lintian"
lintian --fail-on error --display-info "$deb" || {
  echo "lintian found errors"
  exit 1
}
echo "(lintian: no errors)"
echo "== dpkg -c"
dpkg -c "$deb"

# The installed programs, with a home and a configuration folder of their
# own; the installation's files and their checksums before and after.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
snapshot() { (cd "$root" && find . -print0 | sort -z | xargs -0 ls -ld --time-style=+%s && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
before=$(snapshot)

echo "== vexlor-fit on a sample"
fit_out=$("$root/usr/bin/vexlor-fit" "$root/usr/share/vexlor/samples/geminids_2008.txt" \
  --from 10.12.2008 --to 16.12.2008 --auto)
echo "$fit_out"
grep -q '^dO [0-9]' <<<"$fit_out"
grep -q '^peak_date 1[0-6]\.12\.2008$' <<<"$fit_out"

echo "== the window offscreen"
QT_QPA_PLATFORM=offscreen "$root/usr/bin/vexlor" >"$work/offscreen.log" 2>&1 &
vexlor_pid=$!
sleep 3
kill -0 "$vexlor_pid" || { cat "$work/offscreen.log"; echo "the window did not stay up"; exit 1; }
kill -TERM "$vexlor_pid"
wait "$vexlor_pid" || true
vexlor_pid=""
echo "started, up after 3 s, ended"

echo "== the window under Xvfb: Language → Russian, then the close box"
cat >"$work/close.py" <<'EOF'
# Sends the window named like argv[1] WM_DELETE_WINDOW, as a window
# manager's close box does; waits up to 20 s for the window to appear.
import sys, time
from Xlib import X, display, protocol
d = display.Display()
root = d.screen().root
delete = d.intern_atom("WM_DELETE_WINDOW")
protocols = d.intern_atom("WM_PROTOCOLS")
def find(w):
    name = w.get_wm_name()
    if isinstance(name, (str, bytes)) and sys.argv[1] in (name if isinstance(name, str) else name.decode("latin-1")):
        return w
    for c in w.query_tree().children:
        found = find(c)
        if found:
            return found
    return None
for _ in range(200):
    w = find(root)
    if w:
        event = protocol.event.ClientMessage(window=w, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        w.send_event(event, event_mask=X.NoEventMask)
        d.flush()
        sys.exit(0)
    time.sleep(0.1)
sys.exit("no window named " + sys.argv[1])
EOF
cat >"$work/xsession.sh" <<EOF
set -e
"$root/usr/bin/vexlor" >"$work/x11.log" 2>&1 &
pid=\$!
win=""
for i in \$(seq 1 100); do
  win=\$(xdotool search --onlyvisible --name '^Vexlor' 2>/dev/null | head -1) && [ -n "\$win" ] && break
  sleep 0.2
done
[ -n "\$win" ] || { echo "no window"; kill \$pid; exit 1; }
sleep 1
xdotool windowfocus --sync "\$win"
xdotool key --clearmodifiers alt+l
sleep 0.5
xdotool key r
sleep 1
/usr/bin/python3 "$work/close.py" Vexlor
wait \$pid
EOF
status=0
xvfb-run -a bash "$work/xsession.sh" || status=$?
[ "$status" -eq 0 ] || { cat "$work/x11.log"; echo "the window did not close cleanly ($status)"; exit 1; }
echo "closed by its close box, exit status 0"
grep -q '^Language=ru' "$XDG_CONFIG_HOME/vexlor/VEXLOR.ini" || {
  echo "the language chosen is not in the user's settings file"
  exit 1
}
cmp -s <(grep -v '^Language=' "$XDG_CONFIG_HOME/vexlor/VEXLOR.ini") \
  <(grep -v '^Language=' "$root/usr/share/vexlor/VEXLOR.ini") || {
  echo "the user's settings file is not the shipped one with the language changed"
  exit 1
}
echo "the user's $XDG_CONFIG_HOME/vexlor/VEXLOR.ini: the shipped file with Language=ru"

after=$(snapshot)
if [ "$before" != "$after" ]; then
  diff <(echo "$before") <(echo "$after") || true
  echo "something was written into the installation"
  exit 1
fi
echo "== nothing was written into the installation"
echo "package: $deb"

#!/usr/bin/env bash
# Makes the Debian package (tools/package.sh) and checks it on this machine: lintian (no error,
# no warning), its control fields and file list, then a real install with apt-get, the
# programs' answers, the man pages, the desktop entry and the icons, and finally a purge that
# must leave nothing of it behind.
# It installs into the system, so it is meant for CI machines (root or sudo). It refuses to run
# when a velloran package that it did not install itself is already installed.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
export DEBIAN_FRONTEND=noninteractive
sudo_cmd=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo > /dev/null || { echo "check-package: needs root or sudo" >&2; exit 1; }
  sudo_cmd="sudo"
fi

failures=0
ok()   { echo "check-package: ok    $*"; }
fail() { echo "check-package: FAIL  $*"; failures=$((failures + 1)); }
installed() { dpkg-query -W -f='${Status}' velloran 2>/dev/null | grep -q "install ok installed"; }

# ---- Is the machine ours to use? ----
# The marker says that an earlier run of this script installed the package (and was cut short).
marker=/var/tmp/velloran-check-package.installed
if installed; then
  if [ -f "$marker" ]; then
    $sudo_cmd apt-get remove --purge -y -qq velloran > /dev/null
  else
    echo "check-package: a velloran package not installed by this check is present; refusing" >&2
    exit 1
  fi
fi
cleanup() {
  if installed && [ -f "$marker" ]; then $sudo_cmd apt-get remove --purge -y -qq velloran > /dev/null || true; fi
  $sudo_cmd rm -f "$marker"
  [ -n "${work:-}" ] && rm -rf "$work"
}
trap cleanup EXIT
work="$(mktemp -d)"

# ---- The package file ----
deb="$(tools/package.sh | tail -n 1)"
version="$(sed -n 's/^project(velloran VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
arch="$(dpkg --print-architecture)"
[ "$deb" = "dist/velloran_${version}_${arch}.deb" ] && [ -f "$deb" ] \
  && ok "$deb, $(stat -c %s "$deb") bytes" || fail "package file: got '$deb'"
[ "$(dpkg-deb -f "$deb" Package)" = velloran ] && ok "Package: velloran" || fail "Package field"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] && ok "Version: $version" || fail "Version field"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] && ok "Architecture: $arch" || fail "Architecture field"
maintainer="$(dpkg-deb -f "$deb" Maintainer)"
[ "$maintainer" = "velloran developers <velloran@velloran.invalid>" ] && ok "Maintainer: $maintainer" \
  || fail "Maintainer field: '$maintainer'"
depends="$(dpkg-deb -f "$deb" Depends)"
depends_names="$(tr ',' '\n' <<< "$depends" | sed 's/^ *//; s/ .*//')"
for needed in libsdl1.2debian libsdl-image1.2 libc6 libstdc++6; do
  grep -qxF "$needed" <<< "$depends_names" && ok "Depends: $(tr ',' '\n' <<< "$depends" | grep -F "$needed (" | sed 's/^ *//')" \
    || fail "Depends lacks $needed: $depends"
done

# Everything lives under /usr; every program has its man page; nothing of the build or the tests.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' > "$work/contents"
grep -v '^/usr/' "$work/contents" && fail "files outside /usr" || ok "every file is under /usr"
grep -Eqi 'test|bench|fuzz|/include/|\.a$' "$work/contents" \
  && fail "build or test files in the package: $(grep -Ei 'test|bench|fuzz|/include/|\.a$' "$work/contents")" \
  || ok "no test, benchmark or build files"
programs="$(sed -n 's|^/usr/bin/\([^/]\+\)$|\1|p' "$work/contents")"
for p in velloran velloran-helper velloran-script; do
  grep -qx "$p" <<< "$programs" || fail "/usr/bin/$p missing from the package"
done
grep -qx "helper" <<< "$programs" && fail "/usr/bin/helper: the generic name is in the package" \
  || ok "the transfer program is /usr/bin/velloran-helper, no /usr/bin/helper"
for f in /usr/share/doc/velloran/copyright /usr/share/doc/velloran/changelog.gz; do
  grep -qx "$f" "$work/contents" && ok "$f" || fail "$f missing from the package"
done
# The changelog's latest entry is this version.
entry="$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/velloran/changelog.gz | gzip -dc | head -n 1)"
[ "$entry" = "velloran ($version) unstable; urgency=medium" ] && ok "changelog: $entry" \
  || fail "changelog's latest entry is not $version: '$entry'"

for p in $programs; do
  grep -qx "/usr/share/man/man1/$p.1\(.gz\)\?" "$work/contents" && ok "$p has its man page" \
    || fail "$p has no man page in the package"
done
for f in /usr/share/applications/velloran.desktop /usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/velloran.png; do
  grep -qx "$f" "$work/contents" || fail "$f missing from the package"
done

# ---- lintian ----
# Errors and warnings fail; information tags are listed (README: which stay and why).
if ! command -v lintian > /dev/null; then
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq lintian > /dev/null
fi
lintian_status=0
lintian --display-info --fail-on error,warning "$deb" > "$work/lintian" 2> "$work/lintian.err" || lintian_status=$?
sed 's/^/check-package: lintian: /' "$work/lintian"
grep -v 'running with root privileges is not recommended' "$work/lintian.err" >&2 || true
if grep -q '^[EW]: ' "$work/lintian" || [ "$lintian_status" -ne 0 ]; then
  fail "lintian reports errors or warnings (status $lintian_status)"
else
  ok "lintian: no error, no warning ($(grep -c '^I: ' "$work/lintian" || true) information tags)"
fi

# ---- Install ----
install_opts=()
if grep -rqs '^path-exclude=/usr/share/man' /etc/dpkg/dpkg.cfg.d/; then
  # A trimmed image drops every package's man pages; keep ours so that man can find them.
  echo "check-package: note  this machine's dpkg excludes man pages; ours are included for the check"
  install_opts=(-o 'DPkg::Options::=--path-include=/usr/share/man/man1/*')
fi
$sudo_cmd touch "$marker"
if $sudo_cmd apt-get install -y -qq "${install_opts[@]}" "./$deb" > "$work/apt.log" 2>&1; then
  ok "apt-get install ./$deb"
else
  cat "$work/apt.log"
  fail "apt-get install ./$deb"
  exit 1
fi

# ---- The installed programs ----
cd "$work" # helper and velloran work on the current directory: a scratch one
for p in $programs; do
  [ "$(command -v "$p")" = "/usr/bin/$p" ] || fail "$p is not /usr/bin/$p on the path"
  # velloran-helper prints the name of the build's binary, helper, as it always did.
  printed="$p"
  [ "$p" = velloran-helper ] && printed=helper
  out="$(timeout 20 "$p" --version < /dev/null 2>&1)" && [ "$out" = "$printed $version" ] \
    && ok "$p --version: $out" || fail "$p --version: '$out'"
  # --help: status 0, names the exit statuses, fits one screen (24 lines of 80 columns).
  help="$(timeout 20 "$p" --help < /dev/null 2> /dev/null)" && lines="$(wc -l <<< "$help")" \
    && columns="$(awk '{ if (length > n) n = length } END { print n + 0 }' <<< "$help")" \
    && grep -qi "status" <<< "$help" && [ "$lines" -le 24 ] && [ "$columns" -le 80 ] \
    && ok "$p --help: $lines lines, at most $columns columns" \
    || fail "$p --help: its status, exit statuses or size (${lines:-?} lines, at most ${columns:-?} columns; one screen is 24 x 80)"
  page="$(man -w "$p" 2> /dev/null)" && ok "man -w $p: $page" || fail "man -w $p finds no page"
done
status=0
printf '3\n/dev/null\n' | timeout 20 velloran-helper > /dev/null 2>&1 || status=$?
[ "$status" -eq 0 ] && ok "printf '3\\n/dev/null\\n' | velloran-helper: status 0" \
  || fail "velloran-helper with mode 3: status $status"
status=0
timeout 20 velloran --no-such-option > /dev/null 2>&1 || status=$?
[ "$status" -eq 64 ] && ok "velloran --no-such-option: status 64" || fail "velloran with a wrong option: status $status"
[ -z "$(ls -A "$work" | grep -v '^apt.log$\|^contents$\|^lintian')" ] && ok "nothing written to the working directory" \
  || fail "files left in the working directory: $(ls -A "$work")"
cd "$top"

if ! command -v desktop-file-validate > /dev/null; then
  $sudo_cmd apt-get install -y -qq desktop-file-utils > /dev/null
fi
desktop-file-validate /usr/share/applications/velloran.desktop && ok "velloran.desktop validates" \
  || fail "velloran.desktop does not validate"
for size in 16 32 48 64 128 256; do
  icon="/usr/share/icons/hicolor/${size}x${size}/apps/velloran.png"
  # The PNG header's width and height (big-endian words at bytes 16 and 20).
  dims="$(od -An -tu1 -j16 -N8 "$icon" 2> /dev/null | awk '{print $3*256+$4 "x" $7*256+$8}')"
  [ "$dims" = "${size}x${size}" ] && ok "$icon is ${dims}" || fail "$icon: '$dims'"
done

# ---- Removal ----
dpkg -L velloran > "$work/installed"
$sudo_cmd apt-get remove --purge -y -qq velloran > "$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get remove --purge velloran"; }
dpkg-query -W velloran > /dev/null 2>&1 && fail "dpkg still knows velloran after the purge" || ok "apt-get remove --purge velloran"
left=0
while IFS= read -r path; do
  [ "$path" = "/." ] && continue
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    # A directory may stay when another package owns it too, or others' files are in it.
    if ! dpkg -S "$path" > /dev/null 2>&1 && [ -z "$(ls -A "$path")" ]; then
      fail "empty directory left: $path"; left=$((left + 1))
    fi
  elif [ -e "$path" ] || [ -L "$path" ]; then
    fail "left after the purge: $path"; left=$((left + 1))
  fi
done < "$work/installed"
[ "$left" -eq 0 ] && ok "nothing of the package is left ($(wc -l < "$work/installed") paths checked)"

if [ "$failures" -ne 0 ]; then
  echo "check-package: $failures check(s) failed" >&2
  exit 1
fi
echo "check-package: all checks passed"

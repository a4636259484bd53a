#!/usr/bin/env bash
# The package check: makes the Debian package (scripts/make-package.sh), runs lintian on it
# with --pedantic (an error, a warning or a pedantic tag fails the check; each that stays is
# overridden with its reason in packaging/lintian-overrides), unpacks it into a staging root,
# validates its AppStream metainfo (appstreamcli), answers the command line without a
# display, and starts the staged
# program with an empty user configuration (HOME and XDG folders in a temporary folder) on
# the demo installation, offscreen, until it has painted its first frame. Exits non-zero on
# any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/make-package.sh >/dev/null

deb=$(ls build/release/velmora2_*.deb)
[ "$(echo "$deb" | wc -l)" -eq 1 ] || { echo "check-package: not one package: $deb" >&2; exit 1; }

echo "lintian $deb"
lintian_out=$(lintian --fail-on error --display-info --pedantic "$deb") || { echo "$lintian_out" >&2; echo "check-package: lintian found errors" >&2; exit 1; }
[ -z "$lintian_out" ] || echo "$lintian_out"
if echo "$lintian_out" | grep -q '^[WP]:'; then
  echo "check-package: lintian warnings or pedantic tags without an override (packaging/lintian-overrides)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg -x "$deb" "$work/root"

metainfo=("$work"/root/usr/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || { echo "check-package: no AppStream metainfo" >&2; exit 1; }
echo "appstreamcli validate ${metainfo[0]##*/}"
appstreamcli validate --no-net --pedantic "${metainfo[0]}" || { echo "check-package: the metainfo is not valid" >&2; exit 1; }
mkdir -p "$work/home"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen VELMORA2_EXIT_AFTER_FIRST_FRAME=1
program="$work/root/usr/bin/velmora2"

# The one version, and the usage on an unknown option. --version and --help need no display.
version=$(dpkg-deb -f "$deb" Version)
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
[ "$("${nodisplay[@]}" "$program" --version)" = "velmora2 $version" ] || { echo "check-package: --version is not $version" >&2; exit 1; }
"${nodisplay[@]}" "$program" --help | grep -q "^Usage: velmora2" || { echo "check-package: --help without a display gave no usage" >&2; exit 1; }
set +e
"$program" --no-such-option >/dev/null 2>"$work/usage"
rc=$?
set -e
[ "$rc" -eq 2 ] && grep -q "^Usage:" "$work/usage" || { echo "check-package: an unknown option gave $rc" >&2; exit 1; }
# Without a display the same answers, not Qt's abort.
set +e
"${nodisplay[@]}" "$program" --no-such-option >/dev/null 2>"$work/usage"
rc=$?
"${nodisplay[@]}" "$program" --help-all >"$work/help-all" 2>&1
rc_all=$?
set -e
[ "$rc" -eq 2 ] && grep -q "^Usage:" "$work/usage" || { echo "check-package: an unknown option without a display gave $rc" >&2; exit 1; }
[ "$rc_all" -eq 0 ] && grep -q "^Usage: velmora2" "$work/help-all" || { echo "check-package: --help-all without a display gave $rc_all" >&2; exit 1; }

echo "starting the staged program on the demo installation"
if ! timeout 120 "$program" --demo >"$work/out" 2>&1; then
  cat "$work/out" >&2
  echo "check-package: the staged program did not paint its first frame" >&2
  exit 1
fi
grep -q "first frame painted" "$work/out" || { cat "$work/out" >&2; echo "check-package: no first frame" >&2; exit 1; }
[ -f "$XDG_DATA_HOME/velmora2/demo/main/state.ini" ] || { echo "check-package: the demo saved no state" >&2; exit 1; }
echo "check-package: OK"

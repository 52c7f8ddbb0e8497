#!/usr/bin/env bash
# The developer scripts of scripts/, run as a newcomer runs them, with the tools they must not reach
# (apt, sudo) replaced by recorders on PATH.
#   tests/scripts/ScriptsTest.sh <source folder> <build folder>
set -uo pipefail
src=${1:?source folder}
build=${2:?build folder}
work=$(mktemp -d "${TMPDIR:-/tmp}/ScriptsTest-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A folder of fake commands that log their command line to $work/calls and succeed.
fakes="$work/fakes"
mkdir -p "$fakes"
for tool in apt-get apt sudo; do
    printf '#!/bin/sh\necho "%s $*" >>"%s/calls"\n' "$tool" "$work" >"$fakes/$tool"
    chmod +x "$fakes/$tool"
done

# install-deps, everything installed (the build and these tests ran, so it is): no apt, status 0.
rm -f "$work/calls"
PATH="$fakes:$PATH" "$src/scripts/install-deps" >"$work/out" 2>&1 || fail "install-deps failed: $(cat "$work/out")"
[ ! -e "$work/calls" ] || fail "install-deps ran apt with everything installed: $(cat "$work/calls")"

# install-deps, nothing known to dpkg: one update, then one install of the missing packages.
printf '#!/bin/sh\nexit 1\n' >"$fakes/dpkg-query"
chmod +x "$fakes/dpkg-query"
rm -f "$work/calls"
PATH="$fakes:$PATH" "$src/scripts/install-deps" >"$work/out" 2>&1 || fail "install-deps failed: $(cat "$work/out")"
grep -q 'apt-get update' "$work/calls" 2>/dev/null || fail "install-deps did not update the package lists"
grep -q 'apt-get install .*qt6-base-dev' "$work/calls" 2>/dev/null || fail "install-deps did not install"
# Choosing an issue hands it to xdg-open, so it comes with the rest.
grep -q 'apt-get install .* xdg-utils' "$work/calls" 2>/dev/null || fail "install-deps does not install xdg-open"
rm -f "$fakes/dpkg-query"

# run-app as root switches Qt WebEngine's sandbox off (it refuses to start otherwise) and says so in one
# line; as anyone else it leaves it alone. The application here is a stand-in that prints what it got.
fake="$work/fake-build"
mkdir -p "$fake/Corvantide.app/bin"
echo "CORVANTIDE_JIRA_SETTINGS:FILEPATH=/release/settings.plist" >"$fake/CMakeCache.txt"
printf '#!/bin/sh\necho "sandbox off: ${QTWEBENGINE_DISABLE_SANDBOX:-no}"\n' >"$fake/Corvantide.app/bin/Corvantide"
chmod +x "$fake/Corvantide.app/bin/Corvantide"
out=$(env -u QTWEBENGINE_DISABLE_SANDBOX "$src/scripts/run-app" "$fake" 2>&1)
if [ "$(id -u)" -eq 0 ]; then
    [ "$(grep -c 'QTWEBENGINE_DISABLE_SANDBOX=1' <<<"$out")" -eq 1 ] || fail "run-app as root did not say so once: $out"
    grep -qx 'sandbox off: 1' <<<"$out" || fail "run-app as root left the sandbox on: $out"
else
    grep -qx 'sandbox off: no' <<<"$out" || fail "run-app switched the sandbox off for a normal user: $out"
fi

# A second run-app while one runs: the port is taken, so it says so (not that its stand-in serves) and
# starts the application, which shows the running one. The build's stand-in here is one that cannot listen.
fake="$work/fake-dev-build"
mkdir -p "$fake/Corvantide.app/bin" "$fake/tools/jira-standin"
echo "CORVANTIDE_JIRA_SETTINGS:FILEPATH=$src/resources/dev/jira-settings.plist" >"$fake/CMakeCache.txt"
printf '#!/bin/sh\necho "app talks to $CORVANTIDE_API_URL"\n' >"$fake/Corvantide.app/bin/Corvantide"
printf '#!/bin/sh\necho "jira-standin: cannot listen on 127.0.0.1:$1"\nexit 1\n' >"$fake/tools/jira-standin/jira-standin"
chmod +x "$fake/Corvantide.app/bin/Corvantide" "$fake/tools/jira-standin/jira-standin"
first_pid=
if ! (exec 3<>/dev/tcp/127.0.0.1/8788) 2>/dev/null; then
    "$build/tools/jira-standin/jira-standin" 8788 "$work/first-run-tokens.json" >/dev/null 2>&1 &
    first_pid=$!
    for _ in $(seq 100); do (exec 3<>/dev/tcp/127.0.0.1/8788) 2>/dev/null && break; sleep 0.05; done
fi
out=$(timeout 20 "$src/scripts/run-app" "$fake" 2>&1)
grep -q 'port 8788 is taken' <<<"$out" || fail "a second run-app did not say the port is taken: $out"
! grep -q 'serves sample data' <<<"$out" || fail "a second run-app claimed to serve the sample data: $out"
grep -qx 'app talks to http://127.0.0.1:8788' <<<"$out" || fail "a second run-app did not start the application: $out"
[ -z "$first_pid" ] || { kill "$first_pid"; wait "$first_pid" 2>/dev/null; }

# make bench runs the benchmark programs and ends, failing when one fails. The baseline tray application
# built beside them runs until it is quit: the benchmarks that compare with it start it themselves.
benches="$work/bench-build/bench"
mkdir -p "$benches"
printf '#!/bin/sh\necho "ran $(basename "$0")"\n' >"$benches/FirstBench"
printf '#!/bin/sh\necho "ran $(basename "$0")"\nexit 1\n' >"$benches/FailingBench"
printf '#!/bin/sh\nsleep 600\n' >"$benches/BareTrayApp"
chmod +x "$benches/FirstBench" "$benches/FailingBench" "$benches/BareTrayApp"
out=$(timeout 30 make -s -C "$src" -o build -o configure -o deps bench BUILD="$work/bench-build" 2>&1)
status=$?
[ "$status" -ne 124 ] || fail "make bench did not end: $out"
[ "$status" -ne 0 ] || fail "make bench passed with a failing benchmark: $out"
grep -qx 'ran FirstBench' <<<"$out" && grep -qx 'ran FailingBench' <<<"$out" || fail "make bench skipped a benchmark: $out"

# The stand-in that run-app starts keeps its tokens in a file: after a restart it still takes them.
standin="$build/tools/jira-standin/jira-standin"
status_with_token() { # port token -> the HTTP status of the site list
    exec 3<>"/dev/tcp/127.0.0.1/$1" || return
    printf 'GET /oauth/token/accessible-resources HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer %s\r\nConnection: close\r\n\r\n' "$2" >&3
    head -1 <&3 | cut -d' ' -f2
    exec 3>&-
}
start_standin() { # port; sets standin_pid and printed (the sample access token it printed)
    "$standin" "$1" "$work/tokens.json" >"$work/standin.out" 2>&1 &
    standin_pid=$!
    for _ in $(seq 100); do
        grep -q '^sample access token' "$work/standin.out" && break
        sleep 0.05
    done
    printed=$(sed -n 's/^sample access token \([^,]*\),.*/\1/p' "$work/standin.out")
}
port=$((20000 + RANDOM % 20000))
start_standin "$port"
token=$printed
[ "$(status_with_token "$port" "$token")" = 200 ] || fail "the stand-in refused its own token"
kill "$standin_pid"; wait "$standin_pid" 2>/dev/null
start_standin "$port"
[ "$(status_with_token "$port" "$token")" = 200 ] || fail "the restarted stand-in forgot the token"
[ "$(status_with_token "$port" "at-unknown")" = 401 ] || fail "the stand-in took a token it never issued"
kill "$standin_pid"; wait "$standin_pid" 2>/dev/null

# cmake --install to a prefix (with a blank in it): the bundle in lib/, a valid desktop file that starts
# the bundle's executable, the icon in hicolor, and the application's own lookups find both.
prefix="$work/the prefix"
if cmake --install "$build" --prefix "$prefix" >"$work/install.out" 2>&1; then
    entry="$prefix/share/applications/com.dunwarbeck.Corvantide.desktop"
    [ -x "$prefix/lib/Corvantide.app/bin/Corvantide" ] || fail "no bundle in $prefix/lib"
    desktop-file-validate "$entry" || fail "the installed desktop file is not valid"
    grep -qxF "Exec=\"$prefix/lib/Corvantide.app/bin/Corvantide\"" "$entry" || fail "Exec: $(grep Exec "$entry")"
    [ -f "$prefix/share/icons/hicolor/scalable/apps/com.dunwarbeck.Corvantide.svg" ] || fail "no icon"
    XDG_DATA_DIRS="$prefix/share:/usr/share" CORVANTIDE_INSTALLED_PREFIX="$prefix" "$build/tests/ZRWorkspaceIconTest" \
        --gtest_filter='*TheInstalledApplicationIsFound*' >"$work/lookup.out" 2>&1 ||
        fail "the lookups did not find the installed application: $(cat "$work/lookup.out")"
else
    fail "cmake --install failed: $(cat "$work/install.out")"
fi

[ "$failures" -eq 0 ] && echo "all script checks passed"
exit $((failures > 0))

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
rm -f "$fakes/dpkg-query"

[ "$failures" -eq 0 ] && echo "all script checks passed"
exit $((failures > 0))

#!/usr/bin/env bash
# Installs the Debian packages named on the command line that are not installed yet.
# Runs apt-get only when something is missing, so a second run prints nothing and costs nothing.
# Usage: scripts/ensure-packages.sh PACKAGE...
set -euo pipefail

[ $# -gt 0 ] || exit 0

if ! command -v dpkg-query >/dev/null 2>&1; then
    echo "ensure-packages: no dpkg here; make sure these are installed: $*" >&2
    exit 0
fi

missing=()
for pkg in "$@"; do
    # dpkg-query rather than `dpkg -s | grep -q`: under pipefail, grep leaving early can make
    # dpkg die of SIGPIPE and an installed package look missing.
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "Need root or sudo to install: ${missing[*]}" >&2
        exit 1
    fi
    as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"

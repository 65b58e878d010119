#!/usr/bin/env bash
# Installs the profiler behind `make profile`: valgrind (callgrind and callgrind_annotate), from
# apt. Idempotent and silent when it is already there.
set -euo pipefail
command -v valgrind >/dev/null && command -v callgrind_annotate >/dev/null && exit 0
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "install_profile_deps: apt-get install valgrind" >&2
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get install -y -qq valgrind >/dev/null 2>&1 ||
    { "${sudo[@]}" apt-get update -qq >/dev/null &&
      "${sudo[@]}" apt-get install -y -qq valgrind >/dev/null; }

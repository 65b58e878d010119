#!/usr/bin/env bash
# Installs clang, whose libFuzzer and sanitizer runtimes the fuzz builds (make fuzz, make fuzz-all)
# need. Debian and Ubuntu only.
set -euo pipefail
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update
$sudo apt-get install -y clang

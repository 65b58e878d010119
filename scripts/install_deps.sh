#!/usr/bin/env bash
# Installs what the Python module and its tests need: pybind11 (Debian's pybind11-dev, headers and
# CMake package), and an interpreter with its headers and NumPy. Idempotent and silent when all is
# present. With --print-python it prints the interpreter to build for, the only thing it writes
# on stdout.
#
# The interpreter is the python3 on PATH when it has (or pip can give it) NumPy and headers;
# otherwise Debian's /usr/bin/python3 with python3-dev and python3-numpy from apt, which a
# machine without the Python package index still reaches.
set -euo pipefail

print=0
[ "${1:-}" = --print-python ] && print=1

ready() {  # interpreter: has headers and NumPy
    "$1" -c 'import numpy, os, sysconfig
assert os.path.exists(os.path.join(sysconfig.get_paths()["include"], "Python.h"))' \
        >/dev/null 2>&1
}

apt_install() {
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "install_deps: apt-get install $*" >&2
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get install -y -qq "$@" >/dev/null 2>&1 ||
        { "${sudo[@]}" apt-get update -qq >/dev/null &&
          "${sudo[@]}" apt-get install -y -qq "$@" >/dev/null; }
}

if ! [ -f /usr/lib/cmake/pybind11/pybind11Config.cmake ] &&
   ! [ -f /usr/share/cmake/pybind11/pybind11Config.cmake ]; then
    apt_install pybind11-dev
fi

path_python=$(command -v python3 || true)
chosen=
if [ -n "$path_python" ] && ready "$path_python"; then
    chosen=$path_python
elif [ -x /usr/bin/python3 ] && ready /usr/bin/python3; then
    chosen=/usr/bin/python3
elif [ -n "$path_python" ] &&
     [ "$("$path_python" -c 'import sys; print(sys.prefix)')" != /usr ]; then
    echo "install_deps: $path_python -m pip install numpy" >&2
    if "$path_python" -m pip install --quiet --disable-pip-version-check --retries 1 \
           --timeout 20 numpy >/dev/null 2>&1 && ready "$path_python"; then
        chosen=$path_python
    else
        echo "install_deps: pip could not install NumPy; using Debian's python3" >&2
    fi
fi
if [ -z "$chosen" ]; then
    apt_install python3 python3-dev python3-numpy
    ready /usr/bin/python3 || { echo "install_deps: no usable python3" >&2; exit 1; }
    chosen=/usr/bin/python3
fi
if [ "$print" = 1 ]; then "$chosen" -c 'import sys; print(sys.executable)'; fi

#!/bin/sh
# The shared library exports every name listed in tests/exports/*.txt (one per line; '#' starts
# a comment; '@vector NAME' stands for all members and hooks of the typed vector family NAME),
# and nothing of the platform's internals.
set -eu
lib="$1"
lists="$(dirname "$0")/exports"
symbols=$(nm -D --defined-only "$lib" | awk '{print $3}')
members="construct constructWithMtable constructEmpty constructEmptyWithMtable constructUninit
    constructFill constructFromBlock constructCopy assign assignElements destruct resize
    resizeUninit resizeFill reserve getSize getSize32 getSizeIntPtr getCapacity getElementSize
    getBeginEnd getBeginEndConst getBegin getBeginConst getBeginSize getBeginSize32
    getBeginSizeIntPtr getBeginSizeConst getBeginSize32Const getBeginSizeIntPtrConst getElement
    getElementConst getNextElement getNextElementConst insert insertElement erase eraseElement
    pushBack popBack clear clearAndFreeMemory append swap new newClone delete"
expected=$(sed -e 's/#.*//' "$lists"/*.txt | while read -r first second; do
    [ -n "$first" ] || continue
    if [ "$first" = "@vector" ]; then
        for m in $members; do echo "cstd_vector_${second}_$m"; done
        for h in typeCheck typeCheckPtr typeCheckFunc typeCheckFuncPtr; do
            echo "csys_${h}_cstd_vector_${second}"
        done
    else
        echo "$first"
    fi
done)
status=0
for name in $expected; do
    if ! printf '%s\n' "$symbols" | grep -qx "$name"; then
        echo "missing export: $name"
        status=1
    fi
done
leaked=$(printf '%s\n' "$symbols" | grep -E '^cstd_vector__|typedVector' || true)
if [ -n "$leaked" ]; then
    echo "internal symbols exported:"
    echo "$leaked"
    status=1
fi
count=$(printf '%s\n' "$expected" | wc -l)
[ $status -ne 0 ] || echo "all $count expected exports present"
exit $status

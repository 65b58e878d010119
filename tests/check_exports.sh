#!/bin/sh
# The shared library exports the library's functions, the typed-vector members and the
# platform's caller-facing calls, and nothing of the platform's internals.
set -eu
lib="$1"
symbols=$(nm -D --defined-only "$lib" | awk '{print $3}')
missing=0
require() {
    for name in "$@"; do
        if ! printf '%s\n' "$symbols" | grep -qx "$name"; then
            echo "missing export: $name"
            missing=1
        fi
    done
}
require cidut_line_initAngPos cidut_line_initDirPos cidut_line_initAngDis \
    cidut_line_getIntersection cidut_line_projectPoint cidut_line_getDistToPoint \
    cidut_lineSeg_initP1P2 cidut_lineSeg_getLine cidut_lineSeg_getAngle \
    cidut_lineSeg_getDistToPoint cidut_lineSeg_getIntersection cf_affineRect_within \
    csys_double_qsort csys_float_qsort csys_int8_qsort csys_uint8_qsort csys_int32_qsort \
    csys_uint32_qsort csys_uint16_qsort \
    _Z17csys_vector_qsortIiEvPT_S1_ _Z17csys_vector_qsortIdEvPT_S1_ \
    cstd_assert_ cimg_image_construct csys_attention_check
for family in cidc_peakIDFixedX_4 vector_cidc_peakIDFixedX_4; do
    for member in construct constructWithMtable constructEmpty constructEmptyWithMtable \
        constructUninit constructFill constructFromBlock constructCopy assign assignElements \
        destruct resize resizeUninit resizeFill reserve getSize getSize32 getSizeIntPtr \
        getCapacity getElementSize getBeginEnd getBeginEndConst getBegin getBeginConst \
        getBeginSize getBeginSize32 getBeginSizeIntPtr getBeginSizeConst getBeginSize32Const \
        getBeginSizeIntPtrConst getElement getElementConst getNextElement getNextElementConst \
        insert insertElement erase eraseElement pushBack popBack clear clearAndFreeMemory \
        append swap new newClone delete; do
        require "cstd_vector_${family}_${member}"
    done
    for hook in typeCheck typeCheckPtr typeCheckFunc typeCheckFuncPtr; do
        require "csys_${hook}_cstd_vector_${family}"
    done
done
leaked=$(printf '%s\n' "$symbols" | grep -E '^cstd_vector__|typedVector|cidut[0-9]' || true)
if [ -n "$leaked" ]; then
    echo "internal symbols exported:"
    echo "$leaked"
    missing=1
fi
exit $missing

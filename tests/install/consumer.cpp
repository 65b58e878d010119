// Uses the installed headers and library the way a caller does; exits non-zero on a wrong answer.
#include <ci_id/ci_id.h>

#include <cstdio>

int main() {
    cidut_lineSeg a{{0, 0}, {1, 0}};
    cidut_lineSeg b{{5, -1}, {5, 1}};
    cmath_vect crossing;
    if (cidut_lineSeg_getIntersection(&a, &b, &crossing) != 0) return 1;
    int32_t values[] = {3, -1, 2};
    csys_int32_qsort(values, values + 3);
    std::printf("intersection (%g, %g), sorted %d %d %d\n", crossing.x, crossing.y, values[0],
                values[1], values[2]);
    return crossing.x == 5 && crossing.y == 0 && values[0] == -1 && values[2] == 3 ? 0 : 2;
}

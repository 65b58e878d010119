// The vector morphology pass, written once over a vector type and compiled once per instruction
// set. An including file defines CIDUT_MORPH_SIMD_TARGET (the target attribute of its functions)
// and a vector type V in an unnamed namespace (type, kBytes, load, store, max, min; unaligned
// loads and stores), then calls morphSimdRun<V>. Every function built for the instruction set is
// a template on V, a type of that file alone, so none can stand in for another file's; the few
// plain helpers here are built for the baseline in every file.
#pragma once

#include <stdint.h>
#include <string.h>

#include <algorithm>

#include "ci_id/priv/ci_idut/pixel/morph_simd.h"

#ifndef CIDUT_MORPH_SIMD_TARGET
#error "CIDUT_MORPH_SIMD_TARGET names the instruction set of the including file"
#endif

namespace cidut {
namespace morphsimd {

// How many rows ahead of the one being read or written its successors are prefetched.
constexpr int32_t kPrefetchRows = 2;

template <typename V, bool Maximum>
CIDUT_MORPH_SIMD_TARGET inline typename V::type extremum(typename V::type a,
                                                         typename V::type b) {
    return Maximum ? V::max(a, b) : V::min(a, b);
}

// Where the vector covering x of a row of width samples starts: the last vector is moved back
// to end at the row's end (recomputing a few samples) rather than run past it.
template <typename V>
CIDUT_MORPH_SIMD_TARGET inline int32_t vectorAt(int32_t x, int32_t width) {
    return width >= V::kBytes ? std::min(x, width - V::kBytes) : 0;
}

// Stores the vector at row + at, or only the width samples of a row narrower than a vector.
template <typename V>
CIDUT_MORPH_SIMD_TARGET inline void put(uint8_t* row, int32_t at, int32_t width,
                                        typename V::type value) {
    if (width >= V::kBytes) {
        V::store(row + at, value);
        return;
    }
    uint8_t lanes[kMorphSimdWidest];
    V::store(lanes, value);
    memcpy(row, lanes, size_t(width));
}

// The buffers of one job, carved from its scratch.
struct jobBuffers {
    uint8_t* padded;
    uint8_t* level;
    const uint8_t* identity;
    uint8_t* ring;
    const uint8_t** rowPointers;
    uint8_t* suffixes;
};

// Copies into padded (after its half identity samples) the row's first and last kBytes + 2 half
// samples: the vectors that reach beyond the row read them there, beside the identity.
inline void copyRowEnds(const uint8_t* row, uint8_t* padded, int32_t width, int32_t half) {
    const int32_t ends = kMorphSimdWidest + 2 * half;
    if (width <= 2 * ends) {
        memcpy(padded + half, row, size_t(width));
        return;
    }
    memcpy(padded + half, row, size_t(ends));
    memcpy(padded + half + width - ends, row + width - ends, size_t(ends));
}

template <typename V, bool Maximum, int32_t Window>
CIDUT_MORPH_SIMD_TARGET inline typename V::type windowFrom(const uint8_t* samples) {
    typename V::type best = V::load(samples);
    for (int32_t d = 1; d < Window; ++d) {
        best = extremum<V, Maximum>(best, V::load(samples + d));
    }
    return best;
}

// Small windows read every sample: the first and last vectors from padded, the others from the
// row itself.
template <typename V, bool Maximum, int32_t Window>
CIDUT_MORPH_SIMD_TARGET void directRow(const uint8_t* padded, const uint8_t* row,
                                       uint8_t* destination, int32_t width) {
    constexpr int32_t n = V::kBytes;
    constexpr int32_t half = Window / 2;
    if (width < n) {
        put<V>(destination, 0, width, windowFrom<V, Maximum, Window>(padded));
        return;
    }
    V::store(destination, windowFrom<V, Maximum, Window>(padded));
    int32_t x = n;
    for (; x + n + half <= width; x += n) {
        V::store(destination + x, windowFrom<V, Maximum, Window>(row - half + x));
    }
    for (; x < width; x += n) {
        const int32_t at = std::min(x, width - n);
        V::store(destination + at, windowFrom<V, Maximum, Window>(padded + at));
    }
}

// Larger windows double spans: each level is the extremum of two spans of the level below (the
// first read from the row away from its ends, the others in place in level), up to the largest
// power of two inside the window, two overlapping spans of which then cover it.
template <typename V, bool Maximum>
CIDUT_MORPH_SIMD_TARGET void doublingRow(const uint8_t* padded, uint8_t* level,
                                         const uint8_t* row, uint8_t* destination,
                                         int32_t width, int32_t half) {
    constexpr int32_t n = V::kBytes;
    const int32_t window = 2 * half + 1;
    const int32_t pairs = width + window - 2;
    int32_t x = 0;
    for (; x < pairs && x < half; x += n) {
        V::store(level + x, windowFrom<V, Maximum, 2>(padded + x));
    }
    for (; x < pairs && x + n + 1 <= width + half; x += n) {
        V::store(level + x, windowFrom<V, Maximum, 2>(row - half + x));
    }
    for (; x < pairs; x += n) V::store(level + x, windowFrom<V, Maximum, 2>(padded + x));
    int32_t top = 2;
    for (; 2 * top <= window; top *= 2) {
        for (int32_t x = 0; x < width + window - 2 * top; x += n) {
            V::store(level + x, extremum<V, Maximum>(V::load(level + x), V::load(level + x + top)));
        }
    }
    const int32_t reach = window - top;
    for (x = 0; x + n <= width; x += n) {
        V::store(destination + x,
                 extremum<V, Maximum>(V::load(level + x), V::load(level + x + reach)));
    }
    if (x == width) return;
    const int32_t at = vectorAt<V>(x, width);
    put<V>(destination, at, width,
           extremum<V, Maximum>(V::load(level + at), V::load(level + at + reach)));
}

// destination[x] = extremum of row[x - half .. x + half] cut to the row, for x < width; padded
// holds copyRowEnds of the row.
template <typename V, bool Maximum>
CIDUT_MORPH_SIMD_TARGET void filterRow(const uint8_t* padded, uint8_t* level, const uint8_t* row,
                                       uint8_t* destination, int32_t width, int32_t half) {
    if (half == 1) return directRow<V, Maximum, 3>(padded, row, destination, width);
    if (half == 2) return directRow<V, Maximum, 5>(padded, row, destination, width);
    doublingRow<V, Maximum>(padded, level, row, destination, width, half);
}

// The rows the column pass reads, by padded index (image row + half): the ring of filtered rows
// or the input itself, and the identity outside the image.
struct columnRows {
    const uint8_t* identity;
    const uint8_t* base;
    intptr_t pitch;
    int32_t slots;
    int32_t height;
    int32_t half;
    const uint8_t* at(int32_t padded) const {
        const int32_t y = padded - half;
        if (y < 0 || y >= height) return identity;
        return base + (slots > 0 ? y % slots : y) * pitch;
    }
};

// Asks for the bytes of a row ahead of their use: rows a page or two apart defeat the
// processor's own sequential prefetch, which starts over at every page.
inline void prefetchRow(const uint8_t* row, int32_t width, bool forWriting) {
    for (int32_t x = 0; x < width; x += 64) {
        if (forWriting) {
            __builtin_prefetch(row + x, 1);
        } else {
            __builtin_prefetch(row + x, 0);
        }
    }
}

// Fills the ring, in order, with the rows the column pass needs: filtered along the row when rows
// are filtered, else copied.
template <typename V, bool Maximum>
struct ringFiller {
    const morphSimdJob& job;
    const morphSimdLayout& layout;
    const jobBuffers& b;
    int32_t filled;

    CIDUT_MORPH_SIMD_TARGET void through(int32_t lastRow) {
        if (layout.ringSlots == 0) return;
        lastRow = std::min(lastRow, job.height - 1);
        for (; filled <= lastRow; ++filled) {
            uint8_t* slot = b.ring + size_t(filled % layout.ringSlots) * layout.rowPitch;
            const uint8_t* row = job.input.pixels + filled * job.input.pitch;
            if (filled + kPrefetchRows < job.height) {
                prefetchRow(row + kPrefetchRows * job.input.pitch, job.width, false);
            }
            if (layout.halfX == 0) {
                memcpy(slot, row, size_t(job.width));
                continue;
            }
            copyRowEnds(row, b.padded, job.width, layout.halfX);
            filterRow<V, Maximum>(b.padded, b.level, row, slot, job.width, layout.halfX);
        }
    }
};

template <typename V, bool Maximum, int32_t Rows>
CIDUT_MORPH_SIMD_TARGET inline typename V::type windowFrom(const uint8_t* const* rows, int32_t at) {
    typename V::type best = V::load(rows[0] + at);
    for (int32_t i = 1; i < Rows; ++i) best = extremum<V, Maximum>(best, V::load(rows[i] + at));
    return best;
}

// Small column windows: each pair of output rows shares the extremum of the window's inner rows.
template <typename V, bool Maximum, int32_t Window>
CIDUT_MORPH_SIMD_TARGET inline void directColumnsAt(const uint8_t* const* r, uint8_t* first,
                                                    uint8_t* second, int32_t at, int32_t width) {
    const typename V::type inner = windowFrom<V, Maximum, Window - 1>(r + 1, at);
    put<V>(first, at, width, extremum<V, Maximum>(inner, V::load(r[0] + at)));
    if (second) put<V>(second, at, width, extremum<V, Maximum>(inner, V::load(r[Window] + at)));
}

template <typename V, bool Maximum, int32_t Window>
CIDUT_MORPH_SIMD_TARGET void directColumns(const morphSimdJob& job, const columnRows& rows,
                                           ringFiller<V, Maximum>& filler) {
    constexpr int32_t n = V::kBytes;
    const uint8_t* r[Window + 1];
    for (int32_t y = 0; y < job.height; y += 2) {
        filler.through(y + 1 + rows.half);
        for (int32_t i = 0; i <= Window; ++i) r[i] = rows.at(y + i);
        uint8_t* first = job.output.pixels + y * job.output.pitch;
        uint8_t* second = y + 1 < job.height ? first + job.output.pitch : nullptr;
        if (y + kPrefetchRows + 1 < job.height) {
            prefetchRow(first + kPrefetchRows * job.output.pitch, job.width, true);
            prefetchRow(second + kPrefetchRows * job.output.pitch, job.width, true);
        }
        int32_t x = 0;
        if (second) {
            for (; x + n <= job.width; x += n) {
                const typename V::type inner = windowFrom<V, Maximum, Window - 1>(r + 1, x);
                V::store(first + x, extremum<V, Maximum>(inner, V::load(r[0] + x)));
                V::store(second + x, extremum<V, Maximum>(inner, V::load(r[Window] + x)));
            }
        }
        for (; x < job.width; x += n) {
            directColumnsAt<V, Maximum, Window>(r, first, second, vectorAt<V>(x, job.width),
                                                job.width);
        }
    }
}

// One strip of span samples from x0 of a column block: the block's suffix extrema line by line
// into suffixes (window lines of strip bytes), then output row i is the extremum of suffix line i
// and the running prefix over the next block's rows, kept in the line after the suffixes. Whole
// lines keep the stores to each output row together; the same strip of the next block's first
// following rows is prefetched as each row is stored.
template <typename V, bool Maximum>
CIDUT_MORPH_SIMD_TARGET void blockStrip(const uint8_t* const* r, int32_t window, int32_t outputs,
                                        int32_t following, morphPlane out, int32_t x0,
                                        int32_t span, int32_t width, uint8_t* suffixes,
                                        int32_t strip) {
    constexpr int32_t n = V::kBytes;
    uint8_t* last = suffixes + (window - 1) * strip;
    for (int32_t x = 0; x < span; x += n) {
        V::store(last + x, V::load(r[window - 1] + vectorAt<V>(x0 + x, width)));
    }
    for (int32_t i = window - 2; i >= 0; --i) {
        uint8_t* line = suffixes + i * strip;
        for (int32_t x = 0; x < span; x += n) {
            const typename V::type sample = V::load(r[i] + vectorAt<V>(x0 + x, width));
            V::store(line + x, extremum<V, Maximum>(sample, V::load(line + strip + x)));
        }
    }
    for (int32_t x = 0; x < span; x += n) {
        put<V>(out.pixels, vectorAt<V>(x0 + x, width), width, V::load(suffixes + x));
    }
    uint8_t* prefix = suffixes + window * strip;
    memset(prefix, Maximum ? 0 : 255, size_t(strip));
    for (int32_t i = 0; i < outputs; ++i) {
        if (i < following) prefetchRow(out.pixels + (window + i) * out.pitch + x0, span, true);
        if (i == 0) continue;
        const uint8_t* row = r[window + i - 1];
        const uint8_t* suffix = suffixes + i * strip;
        uint8_t* target = out.pixels + i * out.pitch;
        for (int32_t x = 0; x < span; x += n) {
            const int32_t at = vectorAt<V>(x0 + x, width);
            const typename V::type running =
                extremum<V, Maximum>(V::load(prefix + x), V::load(row + at));
            V::store(prefix + x, running);
            put<V>(target, at, width, extremum<V, Maximum>(V::load(suffix + x), running));
        }
    }
}

// Larger column windows, one block of window rows at a time: output row b0 + i is the extremum
// of the block's suffix from row i and the next block's prefix up to row i - 1.
template <typename V, bool Maximum>
CIDUT_MORPH_SIMD_TARGET void blockColumns(const morphSimdJob& job, const morphSimdLayout& layout,
                                          const columnRows& rows, ringFiller<V, Maximum>& filler,
                                          const jobBuffers& b) {
    const int32_t window = 2 * rows.half + 1;
    const uint8_t** r = b.rowPointers;
    for (int32_t b0 = 0; b0 < job.height; b0 += window) {
        filler.through(b0 + 2 * window - 2 - rows.half);
        const int32_t outputs = std::min(window, job.height - b0);
        const int32_t following = std::max(0, std::min(window, job.height - b0 - window));
        for (int32_t i = 0; i < 2 * window - 1; ++i) r[i] = rows.at(b0 + i);
        const morphPlane out{job.output.pixels + b0 * job.output.pitch, job.output.pitch};
        for (int32_t x0 = 0; x0 < job.width; x0 += layout.strip) {
            blockStrip<V, Maximum>(r, window, outputs, following, out, x0,
                                   std::min(layout.strip, job.width - x0), job.width,
                                   b.suffixes, layout.strip);
        }
    }
}

// The buffers laid out in scratch, with the padded rows and the identity row filled with the
// operation's identity.
inline jobBuffers carveBuffers(const morphSimdLayout& layout, uint8_t* scratch, uint8_t identity) {
    jobBuffers b;
    b.padded = scratch;
    b.level = b.padded + layout.paddedRow;
    uint8_t* identityRow = b.level + layout.levelRow;
    b.identity = identityRow;
    b.ring = identityRow + layout.identityRow;
    b.rowPointers = reinterpret_cast<const uint8_t**>(b.ring + layout.ring);
    b.suffixes = b.ring + layout.ring + layout.rowPointers;
    memset(b.padded, identity, layout.paddedRow + layout.levelRow + layout.identityRow);
    return b;
}

template <typename V, bool Maximum>
CIDUT_MORPH_SIMD_TARGET void rowsOnly(const morphSimdJob& job, int32_t half,
                                      const jobBuffers& b) {
    for (int32_t y = 0; y < job.height; ++y) {
        const uint8_t* row = job.input.pixels + y * job.input.pitch;
        copyRowEnds(row, b.padded, job.width, half);
        filterRow<V, Maximum>(b.padded, b.level, row, job.output.pixels + y * job.output.pitch,
                              job.width, half);
    }
}

template <typename V, bool Maximum>
CIDUT_MORPH_SIMD_TARGET void runFor(const morphSimdJob& job) {
    const morphSimdLayout layout =
        morphSimdLayoutOf(job.width, job.height, job.kernelWidth, job.kernelHeight);
    const jobBuffers b = carveBuffers(layout, job.scratch, Maximum ? 0 : 255);
    if (layout.halfY == 0) {
        if (layout.halfX > 0) rowsOnly<V, Maximum>(job, layout.halfX, b);
        return;
    }
    const columnRows rows =
        layout.ringSlots > 0
            ? columnRows{b.identity, b.ring, intptr_t(layout.rowPitch), layout.ringSlots,
                         job.height, layout.halfY}
            : columnRows{b.identity, job.input.pixels, job.input.pitch, 0, job.height,
                         layout.halfY};
    ringFiller<V, Maximum> filler{job, layout, b, 0};
    switch (layout.halfY) {
        case 1:
            return directColumns<V, Maximum, 3>(job, rows, filler);
        case 2:
            return directColumns<V, Maximum, 5>(job, rows, filler);
        case 3:
            return directColumns<V, Maximum, 7>(job, rows, filler);
        default:
            return blockColumns<V, Maximum>(job, layout, rows, filler, b);
    }
}

template <typename V>
CIDUT_MORPH_SIMD_TARGET void morphSimdRun(const morphSimdJob& job) {
    if (job.maximum) {
        runFor<V, true>(job);
    } else {
        runFor<V, false>(job);
    }
}

}  // namespace morphsimd
}  // namespace cidut

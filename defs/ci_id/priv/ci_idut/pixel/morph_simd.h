// The vector pass of the grey morphology (SSE2, or AVX2 where the processor has it): rows are
// filtered by doubling spans of whole vectors, columns by a van Herk / Gil-Werman running
// extremum over blocks of one window (or a direct extremum for small windows), with the filtered
// rows kept in a small ring of rows so that every pixel leaves memory once and comes back once.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace cidut {

struct morphPlane {
    uint8_t* pixels;
    intptr_t pitch;
};

// One separable pass: rows with kernelWidth when above 1, then columns with kernelHeight when
// above 1, for the maximum when maximum is true, else the minimum. input and output do not
// overlap; scratch holds morphSimdScratchBytes bytes.
struct morphSimdJob {
    morphPlane input;
    morphPlane output;
    int32_t width;
    int32_t height;
    int32_t kernelWidth;
    int32_t kernelHeight;
    bool maximum;
    uint8_t* scratch;
};

using morphSimdPass = void (*)(const morphSimdJob& job);

// The pass for this processor, or null where no vector pass is built. The optimisation-inhibit
// hook can forbid the AVX2 pass alone, by the name L"cidut_morph2d_run_avx2", leaving SSE2.
morphSimdPass morphSimdPassForThisProcessor();

size_t morphSimdScratchBytes(int32_t width, int32_t height, int32_t kernelWidth,
                             int32_t kernelHeight);

// Widest vector of any pass, in bytes: every buffer below is rounded to it and ends with it.
constexpr int32_t kMorphSimdWidest = 32;

// Where the pieces of a job's scratch start, and how rows meet the column pass.
struct morphSimdLayout {
    int32_t halfX;         // row half-width, 0 when rows are not filtered
    int32_t halfY;         // column half-width, 0 when columns are not filtered
    int32_t ringSlots;     // rows the ring holds, 0 when the column pass reads the input
    int32_t strip;         // bytes of a row that a column block handles at once
    size_t rowPitch;       // bytes per ring row and per row buffer
    size_t paddedRow;      // a row with halfX identity samples on both sides
    size_t levelRow;       // the doubled spans of the padded row
    size_t identityRow;    // a row of the operation's identity
    size_t ring;           // ringSlots rows of rowPitch bytes
    size_t rowPointers;    // the rows of two column blocks
    size_t suffixes;       // a strip per row of a column block, and one for the prefix
    size_t total;
};

morphSimdLayout morphSimdLayoutOf(int32_t width, int32_t height, int32_t kernelWidth,
                                  int32_t kernelHeight);

#if defined(__x86_64__) || defined(__i386__)
void morphSimdRunSse2(const morphSimdJob& job);
void morphSimdRunAvx2(const morphSimdJob& job);
#endif

}  // namespace cidut

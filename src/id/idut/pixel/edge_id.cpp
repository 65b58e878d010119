// ID edge detection: the process-wide base tables, per-caller ID tables and the row detector.
#include "ci_id/edgeid.h"

#include <cmath>

#include "ci_id/platform/cmath_vect.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/pixel/edge_id.h"
#include "ci_id/status.h"

namespace {

constexpr double kQuarterPi = 0.78539816339744830962;
constexpr double kUnitsPerRadian = 40.74366543152521;  // 256 units per turn

// The two base tables. The pointers are written once, by their builder, under the critical
// section; readers take them under it too and then read the immutable bytes freely.
struct baseTable {
    csys_onceState once;
    uint8_t* bytes;
};
baseTable baseTables[2];
csys_criticalSection* tablesSection = nullptr;

void fillBaseTable(uint8_t* bytes, bool noEdgeFree) {
    for (int32_t a = -128; a <= 127; ++a) {
        for (int32_t b = -128; b <= 127; ++b) {
            const uint32_t key = cidut::gradientKey(a, b);
            const double length = 2.0 * std::sqrt(cmath_double_sqr(a) + cmath_double_sqr(b));
            const int32_t magnitude = cmath_double_round(cmath_double_min(length, 255.0));
            const double angle = cmath_radian_norm(std::atan2(double(b), double(a)) - kQuarterPi);
            auto direction = static_cast<uint8_t>(cmath_double_round(angle * kUnitsPerRadian));
            if (noEdgeFree && direction == cidut::kEdgeIdNoEdge) direction = 0;
            bytes[cidut::magnitudeSlot(key)] = cidut::storedMagnitude(magnitude);
            bytes[cidut::directionSlot(key)] = direction;
        }
    }
}

void releaseBaseTable(void* argument) {
    auto* table = static_cast<baseTable*>(argument);
    void* bytes = table->bytes;
    table->bytes = nullptr;
    table->once.done = 0;
    csys_memory_free_internal(&bytes);
}

int32_t buildBaseTable(void* argument) {
    auto* table = static_cast<baseTable*>(argument);
    void* bytes = nullptr;
    int32_t status = csys_memory_alloc_internal(cidut::kEdgeIdBaseTableBytes, &bytes);
    if (status < 0) return status;
    fillBaseTable(static_cast<uint8_t*>(bytes), table == &baseTables[1]);
    status = csys_shutdown_register(&releaseBaseTable, table);
    if (status < 0) {
        csys_memory_free_internal(&bytes);
        return status;
    }
    table->bytes = static_cast<uint8_t*>(bytes);
    return 0;
}

struct tableRequest {
    int32_t variant;
    const uint8_t* table;
};

int32_t provideBaseTable(void* argument) {
    auto* request = static_cast<tableRequest*>(argument);
    baseTable& table = baseTables[request->variant];
    int32_t status = csys_initializeOnce(&buildBaseTable, &table.once, &table);
    if (status >= 0) request->table = table.bytes;
    return status;
}

void buildIdTable(const uint8_t* base, uint8_t threshold, uint8_t* table) {
    table[0] = threshold;
    uint8_t* entries = table + 16;
    for (uint32_t block = 0; block < 65536; block += 8) {
        const uint8_t* magnitudes = base + cidut::magnitudeSlot(block);
        const uint8_t* directions = magnitudes + 8;
        for (uint32_t i = 0; i < 8; ++i) {
            entries[block + i] = cidut::magnitudeOf(magnitudes[i]) < threshold
                                     ? cidut::kEdgeIdNoEdge
                                     : directions[i];
        }
    }
}

// One row of output directions from the ID table's entries.
template <bool Roberts>
void detectRow(const uint8_t* row, intptr_t stride, uint8_t* out, int32_t width,
               const uint8_t* entries) {
    for (int32_t x = 0; x < width; ++x) {
        const uint32_t key =
            Roberts ? cidut::robertsKey(row, row + stride, x)
                    : cidut::sobelKey(row - stride, row, row + stride, x - 1, x, x + 1);
        out[x] = cidut::outputDirection(entries[key], Roberts);
    }
}

void countNoEdges(const uint8_t* out, int32_t width, int32_t bandWidth, int32_t* counts) {
    for (int32_t start = 0, band = 0; start < width; start += bandWidth, ++band) {
        const int32_t end = width - start < bandWidth ? width : start + bandWidth;
        int32_t none = 0;
        for (int32_t x = start; x < end; ++x) none += out[x] == cidut::kEdgeIdNoEdge;
        counts[band] += none;
    }
}

}  // namespace

namespace cidut {

int32_t edgeIdBaseTable(int32_t variant, const uint8_t** table) {
    CSTD_ASSERT(table && (variant == 0 || variant == 1));
    int32_t status = csys_criticalSection_constructSingleton(&tablesSection);
    if (status < 0) return status;
    tableRequest request{variant, nullptr};
    status = csys_criticalSection_protect(tablesSection, &provideBaseTable, &request);
    if (status >= 0) *table = request.table;
    return status;
}

}  // namespace cidut

extern "C" {

int32_t cfEdgeDetectID_install(void) {
    const uint8_t* table = nullptr;
    int32_t status = cidut::edgeIdBaseTable(1, &table);
    if (status >= 0) status = cidut::edgeIdBaseTable(0, &table);
    return status;
}

int32_t cf_EdgeDetectIDTableInit(cstd_vector8* table, uint8_t threshold) {
    if (!table) return CID_STATUS_FAILED;
    uint8_t* bytes = nullptr;
    intptr_t size = 0;
    int32_t status = cstd_vector_8_getBeginSizeIntPtr(table, &bytes, &size);
    if (status < 0) return status;
    CSTD_ASSERT(size == 0 || size == CF_EDGE_ID_TABLE_SIZE);
    if (size == CF_EDGE_ID_TABLE_SIZE && bytes[0] == threshold) return 0;
    const uint8_t* base = nullptr;
    status = cidut::edgeIdBaseTable(1, &base);
    if (status >= 0 && size == 0) status = cstd_vector_8_resize(table, CF_EDGE_ID_TABLE_SIZE);
    if (status >= 0) status = cstd_vector_8_getBegin(table, &bytes);
    if (status < 0) return status;
    buildIdTable(base, threshold, bytes);
    return 0;
}

int32_t cf_EdgeDetectIDCount(const uint8_t* source, intptr_t sourceStride, uint8_t* destination,
                             int32_t width, int32_t height, intptr_t destinationStride,
                             const uint8_t* table, int32_t tableSize, int32_t reserved9,
                             int32_t bandWidth, int32_t* counts, int32_t reserved12,
                             int32_t reserved13, int32_t mode) {
    (void)reserved9;
    (void)reserved12;
    (void)reserved13;
    CSTD_ASSERT(source && destination && table);
    CSTD_ASSERT(tableSize == CF_EDGE_ID_TABLE_SIZE);
    if (width < 0 || height < 0 || (counts && bandWidth < 1)) return CID_STATUS_OUT_OF_RANGE;
    const uint8_t* entries = table + 16;
    const bool roberts = mode == CF_EDGE_ID_MODE_ROBERTS;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = source + y * sourceStride;
        uint8_t* out = destination + y * destinationStride;
        if (roberts) {
            detectRow<true>(row, sourceStride, out, width, entries);
        } else {
            detectRow<false>(row, sourceStride, out, width, entries);
        }
        if (counts) countNoEdges(out, width, bandWidth, counts);
    }
    return 0;
}

int32_t cf_EdgeDetectID(const uint8_t* source, intptr_t sourceStride, uint8_t* destination,
                        int32_t width, int32_t height, intptr_t destinationStride,
                        const uint8_t* table, int32_t tableSize, int32_t reserved9,
                        int32_t reserved10, int32_t reserved11, int32_t mode) {
    (void)reserved10;
    return cf_EdgeDetectIDCount(source, sourceStride, destination, width, height, destinationStride,
                                table, tableSize, reserved9, 0, nullptr, reserved11, reserved11,
                                mode);
}
}

// The Data Matrix symbol model and the placement geometry behind the scenes.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "dm_symbol.h"
#include "homography.h"

namespace {

using cid_test::dmSize;
using cid_test::dmSymbol;

// ECC 200 sizes (rows, columns) with the size of their mapping matrix (all data regions joined,
// finder and alignment modules removed), as the symbology tabulates them.
struct mappingMatrix {
    int32_t rows, columns, mappingRows, mappingColumns;
};
const mappingMatrix kEcc200[] = {
    {10, 10, 8, 8},     {12, 12, 10, 10},     {14, 14, 12, 12},     {16, 16, 14, 14},
    {18, 18, 16, 16},   {20, 20, 18, 18},     {22, 22, 20, 20},     {24, 24, 22, 22},
    {26, 26, 24, 24},   {32, 32, 28, 28},     {36, 36, 32, 32},     {40, 40, 36, 36},
    {44, 44, 40, 40},   {48, 48, 44, 44},     {52, 52, 48, 48},     {64, 64, 56, 56},
    {72, 72, 64, 64},   {80, 80, 72, 72},     {88, 88, 80, 80},     {96, 96, 88, 88},
    {104, 104, 96, 96}, {120, 120, 108, 108}, {132, 132, 120, 120}, {144, 144, 132, 132},
    {8, 18, 6, 16},     {8, 32, 6, 28},       {12, 26, 10, 24},     {12, 36, 10, 32},
    {16, 36, 14, 32},   {16, 48, 14, 44},
};

bool columnIsSolid(const dmSymbol& s, int32_t column) {
    for (int32_t row = 0; row < s.rows(); ++row) {
        if (!s.isDark(column, row)) return false;
    }
    return true;
}

bool rowIsSolid(const dmSymbol& s, int32_t row) {
    for (int32_t column = 0; column < s.columns(); ++column) {
        if (!s.isDark(column, row)) return false;
    }
    return true;
}

// Alternates all the way down, dark at the bottom (so light at the top: sides are even).
bool columnIsTiming(const dmSymbol& s, int32_t column) {
    for (int32_t row = 0; row < s.rows(); ++row) {
        if (s.isDark(column, row) != ((s.rows() - 1 - row) % 2 == 0)) return false;
    }
    return true;
}

// Alternates all the way across, dark at the left.
bool rowIsTiming(const dmSymbol& s, int32_t row) {
    for (int32_t column = 0; column < s.columns(); ++column) {
        if (s.isDark(column, row) != (column % 2 == 0)) return false;
    }
    return true;
}

TEST(DmModel, SizeTableIsTheEcc200ListWithItsRegions) {
    ASSERT_EQ(cid_test::dmSizes().size(), std::size(kEcc200));
    for (const mappingMatrix& expected : kEcc200) {
        SCOPED_TRACE(std::to_string(expected.rows) + " x " + std::to_string(expected.columns));
        const dmSize* size = cid_test::findDmSize(expected.columns, expected.rows);
        ASSERT_NE(size, nullptr);
        EXPECT_EQ(size->regionsDown * size->regionRows, expected.mappingRows);
        EXPECT_EQ(size->regionsAcross * size->regionColumns, expected.mappingColumns);
        EXPECT_EQ(size->regionsDown * (size->regionRows + 2), expected.rows);
        EXPECT_EQ(size->regionsAcross * (size->regionColumns + 2), expected.columns);
        EXPECT_LE(size->regionRows, 24);  // no data region of ECC 200 is larger
        EXPECT_LE(size->regionColumns, 24);
    }
    EXPECT_EQ(cid_test::findDmSize(11, 11), nullptr);
    EXPECT_EQ(cid_test::findDmSize(8, 18), nullptr);  // 18 rows of 8: the symbol lies the other way
    EXPECT_THROW(dmSymbol(8, 18, 1), std::invalid_argument);
    EXPECT_NO_THROW(dmSymbol(18, 8, 1));
}

TEST(DmModel, OuterFinderIsASolidLWithTimingOppositeForEverySize) {
    for (const dmSize& size : cid_test::dmSizes()) {
        SCOPED_TRACE(std::to_string(size.rows) + " x " + std::to_string(size.columns));
        const dmSymbol s(size.columns, size.rows, 5);
        EXPECT_TRUE(columnIsSolid(s, 0));
        EXPECT_TRUE(rowIsSolid(s, s.rows() - 1));
        EXPECT_TRUE(rowIsTiming(s, 0));
        EXPECT_TRUE(columnIsTiming(s, s.columns() - 1));
        EXPECT_TRUE(s.isDark(0, s.rows() - 1));                // L vertex
        EXPECT_TRUE(s.isDark(0, 0));                           // end of one arm
        EXPECT_TRUE(s.isDark(s.columns() - 1, s.rows() - 1));  // end of the other
        EXPECT_FALSE(s.isDark(s.columns() - 1, 0));            // the far corner
    }
}

TEST(DmModel, AlignmentPatternsStandBetweenDataRegions) {
    for (const dmSize& size : cid_test::dmSizes()) {
        SCOPED_TRACE(std::to_string(size.rows) + " x " + std::to_string(size.columns));
        const dmSymbol s(size.columns, size.rows, 9);
        std::set<int32_t> solidColumns, timingColumns, solidRows, timingRows;
        for (int32_t c = 0; c < s.columns(); ++c) {
            if (columnIsSolid(s, c)) solidColumns.insert(c);
            if (columnIsTiming(s, c)) timingColumns.insert(c);
        }
        for (int32_t r = 0; r < s.rows(); ++r) {
            if (rowIsSolid(s, r)) solidRows.insert(r);
            if (rowIsTiming(s, r)) timingRows.insert(r);
        }
        // Each region has a solid column on its left and a timing column on its right; each has
        // a timing row on top and a solid row at its bottom. Between two regions the pair of
        // lines is the two-module alignment pattern.
        std::set<int32_t> expectSolidColumns, expectTimingColumns, expectSolidRows,
            expectTimingRows;
        for (int32_t k = 0; k < size.regionsAcross; ++k) {
            expectSolidColumns.insert(k * (size.regionColumns + 2));
            expectTimingColumns.insert(k * (size.regionColumns + 2) + size.regionColumns + 1);
        }
        for (int32_t k = 0; k < size.regionsDown; ++k) {
            expectTimingRows.insert(k * (size.regionRows + 2));
            expectSolidRows.insert(k * (size.regionRows + 2) + size.regionRows + 1);
        }
        EXPECT_EQ(solidColumns, expectSolidColumns);
        EXPECT_EQ(timingColumns, expectTimingColumns);
        EXPECT_EQ(solidRows, expectSolidRows);
        EXPECT_EQ(timingRows, expectTimingRows);
        int32_t dataModules = 0;
        for (int32_t r = 0; r < s.rows(); ++r) {
            for (int32_t c = 0; c < s.columns(); ++c) {
                const bool onLine = expectSolidColumns.count(c) || expectTimingColumns.count(c) ||
                                    expectSolidRows.count(r) || expectTimingRows.count(r);
                EXPECT_EQ(s.isData(c, r), !onLine) << c << ", " << r;
                dataModules += s.isData(c, r);
            }
        }
        EXPECT_EQ(dataModules,
                  size.regionsDown * size.regionRows * size.regionsAcross * size.regionColumns);
    }
}

TEST(DmModel, DataModulesAreFairCoinsOfTheSeed) {
    const dmSymbol a(144, 144, 3), same(144, 144, 3), other(144, 144, 4);
    int32_t data = 0, dark = 0, differ = 0;
    for (int32_t r = 0; r < a.rows(); ++r) {
        for (int32_t c = 0; c < a.columns(); ++c) {
            ASSERT_EQ(a.isDark(c, r), same.isDark(c, r));
            if (!a.isData(c, r)) {
                ASSERT_EQ(a.isDark(c, r), other.isDark(c, r));
                continue;
            }
            ++data;
            dark += a.isDark(c, r);
            differ += a.isDark(c, r) != other.isDark(c, r);
        }
    }
    EXPECT_NEAR(static_cast<double>(dark) / data, 0.5, 0.02);
    EXPECT_NEAR(static_cast<double>(differ) / data, 0.5, 0.02);
    EXPECT_THROW(a.isDark(144, 0), std::out_of_range);
    EXPECT_THROW(a.isDark(0, -1), std::out_of_range);
}

double cross(cmath_vect a, cmath_vect b, cmath_vect c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

TEST(Homography, MapsTheRectangleOntoTheCornersProjectively) {
    const cid_test::quad corners = {{{103.2, 51.7}, {220.9, 80.4}, {201.5, 190.3}, {90.1, 160.8}}};
    const auto map = cid_test::homography::rectangleToQuad(20, 16, corners);
    const cmath_vect plane[4] = {{0, 0}, {20, 0}, {20, 16}, {0, 16}};
    for (int i = 0; i < 4; ++i) {
        const cmath_vect p = map.planeToImage(plane[i]);
        EXPECT_NEAR(p.x, corners[i].x, 1e-9);
        EXPECT_NEAR(p.y, corners[i].y, 1e-9);
    }
    for (double u : {-3.0, 0.5, 7.25, 19.9}) {
        // Points on a plane line stay on one image line; unmapping gives the point back.
        const cmath_vect a = map.planeToImage({u, 0}), b = map.planeToImage({u, 8}),
                         c = map.planeToImage({u, 17});
        EXPECT_NEAR(cross(a, b, c), 0, 1e-6);
        const cmath_vect back = map.imageToPlane(b);
        EXPECT_NEAR(back.x, u, 1e-9);
        EXPECT_NEAR(back.y, 8, 1e-9);
        EXPECT_GT(map.divisor({u, 8}), 0);
    }
    // The plane's diagonals cross at its centre; so do their images.
    const cmath_vect centre = map.planeToImage({10, 8});
    EXPECT_NEAR(cross(corners[0], corners[2], centre), 0, 1e-6);
    EXPECT_NEAR(cross(corners[1], corners[3], centre), 0, 1e-6);
}

TEST(Homography, RefusesQuadsThatFoldAndAcceptsMirroredOnes) {
    using cid_test::homography;
    const cid_test::quad bowTie = {{{0, 0}, {10, 0}, {0, 10}, {10, 10}}};
    const cid_test::quad dented = {{{0, 0}, {10, 0}, {3, 3}, {0, 10}}};
    const cid_test::quad mirrored = {{{10, 0}, {0, 0}, {0, 10}, {10, 10}}};
    const cid_test::quad flat = {{{0, 0}, {5, 0}, {10, 0}, {0, 0}}};
    EXPECT_THROW(homography::rectangleToQuad(1, 1, bowTie), std::invalid_argument);
    EXPECT_THROW(homography::rectangleToQuad(1, 1, dented), std::invalid_argument);
    EXPECT_THROW(homography::rectangleToQuad(1, 1, flat), std::invalid_argument);
    EXPECT_THROW(homography::rectangleToQuad(0, 1, mirrored), std::invalid_argument);
    const auto map = homography::rectangleToQuad(1, 1, mirrored);
    EXPECT_NEAR(map.planeToImage({0.25, 0.5}).x, 7.5, 1e-12);
}

constexpr double kPi = 3.141592653589793;

double distance(cmath_vect a, cmath_vect b) { return std::hypot(a.x - b.x, a.y - b.y); }

TEST(Placement, BuildsCornersFromCentreScaleRotationSkewAndTilt) {
    cid_test::placement where;
    where.centre = {100, 50};
    where.unit = 4;
    where.aspect = 1.5;
    cid_test::quad q = cid_test::placeRectangle(where, 10, 8);
    EXPECT_NEAR(q[0].x, 80, 1e-12);
    EXPECT_NEAR(q[0].y, 26, 1e-12);
    EXPECT_NEAR(q[2].x, 120, 1e-12);
    EXPECT_NEAR(q[2].y, 74, 1e-12);

    where.rotation = kPi / 2;  // the top edge now runs down the image
    q = cid_test::placeRectangle(where, 10, 8);
    EXPECT_NEAR(q[1].x - q[0].x, 0, 1e-9);
    EXPECT_NEAR(q[1].y - q[0].y, 40, 1e-9);

    where.rotation = 0.7;
    where.skew = 0.2;
    q = cid_test::placeRectangle(where, 10, 8);
    const cmath_vect top{q[1].x - q[0].x, q[1].y - q[0].y}, left{q[3].x - q[0].x, q[3].y - q[0].y};
    EXPECT_NEAR(std::atan2(top.y, top.x), 0.7, 1e-12);
    EXPECT_NEAR(std::acos((top.x * left.x + top.y * left.y) / (40 * 48)), kPi / 2 - 0.2, 1e-12);

    where.skew = 0;
    where.tiltX = 0.2;
    q = cid_test::placeRectangle(where, 10, 8);
    EXPECT_NEAR(distance(q[1], q[2]) / distance(q[0], q[3]), 0.8 / 1.2, 1e-12);
    where.tiltY = -0.1;
    q = cid_test::placeRectangle(where, 10, 8);
    EXPECT_LT(distance(q[1], q[2]), distance(q[0], q[3]));  // the right side turned away
    EXPECT_GT(distance(q[2], q[3]), distance(q[0], q[1]));  // the bottom side nearer
    const cmath_vect centre = cid_test::homography::rectangleToQuad(10, 8, q).planeToImage({5, 4});
    EXPECT_NEAR(centre.x, 100, 1e-9);
    EXPECT_NEAR(centre.y, 50, 1e-9);

    where.tiltX = 1;
    EXPECT_THROW(cid_test::placeRectangle(where, 10, 8), std::invalid_argument);
}

}  // namespace

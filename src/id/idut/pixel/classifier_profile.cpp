// Angular and radial profiles of the classifier's polar log spectrum, and the features drawn
// from them.
#include "ci_id/priv/ci_idut/pixel/classifier_profile.h"

#include <cmath>
#include <cstring>

#include "ci_id/status.h"

namespace cidut {

namespace {

constexpr int32_t kFirstMeanRow = 13;
constexpr int32_t kMeanRows = 40;
constexpr int32_t kOuterEnergyFirst = 29;
constexpr double kWindowSide = 128.0;
constexpr int32_t kInnerRadius = 4;

// Mean by multiplication with the rounded reciprocal of the count, in 24 fraction bits.
uint8_t meanOfColumn(const cimg_windowConst& polar, int32_t column) {
    constexpr uint32_t reciprocal = (kMeanRows / 2 + (1u << 24)) / kMeanRows;
    uint32_t sum = 0;
    for (int32_t row = kFirstMeanRow; row < kFirstMeanRow + kMeanRows; ++row) {
        sum += polar.pixels[intptr_t{row} * polar.pitch + column];
    }
    return static_cast<uint8_t>((uint64_t{sum} * reciprocal) >> 24);
}

int32_t radialPeakOf(const uint8_t* profile, int32_t length) {
    int32_t start = 0;
    while (start + 1 < length && profile[start + 1] <= profile[start]) ++start;
    int32_t best = start;
    for (int32_t i = start; i < length; ++i) {
        if (profile[i] > profile[best]) best = i;
    }
    return best;
}

// Pearson correlation of count values of a and b read circularly from their starts; 0 when
// either does not vary.
double correlation(const uint8_t* a, int32_t aStart, const uint8_t* b, int32_t bStart,
                   int32_t count, int32_t length) {
    double sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0;
    for (int32_t i = 0; i < count; ++i) {
        double x = a[(aStart + i) % length];
        double y = b[(bStart + i) % length];
        sumA += x;
        sumB += y;
        sumAA += x * x;
        sumBB += y * y;
        sumAB += x * y;
    }
    const double n = count;
    double varianceA = (sumAA - sumA * sumA / n) / (n - 1);
    double varianceB = (sumBB - sumB * sumB / n) / (n - 1);
    if (!(varianceA > 0) || !(varianceB > 0)) return 0.0;
    double covariance = (sumAB - sumA * sumB / n) / (n - 1);
    return covariance / std::sqrt(varianceA * varianceB);
}

uint16_t directionOf(int32_t peak, int32_t length) {
    return static_cast<uint16_t>((((int64_t{peak} << 16) + length) / (2 * length)) & 0x7FFF);
}

}  // namespace

int32_t profilePeak(const uint8_t* profile, int32_t length, int32_t first, int32_t count) {
    int32_t bestOffset = 0;
    for (int32_t i = 1; i < count; ++i) {
        if (profile[(first + i) % length] > profile[(first + bestOffset) % length]) bestOffset = i;
    }
    const uint8_t level = profile[(first + bestOffset) % length];
    int32_t run = 0;
    while (bestOffset + run + 1 < count &&
           profile[(first + bestOffset + run + 1) % length] == level) {
        ++run;
    }
    return (first + bestOffset + run / 2) % length;
}

int32_t buildProfiles(const cimg_windowConst& polar, SpectrumProfiles* profiles) {
    const int32_t length = polar.width;
    if (polar.height != CID_CLASSIFIER_RADIAL_LENGTH || length < 4 ||
        length > int32_t(sizeof profiles->angularProfile)) {
        return CID_STATUS_OUT_OF_RANGE;
    }
    std::memset(profiles, 0, sizeof *profiles);
    profiles->angularProfileLength = length;
    profiles->radialProfileLength = CID_CLASSIFIER_RADIAL_LENGTH;
    for (int32_t column = 0; column < length; ++column) {
        profiles->angularProfile[column] = meanOfColumn(polar, column);
    }
    const int32_t quarter = length / 4;
    profiles->angularPeak1 = profilePeak(profiles->angularProfile, length, 0, length);
    profiles->angularPeak2 =
        profilePeak(profiles->angularProfile, length, (profiles->angularPeak1 + quarter) % length,
                    length - 2 * quarter + 1);
    for (int32_t i = 0; i < CID_CLASSIFIER_RADIAL_LENGTH; ++i) {
        const uint8_t* row =
            polar.pixels + intptr_t{CID_CLASSIFIER_RADIAL_LENGTH - 1 - i} * polar.pitch;
        profiles->radialProfile1[i] = row[profiles->angularPeak1];
        profiles->radialProfile2[i] = row[profiles->angularPeak2];
    }
    profiles->radialPeak = radialPeakOf(profiles->radialProfile1, CID_CLASSIFIER_RADIAL_LENGTH);
    return 0;
}

SpectrumFeatures measureFeatures(const SpectrumProfiles& p) {
    SpectrumFeatures f{};
    const int32_t length = p.angularProfileLength;
    const int32_t quarter = length / 4;
    f.radialCorrelation = correlation(p.radialProfile1, 0, p.radialProfile2, 0,
                                      p.radialProfileLength, p.radialProfileLength);
    f.angularCorrelation = correlation(
        p.angularProfile, (p.angularPeak1 - quarter + length) % length, p.angularProfile,
        (p.angularPeak2 - quarter + length) % length, length / 2, length);
    f.peak1Level = p.angularProfile[p.angularPeak1];
    f.peak2Level = p.angularProfile[p.angularPeak2];
    for (int32_t i = kOuterEnergyFirst; i < p.radialProfileLength; ++i) {
        f.outerRadialEnergy += p.radialProfile1[i];
    }
    f.direction1 = directionOf(p.angularPeak1, length);
    f.direction2 = directionOf(p.angularPeak2, length);
    f.period = kWindowSide / (p.radialPeak + kInnerRadius);
    const double first = p.radialProfile1[0];
    f.radialPeakRatio = first > 0 ? p.radialProfile1[p.radialPeak] / first : 0.0;
    return f;
}

}  // namespace cidut

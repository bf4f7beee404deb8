#pragma once
// Screenshots compared with reference images kept in the source tree. Two images match when they have
// the same size and at most maxDifferentFraction of their pixels differ by more than channelTolerance in
// a colour channel, which absorbs small differences of font rendering. With QV_UPDATE_REFERENCE_IMAGES=1 the
// reference is (re)written from the actual image instead.

#include <QImage>
#include <QString>
#include <gtest/gtest.h>

namespace testenv {

// The fraction of pixels of a and b that differ by more than channelTolerance; 1 when the sizes differ.
double differentPixelFraction(const QImage& a, const QImage& b, int channelTolerance);

// Compares actual with the reference file (a path below the source folder). On a mismatch the actual image
// is saved beside the build's test output as "<reference name>.actual.png" and the failure names it.
::testing::AssertionResult matchesReference(const QImage& actual, const QString& referencePath,
                                            double maxDifferentFraction = 0.02, int channelTolerance = 48);

} // namespace testenv

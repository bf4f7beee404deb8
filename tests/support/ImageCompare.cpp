#include "ImageCompare.h"

#include "TestEnv.h"

#include <QDir>
#include <QFileInfo>
#include <cstdlib>

namespace testenv {

double differentPixelFraction(const QImage& a, const QImage& b, int channelTolerance) {
    if (a.size() != b.size() || a.isNull())
        return 1.0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 different = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            if (std::abs(qRed(p[col]) - qRed(q[col])) > channelTolerance ||
                std::abs(qGreen(p[col]) - qGreen(q[col])) > channelTolerance ||
                std::abs(qBlue(p[col]) - qBlue(q[col])) > channelTolerance)
                ++different;
    }
    return double(different) / (double(x.width()) * x.height());
}

::testing::AssertionResult matchesReference(const QImage& actual, const QString& referencePath,
                                            double maxDifferentFraction, int channelTolerance) {
    const QString source = sourceDir() + QLatin1Char('/') + referencePath;
    if (qEnvironmentVariable("QV_UPDATE_REFERENCE_IMAGES") == QStringLiteral("1")) {
        QDir().mkpath(QFileInfo(source).absolutePath());
        if (!actual.save(source, "PNG"))
            return ::testing::AssertionFailure() << "cannot write " << source.toStdString();
        return ::testing::AssertionSuccess();
    }
    const QImage reference(source);
    const double fraction = differentPixelFraction(actual, reference, channelTolerance);
    if (!reference.isNull() && fraction <= maxDifferentFraction)
        return ::testing::AssertionSuccess();
    const QString out = buildDir() + QStringLiteral("/test-output/") + QFileInfo(source).completeBaseName() +
                        QStringLiteral(".actual.png");
    QDir().mkpath(QFileInfo(out).absolutePath());
    actual.save(out, "PNG");
    return ::testing::AssertionFailure()
           << referencePath.toStdString() << ": "
           << (reference.isNull()
                   ? std::string("no reference image")
                   : "size " + std::to_string(reference.width()) + "x" + std::to_string(reference.height()) +
                         " vs " + std::to_string(actual.width()) + "x" + std::to_string(actual.height()) +
                         ", " + std::to_string(fraction * 100) + " % of the pixels differ")
           << "; actual image saved as " << out.toStdString();
}

} // namespace testenv

#include "print/Mavrolex_ChartPaint.h"

void DrawChartPanel(QPainter& /*canvas*/, const QRect& /*rect*/, int /*index*/) {}

bool SaveChartToFile(const QString& /*path*/) {
    return false;
}

bool ChartFileTest(const QString& /*fileName*/) {
    return true;
}

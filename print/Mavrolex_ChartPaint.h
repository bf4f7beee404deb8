#pragma once
// The chart source of CHART records. This system registers no charts, so drawing and saving a chart do
// nothing, and every chart file passes the test.

#include <QRect>
#include <QString>

class QPainter;

void DrawChartPanel(QPainter& canvas, const QRect& rect, int index);
// False: no chart was saved.
bool SaveChartToFile(const QString& path);
bool ChartFileTest(const QString& fileName);

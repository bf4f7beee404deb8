#pragma once
// The spool renderer: draws one page of a spool, form or sub-form file onto any QPainter (the printer's
// page, the preview's paint box, an image). Positions of the file are 0.1 mm; the canvas works in logical
// units of scale device units per 0.1 mm, magnified by zoom / 10.

#include <QColor>
#include <QImage>
#include <QString>

class QPainter;
class SpoolTextFile;

// Kinds of page the renderer draws.
inline const QString kKindForm = QStringLiteral("FOM");
inline const QString kKindData = QStringLiteral("DAT");
inline const QString kKindSubForm = QStringLiteral("SUBFORM");

// FORM records nest at most this deep; a deeper one is logged and skipped.
inline constexpr int kMaxSubFormDepth = 8;

// Draws the page that starts at the file's position and leaves the file after the page end. True when the
// file ended before an "E" record closed the page. The canvas counts as the printer's when it is the
// current printer device's canvas: only there do the printer corrections, MESSAGE records and the
// bitmap transfer apply.
bool RenderSpoolPage(const QString& kind, SpoolTextFile& file, QPainter& canvas, int offsetX, int offsetY,
                     int slot, bool evenPage, int zoom, double scaleX, double scaleY, int fontResolution);

// A colour word of the kind being drawn: a form that is not printed shows pale grey (white stays white);
// with GrayScale every colour but black and white turns grey. An empty kind is never greyed as a form.
QColor ColourByName(const QString& word, const QString& kind = QString());
// 0x00BBGGRR as a colour.
QColor ColourOfRgb(qint32 bbggrr);

// Copies image into the rectangle (x1, y1)-(x2, y2), combined by AND with what is drawn when andCombine
// is set. Failures are logged under label; nothing is raised.
void PrintBitmapStretched(QPainter& canvas, int x1, int y1, int x2, int y2, const QString& label,
                          bool andCombine, const QImage& image);

// Rounding of the engine: to the nearest integer, halves to even.
int RoundEven(double v);
// a * b / c rounded to the nearest, halves away from zero; -1 when c is 0.
int MulDiv(int a, int b, int c);

#pragma once
// Colours as forms and records store them: 0x00BBGGRR (red in the low byte), or a system colour
// 0x800000nn that follows the palette.

#include <QColor>
#include <QPalette>

using TColor = quint32;

// System colours the controls use, by their index.
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clBtnShadow = 0x80000010;
constexpr TColor clGrayText = 0x80000011;
constexpr TColor clBtnHighlight = 0x80000014;
constexpr TColor clWindowText = 0x80000008;

QColor toQColor(TColor c, const QPalette& palette = QPalette());
TColor fromQColor(const QColor& c);

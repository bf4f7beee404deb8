#include "controls/TColor.h"

QColor toQColor(TColor c, const QPalette& palette) {
    if (c & 0x80000000u) {
        switch (c & 0xFF) {
        case 0x0F:
            return palette.color(QPalette::Button);
        case 0x10:
            return palette.color(QPalette::Dark);
        case 0x11:
            return palette.color(QPalette::Disabled, QPalette::WindowText);
        case 0x14:
            return palette.color(QPalette::Light);
        case 0x08:
            return palette.color(QPalette::WindowText);
        case 0x05:
            return palette.color(QPalette::Base);
        case 0x12:
            return palette.color(QPalette::ButtonText);
        default:
            return palette.color(QPalette::WindowText);
        }
    }
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

TColor fromQColor(const QColor& c) {
    return TColor(c.red()) | (TColor(c.green()) << 8) | (TColor(c.blue()) << 16);
}

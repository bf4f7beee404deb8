#include "print/Mavrolex_Record.h"

#include "core/uAccFunction2.h"

QString CutToBytes(const QString& text, int bytes) {
    return HeadStrB(text, bytes);
}

TPmvxDEF DefaultEngineSettings() {
    TPmvxDEF r;
    r.PrinterNum = -1;
    r.PaperName = QStringLiteral("A4");
    r.Scale = 100;
    r.Copies = 1;
    r.PrintQuality = -4;
    r.Duplex = 1;
    r.BinNum = 7;
    r.NetColor1 = r.NetColor2 = kDefaultNetColor;
    r.OcrGreen = kOcrGreen;
    r.OcrBlue = kOcrBlue;
    r.OcrBrown = kOcrBrown;
    r.OcrPink = kOcrPink;
    r.OcrOrange = kOcrOrange;
    r.OcrViolet = kOcrViolet;
    r.OcrPurple = kOcrPurple;
    r.PrintFom = r.PrnDlg = true;
    r.Zoom = 10;
    r.CurrentPage = true;
    r.ModeSw = true;
    r.PaperLength = 2970;
    r.PaperWidth = 2100;
    r.Permit = true;
    r.VRATIO = r.HRATIO = 1000;
    r.PageBango = TPAGEBANGO{false, 0, 0, 2, QStringLiteral("ＭＳ 明朝"), 10, QStringLiteral("(%d/%d)"), 0};
    return r;
}

TPmvxDEF EngineSettings = DefaultEngineSettings();

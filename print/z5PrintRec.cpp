#include "print/z5PrintRec.h"

#include "core/uAccFunction2.h"
#include "core/uAccRecord.h"
#include "print/Mavrolex_Class.h"

void InitPrintRec(TDefaultPrintRec& Rec) {
    Rec = TDefaultPrintRec{};
    Rec.LineColor1 = SystemDef.PLineColor1;
    Rec.LineColor2 = SystemDef.PLineColor2;
    Rec.NetColor1 = SystemDef.NetColor1;
    Rec.NetColor2 = SystemDef.NetColor2;
}

void SetMonoPrintColors(int ColorMode, TMavrolex& Component) {
    if (ColorMode != 0)
        return;
    Component.setUserColor1(0);
    Component.setUserColor2(0);
    Component.setOcrGreen(0);
    Component.setOcrBlue(0);
    Component.setOcrBrown(0);
    Component.setOcrPink(0);
    Component.setOcrOrange(0);
    Component.setOcrViolet(0);
    Component.setOcrPurple(0);
    Component.setNetColor1(static_cast<qint32>(ToGrayColor(static_cast<quint32>(Component.NetColor1()))));
    Component.setNetColor2(static_cast<qint32>(ToGrayColor(static_cast<quint32>(Component.NetColor2()))));
}

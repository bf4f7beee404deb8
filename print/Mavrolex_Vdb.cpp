#include "print/Mavrolex_Vdb.h"

#include "print/Mavrolex_Function.h"
#include "print/PrinterDevice.h"

#include <exception>

template <typename F> void TVDBPrint::guarded(const char* context, F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        WriteMavrolexErrorLog(QString::fromLatin1(context), QString::fromUtf8(e.what()));
    } catch (...) {
        WriteMavrolexErrorLog(QString::fromLatin1(context), QStringLiteral("unknown error"));
    }
}

TVDBPrint::TVDBPrint(PrinterDevice& device) : m_device(device) {
    try {
        m_device.setPrinterIndex(-1);
        DevMode m = m_device.devMode();
        m.ttOption = 1;
        m.fields |= DM_TTOPTION;
        m_device.setDevMode(m);
    } catch (const std::exception& e) {
        const QString message = QString::fromUtf8(e.what());
        if (message == kMsgNoDefaultPrinter)
            NoPrinter = true;
        WriteMavrolexErrorLog(QStringLiteral("Vdb.Create"), message);
    }
}

int TVDBPrint::GetPaperNumber(const QString& PaperName, int Length, int Width, int Default) {
    int result = Default;
    if (NoPrinter)
        return result;
    guarded("Vdb.GetPaperNumber", [&] {
        const QList<PaperInfo> papers = m_device.papers();
        if (!PaperName.isEmpty())
            for (const PaperInfo& p : papers)
                if (p.name == PaperName) {
                    result = p.number;
                    return;
                }
        if (Length > 0 && Width > 0)
            for (const PaperInfo& p : papers)
                if (p.length > Length - 10 && p.length < Length + 10 && p.width > Width - 10 &&
                    p.width < Width + 10) {
                    result = p.number;
                    return;
                }
    });
    return result;
}

int TVDBPrint::GetPaper() {
    int result = DMPAPER_A4;
    if (NoPrinter)
        return result;
    guarded("Vdb.GetPaper", [&] { result = m_device.devMode().paperSize; });
    return result;
}

template <typename F> void TVDBPrint::changeDevMode(const char* context, F&& change) {
    if (NoPrinter)
        return;
    guarded(context, [&] {
        DevMode m = m_device.devMode();
        change(m);
        m_device.setDevMode(m);
    });
}

void TVDBPrint::SetPaper(int Paper) {
    changeDevMode("Vdb.SetPaper", [&](DevMode& m) {
        m.paperSize = Paper;
        m.fields |= DM_PAPERSIZE;
    });
}

void TVDBPrint::SetTTOption(int Option) {
    changeDevMode("Vdb.SetTTOption", [&](DevMode& m) {
        m.ttOption = Option;
        m.fields |= DM_TTOPTION;
    });
}

void TVDBPrint::SetUserPaperSize(int Length, int Width) {
    changeDevMode("Vdb.SetUserPaperSize", [&](DevMode& m) {
        m.fields |= DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
        m.paperLength = Length;
        m.paperWidth = Width;
    });
}

void TVDBPrint::ResetUserPaperSize() {
    changeDevMode("Vdb.ResetUserPaperSize", [&](DevMode& m) {
        m.fields &= ~quint32(DM_PAPERLENGTH | DM_PAPERWIDTH);
        m.paperLength = 0;
        m.paperWidth = 0;
    });
}

void TVDBPrint::GetDevMode(TPmvxDEF& Rec) {
    if (NoPrinter)
        return;
    guarded("Vdb.GetDevMode", [&] {
        const DevMode m = m_device.devMode();
        // The device-mode record holds 32 characters of each name.
        Rec.DeviceName = m.deviceName.left(32);
        Rec.FormName = m.formName.left(32);
        Rec.PrinterNum = m_device.printerIndex();
        Rec.PaperLength = m.paperLength;
        Rec.PaperWidth = m.paperWidth;
        Rec.Orientation = m.orientation - 1;
        Rec.Scale = m.scale;
        Rec.Copies = m.copies;
        Rec.PrintQuality = m.printQuality;
        Rec.Duplex = m.duplex;
        Rec.Collate = m.collate;
        Rec.BinNum = m.defaultSource;
        Rec.YResolution = m.yResolution;
        Rec.DevFields = m.fields;
    });
}

void TVDBPrint::SetDevMode(const TPmvxDEF& Rec) {
    changeDevMode("Vdb.SetDevMode", [&](DevMode& m) {
        m.fields |= DM_COLLATE;
        m.scale = Rec.Scale;
        m.copies = Rec.Copies;
        if (Rec.ColorMode != 0)
            m.color = Rec.ColorMode;
        if (Rec.Duplex != 0)
            m.duplex = Rec.Duplex;
        if (Rec.PrintQuality != 0)
            m.printQuality = Rec.PrintQuality;
        m.collate = Rec.Collate;
    });
}

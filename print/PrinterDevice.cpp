#include "print/PrinterDevice.h"

#include "print/QtPrinterDevice.h"

#include <QMarginsF>
#include <cmath>

namespace {

struct PaperMap {
    int number;
    QPageSize::PageSizeId id;
};

// The platform's paper numbers with a page size of their own.
constexpr PaperMap kPapers[] = {
    {1, QPageSize::Letter},
    {2, QPageSize::LetterSmall},
    {3, QPageSize::Tabloid},
    {4, QPageSize::Ledger},
    {5, QPageSize::Legal},
    {6, QPageSize::Statement},
    {7, QPageSize::Executive},
    {8, QPageSize::A3},
    {9, QPageSize::A4},
    {10, QPageSize::A4Small},
    {11, QPageSize::A5},
    {12, QPageSize::JisB4},
    {13, QPageSize::JisB5},
    {14, QPageSize::Folio},
    {15, QPageSize::Quarto},
    {16, QPageSize::Imperial10x14},
    {18, QPageSize::Note},
    {19, QPageSize::Envelope9},
    {20, QPageSize::Comm10E},
    {21, QPageSize::Envelope11},
    {22, QPageSize::Envelope12},
    {23, QPageSize::Envelope14},
    {24, QPageSize::AnsiC},
    {25, QPageSize::AnsiD},
    {26, QPageSize::AnsiE},
    {27, QPageSize::DLE},
    {28, QPageSize::C5E},
    {29, QPageSize::EnvelopeC3},
    {30, QPageSize::EnvelopeC4},
    {31, QPageSize::EnvelopeC6},
    {32, QPageSize::EnvelopeC65},
    {33, QPageSize::EnvelopeB4},
    {34, QPageSize::EnvelopeB5},
    {35, QPageSize::EnvelopeB6},
    {36, QPageSize::EnvelopeItalian},
    {37, QPageSize::EnvelopeMonarch},
    {38, QPageSize::EnvelopePersonal},
    {39, QPageSize::FanFoldUS},
    {40, QPageSize::FanFoldGerman},
    {41, QPageSize::FanFoldGermanLegal},
    {42, QPageSize::B4},
    {43, QPageSize::Postcard},
    {44, QPageSize::Imperial9x11},
    {45, QPageSize::Imperial10x11},
    {46, QPageSize::Imperial15x11},
    {47, QPageSize::EnvelopeInvite},
    {50, QPageSize::LetterExtra},
    {51, QPageSize::LegalExtra},
    {52, QPageSize::TabloidExtra},
    {53, QPageSize::A4Extra},
    {57, QPageSize::SuperA},
    {58, QPageSize::SuperB},
    {59, QPageSize::LetterPlus},
    {60, QPageSize::A4Plus},
    {64, QPageSize::A5Extra},
    {65, QPageSize::B5Extra},
    {66, QPageSize::A2},
    {69, QPageSize::DoublePostcard},
    {70, QPageSize::A6},
    {71, QPageSize::EnvelopeKaku2},
    {72, QPageSize::EnvelopeKaku3},
    {73, QPageSize::EnvelopeChou3},
    {74, QPageSize::EnvelopeChou4},
    {88, QPageSize::JisB6},
    {90, QPageSize::Imperial12x11},
    {91, QPageSize::EnvelopeYou4},
    {93, QPageSize::Prc16K},
    {94, QPageSize::Prc32K},
    {95, QPageSize::Prc32KBig},
    {96, QPageSize::EnvelopePrc1},
    {97, QPageSize::EnvelopePrc2},
    {98, QPageSize::EnvelopePrc3},
    {99, QPageSize::EnvelopePrc4},
    {100, QPageSize::EnvelopePrc5},
    {101, QPageSize::EnvelopePrc6},
    {102, QPageSize::EnvelopePrc7},
    {103, QPageSize::EnvelopePrc8},
    {104, QPageSize::EnvelopePrc9},
    {105, QPageSize::EnvelopePrc10},
};

std::unique_ptr<PrinterDevice>& installed() {
    static std::unique_ptr<PrinterDevice> device;
    return device;
}

} // namespace

std::optional<QPageSize::PageSizeId> PageSizeOfPaper(int paperNumber) {
    for (const PaperMap& p : kPapers)
        if (p.number == paperNumber)
            return p.id;
    return std::nullopt;
}

int PaperOfPageSize(QPageSize::PageSizeId id) {
    for (const PaperMap& p : kPapers)
        if (p.id == id)
            return p.number;
    return 0;
}

QList<int> KnownPaperNumbers() {
    QList<int> out;
    for (const PaperMap& p : kPapers)
        out.append(p.number);
    return out;
}

PaperInfo PaperInfoOf(int paperNumber) {
    PaperInfo info;
    info.number = paperNumber;
    if (const auto id = PageSizeOfPaper(paperNumber)) {
        const QSizeF mm = QPageSize::size(*id, QPageSize::Millimeter);
        info.name = QPageSize::name(*id);
        info.width = int(std::lround(mm.width() * 10));
        info.length = int(std::lround(mm.height() * 10));
    }
    return info;
}

void PrinterDevice::setOrientation(int orientation) {
    DevMode m = devMode();
    m.orientation = orientation;
    m.fields |= DM_ORIENTATION;
    setDevMode(m);
}

void PrinterDevice::setCopies(int copies) {
    DevMode m = devMode();
    m.copies = copies;
    m.fields |= DM_COPIES;
    setDevMode(m);
}

void PrinterDevice::setCollate(bool collate) {
    DevMode m = devMode();
    m.collate = collate ? 1 : 0;
    m.fields |= DM_COLLATE;
    setDevMode(m);
}

PrinterDevice& CurrentPrinterDevice() {
    std::unique_ptr<PrinterDevice>& d = installed();
    if (!d)
        d = std::make_unique<QtPrinterDevice>();
    return *d;
}

std::unique_ptr<PrinterDevice> InstallPrinterDevice(std::unique_ptr<PrinterDevice> device) {
    std::unique_ptr<PrinterDevice> previous = std::move(installed());
    installed() = std::move(device);
    return previous;
}

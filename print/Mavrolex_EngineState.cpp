#include "print/Mavrolex_EngineState.h"

#include "controls/FontSubstitution.h"
#include "platform/UserInteraction.h"
#include "print/Mavrolex_Function.h"
#include "print/Mavrolex_Imagedsp.h"
#include "print/Mavrolex_PrintIng.h"
#include "print/Mavrolex_SpoolFormat.h"
#include "print/Mavrolex_Vdb.h"
#include "print/PrinterDevice.h"

#include <QFileInfo>
#include <exception>

std::function<int(TPmvxDEF&)> MavrolexPreviewProc = [](TPmvxDEF& rec) { return StartPreview(rec); };
std::function<int(TPmvxDEF&)> MavrolexPrintRunProc = [](TPmvxDEF& rec) { return StartPrintRun(rec); };

namespace {

std::unique_ptr<MavrolexEngineState>& engineHolder() {
    static std::unique_ptr<MavrolexEngineState> engine;
    return engine;
}

void startEngine(MavrolexEngineState& e) {
    try {
        e.PaperNotListed = false;
        e.TotalPages = e.CurrentPage = 1;
        e.PageIndex = e.NumberedPages = 1;
        e.PageNumbers.clear();
        installFontSubstitutions();
        e.Fonts = EnumerateFontLists();
        e.Vdb = std::make_unique<TVDBPrint>(CurrentPrinterDevice());
        e.Vdb->SetTTOption(2);
        e.Ready = true;
    } catch (const std::exception& ex) {
        e.Ready = false;
        WriteMavrolexErrorLog(QStringLiteral("ImageOut.Initialize"), QString::fromUtf8(ex.what()));
    }
}

void clearSlots(MavrolexEngineState& e) {
    for (TFormSlot& s : e.Slots)
        s = TFormSlot();
    e.FormSeparators = 0;
}

} // namespace

MavrolexEngineState& Engine() {
    std::unique_ptr<MavrolexEngineState>& e = engineHolder();
    if (!e) {
        e = std::make_unique<MavrolexEngineState>();
        startEngine(*e);
    }
    return *e;
}

void RestartMavrolexEngine() {
    ShutdownMavrolexEngine();
    Engine();
}

void ShutdownMavrolexEngine() {
    engineHolder().reset();
}

// ---- field reader ----

QString SpoolRecordKind(const QString& line) {
    Engine().FieldCursor = 0;
    return SpoolFieldReader(line).toUpper();
}

QString SpoolFieldReader(const QString& line) {
    int& cursor = Engine().FieldCursor;
    if (cursor < 0 || cursor > line.size()) {
        ui::showError(kMsgParameterError);
        cursor = int(line.size());
        return QString();
    }
    const qsizetype end = line.indexOf(QLatin1Char(';'), cursor);
    const qsizetype stop = end < 0 ? line.size() : end;
    const QString field = line.mid(cursor, stop - cursor);
    cursor = int(end < 0 ? line.size() : end + 1);
    return field;
}

// ---- pages ----

bool SeekSpoolPage(SpoolTextFile& file, int n, bool wrap) {
    if (n <= 1)
        return true;
    int passed = 0;
    bool rewound = false;
    QString line;
    while (passed < n - 1) {
        if (!file.readLine(line)) {
            // An empty form file would wrap for ever: one rewind without a line is the end.
            if (!wrap || rewound)
                return false;
            file.rewind();
            rewound = true;
            ++passed;
            continue;
        }
        rewound = false;
        if (IsPageEndLine(line))
            ++passed;
    }
    return true;
}

int CountSpoolPages(const QString& path, bool build) {
    MavrolexEngineState& e = Engine();
    const bool numbering = build && EngineSettings.PageBango.Switch;
    int pages = 1;
    int counter = 1;
    if (numbering)
        e.PageNumbers.clear();
    SpoolTextFile file;
    if (OpenTextFileChecked(file, path) && file.open()) {
        QStringList pageLines;
        const auto closePage = [&] {
            if (!numbering)
                return;
            if (PageHasNoNumber(pageLines)) {
                e.PageNumbers.append(QStringLiteral("0"));
            } else {
                e.PageNumbers.append(QString::number(counter));
                ++counter;
            }
            pageLines.clear();
        };
        QString line;
        while (file.readLine(line)) {
            if (IsPageEndLine(line)) {
                ++pages;
                closePage();
            } else if (numbering) {
                pageLines.append(line);
            }
        }
        closePage();
    }
    e.NumberedPages = counter - 1;
    return pages;
}

void CountPreviewPages() {
    MavrolexEngineState& e = Engine();
    const int formPages = e.FormFileName.trimmed().isEmpty() ? 1 : CountSpoolPages(e.FormFileName, false);
    const int dataPages = CountSpoolPages(e.DataFileName, true);
    e.TotalPages = formPages >= dataPages ? formPages : (dataPages + formPages - 1) / formPages * formPages;
    e.CurrentPage = 1;
}

QList<int> ReadPageOrientations(const QString& path, int orientation) {
    QList<int> out;
    int current = orientation;
    SpoolTextFile file;
    if (OpenTextFileChecked(file, path) && file.open()) {
        QString line;
        while (file.readLine(line)) {
            if (line.startsWith(QLatin1Char('*')))
                continue;
            if (IsPageEndLine(line)) {
                out.append(current);
                current = orientation;
                continue;
            }
            const SpoolRecord r(line);
            if (r.kind() == QLatin1String("ORIENTATION"))
                current = r.intField(1, orientation);
        }
    }
    out.append(current);
    return out;
}

// ---- form variables ----

int FindFormVariable(int slot, const QString& name) {
    if (slot < 0 || slot >= kFormSlots)
        return 0;
    const QString upper = name.toUpper();
    const TFormSlot& s = Engine().Slots[size_t(slot)];
    for (int i = 1; i <= kLookupEntries; ++i)
        if (!s.Fields[size_t(i)].Name.isEmpty() && s.Fields[size_t(i)].Name == upper)
            return i;
    return 0;
}

int MarkTotalField(int slot, const QString& name) {
    if (slot < 0 || slot >= kFormSlots)
        return -1;
    const QString upper = name.toUpper();
    TFormSlot& s = Engine().Slots[size_t(slot)];
    for (int i = 0; i <= kLookupEntries; ++i)
        if (!s.Totals[size_t(i)].Name.isEmpty() && s.Totals[size_t(i)].Name == upper) {
            s.Totals[size_t(i)].Mark = 1;
            return i;
        }
    return -1;
}

int FormSlotOfPage(int page) {
    const int formPages = qBound(1, Engine().FormSeparators + 1, kFormSlots);
    const int p = qMax(1, page);
    return (p - 1) % formPages;
}

namespace {

// face, size, style, colour, background, alignment: the fields a definition and a total display share.
void readLook(SpoolRecord& r, TDataField& f) {
    f.Font = r.next();
    f.Size = r.nextInt(0);
    if (f.Size == 0)
        f.Size = 12;
    f.Style = r.next().toUpper();
    f.Color = ColourByWord(r.next(), EngineSettings);
    f.Background = BackgroundByWord(r.next(), EngineSettings);
    f.Alignment = AlignmentByWord(r.next());
}

} // namespace

void LoadFormVariables(const QString& path, int offsetX, int offsetY) {
    MavrolexEngineState& e = Engine();
    clearSlots(e);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    SpoolTextFile file;
    file.assign(path);
    if (!file.open()) {
        const QString error = QStringLiteral("%1 を読み込めません。").arg(path);
        WriteMavrolexErrorLog(QStringLiteral("ImageOut.HensuuYomikomi"), error);
        throw EMavrolexError(error);
    }
    QString raw;
    while (file.readLine(raw)) {
        QString line = raw;
        line.remove(QLatin1Char('"'));
        if (!line.endsWith(QLatin1Char(';')))
            line += QStringLiteral(";0;");
        SpoolRecord r(line);
        if (r.kind() == QLatin1String("E")) {
            if (++e.FormSeparators >= kFormSlots)
                break;
            continue;
        }
        TFormSlot& s = e.Slots[size_t(e.FormSeparators)];
        if (r.kind() == QLatin1String("&")) {
            if (s.FieldCount >= kMaxDefinitions)
                continue;
            const qint32 x = r.nextInt();
            const qint32 y = r.nextInt();
            const QString name = r.next().toUpper();
            const bool pitch = name == QLatin1String("0") || name == QStringLiteral("行間");
            TDataField& f = s.Fields[size_t(pitch ? 0 : ++s.FieldCount)];
            f.Name = name;
            f.X = x + offsetX;
            f.Y = y + offsetY;
            readLook(r, f);
            f.Width = r.nextInt();
            f.FirstOnly = r.nextInt();
            f.Center = r.nextInt();
        } else if (r.kind() == QLatin1String("$")) {
            if (s.TotalCount >= kMaxDefinitions)
                continue;
            const qint32 x = r.nextInt() + offsetX;
            const qint32 y = r.nextInt() + offsetY;
            const QString name = r.next().toUpper();
            if (MarkTotalField(e.FormSeparators, name) >= 0) {
                for (int i = 0; i < kUsedDisplayEntries; ++i) {
                    TDataField& d = s.Displays[size_t(i)];
                    if (!d.Name.isEmpty())
                        continue;
                    d.Name = name;
                    d.X = x;
                    d.Y = y;
                    readLook(r, d);
                    d.Width = r.nextInt();
                    d.FirstOnly = r.nextInt();
                    break;
                }
            } else {
                TTotalField& t = s.Totals[size_t(s.TotalCount++)];
                t.Name = name;
                t.X = x;
                t.Y = y;
            }
        }
    }
}

// ---- paper ----

QSize PaperSizeMm(int paperCode) {
    struct Paper {
        int code, width, height;
    };
    static constexpr Paper kPapers[] = {{8, 297, 420},  {9, 210, 297},  {11, 148, 210}, {12, 250, 354},
                                        {13, 182, 257}, {16, 254, 356}, {17, 280, 432}, {44, 229, 280},
                                        {45, 254, 280}, {46, 381, 280}, {90, 305, 280}};
    MavrolexEngineState& e = Engine();
    for (const Paper& p : kPapers)
        if (p.code == paperCode) {
            e.PaperNotListed = false;
            return QSize(p.width, p.height);
        }
    e.PaperNotListed = true;
    QSizeF printable(210 - 20, 297 - 20);
    try {
        printable = CurrentPrinterDevice().printableAreaMm().size();
    } catch (const std::exception& ex) {
        WriteMavrolexErrorLog(QStringLiteral("ImageOut.PaperSizeMm"), QString::fromUtf8(ex.what()));
    }
    return QSize(int(printable.width()) + 20, int(printable.height()) + 20);
}

void ApplyPaperRatio() {
    struct Ratio {
        int report, printer, vertical, horizontal;
    };
    static constexpr Ratio kRatios[] = {
        {8, 9, 707, 707},  {8, 12, 843, 842},   {9, 11, 707, 705},   {9, 13, 865, 867},  {12, 13, 726, 728},
        {12, 9, 839, 840}, {13, 9, 1156, 1154}, {9, 12, 1192, 1190}, {9, 8, 1414, 1414}, {12, 8, 1186, 1188}};
    MavrolexEngineState& e = Engine();
    const int printerPaper = e.Vdb ? e.Vdb->GetPaper() : DMPAPER_A4;
    const int reportPaper = EngineSettings.PaperSize;
    if (printerPaper == reportPaper) {
        e.VRatio = EngineSettings.VRATIO;
        e.HRatio = EngineSettings.HRATIO;
        return;
    }
    for (const Ratio& r : kRatios)
        if (r.report == reportPaper && r.printer == printerPaper) {
            e.VRatio = r.vertical;
            e.HRatio = r.horizontal;
            return;
        }
}

#include "datalist/uPrDataList.h"

#include "core/uAccFunction2.h"
#include "core/uAccRecord.h"
#include "print/Mavrolex_Class.h"

namespace {

const char16_t* const kFonts[] = {u"ＭＳ 明朝", u"ＭＳ ゴシック", u"ＭＳ Ｐ明朝", u"ＭＳ Ｐゴシック"};

struct TColumns {
    int Number, Code, Name, Term, Period, Folder;
};
constexpr TColumns kPortrait{170, -1, 250, 1050, 1350, 1600};
constexpr TColumns kLandscape{170, 250, 450, 1250, 1550, 1800};

// Row texts are cut to their column so that nothing runs into the next one. A byte of the 9-point row
// text (a half-width character) takes at most 16 units; the term and the period are centred on their
// column, the other fields start at theirs.
constexpr int kByteUnits = 16;
constexpr int kTermBytes = 10;   // "999 期" and room to spare
constexpr int kPeriodBytes = 26; // "yyyy/mm/dd ～ yyyy/mm/dd"
static_assert((kPortrait.Term + kTermBytes * kByteUnits / 2) <
              (kPortrait.Period - kPeriodBytes * kByteUnits / 2));
static_assert((kPortrait.Period + kPeriodBytes * kByteUnits / 2) < kPortrait.Folder);
static_assert((kLandscape.Term + kTermBytes * kByteUnits / 2) <
              (kLandscape.Period - kPeriodBytes * kByteUnits / 2));
static_assert((kLandscape.Period + kPeriodBytes * kByteUnits / 2) < kLandscape.Folder);

struct TFieldBytes {
    int Code, Name, Folder;
};
constexpr TFieldBytes bytesOf(const TColumns& c, int right) {
    return {(c.Name - c.Code) / kByteUnits - 1,
            (c.Term - kTermBytes * kByteUnits / 2 - c.Name) / kByteUnits - 1,
            (right - c.Folder) / kByteUnits};
}

// The longest head of the text within n bytes, control characters (a TAB or a line break in a name)
// printed as blanks.
QString fieldText(const QString& text, int n) {
    QString shown = text;
    for (QChar& ch : shown)
        if (ch.category() == QChar::Other_Control)
            ch = u' ';
    return HeadStrB(shown, n);
}

const QString kLeft = QStringLiteral("LEFT");
const QString kCenter = QStringLiteral("CENTER");
const QString kRight = QStringLiteral("RIGHT");

const TColumns& columnsOf(int orientation) {
    return orientation == 1 ? kLandscape : kPortrait;
}

// The folder with every occurrence of the data root, in any letter case, written as "~".
QString folderText(const QString& path) {
    const QString root = SystemDef.DataRoot;
    if (root.isEmpty())
        return path;
    QString out;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = path.indexOf(root, from, Qt::CaseInsensitive);
        if (at < 0)
            break;
        out += path.mid(from, at - from) + QLatin1Char('~');
        from = at + root.size();
    }
    return out + path.mid(from);
}

} // namespace

TPrDataList::TPrDataList() : m_report(std::make_unique<TMavrolex>()) {}

TPrDataList::~TPrDataList() = default;

void TPrDataList::Text(int x, int y, const QString& text, int size, const QString& alignment) {
    const int font = PrintRec.FontNo >= 0 && PrintRec.FontNo <= 3 ? PrintRec.FontNo : 0;
    m_report->PutText(x, y, text, QString::fromUtf16(kFonts[font]), size, QString(), QStringLiteral("黒"),
                      QStringLiteral("OFF"), alignment, 0);
}

void TPrDataList::Rule(int y, int penWidth, int penStyle) {
    m_report->PutLine(150, y, m_right, y, penWidth, penStyle, QStringLiteral("0"), false);
}

bool TPrDataList::PrintList(int Print, int Arg2, int Arg3) {
    Q_UNUSED(Arg2);
    Q_UNUSED(Arg3);
    PrintRec.BodySize = 9;
    m_page = 1;
    m_rowsOnPage = 0;
    m_rowsPerPage = Orientation == 1 ? 35 : 55;
    m_right = Orientation == 1 ? 2820 : 2000;
    m_bottom = Orientation == 1 ? 1945 : 2820;

    TMavrolex& r = *m_report;
    r.setTitle(QStringLiteral("印刷プレビュー"));
    r.setDataFile(SystemDef.SystemFolder + QStringLiteral("/データリスト.TMP"));
    r.setFormFile(QString());
    r.setPaperSize(9);
    r.setOrientation(Orientation);
    r.setTopMargin(0);
    r.setLeftMargin(0);
    r.setZoom(10);
    r.setUserColor1(0);
    r.setUserColor2(0);
    r.setNetColor1(SystemDef.NetColor1);
    r.setNetColor2(SystemDef.NetColor2);
    SetMonoPrintColors(PrintRec.ColorMode, r);
    r.setPrintFom(false);
    r.setModeSw(false);
    r.setPermit(true);

    bool written = false;
    try {
        r.BeginData(true);
        r.PutHeader();
        int position = 0;
        for (const qint32 index : Disp) {
            if (index < 0 || index >= List.size())
                continue;
            const TDataSentakuRec& row = List.at(index);
            ++position;
            const QString number =
                QString::asprintf("%3d", ListKind == 1 ? position : static_cast<int>(row.REC));
            PrintRow(row, &number);
            for (const TDataListRec& child : row.CHILDREN)
                PrintRow(child, nullptr);
        }
        written = true;
    } catch (...) {
        r.EndData();
        throw;
    }
    r.EndData();
    return written && (Print == 1 ? r.Print() : r.Preview());
}

void TPrDataList::PrintRow(const TDataListRec& row, const QString* number) {
    PrintPage();
    const TColumns& c = columnsOf(Orientation);
    const TFieldBytes bytes = bytesOf(c, m_right);
    const int y = 361 + 44 * m_rowsOnPage;
    const int size = PrintRec.BodySize;
    if (number)
        Text(c.Number, y, *number, size, kLeft);
    if (Orientation == 1)
        Text(c.Code, y, fieldText(row.DATACODE, bytes.Code), size, kLeft);
    Text(c.Name, y, fieldText(row.DISPNAME, bytes.Name), size, kLeft);
    if (row.ENTTEXT.isEmpty()) {
        Text(c.Term, y, QString(), size, kLeft);
        Text(c.Period, y, QString(), size, kLeft);
    } else if (row.NENDO >= 1) {
        Text(c.Term, y, fieldText(QString::asprintf("%d 期", static_cast<int>(row.NENDO)), kTermBytes), size,
             kCenter);
        Text(c.Period, y, fieldText(row.KIKAN, kPeriodBytes), size, kCenter);
    } else {
        Text(c.Term, y, QString(), size, kCenter);
        Text(c.Period, y, QString(), size, kCenter);
    }
    Text(c.Folder, y, fieldText(folderText(row.PASNAME), bytes.Folder), size, kLeft);
    if (m_rowsOnPage < m_rowsPerPage)
        m_report->PutLine(150, y + 34, m_right, y + 34, 0, 2, QStringLiteral("0"), false);
}

void TPrDataList::PrintPage() {
    if (m_rowsOnPage > 0 && m_rowsOnPage < m_rowsPerPage) {
        ++m_rowsOnPage;
        return;
    }
    if (m_rowsOnPage >= m_rowsPerPage)
        m_report->NewPage();
    const TColumns& c = columnsOf(Orientation);
    Text(m_right / 2, 150,
         ListKind == 1 ? QStringLiteral("共有データリスト") : QStringLiteral("データリスト"),
         PrintRec.TitleSize, kCenter);
    Text(m_right, 250, QString::asprintf("PAGE %4d", m_page), PrintRec.HeadSize, kRight);
    Rule(300, 4, 0);
    Text(180, 325, QStringLiteral("No"), PrintRec.HeadSize, kLeft);
    if (Orientation == 1)
        Text(c.Code, 325, QStringLiteral("コード"), PrintRec.HeadSize, kLeft);
    Text(c.Name, 325, QStringLiteral("データリスト名"), PrintRec.HeadSize, kLeft);
    Text(c.Term, 325, QStringLiteral("会計年度"), PrintRec.HeadSize, kCenter);
    Text(c.Period, 325, QStringLiteral("会計期間"), PrintRec.HeadSize, kCenter);
    Text(c.Folder, 325, QStringLiteral("データフォルダ"), PrintRec.HeadSize, kLeft);
    Rule(390, 4, 0);
    Rule(m_bottom, 4, 0);
    m_rowsOnPage = 1;
    ++m_page;
}

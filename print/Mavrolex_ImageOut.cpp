#include "print/Mavrolex_ImageOut.h"

#include "platform/Cp932.h"
#include "print/Mavrolex_ChartPaint.h"
#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_Function.h"
#include "print/Mavrolex_SpoolFormat.h"
#include "print/Mavrolex_Vdb.h"
#include "print/PrinterDevice.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <exception>

int RoundEven(double v) {
    return int(std::nearbyint(v));
}

int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const long long p = static_cast<long long>(a) * b;
    const long long half = std::llabs(c) / 2;
    const long long q = ((p < 0) != (c < 0)) ? -((std::llabs(p) + half) / std::llabs(c))
                                             : (std::llabs(p) + half) / std::llabs(c);
    return int(q);
}

QColor ColourOfRgb(qint32 v) {
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

namespace {

QColor greyIfMonochrome(const QColor& c) {
    if (!EngineSettings.GrayScale || c == Qt::black || c == Qt::white)
        return c;
    const int g = RoundEven(0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue());
    return QColor(g, g, g);
}

bool isFormKind(const QString& kind) {
    return kind == kKindForm || kind == kKindSubForm;
}

} // namespace

QColor ColourByName(const QString& word, const QString& kind) {
    if (isFormKind(kind) && !EngineSettings.PrintFom)
        return word == QStringLiteral("白") ? QColor(Qt::white) : ColourOfRgb(0xE6E6E6);
    return greyIfMonochrome(ColourOfRgb(ColourByWord(word, EngineSettings)));
}

void PrintBitmapStretched(QPainter& canvas, int x1, int y1, int x2, int y2, const QString& label,
                          bool andCombine, const QImage& image) {
    try {
        if (image.isNull()) {
            WriteMavrolexErrorLog(label + QStringLiteral(" ビットマップイメージの取得ができない　GETDIB()"));
            return;
        }
        QImage pixels = image.convertToFormat(QImage::Format_RGB32);
        if (pixels.isNull()) {
            WriteMavrolexErrorLog(label + QStringLiteral(" [BMP]メモリー不足です。 GlobalAlloc[ %1 ]")
                                              .arg(qint64(image.width()) * image.height() * 4));
            return;
        }
        const QRect target(x1, y1, x2 - x1, y2 - y1);
        canvas.save();
        QPaintEngine* engine = canvas.paintEngine();
        if (andCombine && engine && engine->hasFeature(QPaintEngine::RasterOpModes)) {
            canvas.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        } else if (andCombine) {
            // PDF and printer pages cannot be read back for an AND transfer: the rectangle is composed in
            // an image whose white pixels are left out, which is what AND does over paper.
            QImage composed = pixels.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < composed.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(composed.scanLine(y));
                for (int x = 0; x < composed.width(); ++x)
                    if ((row[x] & 0xFFFFFF) == 0xFFFFFF)
                        row[x] = 0;
            }
            pixels = composed;
        }
        canvas.drawImage(target, pixels);
        canvas.restore();
    } catch (const std::exception& ex) {
        WriteMavrolexErrorLog(QStringLiteral("%1:%2").arg(label, QString::fromUtf8(ex.what())));
    }
}

namespace {

int textAnchorX(int alignment, int x, int textWidth, int firstWidth, int centre) {
    if (alignment == AlignCenter)
        return x - RoundEven(textWidth / 2.0);
    if (alignment == AlignRight)
        return x - textWidth;
    if (centre == 1)
        return x - RoundEven(firstWidth / 2.0);
    return x;
}

int& subFormDepth() {
    static int depth = 0;
    return depth;
}

class PageRenderer {
public:
    PageRenderer(const QString& kind, SpoolTextFile& file, QPainter& canvas, int offsetX, int offsetY,
                 int slot, bool evenPage, int zoom, double scaleX, double scaleY, int fontResolution)
        : m_kind(kind), m_file(file), c(canvas), m_offX(offsetX), m_offY(offsetY), m_slot(slot),
          m_even(evenPage), m_zoom(zoom), sx(scaleX), sy(scaleY), m_res(fontResolution) {
        m_printer = &canvas == CurrentPrinterDevice().canvas();
    }

    bool run();

private:
    void pageOrigin();
    int ratioX(int v) const;
    int ratioY(int v) const;
    int posX(int x) const { return ratioX(RoundEven(x * sx) + m_ox + m_offX); }
    int posY(int y) const { return ratioY(RoundEven(y * sy) + m_oy + m_offY); }
    QPoint pos(int x, int y) const { return QPoint(posX(x), posY(y)); }
    int width(int w) const { return RoundEven(w * sx); }
    QColor colour(const QString& word) const { return ColourByName(word, m_kind); }
    QPen pen(int w, int style, const QColor& colour) const;
    QBrush brush(const QString& word, int style) const;
    // The face a record names, as the canvas can draw it. "JAN" stays "JAN": the bar-code face is
    // reached through font substitution when one is installed.
    QString FontNameFor(const QString& name);
    // Makes the bar-code face the canvas's font (height 3, normal weight). The painter draws scaled and
    // rotated text in every mode, so there is no graphics mode to switch.
    void SelectJanFont();
    void setFont(const QString& face, int pixelHeight, const SpoolFontStyle& style);
    int textHeightFor(int size) const;
    // width: the text's advance when the caller has measured it already, else -1.
    void drawText(int x, int y, const QString& text, int width = -1);
    void setupPage(QStringList& lines);

    void fillRect(const SpoolRecord& r);
    void lineOrBox(SpoolRecord& r);
    void sline(SpoolRecord& r);
    void marumoji(SpoolRecord& r);
    void image(SpoolRecord& r);
    void subForm(SpoolRecord& r);
    void memo(SpoolRecord& r);
    void text(SpoolRecord& r);
    void spread(const QString& text, int x, int y, int widthField, bool variable, int size,
                const SpoolFontStyle& st, const QString& face, int raise);
    void vertical(const QString& text, int x, int Y, int widthField, int size, const SpoolFontStyle& st,
                  const QString& face, int raise, int left);

    QString m_kind;
    SpoolTextFile& m_file;
    QPainter& c;
    int m_offX, m_offY, m_slot;
    bool m_even;
    int m_zoom;
    double sx, sy;
    int m_res;
    bool m_printer = false;
    int m_ox = 0, m_oy = 0;
    int m_lowestLine = 0;
    QPoint m_pos;
    QColor m_textColour = Qt::black;
    bool m_textOpaque = false;
    QColor m_textBackground = Qt::white;
};

void PageRenderer::pageOrigin() {
    const MavrolexEngineState& e = Engine();
    const bool form = m_kind == kKindForm;
    m_ox = RoundEven(sx * (e.LeftMargin + (m_even ? e.EvenShift : 0) +
                           (m_printer ? EngineSettings.LeftCorrect : 0) +
                           (form ? EngineSettings.FormLeftMargin : 0)));
    m_oy = RoundEven(sy * (e.TopMargin + (m_printer ? EngineSettings.TopCorrect : 0) +
                           (form ? EngineSettings.FormTopMargin : 0)));
}

int PageRenderer::ratioX(int v) const {
    const int ratio = Engine().HRatio;
    if (ratio == 0 || (m_kind == kKindSubForm && !EngineSettings.PrintFom))
        return v;
    return RoundEven(ratio * double(v) * 0.001);
}

int PageRenderer::ratioY(int v) const {
    const int ratio = Engine().VRatio;
    if (ratio == 0 || (m_kind == kKindSubForm && !EngineSettings.PrintFom))
        return v;
    return RoundEven(ratio * double(v) * 0.001);
}

QPen PageRenderer::pen(int w, int style, const QColor& colour) const {
    QPen p(colour);
    p.setWidth(std::max(0, w));
    p.setStyle(PenStyleOf(style));
    if (w > 1 && p.style() != Qt::SolidLine && p.style() != Qt::NoPen) {
        // A thick dashed line keeps its pattern with square ends.
        p.setCapStyle(Qt::FlatCap);
        p.setJoinStyle(Qt::MiterJoin);
    }
    return p;
}

QBrush PageRenderer::brush(const QString& word, int style) const {
    // Brush colours are never the pale form colour.
    return QBrush(ColourByName(word), BrushStyleOf(style));
}

QString PageRenderer::FontNameFor(const QString& name) {
    if (name.isEmpty())
        return QStringLiteral("ＭＳ 明朝");
    if (name == QStringLiteral("OCR-B"))
        return OcrFaceName();
    if (name == QStringLiteral("JAN"))
        SelectJanFont();
    return name;
}

void PageRenderer::SelectJanFont() {
    QFont f(QStringLiteral("JAN"));
    f.setPixelSize(3);
    f.setWeight(QFont::Normal);
    c.setFont(f);
}

void PageRenderer::setFont(const QString& face, int pixelHeight, const SpoolFontStyle& st) {
    QFont f = c.font();
    f.setFamily(face);
    if (pixelHeight > 0)
        f.setPixelSize(pixelHeight);
    f.setBold(st.bold);
    f.setItalic(st.italic);
    f.setUnderline(st.underline || st.doubleUnderline);
    f.setStrikeOut(st.strikeOut);
    c.setFont(f);
}

// Character height of a text record's size; 0 keeps the canvas's height.
int PageRenderer::textHeightFor(int size) const {
    if (size <= 0)
        return 0;
    const int ratio = Engine().VRatio;
    if (ratio != 0 && ratio != 1000)
        return RoundEven(double(size) * m_res * ratio * 0.001) / 72;
    return MulDiv(size, m_res, 72);
}

void PageRenderer::drawText(int x, int y, const QString& text, int width) {
    const QFontMetrics fm = c.fontMetrics();
    const int w = width >= 0 ? width : fm.horizontalAdvance(text);
    if (m_textOpaque)
        c.fillRect(QRect(x, y, w, fm.height()), m_textBackground);
    // The glyphs themselves never paint a background: an opaque mode left by a box or circle would put
    // the painter's white behind them, over the text's own background and over what lies under the text.
    const Qt::BGMode mode = c.backgroundMode();
    c.setBackgroundMode(Qt::TransparentMode);
    const QPen saved = c.pen();
    c.setPen(m_textColour);
    c.drawText(QPoint(x, y + fm.ascent()), text);
    c.setPen(saved);
    c.setBackgroundMode(mode);
    m_pos = QPoint(x + w, y);
}

void PageRenderer::setupPage(QStringList& lines) {
    MavrolexEngineState& e = Engine();
    const TPAGEBANGO& pb = EngineSettings.PageBango;
    bool numbered = false;
    if (m_kind == kKindData && pb.Switch && (pb.FormatArgCount == 1 || pb.FormatArgCount == 2)) {
        const int index = e.PageIndex - 1;
        const int number = index >= 0 && index < e.PageNumbers.size() ? e.PageNumbers.at(index).toInt() : 0;
        if (number != 0) {
            QList<qint32> args{number};
            if (pb.FormatArgCount == 2)
                args.append(e.NumberedPages);
            const QString text = FormatIntegers(pb.Format, args).value_or(QString());
            lines.append(
                JoinSpoolFields({QStringLiteral("TEXT"), QString::number(pb.Left), QString::number(pb.Top),
                                 text, pb.FontName, QString::number(pb.FontSize), QString(),
                                 QStringLiteral("黒"), QStringLiteral("OFF"), QString::number(pb.Alignment),
                                 QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("*AUTO*")}));
            numbered = true;
        } else {
            lines.append(QStringLiteral("*"));
        }
    }
    QString line;
    QStringList own;
    while (m_file.readLine(line)) {
        line = NormalizeSpoolLine(line);
        lines.append(line);
        if (IsPageEndLine(line))
            break;
        own.append(line);
    }
    if (numbered && PageHasNoNumber(own))
        lines.first().prepend(QLatin1Char('*'));
}

bool PageRenderer::run() {
    MavrolexEngineState& e = Engine();
    bool result = true;
    e.MessageText.clear();
    const qint32 startLeft = e.LeftMargin;
    const qint32 startTop = e.TopMargin;
    m_lowestLine = (PaperSizeMm(e.Vdb ? e.Vdb->GetPaper() : 9).height() - 10) * 10;
    for (int i = 0; i <= kLookupEntries && m_slot >= 0 && m_slot < kFormSlots; ++i)
        e.Slots[m_slot].Fields[i].UseCount = 0;

    c.save();
    c.scale(m_zoom / 10.0, m_zoom / 10.0);
    m_pos = QPoint(m_offX, m_offY);
    const auto finish = [&] {
        const QFont font = c.font();
        c.restore();
        c.setFont(font); // a text of size 0 keeps the height of the previous one
        e.LeftMargin = startLeft;
        e.TopMargin = startTop;
    };
    try {
        QStringList lines;
        setupPage(lines);
        pageOrigin();

        for (const QString& line : lines) {
            SpoolRecord r(line);
            if (r.kind() == QStringLiteral("FRECT") && r.intField(6) == 1)
                fillRect(r);
        }

        pageOrigin();
        for (const QString& line : lines) {
            SpoolRecord r(line);
            const QString& k = r.kind();
            if (k == QStringLiteral("E")) {
                result = false;
            } else if (k == QStringLiteral("LEFTMARGIN") || k == QStringLiteral("TOPMARGIN")) {
                const int n = r.intField(1);
                if (n != 0) {
                    (k == QStringLiteral("LEFTMARGIN") ? e.LeftMargin : e.TopMargin) =
                        n + (k == QStringLiteral("LEFTMARGIN") ? startLeft : startTop);
                    pageOrigin();
                }
            } else if (k == QStringLiteral("MESSAGE")) {
                if (m_printer)
                    e.MessageText = r.field(1);
            } else if (k == QStringLiteral("FORM")) {
                subForm(r);
            } else if (k == QStringLiteral("TEXT") || k == QStringLiteral("NTEXT") ||
                       k == QStringLiteral("UTEXT") || k == QStringLiteral("VTEXT") ||
                       k == QStringLiteral("@")) {
                text(r);
            } else if (k == QStringLiteral("MEMO")) {
                memo(r);
            } else if (k == QStringLiteral("BP")) {
                m_offX = RoundEven(r.intField(1) * sx);
                m_offY = RoundEven(r.intField(2) * sy);
                c.setPen(pen(width(r.intField(3)), r.intField(4), colour(r.field(5))));
                m_pos = QPoint(ratioX(m_ox + m_offX), ratioY(m_oy + m_offY));
            } else if (k == QStringLiteral("LINEB")) {
                const QPoint to = pos(r.intField(1), r.intField(2));
                c.setBackgroundMode(Qt::TransparentMode);
                c.drawLine(m_pos, to);
                m_pos = to;
            } else if (k == QStringLiteral("LINE") || k == QStringLiteral("ELINE") ||
                       k == QStringLiteral("BOX")) {
                lineOrBox(r);
            } else if (k == QStringLiteral("SLINE")) {
                sline(r);
            } else if (k == QStringLiteral("RRECT") || k == QStringLiteral("CIRCLE")) {
                const bool round = k == QStringLiteral("RRECT");
                const int base = round ? 7 : 5;
                c.setPen(pen(width(r.intField(base)), r.intField(base + 1), colour(r.field(base + 2))));
                c.setBrush(brush(r.field(base + 3), r.intField(base + 4)));
                c.setBackground(Qt::white);
                c.setBackgroundMode(Qt::OpaqueMode);
                const QRect box(pos(r.intField(1), r.intField(2)), pos(r.intField(3), r.intField(4)));
                if (round)
                    c.drawRoundedRect(QRectF(box.topLeft(), box.bottomRight()),
                                      ratioX(width(r.intField(5)) + 1) / 2.0,
                                      ratioY(RoundEven(r.intField(6) * sy) + 1) / 2.0, Qt::AbsoluteSize);
                else
                    c.drawEllipse(QRectF(box.topLeft(), box.bottomRight()));
            } else if (k == QStringLiteral("FRECT")) {
                const int mode = r.intField(6);
                if (mode == 0) {
                    fillRect(r);
                } else if (mode == 2) {
                    const QPoint a = pos(r.intField(1), r.intField(2));
                    const QPoint b = pos(r.intField(3), r.intField(4));
                    QImage fill(std::max(1, b.x() - a.x()), std::max(1, b.y() - a.y()), QImage::Format_RGB32);
                    fill.fill(colour(r.field(5)));
                    PrintBitmapStretched(c, a.x(), a.y(), b.x(), b.y(),
                                         QStringLiteral("FRECT %1;%2;%3;%4")
                                             .arg(r.intField(1))
                                             .arg(r.intField(2))
                                             .arg(r.intField(3))
                                             .arg(r.intField(4)),
                                         true, fill);
                }
            } else if (k == QStringLiteral("MARUMOJI")) {
                marumoji(r);
            } else if (k == QStringLiteral("IMAGE")) {
                image(r);
            } else if (k == QStringLiteral("CHART")) {
                const QRect rect(pos(r.intField(2), r.intField(3)), pos(r.intField(4), r.intField(5)));
                DrawChartPanel(c, rect, r.intField(6));
            }
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return result;
}

void PageRenderer::fillRect(const SpoolRecord& r) {
    const QRect box(pos(r.intField(1), r.intField(2)), pos(r.intField(3), r.intField(4)));
    c.fillRect(QRect(box.topLeft(), QSize(box.width() - 1, box.height() - 1)), colour(r.field(5)));
}

void PageRenderer::lineOrBox(SpoolRecord& r) {
    const QString& k = r.kind();
    const int w = r.intField(5, 1);
    const int pw = k == QStringLiteral("ELINE") ? RoundEven(w * 0.1 * sx) : width(w);
    const QString penColour = r.field(7);
    c.setPen(pen(pw, r.intField(6), colour(penColour)));
    c.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QPoint a = pos(r.intField(1), r.intField(2));
    const QPoint b = pos(r.intField(3), r.intField(4));
    if (k == QStringLiteral("BOX")) {
        c.setBrush(brush(r.field(8), r.intField(9)));
        c.setBackground(Qt::white);
        c.setBackgroundMode(Qt::OpaqueMode);
        c.drawRect(QRect(a, QSize(b.x() - a.x(), b.y() - a.y())));
    } else {
        c.setBackgroundMode(Qt::TransparentMode);
        c.drawLine(a, b);
    }
    c.setBrush(Qt::NoBrush);
}

void PageRenderer::sline(SpoolRecord& r) {
    c.setPen(pen(width(r.intField(5)), r.intField(6), colour(r.field(7))));
    setFont(FontNameFor(r.field(8)), MulDiv(r.intField(9), m_res, 72), SpoolFontStyle());
    const int count = r.intField(4);
    const int X = posX(r.intField(1));
    const int y1 = posY(r.intField(2));
    const int y2 = posY(r.intField(3));
    const int unit = c.fontMetrics().horizontalAdvance(QStringLiteral("000"));
    c.setBackgroundMode(Qt::TransparentMode);
    // Only the lines that can fall on the canvas are drawn: the count comes from the file, and a forged
    // one must not keep the page busy for minutes.
    const QRect canvas =
        c.device()
            ? c.combinedTransform().inverted().mapRect(QRect(0, 0, c.device()->width(), c.device()->height()))
            : QRect();
    const qint64 span = qint64(X) - 1 - canvas.left(); // how far left of x the canvas reaches
    qint64 first = 1, last = count;
    if (unit <= 0) {
        last = std::min<qint64>(last, 1); // every line would lie on the same spot
    } else {
        last = std::min<qint64>(last, span < 0 ? 0 : span / unit + 1);
        const qint64 beyond = qint64(X) - 1 - canvas.right(); // lines closer to x than this are off the right
        if (beyond > 0)
            first = std::max<qint64>(first, beyond / unit);
    }
    for (qint64 k = first; k <= last; ++k) {
        const int lineX = int(qint64(X) - (k * unit + 1));
        c.drawLine(lineX, y1, lineX, y2);
    }
}

void PageRenderer::marumoji(SpoolRecord& r) {
    const int diameter = r.intField(3);
    const QString text = r.field(4);
    const QString face = FontNameFor(r.field(5));
    const int size = r.intField(6, 10);
    const QString style = r.field(7).toUpper();
    const QColor col = colour(r.field(8));
    const int radius = RoundEven(diameter * 0.5 * sy);
    setFont(face, MulDiv(size, m_res, 72), FontStyleByWord(style));
    c.setPen(pen(width(style == QStringLiteral("B") ? 2 : 1), 0, col));
    c.setBrush(Qt::NoBrush);
    c.setBackgroundMode(Qt::TransparentMode);
    m_textColour = col;
    m_textOpaque = false;
    if (!text.isEmpty()) {
        const QPoint centre = pos(r.intField(1), r.intField(2));
        const QFontMetrics fm = c.fontMetrics();
        const int left = centre.x() - RoundEven(fm.horizontalAdvance(text) / 2.0);
        drawText(left, centre.y() - RoundEven(std::abs(c.font().pixelSize()) * 0.5), text);
        c.drawEllipse(QRect(QPoint(centre.x() - radius, centre.y() - radius), QSize(2 * radius, 2 * radius)));
    }
    setFont(face, 0, SpoolFontStyle());
    m_textColour = Qt::black;
}

void PageRenderer::image(SpoolRecord& r) {
    const QString path = r.field(5);
    const QString ext = QFileInfo(path).suffix().toUpper();
    if (!QFileInfo::exists(path) || !(ext == QStringLiteral("BMP") || ext == QStringLiteral("JPG") ||
                                      ext == QStringLiteral("WMF") || ext == QStringLiteral("EMF")))
        return;
    const QPoint a = pos(r.intField(1), r.intField(2));
    const QPoint b = pos(r.intField(3), r.intField(4));
    if (ext == QStringLiteral("WMF") || ext == QStringLiteral("EMF")) {
        // Windows metafiles have no reader here; nothing of this system writes them.
        WriteMavrolexErrorLog(QFileInfo(path).fileName(), QStringLiteral("メタファイルは描画できません"));
        return;
    }
    const bool andCombine = r.intField(6) != 0;
    const QImage picture(path);
    if (m_printer || andCombine || picture.isNull()) {
        PrintBitmapStretched(c, a.x(), a.y(), b.x(), b.y(), QFileInfo(path).fileName(), andCombine, picture);
        return;
    }
    c.drawImage(QRect(a, QSize(b.x() - a.x(), b.y() - a.y())), picture);
}

void PageRenderer::subForm(SpoolRecord& r) {
    if (m_printer && !EngineSettings.PrintFom)
        return;
    const QString path = r.field(1);
    if (!QFileInfo::exists(path) || !QFileInfo(path).isFile())
        return;
    if (subFormDepth() >= kMaxSubFormDepth) {
        WriteMavrolexErrorLog(QStringLiteral("ImageOut.FORM"),
                              QStringLiteral("フォームの入れ子が深すぎます <%1>").arg(path));
        return;
    }
    const int x = r.intField(3);
    const int y = r.intField(4);
    if (r.field(2).toUpper() == QStringLiteral("TRUE"))
        LoadFormVariables(path, x, y);
    SpoolTextFile file;
    if (!OpenTextFileChecked(file, path) || !file.open())
        return;
    ++subFormDepth();
    try {
        RenderSpoolPage(kKindSubForm, file, c, RoundEven(x * sx), RoundEven(y * sy), 0, m_even, m_zoom, sx,
                        sy, m_res);
    } catch (...) {
        --subFormDepth();
        throw;
    }
    --subFormDepth();
}

void PageRenderer::memo(SpoolRecord& r) {
    const int x1 = r.intField(1), y1 = r.intField(2), x2 = r.intField(3), y2 = r.intField(4);
    const QString text = r.field(5);
    const int frame = r.intField(6);
    const QString face = FontNameFor(r.field(7));
    const QColor col = colour(r.field(10));
    setFont(face, MulDiv(r.intField(8, 0) > 0 ? r.intField(8) : 10, m_res, 72),
            FontStyleByWord(r.field(9).toUpper()));
    m_textColour = col;
    m_textOpaque = false;
    if (frame >= 0) {
        c.setPen(pen(width(frame), 0, col));
        c.setBrush(Qt::white);
        const int fx1 = RoundEven(x1 * sx) + m_ox + m_offX, fy1 = RoundEven(y1 * sy) + m_oy + m_offY;
        const int fx2 = RoundEven(x2 * sx) + m_ox + m_offX, fy2 = RoundEven(y2 * sy) + m_oy + m_offY;
        c.drawRect(QRect(QPoint(fx1 - 5, fy1 - 5), QSize(fx2 - fx1 + 10, fy2 - fy1 + 10)));
        c.setBrush(Qt::NoBrush);
    }
    const QPoint a = pos(x1, y1), b = pos(x2, y2);
    const int boxWidth = b.x() - a.x();
    const QFontMetrics fm = c.fontMetrics();
    const int h = fm.height();
    QStringList pieces;
    const QStringList paragraphs = QString(text)
                                       .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                       .split(QRegularExpression(QStringLiteral("[\r\n]")));
    for (const QString& para : paragraphs) {
        QString piece;
        for (const cp932::CharUnit& u : cp932::charUnits(para)) {
            const QString ch = para.mid(u.pos, u.len);
            if (!piece.isEmpty() && fm.horizontalAdvance(piece + ch) > boxWidth) {
                pieces.append(piece);
                piece.clear();
            }
            piece += ch;
        }
        pieces.append(piece);
    }
    int y = a.y();
    for (const QString& p : pieces) {
        if (y >= b.y() - h)
            break;
        drawText(a.x(), y, p);
        y += h;
    }
    m_textColour = Qt::black;
}

void PageRenderer::text(SpoolRecord& r) {
    MavrolexEngineState& e = Engine();
    const QString& k = r.kind();
    const bool variable = k == QStringLiteral("@");
    int x = 0, y = 0, size = 10, alignment = AlignLeft, widthField = 0, centre = 0, lineOffset = 0;
    QString text, face, style;
    qint32 colourValue = 0;
    qint32 background = kNoBackground;
    if (variable) {
        if (m_slot < 0 || m_slot >= kFormSlots)
            return;
        const int index = FindFormVariable(m_slot, r.field(1));
        if (index <= 0)
            return;
        TFormSlot& slot = e.Slots[m_slot];
        TDataField& v = slot.Fields[index];
        if (v.Name.isEmpty())
            return;
        text = r.field(2);
        size = r.intField(3) != 0 ? r.intField(3) : v.Size;
        style = r.field(4).isEmpty() ? v.Style : r.field(4);
        lineOffset = r.intField(5);
        x = v.X;
        y = v.Y;
        face = v.Font;
        colourValue = v.Color;
        background = v.Background;
        alignment = v.Alignment;
        widthField = v.Width;
        centre = v.Center;
        if (v.FirstOnly == 1 && v.UseCount > 0)
            text.clear();
        const int pitch = slot.Fields[0].Width;
        if (pitch > 0) {
            y = std::min(v.Y + v.UseCount * pitch, m_lowestLine);
            ++v.UseCount;
        }
    } else {
        x = r.intField(1);
        y = r.intField(2);
        text = r.field(3);
        face = r.field(4);
        size = r.intField(5, 10);
        style = r.field(6).toUpper();
        colourValue = ColourByWord(r.field(7), EngineSettings);
        background = BackgroundByWord(r.field(8), EngineSettings);
        alignment = AlignmentByWord(r.field(9));
        widthField = r.intField(10);
        centre = r.intField(11);
    }
    const SpoolFontStyle st = FontStyleByWord(style);
    const QString faceName = FontNameFor(face);
    setFont(faceName, textHeightFor(size), st);
    m_textColour = isFormKind(m_kind) && !EngineSettings.PrintFom
                       ? (colourValue == 0xFFFFFF ? QColor(Qt::white) : ColourOfRgb(0xE6E6E6))
                       : greyIfMonochrome(ColourOfRgb(colourValue));
    m_textOpaque = background != kNoBackground && background >= 16;
    m_textBackground = greyIfMonochrome(ColourOfRgb(background));
    const QFontMetrics fm = c.fontMetrics();
    const int raise = centre == 1 ? RoundEven(std::abs(c.font().pixelSize()) * 0.5 - 0.55) : 0;
    // Measuring lays the text out as drawing does: each text is measured once.
    const int firstWidth = text.isEmpty() || centre != 1
                               ? 0
                               : fm.horizontalAdvance(text.left(text.at(0).isHighSurrogate() ? 2 : 1));
    const int textWidth = fm.horizontalAdvance(text);
    const int left = textAnchorX(alignment, ratioX(RoundEven(x * sx)), textWidth, firstWidth, centre);
    int X = ratioX(m_ox + m_offX) + left;
    int Y = ratioY(RoundEven(y * sy) + m_oy + m_offY - raise);

    if (!text.isEmpty()) {
        if (k == QStringLiteral("UTEXT") || (variable && widthField > 0)) {
            spread(text, x, y, widthField, variable, size, st, faceName, raise);
        } else if (k == QStringLiteral("VTEXT")) {
            vertical(text, y, Y, widthField, size, st, faceName, raise, X);
        } else {
            if (st.doubleUnderline) {
                const int blanks = int(std::clamp<qsizetype>(cp932::byteLength(text), 1, 126));
                const QPoint keep = m_pos;
                drawText(X, Y + RoundEven(sy * 4), QString(blanks, QLatin1Char(' ')));
                m_pos = keep;
            }
            if (text.contains(QLatin1Char('\t'))) {
                if (lineOffset < 0)
                    Y += RoundEven(lineOffset * sy);
                const int h = fm.height();
                const QStringList pieces = text.split(QLatin1Char('\t'));
                for (int i = 0; i < pieces.size(); ++i)
                    drawText(X, Y + i * h, pieces.at(i));
            } else {
                if (!variable && x == 0)
                    X = m_pos.x();
                if (!variable && y == 0)
                    Y = m_pos.y();
                drawText(X, Y, text, textWidth);
            }
        }
    }
    setFont(faceName, 0, SpoolFontStyle());
    m_textColour = Qt::black;
    m_textOpaque = false;
}

void PageRenderer::spread(const QString& text, int x, int y, int widthField, bool variable, int size,
                          const SpoolFontStyle& st, const QString& face, int raise) {
    const QList<cp932::CharUnit> units = cp932::charUnits(text);
    const int n = int(units.size());
    double step = 0;
    if (n >= 2) {
        const cp932::CharUnit& last = units.last();
        const int lastWidth = c.fontMetrics().horizontalAdvance(text.mid(last.pos, last.len));
        const qsizetype m = cp932::byteLength(text) - 1 - (last.width == 2 ? 1 : 0);
        step = m > 0 ? (widthField - lastWidth / sx) / double(m) : 0;
        if (variable) {
            const cp932::CharUnit& first = units.first();
            if (c.fontMetrics().horizontalAdvance(text.mid(first.pos, first.len)) / sx > step && size > 1)
                setFont(face, MulDiv(size - 1, m_res, 72), st);
        }
    }
    const int Y = ratioY(RoundEven(y * sy) + m_oy + m_offY);
    if (step <= 0) {
        drawText(ratioX(RoundEven(x * sx) + m_ox + m_offX), Y, text);
        return;
    }
    double position = x;
    for (const cp932::CharUnit& u : units) {
        drawText(ratioX(RoundEven(position * sx) + m_ox + m_offX), Y - raise, text.mid(u.pos, u.len));
        position += u.width == 2 ? 2 * step : step;
    }
}

void PageRenderer::vertical(const QString& text, int y, int Y, int widthField, int size,
                            const SpoolFontStyle& st, const QString& face, int raise, int left) {
    const QList<cp932::CharUnit> units = cp932::charUnits(text);
    const int n = int(units.size());
    const int h = c.fontMetrics().height();
    const int step = n < 3 ? widthField - RoundEven(h / sx) : RoundEven((widthField - h / sx) / (n - 1));
    if (step < 1) {
        drawText(left, Y, text);
        return;
    }
    const QFont base = c.font();
    int yk = y;
    for (const cp932::CharUnit& u : units) {
        const QString ch = text.mid(u.pos, u.len);
        const int top = ratioY(RoundEven(yk * sx) + m_oy + m_offY - raise);
        if (ch == QStringLiteral("ー")) {
            // The vertical face draws the long-vowel mark as a bar down the column: "一" turned a quarter.
            setFont(face, size > 1 ? MulDiv(size - 1, m_res, 72) : 0, st);
            const QFontMetrics fm = c.fontMetrics();
            const int w = fm.horizontalAdvance(QStringLiteral("一"));
            c.save();
            c.translate(left + w / 2.0, top + fm.height() / 2.0);
            c.rotate(90);
            c.setBackgroundMode(Qt::TransparentMode);
            const QPen saved = c.pen();
            c.setPen(m_textColour);
            c.drawText(QPointF(-w / 2.0, -fm.height() / 2.0 + fm.ascent()), QStringLiteral("一"));
            c.setPen(saved);
            c.restore();
            c.setFont(base);
        } else {
            drawText(left, top, ch);
        }
        yk += step;
    }
}

} // namespace

bool RenderSpoolPage(const QString& kind, SpoolTextFile& file, QPainter& canvas, int offsetX, int offsetY,
                     int slot, bool evenPage, int zoom, double scaleX, double scaleY, int fontResolution) {
    PageRenderer renderer(kind, file, canvas, offsetX, offsetY, slot, evenPage, zoom, scaleX, scaleY,
                          fontResolution);
    return renderer.run();
}

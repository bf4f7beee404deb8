// Random input for every reader of the record syntax: cut lines, huge numbers, bytes that are not CP932.
// Nothing may crash or hang.
#include "PrintTestSupport.h"

#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_SpoolFormat.h"

#include <random>

namespace {

QByteArray randomLine(std::mt19937& rng) {
    static const char* const pieces[] = {
        "TEXT",        "E",          "e",    "&",  "$",  "@",      "ORIENTATION", "LINE",
        "FORM",        "*MAVROLEX*", ";",    ";;", "\"", "$",      "$FFFFFFFFFF", "99999999999999999999",
        "-2147483649", "-",          "行間", "0",  "1",  "CENTER", "RIGHT",       "OFF",
        "ON",          "薄網掛",     "//",   "%d", "\t"};
    std::uniform_int_distribution<int> kind(0, 3), count(0, 12), byte(0, 255);
    std::uniform_int_distribution<size_t> piece(0, std::size(pieces) - 1);
    QByteArray line;
    const int n = count(rng);
    for (int i = 0; i < n; ++i) {
        switch (kind(rng)) {
        case 0:
            line += QByteArray(pieces[piece(rng)]);
            break;
        case 1:
            line += char(byte(rng)); // a lone lead byte, a trail byte, a control byte
            break;
        case 2:
            line += "\x82\xA0\x81"; // a character and half of one
            break;
        default:
            line += QByteArray::number(qint64(rng()) * (rng() % 2 ? -1 : 1));
            break;
        }
    }
    return line.replace('\n', ' ').replace('\r', ' ');
}

} // namespace

class ReaderFuzzTest : public PrintEngineTest {};

TEST_F(ReaderFuzzTest, RandomFilesNeverCrashOrHang) {
    std::mt19937 rng(20261208);
    EngineSettings.PageBango.Switch = true;
    const QString path = env->path() + QStringLiteral("/fuzz.spool");
    for (int file = 0; file < 150; ++file) {
        QByteArray bytes;
        QStringList lines;
        std::uniform_int_distribution<int> lineCount(0, 40);
        const int n = lineCount(rng);
        for (int i = 0; i < n; ++i) {
            const QByteArray line = randomLine(rng);
            bytes += line + (rng() % 5 ? "\r\n" : "\n");
            lines.append(QString::fromLatin1(line));
        }
        if (rng() % 3 == 0 && !bytes.isEmpty())
            bytes.chop(1 + int(rng() % qMin<qsizetype>(bytes.size(), 3))); // cut in the middle of a line
        ASSERT_TRUE(testenv::writeFile(path, bytes));

        const int pages = CountSpoolPages(path, true);
        EXPECT_GE(pages, 1);
        EXPECT_EQ(Engine().PageNumbers.size(), pages);
        EXPECT_EQ(ReadPageOrientations(path, 0).size(), pages);
        LoadFormVariables(path, 5, -5);
        EXPECT_LE(Engine().FormSeparators, kFormSlots);
        for (int slot = 0; slot < kFormSlots; ++slot)
            EXPECT_LE(Engine().Slots[size_t(slot)].FieldCount, kMaxDefinitions);
        EXPECT_GE(FormSlotOfPage(int(rng() % 20) + 1), 0);

        SpoolTextFile f;
        f.assign(path);
        ASSERT_TRUE(f.open());
        SeekSpoolPage(f, int(rng() % 8) + 1, true);
        f.rewind();
        QString line;
        QStringList decoded;
        while (f.readLine(line)) {
            decoded.append(line);
            SpoolRecord r(line);
            for (int i = 1; i <= r.fieldCount() + 1; ++i) {
                (void)r.intField(i);
                (void)ColourByWord(r.field(i), EngineSettings);
                (void)BackgroundByWord(r.field(i), EngineSettings);
                (void)AlignmentByWord(r.field(i));
                (void)FontStyleByWord(r.field(i));
                (void)FormatIntegers(r.field(i), {1, 1});
            }
            SpoolRecordKind(line);
            for (int i = 0; i < 4; ++i)
                SpoolFieldReader(line);
        }
        (void)ReadSpoolHeader(decoded);
    }
    EXPECT_TRUE(scripted().messageTexts().isEmpty());
}

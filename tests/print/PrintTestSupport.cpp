#include "PrintTestSupport.h"

#include "platform/Cp932.h"
#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_Function.h"

#include <QDir>
#include <QFile>
#include <QProcess>

QDateTime FixedPrintClock() {
    return QDateTime(QDate(2026, 12, 8), QTime(9, 5, 3));
}

void PrintEngineTest::SetUp() {
    env = std::make_unique<testenv::TempEnvironment>();
    ui = std::make_unique<ui::ScopedScriptedUi>();
    MavrolexClock = FixedPrintClock;
    EngineSettings = DefaultEngineSettings();
    MavrolexPreviewProc = nullptr;
    MavrolexPrintRunProc = nullptr;
    ShutdownMavrolexEngine();
    auto d = std::make_unique<RecordingPrinterDevice>();
    device = d.get();
    m_previous = InstallPrinterDevice(std::move(d));
    Engine();
}

void PrintEngineTest::TearDown() {
    ShutdownMavrolexEngine();
    InstallPrinterDevice(std::move(m_previous));
    MavrolexClock = nullptr;
    MavrolexPreviewProc = nullptr;
    MavrolexPrintRunProc = nullptr;
    EngineSettings = DefaultEngineSettings();
    ui.reset();
    env.reset();
}

RecordingPrinterDevice& PrintEngineTest::useDevice(std::unique_ptr<RecordingPrinterDevice> d) {
    ShutdownMavrolexEngine();
    device = d.get();
    InstallPrinterDevice(std::move(d));
    Engine();
    return *device;
}

QtPrinterDevice& PrintEngineTest::usePdfPrinter(int dpi) {
    ShutdownMavrolexEngine();
    QtPrinterDevice::Options options;
    options.systemPrinters = false;
    options.pdfFolder = env->path() + QStringLiteral("/pdf");
    options.pdfDpi = dpi;
    auto d = std::make_unique<QtPrinterDevice>(options);
    QtPrinterDevice& pdf = *d;
    device = nullptr;
    InstallPrinterDevice(std::move(d));
    Engine();
    return pdf;
}

QString RunTool(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString PrintEngineTest::writeSpool(const QString& name, const QStringList& lines) {
    QByteArray bytes;
    for (const QString& l : lines)
        bytes += cp932::encodeLossy(l) + "\r\n";
    const QString path = env->path() + QStringLiteral("/spool/") + name;
    EXPECT_TRUE(testenv::writeFile(path, bytes));
    return path;
}

QStringList PrintEngineTest::errorLogLines() const {
    QFile f(MavrolexErrorLogPath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList out = cp932::decode(f.readAll()).split(QStringLiteral("\r\n"));
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

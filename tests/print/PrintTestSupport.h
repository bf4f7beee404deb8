#pragma once
// The frame of every print engine test: temporary special folders, scripted message boxes, a recording
// printer device with the engine started on it, and fresh engine settings; all undone afterwards.

#include "RecordingPrinterDevice.h"
#include "support/TestEnv.h"

#include "platform/UserInteraction.h"
#include "print/QtPrinterDevice.h"

#include <QDateTime>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

class PrintEngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Installs another device and starts the engine on it.
    RecordingPrinterDevice& useDevice(std::unique_ptr<RecordingPrinterDevice> device);
    // Installs the PDF printer alone (documents below the temporary folder's "pdf") and starts the engine
    // on it; the recording device is gone then.
    QtPrinterDevice& usePdfPrinter(int dpi);

    // Writes lines as a CP932 file with CR LF line ends (created below the temporary folder).
    QString writeSpool(const QString& name, const QStringList& lines);
    ui::ScriptedUserInteraction& scripted() { return **ui; }
    // The log's lines, decoded.
    QStringList errorLogLines() const;

    std::unique_ptr<testenv::TempEnvironment> env;
    std::unique_ptr<ui::ScopedScriptedUi> ui;
    RecordingPrinterDevice* device = nullptr;

private:
    std::unique_ptr<PrinterDevice> m_previous;
};

// Standard output of a tool run with args (waits at most 20 s).
QString RunTool(const QString& tool, const QStringList& args);

// The fixed moment the engine's clock shows in tests: 2026-12-08 09:05:03.
QDateTime FixedPrintClock();

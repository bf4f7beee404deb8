#pragma once
// Driving the modal preview window in tests: StartPreview runs as the product runs it, and a body runs
// inside the window once its first activation has set it up.

#include "PrintTestSupport.h"

#include "print/Mavrolex_Imagedsp.h"

#include <functional>

class PreviewTest : public PrintEngineTest {
protected:
    // The dataset list of two landscape A4 pages, as the data selection writes it.
    QString datasetListSpool();
    // The record the dataset list is previewed with.
    TPmvxDEF listRecord(const QString& dataFile) const;

    // StartPreview(rec) with body run inside the window; the window is closed afterwards by its close
    // button unless the body closed it. Returns the close number.
    int preview(TPmvxDEF& rec, const std::function<void(TImageDispForm&)>& body);
    // Runs body inside the next modal dialog that action opens (the dialog is passed to it).
    static void inNextDialog(const std::function<void(QDialog&)>& body);
};

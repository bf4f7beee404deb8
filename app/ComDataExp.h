#pragma once
// The exporter of the linkage file: which tax application and form the file is for, the installed
// accounting product, the selected dataset's values and the output file. It writes SYSTEM and BASIC and
// leaves DATA to a descendant; it keeps the tax application's linkage ini "Corvane.ini".

#include "app/XMLSaveDoc.h"
#include "core/TDateTime.h"

#include <QString>
#include <QStringList>
#include <stdexcept>

// The one exception the export raises to the wizard. Codes: 4 an asset cannot be written, 7 reading the
// assets failed, 16 nothing to export (information), 256 business prefix not configured.
class EDataExportError : public std::runtime_error {
public:
    EDataExportError(const QString& message, int code, const QString& detail = {})
        : std::runtime_error(message.toStdString()), Message(message), Detail(detail), Code(code) {}
    QString Message;
    QString Detail;
    int Code;
};

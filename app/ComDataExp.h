#pragma once
// The exporter of the linkage file: which tax application and form the file is for, the installed
// accounting product, the selected dataset's values and the output file. It writes SYSTEM and BASIC and
// leaves DATA to a descendant; it keeps the tax application's linkage ini "Corvane.ini".

#include "app/XMLSaveDoc.h"
#include "core/TDateTime.h"

#include <QString>
#include <QStringList>
#include <stdexcept>
#include <vector>

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

// A linkage target: the tax application's form family the file is made for.
struct TLinkTarget {
    QString code;      // "HJ_G"
    QString section;   // its section of the linkage ini
    int selectionKind; // which datasets the data selection offers
    QStringList pages; // wizard pages kept, in order
};

const std::vector<TLinkTarget>& LinkTargets();
// nullptr for an unknown code.
const TLinkTarget* FindLinkTarget(const QString& code);

// Product version check: major, minor and release compared as numbers; an installed version without any
// number never passes.
bool CheckVersion(const QString& installed, const QString& required);

class TComDataExport {
public:
    // Reads the linkage ini. The product name and version come from the accounting product's registry key.
    TComDataExport(int functionId, const QString& outputFile);
    // Writes the linkage ini back.
    virtual ~TComDataExport();
    TComDataExport(const TComDataExport&) = delete;
    TComDataExport& operator=(const TComDataExport&) = delete;

    // Takes the selected dataset's values from SystemDef.DataDir and AccInf, as the data page does when
    // it is left.
    void TakeDataset();

    void SetSystemNode(TXmlSaveDoc& writer);
    void SetBasicNode(TXmlSaveDoc& writer);
    virtual void SetDataNode(TXmlSaveDoc& writer) = 0;

    void ReadLinkIni();
    void WriteLinkIni();
    QString LinkIniPath() const;
    // False when the linkage ini exists but could not be read; it is then not written back.
    bool LinkIniReadOk() const { return m_linkIniRead; }
    const TLinkTarget& Target() const;

    QString ExeName;
    QString ProgramDir;
    QString DataRoot;
    QString IniDir;
    QString Title;
    QString TaxProductName;
    QString TargetCode;
    int FunctionId = 0;
    QString BusinessPrefix;
    int FormatVersion = 1;
    int FileFunctionId = 1;
    QString ConnectedProgramVersion;
    QString ProductName;
    QString ProductVersion;
    QString RequiredVersion;
    QString CompanyName;
    int Nendo = 0;
    TDateTime Kishu, Kimatu;
    int Sime = 99;
    int IncomeKind = 0;
    int FractionSetting = 0;
    quint8 IncludeDetails = 0;
    QString DataDir;
    QString LinkData;
    int FirstSlot = 0, LastSlot = 0, LastUsableSlot = 0;
    int TaxDefUH = 0, TaxKanni = 0, TaxJigyou = 0;
    int PiledUpTax = 0;
    int DataType = 0, CodeType = 0;
    QString OutputFile;
    int SelectionDataKind = 1;
    QString ProductMajorMinor;
    QString DataMajorVersion;

private:
    bool m_linkIniRead = false;
    bool m_outputFileGiven = false;
};

// The accounting product's registry value under the maker's key: the last subkey whose name holds the
// product word and the major version ("rootdir" gives the product's data folder).
QString GetProductRegValue(int majorVersion, int variantLetter, const QString& valueName);

// The export of the wizard's Finish: SYSTEM, BASIC, DATA, then the file. 1 created, 3 nothing to export
// (information shown), 4 failed (error shown). Errors other than the export's own pass on.
int CreateLinkFile(TComDataExport& exporter);

#pragma once
// Code schemes of the system database (table USERCODE): a scheme file imported into its row, and the
// repair of rows whose data type and code type were stored as general corporate data (1 and 1).

#include "core/TMojiBunkatu.h"

#include <QString>
#include <QStringList>
#include <array>

struct TCodeTaikeiRec2 {
    qint32 RECNO = 0;
    QString NAME;
    qint32 DATATYPE = 0;
    qint32 CODETYPE = 0;
    QString Text1;
    qint32 Value1 = 0, Value2 = 0, Value3 = 0;
    QString SeihinKubun = QStringLiteral("-"); // product-category word of the header
    bool Flag = false;
    std::array<QStringList, 8> IniDat; // INIDAT1 .. INIDAT8
    QString Text2;
    qint32 Value4 = 0, Value5 = 0;
};

class TCodeTaikeiIO {
public:
    // Repairs the stored schemes at once (KubunSyufuku). The system database must be connected.
    TCodeTaikeiIO();

    // Reads the scheme file (CP932), checks its product-category word and writes row recno; true when
    // the row was written. A file that cannot be read throws std::runtime_error.
    bool ImportFile(const QString& path, qint32 recno);
    // Writes the row; a record number without a row gets a new row. False (after the report) on a
    // database error, and without a report for a record lacking its name, data type or code type.
    bool UpDateRecored(const TCodeTaikeiRec2& record);
    void KubunSyufuku();
    bool CheckSeihinKubun(const QString& word, QString& message) const;
    // Sorts the lines of a scheme file into the record's sections and reads its header.
    void ParseLines(const QStringList& lines, TCodeTaikeiRec2& record);

    double Version = 1.0;

private:
    TMojiBunkatu m_splitter;
};

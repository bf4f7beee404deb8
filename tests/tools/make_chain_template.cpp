// Brings the accounting database of the first release through every upgrade step and writes the result
// to the file given; the tests take their datasets from it (tests/support/AccountingChain.h).
//
//   make_chain_template <target.fdb>
//   make_chain_template --seed <file.sql>   (the rows the steps give a dataset, as statements)
#include "support/AccountingChain.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QFile>
#include <cstdio>
#include <exception>
#include <stdexcept>

int main(int argc, char** argv) {
    // The fixture's datasets come from the script itself here: this is what makes the other template.
    qputenv("QV_ACCOUNTING_TEMPLATE", "script");
    QApplication app(argc, argv);
    const bool seed = argc == 3 && QByteArray(argv[1]) == "--seed";
    if (argc != 2 && !seed) {
        std::fprintf(stderr, "usage: make_chain_template <target.fdb> | --seed <file.sql>\n");
        return 2;
    }
    try {
        if (seed) {
            QFile out(QString::fromLocal8Bit(argv[2]));
            const QByteArray text = testenv::stepSeedScript().toUtf8();
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(text) != text.size())
                throw std::runtime_error("cannot write the seed script");
            return 0;
        }
        testenv::buildAccountingChain(QString::fromLocal8Bit(argv[1]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

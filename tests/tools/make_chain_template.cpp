// Brings the accounting database of the first release through every upgrade step and writes the result
// to the file given; the tests take their datasets from it (tests/support/AccountingChain.h).
//
//   make_chain_template <target.fdb>
#include "support/AccountingChain.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    // The fixture's datasets come from the script itself here: this is what makes the other template.
    qputenv("QV_ACCOUNTING_TEMPLATE", "script");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_chain_template <target.fdb>\n");
        return 2;
    }
    try {
        testenv::buildAccountingChain(QString::fromLocal8Bit(argv[1]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

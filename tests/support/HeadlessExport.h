#pragma once
// One export of the wizard without its window, through the classes the wizard uses: the product identity,
// the start-up environment on a data root, the database module, the company information, the exporter
// and the data maker. The export driver (tests/tools/export_dataset) and the export benchmark run it.
//
// In place of the logon dialog the run takes operator 10 of the group, the first operator of every system
// database, without writing a logon row. The installed accounting product's version is not checked.

#include <QString>
#include <memory>

class THojinZeiGenkaDataExport;
class TStartupEnvironment;

namespace testenv {

class HeadlessExport {
public:
    HeadlessExport();
    // The close path: a dataset still connected loses its in-use mark and its list row is refreshed; the
    // exporter writes the linkage ini back.
    ~HeadlessExport();
    HeadlessExport(const HeadlessExport&) = delete;
    HeadlessExport& operator=(const HeadlessExport&) = delete;

    // Everything up to the summary page: false after the box that ends the run has been shown.
    bool Prepare(const QString& dataRoot, const QString& datasetFolder, const QString& outputFile,
                 int functionId);
    // Finish, as without a caller window: the wizard's exit code, 0 created, 1 nothing to export, 2 failed.
    int Finish();

    THojinZeiGenkaDataExport& exporter() { return *m_exporter; }

private:
    std::unique_ptr<THojinZeiGenkaDataExport> m_exporter;
    std::unique_ptr<TStartupEnvironment> m_environment;
};

} // namespace testenv

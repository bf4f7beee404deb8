#pragma once
// The LHA archiver of the data packages: our own writer (level-2 header, method -lh0-, one member,
// CRC-16) and liblhasa for reading and checking. Extraction restores only the one expected member, under
// its own base name; an archive with another or a second member, or a member name with a path part or
// "..", is refused and nothing is written. Outputs go to a temporary file renamed into place.
//
// Command lines as the communication roads give them:
//   a "<archive>" "<file>"              pack one file
//   e "<archive>" "<folder>/" ["<name>"]  extract the one member (named <name> when given)

#include <QString>

class QWidget;

enum TUnlhaResult : int {
    unlhaOk = 0,
    unlhaBadCommand = 1,
    unlhaCannotRead = 2,
    unlhaCannotWrite = 3,
    unlhaTooLarge = 4,
    unlhaBadArchive = 5,
    unlhaRefusedMember = 6,
    unlhaCrcError = 7,
};

// Whether the archiver can be used; the communication dialog refuses to start without it.
extern bool UnlhaAvailable;

// Runs a command line; 0 on success. The owner window is not used (nothing shows while it runs); the
// reason of a failure goes to *output when given.
int Unlha(QWidget* window, const QString& commandLine, QString* output = nullptr);
// Nonzero when the archive reads back completely with right checksums and holds one acceptable member.
int UnlhaCheckArchive(const QString& archive, int mode);

namespace lha {

int pack(const QString& archive, const QString& file, QString* error = nullptr);
// Empty expectedName: the one member is taken under its own (safe) name.
int extract(const QString& archive, const QString& folder, const QString& expectedName = {},
            QString* error = nullptr);
int check(const QString& archive, QString* error = nullptr);
// CRC-16 of LHA (polynomial 0xA001, reflected, start 0), continued from crc.
quint16 crc16(quint16 crc, const char* data, qsizetype size);

} // namespace lha

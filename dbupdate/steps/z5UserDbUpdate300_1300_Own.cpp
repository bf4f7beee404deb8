// The statements that steps 3.0.3 and 4.0.0 write into their scripts besides their files.

#include "dbupdate/z5DbUpdateSteps.h"

void Statements303(QStringList& lines) {
    (void)lines;
}

void Statements400(QStringList& lines) {
    (void)lines;
}

// System database steps 4.0.0 to 5.0.0: what each step writes and migrates.
// Not available yet: each step still writes only its version stamp.

#include "dbupdate/z5DbUpdateSteps.h"

TStepContent z5SystemDbUpdate400::Content() {
    return {};
}

TStepContent z5SystemDbUpdate402::Content() {
    return {};
}

TStepContent z5SystemDbUpdate500::Content() {
    return {};
}

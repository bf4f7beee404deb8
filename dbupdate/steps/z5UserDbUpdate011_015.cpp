// Accounting database steps 0.1.1 to 0.1.5: what each step writes and migrates.
// Not available yet: each step still writes only its version stamp.

#include "dbupdate/z5DbUpdateSteps.h"

TStepContent z5UserDbUpdate011::Content() {
    return {};
}

TStepContent z5UserDbUpdate012::Content() {
    return {};
}

TStepContent z5UserDbUpdate013::Content() {
    return {};
}

TStepContent z5UserDbUpdate014::Content() {
    return {};
}

TStepContent z5UserDbUpdate015::Content() {
    return {};
}

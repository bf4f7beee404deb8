// Accounting database steps 0.4.1 to 2.0.4: what each step writes and migrates.
// Not available yet: each step still writes only its version stamp.

#include "dbupdate/z5DbUpdateSteps.h"

TStepContent z5UserDbUpdate041::Content() {
    return {};
}

TStepContent z5UserDbUpdate100::Content() {
    return {};
}

TStepContent z5UserDbUpdate101::Content() {
    return {};
}

TStepContent z5UserDbUpdate102::Content() {
    return {};
}

TStepContent z5UserDbUpdate103::Content() {
    return {};
}

TStepContent z5UserDbUpdate105::Content() {
    return {};
}

TStepContent z5UserDbUpdate200::Content() {
    return {};
}

TStepContent z5UserDbUpdate204::Content() {
    return {};
}

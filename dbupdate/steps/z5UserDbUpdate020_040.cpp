// Accounting database steps 0.2.0 to 0.4.0: what each step writes and migrates.
// Not available yet: each step still writes only its version stamp.

#include "dbupdate/z5DbUpdateSteps.h"

TStepContent z5UserDbUpdate020::Content() {
    return {};
}

TStepContent z5UserDbUpdate021::Content() {
    return {};
}

TStepContent z5UserDbUpdate022::Content() {
    return {};
}

TStepContent z5UserDbUpdate030::Content() {
    return {};
}

TStepContent z5UserDbUpdate031::Content() {
    return {};
}

TStepContent z5UserDbUpdate032::Content() {
    return {};
}

TStepContent z5UserDbUpdate033::Content() {
    return {};
}

TStepContent z5UserDbUpdate034::Content() {
    return {};
}

TStepContent z5UserDbUpdate040::Content() {
    return {};
}

// System database steps 0.3.1 to 3.0.7: what each step writes and migrates.
// Not available yet: each step still writes only its version stamp.

#include "dbupdate/z5DbUpdateSteps.h"

TStepContent z5SystemDbUpdate031::Content() {
    return {};
}

TStepContent z5SystemDbUpdate032::Content() {
    return {};
}

TStepContent z5SystemDbUpdate033::Content() {
    return {};
}

TStepContent z5SystemDbUpdate101::Content() {
    return {};
}

TStepContent z5SystemDbUpdate300::Content() {
    return {};
}

TStepContent z5SystemDbUpdate305::Content() {
    return {};
}

TStepContent z5SystemDbUpdate307::Content() {
    return {};
}

// System database steps 7.0.0 to 12.0.0: what each step writes and migrates.
// Not available yet: each step still writes only its version stamp.

#include "dbupdate/z5DbUpdateSteps.h"

TStepContent z5SystemDbUpdate700::Content() {
    return {};
}

TStepContent z5SystemDbUpdate704::Content() {
    return {};
}

TStepContent z5SystemDbUpdate800::Content() {
    return {};
}

TStepContent z5SystemDbUpdate802::Content() {
    return {};
}

TStepContent z5SystemDbUpdate904::Content() {
    return {};
}

TStepContent z5SystemDbUpdate1004::Content() {
    return {};
}

TStepContent z5SystemDbUpdate1101::Content() {
    return {};
}

TStepContent z5SystemDbUpdate1200::Content() {
    return {};
}

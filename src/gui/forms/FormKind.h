#pragma once

namespace orvo {

// Every form a monitor window can show. A child frame switches between them by kind; the
// factory (FormFactory.cpp) says which exist so far.
enum class FormKind {
    Main,             // COrvodeskForm
    Shift,            // CShiftForm
    Download,         // CDownloadForm
    DownloadComplete, // CDLCompleteForm
    Interact,         // CInteractForm (Configure)
    Calibrate,        // CCalibrateForm (Leak Check)
    Diagnostics,      // CDiagnosticsForm (Diagnostics, Board Test)
    K0,               // CK0Form (K0 Audit, K0 Calibration)
    TiltCal,          // CTiltCalForm (Tilt Calibration, Tilt Audit)
    FlowCal,          // CFlowCalForm
    Graph,            // CGraphForm, in a window of its own
};

} // namespace orvo

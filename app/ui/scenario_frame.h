#pragma once
#include "frames.h"

// The child frame of a scenario's diagram window.
class CScenarioFrame : public CMDIChildWnd {
    Q_OBJECT
public:
    CScenarioFrame();
    // Opens a summary window on this frame's scenario.
    void OnNewSummaryWindow();
};

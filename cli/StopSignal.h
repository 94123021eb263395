#pragma once
// Ctrl+C (SIGINT) and SIGTERM act as STOP: the handler only records the
// signal and its moment, which the run reads between pictures and the
// decoders while they work. The handlers reset themselves, so a second
// signal ends the program at once.

#include "RenderStop.h"

void InstallStopSignals();
// The signal that asked to stop, or 0.
int StopSignalNumber();
// When it came; 0 while none did.
const TStopMoment& StopSignalMoment();
void ClearStopRequest();

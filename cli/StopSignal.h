#pragma once
// Ctrl+C (SIGINT) and SIGTERM act as STOP: the handler only raises a flag,
// which the run reads between pictures. The handlers reset themselves, so a
// second signal ends the program at once.

void InstallStopSignals();
bool StopRequested();
void ClearStopRequest();

#pragma once
// Ctrl+C (SIGINT) and SIGTERM act as STOP: the handler only records the
// signal, which the run reads between pictures. The handlers reset
// themselves, so a second signal ends the program at once.

void InstallStopSignals();
// The signal that asked to stop, or 0.
int StopSignalNumber();
void ClearStopRequest();

#pragma once

// The processors online now; at least 1.
int OnlineProcessorCount();

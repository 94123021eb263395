#include "AbVMStrm.h"

TAbVirtualMemoryStream::TAbVirtualMemoryStream() {}
TAbVirtualMemoryStream::~TAbVirtualMemoryStream() {}
int64_t TAbVirtualMemoryStream::Read(void*, int64_t) { return 0; }
int64_t TAbVirtualMemoryStream::Write(const void*, int64_t) { return 0; }
int64_t TAbVirtualMemoryStream::Seek(int64_t, int) { return 0; }
void TAbVirtualMemoryStream::SetSize(int64_t) {}
void TAbVirtualMemoryStream::SetMaxMemory(int32_t) {}

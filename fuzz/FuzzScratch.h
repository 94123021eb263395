#pragma once
// A private folder per fuzzing process for the files a target must write.

#include <cstddef>
#include <cstdint>
#include <string>

// Created on first use under $TMPDIR (or /tmp); the same folder afterwards.
const std::string& FuzzScratchFolder();
void WriteWholeFile(const std::string& path, const uint8_t* data, size_t size);
// Stops the run with a message libFuzzer shows beside the input.
[[noreturn]] void FuzzFail(const std::string& why);

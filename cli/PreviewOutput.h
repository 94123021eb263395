#pragma once
// Where --preview writes: never over the picture it shows, never over a file
// that is not a PNG, and never leaving a half-written PNG behind.

#include <cstdint>
#include <string>
#include <vector>

// Throws the refusal's message when output is the picture itself (the same
// file under any name) or an existing file that does not start like a PNG.
void CheckPreviewOutput(const std::string& output, const std::string& picture);

// Writes the bytes to a new file beside path and renames it over path, so
// that a failure (a full disk, say) leaves what path held before whole.
// Throws EFCreateError or EWriteError.
void ReplaceFileWith(const std::string& path, const std::vector<uint8_t>& bytes);

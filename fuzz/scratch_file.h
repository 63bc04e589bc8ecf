// Scratch files for harnesses whose code under test opens files by name: one
// per process and extension, on tmpfs when there is one, rewritten with every
// input and removed when the process exits normally.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// "<dir>/kv2007-fuzz-<pid><extension>", e.g. extension ".png".
std::string scratchFilePath(const char* extension);

// False when the file could not be written whole.
bool writeScratchFile(const std::string& path, const uint8_t* data, size_t size);

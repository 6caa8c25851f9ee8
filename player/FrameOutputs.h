// Where the pictures of the visualisation window go: one PNG per block
// into a folder (the video is VideoRecorder's).
#pragma once

#include <cstddef>
#include <string>

namespace kivo {

// The full path of a program found along PATH, or empty.
std::string FindOnPath(const std::string& program);

// "<folder>/frame-000042.png" for block 42.
std::string FramePngPath(const std::string& folder, std::size_t block);

}  // namespace kivo

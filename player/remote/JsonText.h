// JSON string literals for the remote command's output.
#pragma once

#include <string>

namespace kivo {

// `text` (UTF-8) as a quoted JSON string; control characters escaped.
std::string JsonString(const std::string& text);

}  // namespace kivo

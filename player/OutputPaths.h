// Checks of the command line's output paths before anything plays, so that
// a run does not end after minutes of work on a folder that is a file or
// cannot be written, with the reason the system gives.
#pragma once

#include <CLI/CLI.hpp>

namespace kivo {

// A folder to write files into (--frames): an existing writable folder, or
// one that can be made under the nearest folder that exists.
CLI::Validator OutputFolder();

// A file to write (--png, --video): not a folder, in a folder that exists
// and can be written.
CLI::Validator OutputFile();

}  // namespace kivo

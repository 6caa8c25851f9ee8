// Which code computes the transform and the band sums. Every path gives the
// scalar reference's band sums bit for bit; they differ only in speed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "plugin/FastKernel.h"

enum class TAnalysisPath { Scalar, Portable, Sse2, Avx2, Avx512 };

// The environment variable that forces a path: scalar, portable, sse2, avx2
// or avx512. Unset or empty picks the widest path the processor offers.
inline constexpr const char* kAnalysisPathVariable = "KOLMIRA_ANALYSIS_PATH";

std::string_view AnalysisPathName(TAnalysisPath path);
std::optional<TAnalysisPath> AnalysisPathNamed(std::string_view name);

// Whether this build and this processor can run the path.
bool AnalysisPathSupported(TAnalysisPath path);

// The widest path this processor offers.
TAnalysisPath WidestAnalysisPath();

// The path a forcing value asks for: the widest when `forced` is null or
// empty. A name that is unknown or that this processor cannot run gives the
// widest path and a one-line warning on `warning`.
TAnalysisPath ResolveAnalysisPath(const char* forced, std::string* warning);

// The path chosen once per process from the environment; a warning about
// the forcing value goes to standard error the first time.
TAnalysisPath DispatchedAnalysisPath();

// The kernel of a fast path; null for the scalar reference and for a path
// this build lacks.
const TFastKernel* FastKernelOf(TAnalysisPath path);

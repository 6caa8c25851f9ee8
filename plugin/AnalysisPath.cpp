#include "plugin/AnalysisPath.h"

#include <array>
#include <cstdlib>
#include <iostream>

namespace {

struct TPathEntry {
  TAnalysisPath Path;
  std::string_view Name;
  const TFastKernel* Kernel;
};

// Narrowest first, so that the widest supported path is the last one found.
#if defined(KOLMIRA_X86_PATHS)
constexpr std::array kPaths{
    TPathEntry{TAnalysisPath::Scalar, "scalar", nullptr},
    TPathEntry{TAnalysisPath::Portable, "portable", &kPortableKernel},
    TPathEntry{TAnalysisPath::Sse2, "sse2", &kSse2Kernel},
    TPathEntry{TAnalysisPath::Avx2, "avx2", &kAvx2Kernel},
};
#else
constexpr std::array kPaths{
    TPathEntry{TAnalysisPath::Scalar, "scalar", nullptr},
    TPathEntry{TAnalysisPath::Portable, "portable", &kPortableKernel},
    TPathEntry{TAnalysisPath::Sse2, "sse2", nullptr},
    TPathEntry{TAnalysisPath::Avx2, "avx2", nullptr},
};
#endif

const TPathEntry& EntryOf(TAnalysisPath path) {
  for (const TPathEntry& entry : kPaths) {
    if (entry.Path == path) return entry;
  }
  return kPaths.front();
}

bool ProcessorHas(TAnalysisPath path) {
#if defined(KOLMIRA_X86_PATHS)
  // SSE2 belongs to every x86-64 processor; AVX2 also needs the system to
  // save the wide registers, which the compiler's check includes.
  if (path == TAnalysisPath::Avx2) return __builtin_cpu_supports("avx2");
  return true;
#else
  return path == TAnalysisPath::Scalar || path == TAnalysisPath::Portable;
#endif
}

}  // namespace

std::string_view AnalysisPathName(TAnalysisPath path) { return EntryOf(path).Name; }

std::optional<TAnalysisPath> AnalysisPathNamed(std::string_view name) {
  for (const TPathEntry& entry : kPaths) {
    if (entry.Name == name) return entry.Path;
  }
  return std::nullopt;
}

bool AnalysisPathSupported(TAnalysisPath path) {
  const TPathEntry& entry = EntryOf(path);
  return (entry.Path == TAnalysisPath::Scalar || entry.Kernel != nullptr) && ProcessorHas(path);
}

TAnalysisPath WidestAnalysisPath() {
  TAnalysisPath widest = TAnalysisPath::Scalar;
  for (const TPathEntry& entry : kPaths) {
    if (AnalysisPathSupported(entry.Path)) widest = entry.Path;
  }
  return widest;
}

TAnalysisPath ResolveAnalysisPath(const char* forced, std::string* warning) {
  const TAnalysisPath widest = WidestAnalysisPath();
  if (forced == nullptr || *forced == '\0') return widest;
  const std::optional<TAnalysisPath> named = AnalysisPathNamed(forced);
  if (named && AnalysisPathSupported(*named)) return *named;
  if (warning != nullptr) {
    *warning = std::string(kAnalysisPathVariable) + "=" + forced +
               (named ? ": this processor cannot run that path"
                      : ": no such analysis path (scalar, portable, sse2, avx2)") +
               "; using " + std::string(AnalysisPathName(widest));
  }
  return widest;
}

TAnalysisPath DispatchedAnalysisPath() {
  static const TAnalysisPath path = [] {
    std::string warning;
    const TAnalysisPath chosen = ResolveAnalysisPath(std::getenv(kAnalysisPathVariable), &warning);
    if (!warning.empty()) std::cerr << "kolmira: " << warning << "\n";
    return chosen;
  }();
  return path;
}

const TFastKernel* FastKernelOf(TAnalysisPath path) {
  return AnalysisPathSupported(path) ? EntryOf(path).Kernel : nullptr;
}

#include "plugin/AnalysisPath.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <iostream>

#if defined(KOLMIRA_X86_PATHS)
#include <cpuid.h>
#endif

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
    TPathEntry{TAnalysisPath::Avx512, "avx512", &kAvx512Kernel},
};
#else
constexpr std::array kPaths{
    TPathEntry{TAnalysisPath::Scalar, "scalar", nullptr},
    TPathEntry{TAnalysisPath::Portable, "portable", &kPortableKernel},
    TPathEntry{TAnalysisPath::Sse2, "sse2", nullptr},
    TPathEntry{TAnalysisPath::Avx2, "avx2", nullptr},
    TPathEntry{TAnalysisPath::Avx512, "avx512", nullptr},
};
#endif

const TPathEntry& EntryOf(TAnalysisPath path) {
  for (const TPathEntry& entry : kPaths) {
    if (entry.Path == path) return entry;
  }
  return kPaths.front();
}

#if defined(KOLMIRA_X86_PATHS)
// Whether the system saves the opmask registers and all 512 bits of all 32
// vector registers on a switch (XCR0 bits 1, 2 and 5 to 7). The compiler's
// check asks this too; asking here as well keeps the path from depending on
// how a given runtime library reads it.
bool SystemSavesZmmState() {
  unsigned eax = 0;
  unsigned ebx = 0;
  unsigned ecx = 0;
  unsigned edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0 || (ecx & bit_OSXSAVE) == 0) return false;
  std::uint32_t low = 0;
  std::uint32_t high = 0;
  __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  constexpr std::uint32_t kZmmState = 0xE6;
  return (low & kZmmState) == kZmmState;
}
#endif

bool ProcessorHas(TAnalysisPath path) {
#if defined(KOLMIRA_X86_PATHS)
  // SSE2 belongs to every x86-64 processor; AVX2 also needs the system to
  // save the wide registers, which the compiler's check includes.
  if (path == TAnalysisPath::Avx2) return __builtin_cpu_supports("avx2");
  if (path == TAnalysisPath::Avx512) {
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
           SystemSavesZmmState();
  }
  return true;
#else
  return path == TAnalysisPath::Scalar || path == TAnalysisPath::Portable;
#endif
}

// "scalar, portable, ...", narrowest first.
std::string PathNames() {
  std::string names;
  for (const TPathEntry& entry : kPaths) {
    if (!names.empty()) names += ", ";
    names += entry.Name;
  }
  return names;
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
                      : ": no such analysis path (" + PathNames() + ")") +
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

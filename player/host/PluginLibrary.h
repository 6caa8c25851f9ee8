// The plug-in library, loaded for as long as this object lives, with its
// three entry points.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "plugin/EntryPoints.h"

namespace kivo {

class PluginError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TPluginLibrary {
 public:
  using TRun = TPinRun;
  using TSampling = TPinSampling;
  using TAbort = TPinAbort;

  // Raises PluginError, with the loader's reason, when the library cannot
  // be loaded or lacks an entry point.
  explicit TPluginLibrary(const std::string& path);
  ~TPluginLibrary();
  TPluginLibrary(const TPluginLibrary&) = delete;
  TPluginLibrary& operator=(const TPluginLibrary&) = delete;

  const std::string& Path() const { return FPath; }
  TRun Run() const { return FRun; }
  TSampling Sampling() const { return FSampling; }
  TAbort Abort() const { return FAbort; }

 private:
  void* Symbol(const char* name) const;

  std::string FPath;
  void* FHandle = nullptr;
  TRun FRun = nullptr;
  TSampling FSampling = nullptr;
  TAbort FAbort = nullptr;
};

}  // namespace kivo

#include "player/host/PluginLibrary.h"

#include <dlfcn.h>

namespace kivo {

TPluginLibrary::TPluginLibrary(const std::string& path) : FPath(path) {
  FHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (FHandle == nullptr) throw PluginError("cannot load the plug-in: " + std::string(dlerror()));
  try {
    FRun = reinterpret_cast<TRun>(Symbol("_pinRun"));
    FSampling = reinterpret_cast<TSampling>(Symbol("_pinSampling"));
    FAbort = reinterpret_cast<TAbort>(Symbol("_pinAbort"));
  } catch (...) {
    dlclose(FHandle);
    throw;
  }
}

TPluginLibrary::~TPluginLibrary() { dlclose(FHandle); }

void* TPluginLibrary::Symbol(const char* name) const {
  dlerror();
  void* address = dlsym(FHandle, name);
  if (address == nullptr)
    throw PluginError(FPath + " is no plug-in: it has no entry point " + name);
  return address;
}

}  // namespace kivo

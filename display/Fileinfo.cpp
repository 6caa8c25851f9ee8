#include "display/Fileinfo.h"

#include "platform/vcl/SysUtils.h"

namespace {

// Enters a directory for as long as it lives and then returns to where the
// process was. When that place cannot be determined it stays put, since it
// could not find its way back.
class TDirectoryVisit {
 public:
  explicit TDirectoryVisit(const std::string& dir) : FHome(GetCurrentDir()) {
    if (!FHome.empty()) SetCurrentDir(dir);
  }
  ~TDirectoryVisit() {
    if (!FHome.empty()) SetCurrentDir(FHome);
  }
  TDirectoryVisit(const TDirectoryVisit&) = delete;
  TDirectoryVisit& operator=(const TDirectoryVisit&) = delete;

 private:
  std::string FHome;
};

}  // namespace

std::string ExpandFileNameInDir(const std::string& path, const std::string& dir) {
  if (path.empty() || dir.empty()) return path;
  const TDirectoryVisit visit(dir);
  return ExpandFileName(path);
}

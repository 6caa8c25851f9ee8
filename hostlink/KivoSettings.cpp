// Where the skin's design file is, and the player's tool list, both kept in
// the player settings file: the player program's path with ".ini" for its
// extension. The file is opened for each operation and closed after it.
#include "hostlink/Kivo.h"
#include "hostlink/KivoConstants.h"
#include "platform/com/Bstr.h"
#include "platform/vcl/IniFiles.h"
#include "platform/vcl/SysUtils.h"

using namespace Kivo_tlb;

namespace {

constexpr const char* PlayerSection = "KIVO";
constexpr const char* DesignKey = "Design";
constexpr const char* ToolSection = "Tool";

// Makes a directory current for its lifetime and then restores the one that
// was current before, also when the work in between raises.
class TCurrentDirectory {
 public:
  explicit TCurrentDirectory(const std::string& Directory) : FPrevious(GetCurrentDir()) {
    FChanged = SetCurrentDir(Directory);
  }
  ~TCurrentDirectory() {
    if (FChanged) SetCurrentDir(FPrevious);
  }
  TCurrentDirectory(const TCurrentDirectory&) = delete;
  TCurrentDirectory& operator=(const TCurrentDirectory&) = delete;

 private:
  std::string FPrevious;
  bool FChanged = false;
};

}  // namespace

// Without a known player program this is ".ini", which the platform's INI
// files take from the current directory.
std::string TKIVO::SettingsFileName() const { return ChangeFileExt(HostPath, ".ini"); }

std::string TKIVO::ExpandDesignPath(const std::string& Design) const {
  const TCurrentDirectory hostDirectory(ExtractFileDir(HostPath));
  return ExpandFileName(Design);
}

// Bound, the player's own answer, as it came; unbound, or when the player
// fails the read, the settings file's value resolved against the player
// program's directory.
std::string TKIVO::GetDesign() {
  if (Bound) {
    if (const TComPtr<IKIVOControl> control = HeldInterface(FControl)) {
      TBstr design;
      if (SUCCEEDED(CheckResult(control->get_Design(design.Put()),
                                "this->get_Design((BSTR*)&Value)", "Kivo_tlb.h", __LINE__)))
        return BstrToString(design.Get());
    }
  }
  const std::string design = TIniFile(SettingsFileName()).ReadString(PlayerSection, DesignKey, "");
  if (design.empty()) return {};
  return ExpandDesignPath(design);
}

void TKIVO::SetDesign(const std::string& Path) {
  if (!Bound) {
    TIniFile(SettingsFileName()).WriteString(PlayerSection, DesignKey, Path);
    return;
  }
  if (const TComPtr<IKIVOControl> control = HeldInterface(FControl)) {
    const TBstr design = StringToBstr(Path);
    control->set_Design(design.Get());
  }
}

bool TKIVO::ToolExists(const std::string& Name) const {
  return TIniFile(SettingsFileName()).ValueExists(ToolSection, Name);
}

void TKIVO::SetTool(const std::string& Name, const std::string& Value) {
  TIniFile(SettingsFileName()).WriteString(ToolSection, Name, Value);
  Post(static_cast<int>(MessageId), static_cast<int>(ToolChangeMessage), 0);
}

void TKIVO::DeleteTool(const std::string& Name) {
  TIniFile(SettingsFileName()).DeleteKey(ToolSection, Name);
  Post(static_cast<int>(MessageId), static_cast<int>(ToolChangeMessage), 0);
}

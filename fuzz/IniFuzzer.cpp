// Feeds arbitrary text to the INI reader and to comma-text splitting. The
// INI text must come back byte for byte, a written key must read back, and
// a list's comma text must split into the same items again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/vcl/IniDocument.h"
#include "platform/vcl/StringList.h"

namespace {

void CheckIni(std::string_view text) {
  TIniDocument document(text);
  if (document.Text() != text) std::abort();
  for (const auto& section : document.Sections()) {
    for (const auto& key : document.Keys(section)) {
      if (!document.Value(section, key)) std::abort();
    }
  }
  document.SetValue("Fuzz", "Key", "value");
  if (document.Value("fuzz", "KEY") != "value") std::abort();
  TIniDocument reread(document.Text());
  if (reread.Value("Fuzz", "Key") != "value") std::abort();
}

void CheckCommaText(std::string_view text) {
  TStringList list;
  list.SetCommaText(text);
  TStringList again;
  again.SetCommaText(list.CommaText());
  if (again.Count() != list.Count()) std::abort();
  for (int i = 0; i < list.Count(); ++i) {
    if (again.Strings(i) != list.Strings(i)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckIni(text);
  CheckCommaText(text);
  return 0;
}

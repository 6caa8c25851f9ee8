#include "platform/com/Bstr.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <string_view>

#include "platform/win/CodePage.h"

namespace {

using TLengthPrefix = std::uint32_t;

// The prefix sits right before the characters; the block starts there.
void* BlockOf(BSTR text) { return reinterpret_cast<char*>(text) - sizeof(TLengthPrefix); }

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* source, UINT length) {
  constexpr std::size_t kMaxLength =
      (std::numeric_limits<TLengthPrefix>::max() - sizeof(OLECHAR)) / sizeof(OLECHAR);
  if (length > kMaxLength) return nullptr;
  const std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
  void* block = std::calloc(sizeof(TLengthPrefix) + bytes + sizeof(OLECHAR), 1);
  if (block == nullptr) return nullptr;
  const auto prefix = static_cast<TLengthPrefix>(bytes);
  std::memcpy(block, &prefix, sizeof prefix);
  auto* text = reinterpret_cast<BSTR>(static_cast<char*>(block) + sizeof(TLengthPrefix));
  if (source != nullptr) std::memcpy(text, source, bytes);
  return text;
}

BSTR SysAllocString(const OLECHAR* source) {
  if (source == nullptr) return nullptr;
  return SysAllocStringLen(source, static_cast<UINT>(std::char_traits<OLECHAR>::length(source)));
}

UINT SysStringLen(BSTR text) {
  if (text == nullptr) return 0;
  TLengthPrefix bytes;
  std::memcpy(&bytes, BlockOf(text), sizeof bytes);
  return bytes / sizeof(OLECHAR);
}

void SysFreeString(BSTR text) {
  if (text != nullptr) std::free(BlockOf(text));
}

TBstr& TBstr::operator=(TBstr&& other) noexcept {
  if (this != &other) {
    SysFreeString(FText);
    FText = std::exchange(other.FText, nullptr);
  }
  return *this;
}

BSTR* TBstr::Put() {
  SysFreeString(std::exchange(FText, nullptr));
  return &FText;
}

namespace {

// Lengths beyond the range of the conversion functions' int counts.
void CheckConvertible(std::size_t length) {
  if (length > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    throw std::length_error("text too long to convert");
  }
}

}  // namespace

std::string BstrToString(BSTR text) {
  std::u16string_view characters(text, SysStringLen(text));
  characters = characters.substr(0, characters.find(u'\0'));
  if (characters.empty()) return {};
  CheckConvertible(characters.size());
  const int sourceLength = static_cast<int>(characters.size());
  const int needed =
      WideCharToMultiByte(CP_ACP, 0, characters.data(), sourceLength, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, 0, characters.data(), sourceLength, result.data(), needed, nullptr,
                      nullptr);
  return result;
}

TBstr StringToBstr(const std::string& text) {
  if (text.empty()) return TBstr(SysAllocStringLen(nullptr, 0));
  CheckConvertible(text.size());
  const int sourceLength = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), sourceLength, nullptr, 0);
  TBstr result(SysAllocStringLen(nullptr, static_cast<UINT>(needed)));
  if (result.Get() == nullptr) throw std::bad_alloc();
  MultiByteToWideChar(CP_ACP, 0, text.data(), sourceLength, result.Get(), needed);
  return result;
}

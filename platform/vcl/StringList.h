// TStringList: an indexed list of strings with the comma-text and
// name=value conventions of the component library.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/vcl/SysUtils.h"

// An index outside a string list.
class EStringListError : public Exception {
 public:
  explicit EStringListError(std::string message);
  ~EStringListError() override;
};

class TStringList {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  // Raise EStringListError for an index outside 0 .. Count() - 1.
  const std::string& Strings(int index) const;
  void SetStrings(int index, const std::string& value);

  // Adds at the end and returns the new item's index.
  int Add(const std::string& value);
  // index may be Count(), which appends.
  void Insert(int index, const std::string& value);
  void Delete(int index);
  void Clear() { FItems.clear(); }
  // Index of the first item equal to value without regard to case, or -1.
  int IndexOf(std::string_view value) const;

  // The items separated by commas. An item holding a blank, comma, quote
  // or control character is written in double quotes with its quotes
  // doubled; an empty item is written as nothing, except that a list of
  // one empty item is "".
  std::string CommaText() const;
  // Replaces the items by those of a comma list. Items are separated by a
  // comma or by blanks (and control characters), blanks around commas
  // dropped; an item in double quotes may hold either, with "" for a quote.
  // Two commas in a row, or a comma at the end, give an empty item.
  void SetCommaText(std::string_view text);

  // For items of the form name=value: the name part of item index (empty
  // when it has no '='), the value of the first item whose name matches
  // without regard to case (empty when none), and that item's index or -1.
  std::string Names(int index) const;
  std::string Values(std::string_view name) const;
  int IndexOfName(std::string_view name) const;
  // Sets the value of the named item, adding it when missing; an empty
  // value deletes the item.
  void SetValues(std::string_view name, const std::string& value);

 private:
  void CheckIndex(int index, int limit) const;

  std::vector<std::string> FItems;
};

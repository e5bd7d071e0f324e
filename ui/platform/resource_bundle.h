// An immutable catalogue of texts by locale and key, built once by the
// application and shared as std::shared_ptr<const ResourceBundle>.
//
// A lookup walks the locale fallback chain (the requested tag, its shorter
// prefixes, then the bundle's default tag and its prefixes) and then asks the
// parent bundle. Being immutable, a bundle may be read from any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui/platform/plural_rules.h"

namespace win32_ui::modern {

// One catalogue row. The locale may be spelled in any letter case, with '-'
// or '_' between subtags.
struct ResourceEntry {
  std::wstring locale;
  std::wstring key;
  std::wstring text;
};

class ResourceBundle {
 public:
  // Later rows replace earlier ones with the same (normalised) locale and key.
  ResourceBundle(std::vector<ResourceEntry> entries, std::wstring default_locale,
                 std::shared_ptr<const ResourceBundle> parent);

  // The default tag exactly as given.
  const std::wstring& default_locale() const { return default_locale_; }

  std::optional<std::wstring> find(std::wstring_view locale, std::wstring_view key) const;

  // Tries, per chain tag, "key.<category>" and then "key.other", so a
  // specific locale's general form beats a less specific locale's exact
  // form; then the bare key along the chain; then the parent.
  std::optional<std::wstring> find_plural(std::wstring_view locale, std::wstring_view key,
                                          PluralCategory category) const;

 private:
  struct WideHash {
    using is_transparent = void;
    std::size_t operator()(std::wstring_view text) const noexcept {
      return std::hash<std::wstring_view>{}(text);
    }
  };
  using TextsByKey = std::unordered_map<std::wstring, std::wstring, WideHash, std::equal_to<>>;

  const std::wstring* lookup(const std::wstring& normalized_locale, std::wstring_view key) const;

  std::unordered_map<std::wstring, TextsByKey> table_;
  std::wstring default_locale_;
  std::shared_ptr<const ResourceBundle> parent_;
};

}  // namespace win32_ui::modern

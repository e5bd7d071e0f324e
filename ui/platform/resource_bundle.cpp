#include "ui/platform/resource_bundle.h"

#include <utility>

#include "ui/platform/locale_tag.h"

namespace win32_ui::modern {

ResourceBundle::ResourceBundle(std::vector<ResourceEntry> entries, std::wstring default_locale,
                               std::shared_ptr<const ResourceBundle> parent)
    : default_locale_(std::move(default_locale)), parent_(std::move(parent)) {
  for (ResourceEntry& entry : entries) {
    table_[normalize_locale_tag(entry.locale)].insert_or_assign(std::move(entry.key),
                                                                std::move(entry.text));
  }
  // The rows are not needed once the table holds them.
  std::vector<ResourceEntry>().swap(entries);
}

const std::wstring* ResourceBundle::lookup(const std::wstring& normalized_locale,
                                           std::wstring_view key) const {
  const auto texts = table_.find(normalized_locale);
  if (texts == table_.end()) {
    return nullptr;
  }
  const auto text = texts->second.find(key);
  return text == texts->second.end() ? nullptr : &text->second;
}

std::optional<std::wstring> ResourceBundle::find(std::wstring_view locale,
                                                 std::wstring_view key) const {
  for (const std::wstring& tag : locale_fallback_chain(locale, default_locale_)) {
    if (const std::wstring* text = lookup(tag, key)) {
      return *text;
    }
  }
  if (parent_) {
    return parent_->find(locale, key);
  }
  return std::nullopt;
}

std::optional<std::wstring> ResourceBundle::find_plural(std::wstring_view locale,
                                                        std::wstring_view key,
                                                        PluralCategory category) const {
  const std::vector<std::wstring> chain = locale_fallback_chain(locale, default_locale_);

  std::wstring exact_key(key);
  exact_key += L'.';
  exact_key += plural_category_name(category);
  std::wstring other_key(key);
  other_key += L".other";
  const bool try_other = plural_category_name(category) != L"other";

  for (const std::wstring& tag : chain) {
    if (const std::wstring* text = lookup(tag, exact_key)) {
      return *text;
    }
    if (try_other) {
      if (const std::wstring* text = lookup(tag, other_key)) {
        return *text;
      }
    }
  }
  for (const std::wstring& tag : chain) {
    if (const std::wstring* text = lookup(tag, key)) {
      return *text;
    }
  }
  if (parent_) {
    return parent_->find_plural(locale, key, category);
  }
  return std::nullopt;
}

}  // namespace win32_ui::modern

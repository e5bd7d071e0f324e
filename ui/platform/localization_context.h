// The locale of one view surface or window: turns LocalizedText into display
// text through a resource bundle, a fallback lookup, the plural rules and a
// locale formatter.
//
// Holders of resolved text remember the revision they resolved at and resolve
// again when it moves; every setter that changes something raises it. Used
// on the UI thread that owns the surface or window; movable, and replaced
// whole when a surface gets a new one. Resolution never fails: a text missing
// everywhere shows as its key.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ui/platform/locale_formatter.h"
#include "ui/platform/localized_text.h"
#include "ui/platform/plural_rules.h"
#include "ui/platform/resource_bundle.h"

namespace win32_ui::modern {

class LocalizationContext {
 public:
  // Asked for a key that no bundle holds; its answer is shown as is.
  using Fallback = std::function<std::wstring(std::wstring_view key)>;

  LocalizationContext(std::wstring locale, Fallback fallback);

  // Each raises the revision only when the stored value changes (the tag
  // compared exactly, bundle and formatter by pointer).
  void set_locale(std::wstring locale);
  void set_bundle(std::shared_ptr<const ResourceBundle> bundle);
  void set_formatter(std::shared_ptr<const LocaleFormatter> formatter);
  // Always raises the revision: functions cannot be compared.
  void set_fallback(Fallback fallback);

  const std::wstring& locale() const { return locale_; }
  std::shared_ptr<const ResourceBundle> bundle() const { return bundle_; }
  std::shared_ptr<const LocaleFormatter> formatter() const { return formatter_; }
  bool has_formatter() const { return formatter_ != nullptr; }
  std::uint64_t revision() const { return revision_; }

  // Layout and text direction of the surface: the languages written right to
  // left (ar, dv, fa, he, ku, ps, sd, ug, ur, yi).
  bool is_right_to_left() const;

  std::wstring resolve(const LocalizedText& text) const;

  PluralCategory plural_category(double value) const;
  // Through the formatter for this locale when one is set, else in fixed
  // notation (format_number_fallback).
  std::wstring format_number(double value, NumberFormatOptions options) const;

 private:
  std::wstring locale_;
  Fallback fallback_;
  std::shared_ptr<const ResourceBundle> bundle_;
  std::shared_ptr<const LocaleFormatter> formatter_;
  std::uint64_t revision_ = 1;
};

}  // namespace win32_ui::modern

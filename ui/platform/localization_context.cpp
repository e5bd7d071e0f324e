#include "ui/platform/localization_context.h"

#include <array>
#include <optional>
#include <utility>

#include "ui/platform/locale_tag.h"

namespace win32_ui::modern {
namespace {

constexpr std::array<std::wstring_view, 10> kRightToLeftLanguages = {
    L"ar", L"dv", L"fa", L"he", L"ku", L"ps", L"sd", L"ug", L"ur", L"yi"};

// Replaces every `placeholder` in `text`, scanning from the start and going on
// after each inserted `value`, so the value itself is never matched again.
void replace_all(std::wstring& text, std::wstring_view placeholder, std::wstring_view value) {
  std::size_t position = 0;
  while ((position = text.find(placeholder, position)) != std::wstring::npos) {
    text.replace(position, placeholder.size(), value);
    position += value.size();
  }
}

}  // namespace

LocalizationContext::LocalizationContext(std::wstring locale, Fallback fallback)
    : locale_(std::move(locale)), fallback_(std::move(fallback)) {}

void LocalizationContext::set_locale(std::wstring locale) {
  if (locale == locale_) {
    return;
  }
  locale_ = std::move(locale);
  ++revision_;
}

void LocalizationContext::set_bundle(std::shared_ptr<const ResourceBundle> bundle) {
  if (bundle == bundle_) {
    return;
  }
  bundle_ = std::move(bundle);
  ++revision_;
}

void LocalizationContext::set_formatter(std::shared_ptr<const LocaleFormatter> formatter) {
  if (formatter == formatter_) {
    return;
  }
  formatter_ = std::move(formatter);
  ++revision_;
}

void LocalizationContext::set_fallback(Fallback fallback) {
  fallback_ = std::move(fallback);
  ++revision_;
}

bool LocalizationContext::is_right_to_left() const {
  const std::wstring language = primary_language_subtag(locale_);
  for (std::wstring_view candidate : kRightToLeftLanguages) {
    if (language == candidate) {
      return true;
    }
  }
  return false;
}

PluralCategory LocalizationContext::plural_category(double value) const {
  return plural_category_for_language(primary_language_subtag(locale_), value);
}

std::wstring LocalizationContext::format_number(double value, NumberFormatOptions options) const {
  if (formatter_) {
    return formatter_->format_number(locale_, value, options);
  }
  return format_number_fallback(value, options);
}

std::wstring LocalizationContext::resolve(const LocalizedText& text) const {
  std::wstring result;
  if (text.kind == LocalizedText::kLiteral) {
    result = text.text;
  } else if (text.kind == LocalizedText::kPlural) {
    const PluralCategory category = plural_category(text.count);
    std::optional<std::wstring> found;
    if (bundle_) {
      found = bundle_->find_plural(locale_, text.text, category);
    }
    if (found) {
      result = std::move(*found);
    } else if (fallback_) {
      std::wstring key = text.text;
      key += L'.';
      key += plural_category_name(category);
      result = fallback_(key);
    } else {
      result = text.text;
    }
    const NumberFormatOptions count_options{0, 15, true};
    replace_all(result, L"{count}", format_number(text.count, count_options));
  } else {
    std::optional<std::wstring> found;
    if (bundle_) {
      found = bundle_->find(locale_, text.text);
    }
    if (found) {
      result = std::move(*found);
    } else if (fallback_) {
      result = fallback_(text.text);
    } else {
      result = text.text;
    }
  }

  // One argument at a time over the whole current text: what was inserted
  // for "{0}" is scanned again for "{1}" and later placeholders.
  for (std::size_t i = 0; i < text.args.size(); ++i) {
    const std::wstring placeholder = L"{" + std::to_wstring(i) + L"}";
    replace_all(result, placeholder, text.args[i]);
  }
  return result;
}

}  // namespace win32_ui::modern

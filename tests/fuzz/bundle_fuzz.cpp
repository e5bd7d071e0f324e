// Resource bundles and the placeholders of resolved texts: any rows, tags,
// keys, arguments and counts resolve to some text without fault, and a
// row is found again under the locale and key it was stored with.
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "tests/fuzz/fuzz_support.h"
#include "ui/platform/locale_tag.h"
#include "ui/platform/localization_context.h"
#include "ui/platform/plural_rules.h"
#include "ui/platform/resource_bundle.h"

using namespace win32_ui::modern;
using quorvel::fuzz::check;
using quorvel::fuzz::take_wide;

namespace {

std::vector<ResourceEntry> take_entries(FuzzedDataProvider& input) {
  std::vector<ResourceEntry> entries(input.ConsumeIntegralInRange(0, 12));
  for (ResourceEntry& entry : entries) {
    entry.locale = take_wide(input, 12);
    entry.key = take_wide(input, 12);
    entry.text = take_wide(input, 64);
  }
  return entries;
}

// The text the last row with the same normalised locale and key holds.
using Expected = std::map<std::pair<std::wstring, std::wstring>, std::wstring>;

Expected last_rows(const std::vector<ResourceEntry>& entries) {
  Expected expected;
  for (const ResourceEntry& entry : entries) {
    expected[{normalize_locale_tag(entry.locale), entry.key}] = entry.text;
  }
  return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  auto parent = std::make_shared<const ResourceBundle>(take_entries(input), take_wide(input, 12),
                                                       nullptr);
  const std::vector<ResourceEntry> entries = take_entries(input);
  const Expected expected = last_rows(entries);
  auto bundle = std::make_shared<const ResourceBundle>(entries, take_wide(input, 12), parent);
  for (const auto& [locale_and_key, text] : expected) {
    if (locale_and_key.first.empty()) continue;
    const auto found = bundle->find(locale_and_key.first, locale_and_key.second);
    check(found.has_value() && *found == text, "row found under its locale and key");
  }

  LocalizationContext context(take_wide(input, 12), nullptr);
  context.set_bundle(bundle);
  LocalizedText text;
  text.kind = input.ConsumeIntegral<int32_t>();
  text.text = take_wide(input, 64);
  text.args.resize(input.ConsumeIntegralInRange(0, 3));
  for (std::wstring& arg : text.args) arg = take_wide(input, 32);
  text.count = input.ConsumeFloatingPoint<double>();
  const std::wstring resolved = context.resolve(text);
  if (text.kind == LocalizedText::kLiteral && text.args.empty()) {
    check(resolved == text.text, "a literal without arguments stays as it is");
  }
  const auto category = static_cast<int32_t>(context.plural_category(text.count));
  check(category >= 0 && category <= 5, "plural category in range");
  (void)context.is_right_to_left();
  return 0;
}

// CompactJsonObject writes the one-level JSON objects that the account
// client sends: string members in the order they are added, each value
// escaped with json_escape, no white space anywhere. A plain value used on
// one thread while a body is built.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "account/json_text.h"

namespace halvarin::sdk {

class CompactJsonObject {
 public:
  CompactJsonObject& add(std::string_view name, std::string_view value) {
    text_ += text_.size() == 1 ? "\"" : ",\"";
    text_ += name;
    text_ += "\":\"";
    text_ += json_escape(value);
    text_ += '"';
    return *this;
  }

  // The finished object; the writer is spent.
  std::string close() && { return std::move(text_) + "}"; }

 private:
  std::string text_ = "{";
};

}  // namespace halvarin::sdk

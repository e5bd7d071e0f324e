// The card that names the connected account (or says that none is): an
// icon beside the name and e-mail, or the no-account title and line. Built
// for the account dialog; the caller owns the returned view. UI thread only.
#pragma once

#include <memory>
#include <optional>

#include "account/account_identity.h"
#include "account/ui/account_texts.h"
#include "ui/views/view.h"

namespace halvarin::sdk::ui {

std::unique_ptr<win32_ui::modern::View> build_account_panel(
    Language language, const std::optional<AccountIdentity>& identity);

}  // namespace halvarin::sdk::ui

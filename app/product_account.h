// The account service of the product: the account client made and started
// for this application, behind the App's AccountPort. Owned by the App for
// its whole run; UI thread.
#pragma once

#include <memory>

#include "app/account_port.h"

namespace quorvel::windows {

std::unique_ptr<AccountPort> make_product_account();

}  // namespace quorvel::windows

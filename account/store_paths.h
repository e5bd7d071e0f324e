// Where the account client keeps its protected files for the current
// Windows user: %LOCALAPPDATA%\Halvarin for the built-in service root, and
// %LOCALAPPDATA%\Halvarin\environments\<32 hex digits of the root's SHA-256>
// for any other root, so that the files of one server never meet another.
// LOCALAPPDATA is read anew on every call; every function answers an empty
// path when it is not set. No state; safe on any thread.
#pragma once

#include <string>
#include <string_view>

#include "account/client_configuration.h"

namespace halvarin::sdk {

// The data directory of `configuration.base_url`; empty when LOCALAPPDATA
// is not set or hashing fails.
std::wstring data_directory(const ClientConfiguration& configuration);

// <data directory>\<client_id>\<file_name>.
std::wstring session_file_path(const ClientConfiguration& configuration,
                               std::wstring_view file_name);

// <data directory>\identity\<application_id>\<file_name>.
std::wstring identity_file_path(const ClientConfiguration& configuration,
                                std::wstring_view file_name);

// <data directory>\identity\platform.dat, shared by every application id.
std::wstring platform_file_path(const ClientConfiguration& configuration);

}  // namespace halvarin::sdk

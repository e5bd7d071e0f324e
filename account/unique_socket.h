// RAII owner of a Winsock socket, built on the one handle-owner template: the
// socket is closed with close_socket when the owner goes away or is reset.
// Owned by one thread at a time.
#pragma once

#include <winsock2.h>

#include "engine/unique_handle.h"

namespace halvarin::sdk {

// closesocket, unless the handle is INVALID_SOCKET.
void close_socket(SOCKET socket) noexcept;

struct SocketTraits {
  using Handle = SOCKET;
  static Handle invalid() noexcept { return INVALID_SOCKET; }
  static void close(Handle socket) noexcept { close_socket(socket); }
};

using UniqueSocket = quorvel::windows::UniqueHandle<SocketTraits>;

}  // namespace halvarin::sdk

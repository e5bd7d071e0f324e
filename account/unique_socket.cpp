#include "account/unique_socket.h"

namespace halvarin::sdk {

void close_socket(SOCKET socket) noexcept {
  if (socket != INVALID_SOCKET) closesocket(socket);
}

}  // namespace halvarin::sdk

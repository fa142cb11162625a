#include "platform/SocketOptions.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <wx/socket.h>

bool DisableNagle(wxSocketBase& socket) {
  const int on = 1;
  return socket.SetOption(IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

bool NagleDisabled(wxSocketBase& socket) {
  int value = 0;
  int length = sizeof value;
  return socket.GetOption(IPPROTO_TCP, TCP_NODELAY, &value, &length) && value != 0;
}

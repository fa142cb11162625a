#pragma once
// Socket options that the wxWidgets socket classes do not name.
class wxSocketBase;

// Switches Nagle's algorithm off on a TCP socket (TCP_NODELAY), so that a
// short command leaves at once instead of waiting for the acknowledgement of
// the one before. False when the option cannot be set.
bool DisableNagle(wxSocketBase& socket);
// Whether Nagle's algorithm is off on the socket.
bool NagleDisabled(wxSocketBase& socket);

// The serial profile of a session: the HDLC server layer on a serial port layer, built
// from the settings when the session starts and torn down with it (the link before its
// port).
#pragma once
#include <memory>
#include <string>

namespace zv {

class TSessionStack;
struct TSessionStackCallbacks;

// Opens the port of the settings' port number at their baud rate and starts the link in
// disconnected mode; raises when the port cannot be opened. DevicePath, when not empty,
// names the device to open instead of the one of the port number.
std::unique_ptr<TSessionStack> MakeHDLCSessionStack(const TSessionStackCallbacks& Callbacks,
                                                   const std::string& DevicePath);

}  // namespace zv

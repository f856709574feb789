// The window program's part in automation: the register and unregister
// switches, and the automation server beside the window or in its place.
#pragma once

#include "CommandLine.h"
#include "TarnelServer.h"

#include <memory>

// Writes or removes the activation file; the exit status (0 on success).
int RunRegistrationSwitch(CommandLine::Launch launch);

// Puts the automation object on the session bus; null, with the reason on
// standard error, when it cannot serve.
std::unique_ptr<TarnelServer> StartTarnelServer(TarnelServer::Mode mode);

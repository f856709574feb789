// The PC/SC calls the reader transport and the card wait share: bounded
// calls to pcscd, contexts and the reader list. For felica's own files only.
#pragma once

#include <PCSC/winscard.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace felica::pcsc {

// Runs a PC/SC call on a thread of its own and stops waiting for it after
// `limit`; SCARD_E_TIMEOUT means given up (the call keeps its thread).
LONG bounded(std::function<LONG()> call, std::chrono::milliseconds limit);
// A user context, within the set-up limit.
LONG establish(SCARDCONTEXT& context);
// Releases a context; a call that never returned keeps it.
void release(SCARDCONTEXT context);
// The reader names pcscd lists; "" or why not.
std::string readerNames(SCARDCONTEXT context, std::vector<std::string>& names);
// `what` and the result, or the words for a pcscd that does not run.
std::string connectError(const std::string& what, LONG rv);

}  // namespace felica::pcsc

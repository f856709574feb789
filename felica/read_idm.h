// The IDm of whatever card lies on the reader: open the reader, poll for any
// system (FF FF, time slot 0), close the reader again in every case.
// Plain C++, no Qt. The library must be initialised.
#pragma once

#include "frames.h"

namespace felica {

enum class IdmRead { Ok, NoReader, NoCard };

IdmRead readCardIdm(Idm& idm);

}  // namespace felica

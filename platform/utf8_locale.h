// The programs work in UTF-8 (Qt's local 8-bit encoding is UTF-8). Where the
// user's locale has another character encoding (LANG unset in a cron job or
// a service, LC_ALL=C), Qt switches the character type to UTF-8 itself and
// says so in four lines on standard error, which a script takes for a
// message of ours. The programs make the same switch quietly, first thing.
#pragma once

namespace platform {

// When the environment's locale does not encode characters in UTF-8, makes
// LC_CTYPE its UTF-8 form (the same language, else C.UTF-8) in this process's
// environment; every other category keeps what the environment gave it.
void useUtf8CharacterType();

}  // namespace platform

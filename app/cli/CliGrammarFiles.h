// The files made from kuvora-cli's grammar: its bash completion and the
// synopsis of its manual page. kuvora-cli-grammar writes them into the
// source tree; a test checks that the files there are what it writes.
#pragma once

#include <QString>

namespace cli {

// resources/completion/kuvora-cli, whole.
QString CompletionScript();

// The manual page `page` with its SYNOPSIS section (up to the next .SH) made
// anew from the grammar; `page` itself when it has no such section.
QString WithSynopsis(const QString& page);

}  // namespace cli

// CIruCa: a Suica-format card with its own system code (card type 2). The
// Suica decoding applies unchanged, with the issuer kind the read finds.
#pragma once

#include "CSuica.h"

class CIruCa : public CSuica {
public:
    CIruCa();
};

#include "CIruCa.h"

#include "CardTypes.h"

CIruCa::CIruCa() {
    ApplyCardType(*FindCardType(2));
}

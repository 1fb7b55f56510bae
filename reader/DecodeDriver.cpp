#include "reader/DecodeDriver.h"

namespace ostrel2::tessoran {

Status DecodeBitPattern(I2DBitPattern* pattern, ITessoranResult** out) {
    (void)pattern;
    (void)out;
    return kNoSymbol;
}

}  // namespace ostrel2::tessoran

// SPDX-License-Identifier: Apache-2.0
#pragma once
// How every call of the C interface keeps exceptions in and turns failures
// into statuses.

#include <new>
#include <stdexcept>

#include "decoding/DecodeFailure.h"
#include "tessoran/tessoran.h"

namespace ostrel2::tessoran::library {

constexpr tessoran_status statusOf(DecodeFailure failure) {
    switch (failure) {
        case DecodeFailure::NoSymbol:
            return TESSORAN_NO_SYMBOL;
        case DecodeFailure::Uncorrectable:
            return TESSORAN_UNCORRECTABLE;
        case DecodeFailure::EciPastEnd:
        case DecodeFailure::ZeroLengthDescriptor:
        case DecodeFailure::TerminatorNotLast:
            return TESSORAN_MALFORMED_DATA;
        case DecodeFailure::BadInput:
            break;
    }
    return TESSORAN_BAD_INPUT;
}

// Runs `attempt`, which returns a status. Nothing thrown leaves the
// library: running out of memory is a status like any other failure (a size
// the standard library cannot hold is one more way of running out), and
// anything else thrown, which the decoders never do, is an internal error.
template <class Attempting>
tessoran_status guarded(Attempting&& attempt) noexcept {
    try {
        return attempt();
    } catch (const std::bad_alloc&) {
        return TESSORAN_OUT_OF_MEMORY;
    } catch (const std::length_error&) {
        return TESSORAN_OUT_OF_MEMORY;
    } catch (...) {
        return TESSORAN_INTERNAL_ERROR;
    }
}

}  // namespace ostrel2::tessoran::library

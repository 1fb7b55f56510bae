// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <utility>
#include <variant>

namespace ostrel2::tessoran {

// Why a decode came to no symbol: the one way every stage, from the data
// decoders up to the program and the library, reports failure. The object
// interfaces' status values, the library's statuses and the program's exit
// statuses are made from it at those interfaces only.
enum class DecodeFailure {
    NoSymbol,       // nothing was read as a symbol
    Uncorrectable,  // a symbol with more damage than its check codewords restore
    // A symbol read and corrected whose data breaks the encoding's rules:
    EciPastEnd,            // an ECI designator whose value codewords the data's end cuts off
    ZeroLengthDescriptor,  // a length descriptor of 0
    TerminatorNotLast,     // a Macro PDF417 terminator that is not the last data codeword
    BadInput,              // a picture, file or argument that cannot be read at all
};

// Whether the failure is one of the malformed-data kinds.
constexpr bool isMalformedData(DecodeFailure failure) {
    switch (failure) {
        case DecodeFailure::EciPastEnd:
        case DecodeFailure::ZeroLengthDescriptor:
        case DecodeFailure::TerminatorNotLast:
            return true;
        case DecodeFailure::NoSymbol:
        case DecodeFailure::Uncorrectable:
        case DecodeFailure::BadInput:
            return false;
    }
    return false;
}

// A value, or why there is none.
template <class T>
class Result {
  public:
    Result(T value) : outcome(std::in_place_index<0>, std::move(value)) {}
    Result(DecodeFailure failure) : outcome(std::in_place_index<1>, failure) {}

    bool ok() const { return outcome.index() == 0; }
    const T& value() const& { return std::get<0>(outcome); }
    T& value() & { return std::get<0>(outcome); }
    T&& value() && { return std::get<0>(std::move(outcome)); }
    DecodeFailure failure() const { return std::get<1>(outcome); }

  private:
    std::variant<T, DecodeFailure> outcome;
};

}  // namespace ostrel2::tessoran

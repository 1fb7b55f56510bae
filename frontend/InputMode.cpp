// SPDX-License-Identifier: Apache-2.0
#include "frontend/InputMode.h"

namespace ostrel2::tessoran {

namespace {

PathChar foldToLower(PathChar c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<PathChar>(c - 'A' + 'a') : c;
}

bool endsWithTxt(const PathChar* argument) {
    static constexpr char kSuffix[] = ".txt";
    constexpr int kSuffixLength = 4;
    int length = 0;
    while (argument[length] != 0) {
        ++length;
    }
    if (length < kSuffixLength) {
        return false;
    }
    for (int i = 0; i < kSuffixLength; ++i) {
        if (foldToLower(argument[length - kSuffixLength + i]) != kSuffix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool isExactly(const PathChar* argument, const char* option) {
    int i = 0;
    while (option[i] != 0 && argument[i] == static_cast<PathChar>(option[i])) {
        ++i;
    }
    return option[i] == 0 && argument[i] == 0;
}

InputMode chooseInputMode(const PathChar* argument) {
    // The conventional options take only their exact spelling, so that a file
    // of that name is still read by any other path to it ("./--help").
    if (isExactly(argument, "--help") || isExactly(argument, "-h")) {
        return InputMode::Help;
    }
    if (isExactly(argument, "--version")) {
        return InputMode::Version;
    }
    if (isExactly(argument, "-i")) {
        return InputMode::StandardInput;
    }
    if (endsWithTxt(argument)) {
        return InputMode::BarStringFile;
    }
    return InputMode::ImageFile;
}

}  // namespace ostrel2::tessoran

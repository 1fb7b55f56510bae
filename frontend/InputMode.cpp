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

bool isStandardInputSwitch(const PathChar* argument) {
    return argument[0] == '-' && argument[1] == 'i' && argument[2] == 0;
}

}  // namespace

InputMode chooseInputMode(const PathChar* argument) {
    if (isStandardInputSwitch(argument)) {
        return InputMode::StandardInput;
    }
    if (endsWithTxt(argument)) {
        return InputMode::BarStringFile;
    }
    return InputMode::ImageFile;
}

}  // namespace ostrel2::tessoran

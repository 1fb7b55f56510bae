// SPDX-License-Identifier: Apache-2.0
#include "frontend/BatchReading.h"

#include <memory>

#include "frontend/BarStringInput.h"
#include "frontend/InputMode.h"
#include "frontend/MessagePath.h"
#include "frontend/OpenFile.h"
#include "pipeline/EverySymbol.h"
#include "platform/GdiPlus.h"
#include "reader/DecodeDriver.h"

namespace ostrel2::tessoran {

namespace {

FileOutcome outcomeOf(DecodeFailure failure) {
    switch (failure) {
        case DecodeFailure::NoSymbol:
            return FileOutcome::NoSymbol;
        case DecodeFailure::Uncorrectable:
            return FileOutcome::Uncorrectable;
        case DecodeFailure::EciPastEnd:
        case DecodeFailure::ZeroLengthDescriptor:
        case DecodeFailure::TerminatorNotLast:
            return FileOutcome::MalformedData;
        case DecodeFailure::BadInput:
            break;
    }
    return FileOutcome::Unreadable;
}

const char* messageOf(FileOutcome outcome) {
    switch (outcome) {
        case FileOutcome::Decoded:
            return "";
        case FileOutcome::NoSymbol:
            return "no symbol found";
        case FileOutcome::Uncorrectable:
            return "symbol too damaged to correct";
        case FileOutcome::MalformedData:
            return "symbol data malformed";
        case FileOutcome::Unreadable:
            break;
    }
    return "file does not exist or is invalid";
}

void takeSymbols(FileReading& reading, const Result<std::vector<LocatedSymbol>>& symbols,
                 const BatchArguments& arguments) {
    if (!symbols.ok()) {
        reading.outcome = outcomeOf(symbols.failure());
        reading.error = messageOf(reading.outcome);
        return;
    }
    reading.outcome = FileOutcome::Decoded;
    for (const LocatedSymbol& symbol : symbols.value()) {
        reading.symbols.push_back(reportOf(symbol, arguments.defaultEci));
    }
}

// A bar string holds one symbol, read by the scan-line reader alone.
Result<std::vector<LocatedSymbol>> readBarStringFile(const PathChar* path, std::string& error) {
    const OpenFile file = openForReading(path);
    if (file == nullptr) {
        error = "unable to open the file";
        return DecodeFailure::BadInput;
    }
    BarStringInput input = loadBarStringInput(file.get(), "unable to read the file");
    if (input.refusalStatus) {
        error = input.refusalMessage;
        while (!error.empty() && (error.back() == '\n' || error.back() == '.')) {
            error.pop_back();
        }
        return DecodeFailure::BadInput;
    }
    Result<LocatedSymbol> symbol = readBitPattern(*input.pattern);
    if (!symbol.ok()) {
        return symbol.failure();
    }
    return std::vector<LocatedSymbol>{std::move(symbol).value()};
}

}  // namespace

FileReading readBatchFile(const PathChar* path, const BatchArguments& arguments) {
    FileReading reading;
    reading.path = pathText(path);
    if (chooseInputMode(path) == InputMode::BarStringFile) {
        std::string error;
        takeSymbols(reading, readBarStringFile(path, error), arguments);
        if (!error.empty()) {
            reading.error = error;
        }
        return reading;
    }
    const auto bitmap = std::make_unique<Gdiplus::Bitmap>(path);
    if (bitmap->GetLastStatus() != Gdiplus::Ok) {
        takeSymbols(reading, DecodeFailure::BadInput, arguments);
        return reading;
    }
    takeSymbols(reading, readEverySymbol(*bitmap, arguments.read), arguments);
    return reading;
}

}  // namespace ostrel2::tessoran

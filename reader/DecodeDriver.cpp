// SPDX-License-Identifier: Apache-2.0
#include "reader/DecodeDriver.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "decoding/DecodeResult.h"
#include "objects/InterfaceIds.h"
#include "reader/ScanLineReader.h"
#include "symbol/CodewordStep.h"

namespace ostrel2::tessoran {

namespace {

// A result that has not been handed out has refCount 0 and belongs to the
// driver, which destroys it through its ComObjectRoot part.
// Out of line on purpose: when GCC inlines this delete of a DecodeResult
// through its second base it warns, wrongly, of freeing a pointer at an
// offset; the virtual destructor does free the complete object.
[[gnu::noinline]] void destroyThroughRoot(ComObjectRoot* root) {
    delete root;
}

struct DestroyUnhandedResult {
    void operator()(DecodeResult* result) const { destroyThroughRoot(result); }
};
using OwnedResult = std::unique_ptr<DecodeResult, DestroyUnhandedResult>;

// The reference-counted result of a decoded symbol: what its interface reads (rows,
// the corrected codewords that give its columns and level, the count error
// correction located) and its segments. The erasures, which no caller of the
// interface sees, stay empty.
void fillDecodeResult(DecodedCodewords decoded, DecodeResult& result) {
    const CorrectedCodewords& corrected = decoded.corrected;
    std::copy(corrected.codewords.begin(), corrected.codewords.end(), result.codewords);
    result.codewordCount = static_cast<std::int32_t>(corrected.codewords.size());
    result.erasureCount = 0;
    result.rowCount = corrected.rows;
    result.correctedCount = corrected.located;
    result.segments.assign(std::make_move_iterator(decoded.segments.begin()),
                           std::make_move_iterator(decoded.segments.end()));
}

// Where the scan stores what it reads: room for a whole symbol, and how much
// of it is in use.
struct ScanStore {
    std::vector<std::int32_t> codewords = std::vector<std::int32_t>(kScanCapacity);
    std::vector<std::int32_t> erasures = std::vector<std::int32_t>(kScanCapacity);
    std::int32_t codewordCount = 0;
    std::int32_t erasureCount = 0;
};

enum class GroupState { Idle = 1, Collecting = 2 };

// Groups the pixel rows into symbol rows and reads each through the scan-line
// reader into `result`.
class RowScanner {
  public:
    RowScanner(I2DBitPattern& source, std::int32_t pixelRows, std::int32_t pixelColumns,
               ScanStore& store)
        : pattern(source),
          height(pixelRows),
          width(pixelColumns),
          lineSums(static_cast<std::size_t>(width > 0 ? width : 0), 0.0),
          previousRow(lineSums.size()),
          currentRow(lineSums.size()),
          state(makeScanLineState(store.codewords.data(), store.erasures.data(),
                                  &store.codewordCount, &store.erasureCount)) {
        state.rowIndicators = &rowIndicators;
    }

    void scan() {
        if (height <= 1) {
            return;
        }
        // A row differing from its predecessor in fewer than one column in
        // forty belongs to the open group; one differing in more than one
        // column in twenty ends it. Rows in between neither join nor end it.
        const std::int32_t sameLimit = width / 40;
        const std::int32_t boundaryLimit = width / 20;
        readRow(0, previousRow);
        for (std::int32_t row = 1; row < height; ++row) {
            readRow(row, currentRow);
            const std::int32_t differences = differingColumns();
            if (differences < sameLimit) {
                addCurrentRow(row);
            } else if (differences > boundaryLimit) {
                if (groupState == GroupState::Collecting) {
                    readGroup();
                }
                groupState = GroupState::Idle;
            }
            std::swap(previousRow, currentRow);
        }
        if (groupState == GroupState::Collecting) {
            readGroup();
        }
    }

    std::int32_t rowCount = 0;
    // Whether every row that yielded codewords yielded the same number; a row
    // with one codeword more or fewer would shift all later ones.
    bool rowsAgree = true;

    bool overflowed() const { return state.overflowed; }

    std::vector<RowIndicatorReading> rowIndicators;

    // The pixels the symbol rows read cover, edges included.
    struct Extent {
        std::int32_t left = 0;
        std::int32_t top = 0;
        std::int32_t right = 0;
        std::int32_t bottom = 0;
    };
    Extent extent;

  private:
    // Each pixel is read once, a row at a time: the row serves as the current
    // row of one comparison, is summed from here when it joins a group, and is
    // the previous row of the next comparison.
    void readRow(std::int32_t row, std::vector<std::uint8_t>& pixels) {
        if (width > 0) {
            pattern.ReadRow(row, pixels.data());
        }
    }

    std::int32_t differingColumns() const {
        std::int32_t differences = 0;
        for (std::size_t column = 0; column < currentRow.size(); ++column) {
            differences += previousRow[column] != currentRow[column] ? 1 : 0;
        }
        return differences;
    }

    void addCurrentRow(std::int32_t row) {
        if (groupState == GroupState::Idle) {
            std::fill(lineSums.begin(), lineSums.end(), 0.0);
            lineCount = 0;
            groupState = GroupState::Collecting;
            // The row before began the symbol row: it differed from the one
            // above it, so it could not join.
            groupTop = std::max(row - 1, 0);
        }
        groupBottom = row + 1;
        for (std::size_t column = 0; column < currentRow.size(); ++column) {
            lineSums[column] += currentRow[column];
        }
        ++lineCount;
    }

    // A group that yields no codeword (a line or speck above, below or beside
    // the symbol) is no symbol row: counting it would misstate the symbol's
    // size and put every row after it in the wrong cluster.
    void readGroup() {
        const std::int32_t before = *state.codewordCount;
        const std::size_t indicatorsBefore = rowIndicators.size();
        bool counted = false;
        if (readScanLine(width, rowCount, lineCount, lineSums.data(), state)) {
            const std::int32_t contributed = *state.codewordCount - before;
            if (contributed != 0) {
                ++rowCount;
                noteContribution(contributed);
                noteExtent();
                counted = true;
            }
        }
        if (!counted) {
            rowIndicators.resize(indicatorsBefore);
        }
        groupState = GroupState::Idle;
    }

    void noteExtent() {
        const bool first = rowCount == 1;
        extent.top = first ? groupTop : std::min(extent.top, groupTop);
        extent.bottom = first ? groupBottom : std::max(extent.bottom, groupBottom);
        extent.left = first ? state.lineLeft : std::min(extent.left, state.lineLeft);
        extent.right = first ? state.lineRight : std::max(extent.right, state.lineRight);
    }

    void noteContribution(std::int32_t contributed) {
        if (codewordsPerRow == 0) {
            codewordsPerRow = contributed;
        } else if (contributed != codewordsPerRow) {
            rowsAgree = false;
        }
    }

    I2DBitPattern& pattern;
    const std::int32_t height;
    const std::int32_t width;
    std::vector<double> lineSums;
    std::vector<std::uint8_t> previousRow;
    std::vector<std::uint8_t> currentRow;
    ScanLineState state;
    GroupState groupState = GroupState::Idle;
    std::int32_t lineCount = 0;
    std::int32_t codewordsPerRow = 0;
    // The pixel rows of the open group, edges included.
    std::int32_t groupTop = 0;
    std::int32_t groupBottom = 0;
};

// A scan-line reader reads level symbols only, upright as printed.
SymbolPlace placeOf(const RowScanner::Extent& extent) {
    const auto point = [](std::int32_t x, std::int32_t y) {
        return PicturePoint{static_cast<double>(x), static_cast<double>(y)};
    };
    return SymbolPlace{{point(extent.left, extent.top), point(extent.right, extent.top),
                        point(extent.right, extent.bottom), point(extent.left, extent.bottom)}};
}

}  // namespace

Result<LocatedSymbol> readBitPattern(I2DBitPattern& pattern) {
    const std::int32_t height = pattern.GetHeight();
    const std::int32_t width = pattern.GetWidth();

    ScanStore store;
    RowScanner scanner(pattern, height, width, store);
    scanner.scan();

    // A symbol read only in part, or read with rows that disagree, would be
    // "corrected" into wrong data.
    if (scanner.overflowed() || !scanner.rowsAgree) {
        return DecodeFailure::NoSymbol;
    }
    store.codewords.resize(static_cast<std::size_t>(store.codewordCount));
    store.erasures.resize(static_cast<std::size_t>(store.erasureCount));
    Result<DecodedCodewords> decoded =
        decodeCodewords(SymbolCodewords{std::move(store.codewords), std::move(store.erasures),
                                        scanner.rowCount, std::move(scanner.rowIndicators)});
    if (!decoded.ok()) {
        return decoded.failure();
    }
    return LocatedSymbol{std::move(decoded).value(), placeOf(scanner.extent)};
}

Status statusOfFailure(DecodeFailure failure) {
    // The interpreter's codes, which the driver's status carries in its low
    // bits.
    constexpr std::uint32_t kEciPastEndCode = 3;
    constexpr std::uint32_t kZeroLengthDescriptorCode = 4;
    constexpr std::uint32_t kTerminatorNotLastCode = 5;
    const auto malformed = [](std::uint32_t code) {
        return static_cast<Status>(static_cast<std::uint32_t>(kMalformedDataBase) | code);
    };
    switch (failure) {
        case DecodeFailure::NoSymbol:
            return kNoSymbol;
        case DecodeFailure::Uncorrectable:
            return kUncorrectable;
        case DecodeFailure::EciPastEnd:
            return malformed(kEciPastEndCode);
        case DecodeFailure::ZeroLengthDescriptor:
            return malformed(kZeroLengthDescriptorCode);
        case DecodeFailure::TerminatorNotLast:
            return malformed(kTerminatorNotLastCode);
        case DecodeFailure::BadInput:
            break;
    }
    return E_INVALIDARG;
}

// The object interface over the plain decode: the reference-counted result
// is made here, from the decoded symbol, and nowhere else.
Status DecodeBitPattern(I2DBitPattern* pattern, ITessoranResult** out) {
    if (pattern == nullptr || out == nullptr) {
        return E_POINTER;
    }
    Result<LocatedSymbol> decoded = readBitPattern(*pattern);
    if (!decoded.ok()) {
        return statusOfFailure(decoded.failure());
    }
    OwnedResult result(new DecodeResult);
    fillDecodeResult(std::move(decoded).value().decoded, *result);

    void* handedOut = nullptr;
    const Status status = result->QueryInterface(IID_ITessoranResult, &handedOut);
    if (failed(status)) {
        return status;
    }
    result.release();  // the caller's reference now governs it
    *out = static_cast<ITessoranResult*>(handedOut);
    return status;
}

}  // namespace ostrel2::tessoran

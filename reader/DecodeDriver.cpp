// SPDX-License-Identifier: Apache-2.0
#include "reader/DecodeDriver.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "decoding/DecodeResult.h"
#include "objects/InterfaceIds.h"
#include "reader/CodewordStep.h"
#include "reader/ScanLineReader.h"

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

enum class GroupState { Idle = 1, Collecting = 2 };

// Groups the pixel rows into symbol rows and reads each through the scan-line
// reader into `result`.
class RowScanner {
  public:
    RowScanner(I2DBitPattern& source, std::int32_t pixelRows, std::int32_t pixelColumns,
               DecodeResult& result)
        : pattern(source),
          height(pixelRows),
          width(pixelColumns),
          lineSums(static_cast<std::size_t>(width > 0 ? width : 0), 0.0),
          previousRow(lineSums.size()),
          currentRow(lineSums.size()),
          state(makeScanLineState(result.codewords, result.erasures, &result.codewordCount,
                                  &result.erasureCount)) {
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
                addCurrentRow();
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

    void addCurrentRow() {
        if (groupState == GroupState::Idle) {
            std::fill(lineSums.begin(), lineSums.end(), 0.0);
            lineCount = 0;
            groupState = GroupState::Collecting;
        }
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
                counted = true;
            }
        }
        if (!counted) {
            rowIndicators.resize(indicatorsBefore);
        }
        groupState = GroupState::Idle;
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
};

}  // namespace

Status DecodeBitPattern(I2DBitPattern* pattern, ITessoranResult** out) {
    if (pattern == nullptr || out == nullptr) {
        return E_POINTER;
    }
    const std::int32_t height = pattern->GetHeight();
    const std::int32_t width = pattern->GetWidth();

    OwnedResult result(new DecodeResult);
    result->codewordCount = 0;
    result->erasureCount = 0;
    RowScanner scanner(*pattern, height, width, *result);
    scanner.scan();
    result->rowCount = scanner.rowCount;

    // A symbol read only in part, or read with rows that disagree, would be
    // "corrected" into wrong data.
    if (scanner.overflowed() || !scanner.rowsAgree) {
        return kNoSymbol;
    }
    if (const Status status = decodeCodewords(*result, scanner.rowIndicators); failed(status)) {
        return status;
    }

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

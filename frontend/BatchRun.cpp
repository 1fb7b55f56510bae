// SPDX-License-Identifier: Apache-2.0
#include "frontend/BatchRun.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "decoding/MacroJoin.h"
#include "frontend/BatchReading.h"
#include "frontend/GdiplusSession.h"
#include "frontend/JsonReport.h"
#include "frontend/MessageText.h"

namespace ostrel2::tessoran {

namespace {

constexpr char kUsage[] =
    "Usage: tessoran --json|--join [--quiet] [--no-capture] [--max-symbols N]\n"
    "                [--default-eci N] [--] FILE...\n";

void printMessage(const std::string& line) {
    std::fputs((line + "\n").c_str(), stderr);
}

bool writeAll(const std::string& bytes) {
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
}

int statusOf(const FileReading& file) {
    switch (file.outcome) {
        case FileOutcome::Decoded:
            return kBatchAllRead;
        case FileOutcome::Unreadable:
            return kBatchSomeUnreadable;
        case FileOutcome::NoSymbol:
        case FileOutcome::Uncorrectable:
        case FileOutcome::MalformedData:
            break;
    }
    return kBatchSomeWithout;
}

std::vector<FileReading> readAll(const BatchArguments& arguments, int& status) {
    std::vector<FileReading> files;
    for (const PathChar* path : arguments.files) {
        FileReading file = readBatchFile(path, arguments);
        status = std::max(status, statusOf(file));
        if (!arguments.quiet && file.outcome != FileOutcome::Decoded) {
            printMessage(messageText(file.path) + ": " + file.error + ".");
        }
        files.push_back(std::move(file));
    }
    return files;
}

// The indices, the first 20 of them: a symbol may state up to 99,999
// segments, and a message is a line.
std::string indexList(const std::vector<std::uint32_t>& indices) {
    constexpr std::size_t kMostListed = 20;
    std::string list;
    for (std::size_t i = 0; i < std::min(indices.size(), kMostListed); ++i) {
        list += (list.empty() ? "" : ", ") + std::to_string(indices[i]);
    }
    if (indices.size() > kMostListed) {
        list += " and " + std::to_string(indices.size() - kMostListed) + " others";
    }
    return list;
}

// Why the parts make no whole file, for standard error; empty when they do.
std::string whyIncomplete(const std::vector<JoinedFile>& joined) {
    if (joined.empty()) {
        return "No Macro PDF417 symbol was read.";
    }
    if (joined.size() > 1) {
        return "The symbols belong to " + std::to_string(joined.size()) + " different files.";
    }
    const JoinedFile& file = joined.front();
    std::string why;
    if (!file.conflictingCounts.empty()) {
        std::string counts;
        for (const std::uint64_t count : file.conflictingCounts) {
            counts += (counts.empty() ? "" : ", ") + std::to_string(count);
        }
        why += "The symbols state different numbers of segments: " + counts + ". ";
    } else if (!file.segmentCount) {
        why += "The number of segments is unknown: no symbol states it or is marked last. ";
    }
    if (!file.beyondCount.empty()) {
        why +=
            "Segment indices beyond the number of segments: " + indexList(file.beyondCount) + ". ";
    }
    if (!file.unplaced.empty()) {
        why += std::to_string(file.unplaced.size()) + " symbols have no valid segment index. ";
    }
    if (!file.missing.empty()) {
        why += "Missing segment indices (from 0): " + indexList(file.missing) + ". ";
    }
    if (!file.conflicting.empty()) {
        why += "Segment indices read with different data: " + indexList(file.conflicting) + ". ";
    }
    if (!why.empty()) {
        why.pop_back();
    }
    return why;
}

int joinFiles(const std::vector<FileReading>& files, const BatchArguments& arguments, int status) {
    std::vector<MacroPart> parts;
    for (const FileReading& file : files) {
        for (const SymbolReport& symbol : file.symbols) {
            if (symbol.content.macro) {
                parts.push_back({*symbol.content.macro, symbol.content.data()});
            }
        }
    }
    const std::vector<JoinedFile> joined = joinMacroParts(parts);
    const std::string why = whyIncomplete(joined);
    if (!why.empty() || !joined.front().complete()) {
        if (!arguments.quiet) {
            printMessage(why.empty() ? "The file is incomplete." : why);
        }
        return std::max(status, kBatchSomeWithout);
    }
    return writeAll(joined.front().data) ? status : kBatchOutput;
}

}  // namespace

int runBatch(BatchMode mode, int count, PathChar** arguments) {
    const BatchParse parse = parseBatchArguments(mode, count, arguments);
    if (!parse.arguments) {
        printMessage(parse.usageError);
        std::fputs(kUsage, stderr);
        return kBatchUsage;
    }
    const GdiplusSession gdiplus;
    if (!gdiplus.isStarted()) {
        printMessage("The image library did not start.");
        return kBatchSomeUnreadable;
    }
    int status = kBatchAllRead;
    const std::vector<FileReading> files = readAll(*parse.arguments, status);
    if (mode == BatchMode::Join) {
        return joinFiles(files, *parse.arguments, status);
    }
    return writeAll(jsonReport(files, parse.arguments->defaultEci)) ? status : kBatchOutput;
}

}  // namespace ostrel2::tessoran

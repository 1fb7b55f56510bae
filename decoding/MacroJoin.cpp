// SPDX-License-Identifier: Apache-2.0
#include "decoding/MacroJoin.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>

namespace ostrel2::tessoran {

namespace {

// The positions of the parts of one file ID.
struct FileParts {
    std::string fileId;
    std::vector<std::size_t> positions;
};

std::vector<FileParts> groupByFileId(std::span<const MacroPart> parts) {
    std::vector<FileParts> files;
    for (std::size_t position = 0; position < parts.size(); ++position) {
        const std::string& fileId = parts[position].control.fileId;
        auto file = std::find_if(files.begin(), files.end(),
                                 [&](const FileParts& known) { return known.fileId == fileId; });
        if (file == files.end()) {
            file = files.insert(files.end(), FileParts{fileId, {}});
        }
        file->positions.push_back(position);
    }
    return files;
}

// Keeps the first value given for a field and notes a later, different one.
template <class T>
void mergeField(JoinedFile& file, std::optional<T>& kept, const std::optional<T>& given,
                std::string_view name) {
    if (!given) {
        return;
    }
    if (!kept) {
        kept = given;
    } else if (*kept != *given &&
               std::find(file.conflictingFields.begin(), file.conflictingFields.end(), name) ==
                   file.conflictingFields.end()) {
        file.conflictingFields.emplace_back(name);
    }
}

void mergeFields(JoinedFile& file, const MacroControl& control) {
    mergeField(file, file.fileName, control.fileName, "filename");
    mergeField(file, file.sender, control.sender, "sender");
    mergeField(file, file.addressee, control.addressee, "addressee");
    mergeField(file, file.timeStamp, control.timeStamp, "timestamp");
    mergeField(file, file.fileSize, control.fileSize, "filesize");
    mergeField(file, file.checksum, control.checksum, "checksum");
}

// The data of each index placed so far, and what the parts say of the count.
struct Placement {
    std::map<std::uint32_t, const std::string*> dataByIndex;
    std::set<std::uint32_t> conflicting;
    std::set<std::uint64_t> counts;
};

void place(Placement& placement, JoinedFile& file, const MacroPart& part, std::size_t position) {
    const MacroControl& control = part.control;
    if (control.segmentCount) {
        placement.counts.insert(*control.segmentCount);
    }
    if (!control.segmentIndex) {
        file.unplaced.push_back(position);
        return;
    }
    const std::uint32_t index = *control.segmentIndex;
    if (control.lastSegment) {
        placement.counts.insert(std::uint64_t{index} + 1);
    }
    const auto [known, added] = placement.dataByIndex.emplace(index, &part.data);
    if (!added && *known->second != part.data) {
        placement.conflicting.insert(index);
    }
}

// Fills the count and what it leaves missing or beyond it, then the data
// when nothing is amiss.
void settle(const Placement& placement, JoinedFile& file) {
    file.conflicting.assign(placement.conflicting.begin(), placement.conflicting.end());
    if (placement.counts.size() > 1) {
        file.conflictingCounts.assign(placement.counts.begin(), placement.counts.end());
        return;
    }
    if (placement.counts.empty()) {
        return;
    }
    const std::uint64_t count = *placement.counts.begin();
    file.segmentCount = count;
    const auto reachable = static_cast<std::uint32_t>(std::min(count, kMostMacroSegments));
    for (std::uint32_t index = 0; index < reachable; ++index) {
        if (!placement.dataByIndex.contains(index)) {
            file.missing.push_back(index);
        }
    }
    for (const auto& [index, data] : placement.dataByIndex) {
        if (index >= count) {
            file.beyondCount.push_back(index);
        }
    }
    if (file.complete()) {
        for (const auto& [index, data] : placement.dataByIndex) {
            file.data += *data;
        }
    }
}

}  // namespace

bool JoinedFile::complete() const {
    return segmentCount && *segmentCount <= kMostMacroSegments && conflictingCounts.empty() &&
           missing.empty() && conflicting.empty() && beyondCount.empty() && unplaced.empty();
}

std::vector<JoinedFile> joinMacroParts(std::span<const MacroPart> parts) {
    std::vector<JoinedFile> files;
    for (const FileParts& group : groupByFileId(parts)) {
        JoinedFile& file = files.emplace_back();
        file.fileId = group.fileId;
        Placement placement;
        for (const std::size_t position : group.positions) {
            mergeFields(file, parts[position].control);
            place(placement, file, parts[position], position);
        }
        settle(placement, file);
    }
    return files;
}

}  // namespace ostrel2::tessoran

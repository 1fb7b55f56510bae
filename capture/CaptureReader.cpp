// SPDX-License-Identifier: Apache-2.0
#include "capture/CaptureReader.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "capture/CodewordShapes.h"
#include "capture/GuardLines.h"
#include "capture/GuardScan.h"
#include "capture/OneSidedFrame.h"
#include "capture/Sharpening.h"
#include "capture/SymbolFrame.h"
#include "capture/SymbolLayout.h"
#include "capture/SymbolReading.h"
#include "symbol/CodewordStep.h"

namespace ostrel2::tessoran::capture {

namespace {

constexpr std::size_t kLinesPerKind = 8;
// Frames refitted to the codewords read, at most, for a symbol that does not
// decode at once.
constexpr int kRefinements = 2;
constexpr std::size_t kMaxCandidates = 12;
// How much wider a module may be at one end of a symbol than at the other.
constexpr double kMostModuleRatio = 3;
#ifndef TESSORAN_FUZZ_BUDGETS
// A frame from one side reaches across the symbol a little further with
// each refit, as more of its codewords are read.
constexpr int kOneSidedRefinements = 4;
// A bent frame follows curved rows a little further with each refit.
constexpr int kBentRefinements = 4;
// Guard lines tried alone, at most, when no pair of them reads.
constexpr std::size_t kMaxLoneLines = 6;
#else
// Under the fuzzer's instrumentation every step costs many times what it
// does in a build for use: one round of each, and one line alone (the fuzz
// target reads from either line alone too), still take every path.
constexpr int kOneSidedRefinements = 1;
constexpr int kBentRefinements = 1;
constexpr std::size_t kMaxLoneLines = 1;
#endif

struct ScanPass {
    double spacing;
    int directions;
};

// A quick look first, with lines as far apart as a symbol of a fair share of
// the picture allows; then, if that finds nothing that reads, a closer look
// in more directions for small symbols, held to a number of samples that
// keeps a large picture's search within bounds.
std::vector<ScanPass> scanPasses(const GreyImage& image) {
    const double shortSide = std::min(image.width, image.height);
    const double area = static_cast<double>(image.width) * image.height;
    constexpr double kMaxCloseSamples = 8e6;
    const double quick = std::clamp(shortSide / 60, 4.0, 16.0);
    const double close = std::max({2.0, quick / 3, 8 * area / kMaxCloseSamples});
    std::vector<ScanPass> passes{{quick, 4}};
    if (close < quick) {
        passes.push_back({close, 8});
    }
    return passes;
}

struct Candidate {
    const GuardLine* start;
    const GuardLine* stop;
    std::size_t support;
};

// Start and stop lines that face each other, with modules of one symbol, the
// better supported pairs first. Their directions may differ by any angle: a symbol
// of few rows is short, and perspective turns its short sides a long way.
std::vector<Candidate> pairUp(const std::vector<GuardLine>& starts,
                              const std::vector<GuardLine>& stops) {
    std::vector<Candidate> candidates;
    for (const GuardLine& start : starts) {
        const Point startMiddle = start.line.at(0.5 * (start.first + start.last));
        for (const GuardLine& stop : stops) {
            const Point stopMiddle = stop.line.at(0.5 * (stop.first + stop.last));
            // Each lies on the other's inside.
            if (dot(stopMiddle - startMiddle, start.inward) <= 0 ||
                dot(startMiddle - stopMiddle, stop.inward) <= 0) {
                continue;
            }
            // Modules along the rows, about the way from one to the other,
            // that one symbol can show: across its bars, perspective may have
            // narrowed one of them far more than the other, and a phone held
            // well off the paper's normal makes the near end's modules twice
            // as wide as the far end's, and more.
            const Point rows =
                (1.0 / length(stopMiddle - startMiddle)) * (stopMiddle - startMiddle);
            const double ratio = (start.module / std::abs(dot(rows, start.inward))) /
                                 (stop.module / std::abs(dot(rows, stop.inward)));
            if (!(ratio <= kMostModuleRatio && ratio >= 1 / kMostModuleRatio)) {
                continue;
            }
            candidates.push_back({&start, &stop, std::min(start.hits.size(), stop.hits.size())});
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.support > b.support; });
    if (candidates.size() > kMaxCandidates) {
        candidates.resize(kMaxCandidates);
    }
    return candidates;
}

// `codewords` are the reading's codewords as error correction left them.
void traceCells(const SymbolFrame& frame, const SymbolReading& reading,
                const std::vector<std::int32_t>& codewords, CaptureTrace& trace) {
    for (std::int32_t row = 0; row < frame.rows; ++row) {
        for (std::int32_t column = 0; column < frame.columns; ++column) {
            const std::size_t index = static_cast<std::size_t>(row) * frame.columns + column;
            const double x = kFirstDataModule + kCodewordModules * column;
            CaptureTrace::Cell cell;
            cell.corners[0] = frame.toImage.map({x, row * 1.0});
            cell.corners[1] = frame.toImage.map({x + kCodewordModules, row * 1.0});
            cell.corners[2] = frame.toImage.map({x + kCodewordModules, row + 1.0});
            cell.corners[3] = frame.toImage.map({x, row + 1.0});
            const bool erased =
                std::find(reading.erasures.begin(), reading.erasures.end(),
                          static_cast<std::int32_t>(index)) != reading.erasures.end();
            cell.state = erased ? CaptureTrace::CellState::Erased
                         : codewords[index] != reading.codewords[index]
                             ? CaptureTrace::CellState::Corrected
                             : CaptureTrace::CellState::Read;
            trace.cells.push_back(cell);
        }
    }
}

void traceFinding(const std::vector<GuardHit>& hits, const std::vector<GuardLine>& lines,
                  CaptureTrace& trace) {
    for (const GuardHit& hit : hits) {
        trace.hits.push_back({hit.outer, hit.inner, hit.kind == GuardKind::Start});
    }
    for (const GuardLine& line : lines) {
        trace.guardLines.push_back({line.line.at(line.first), line.line.at(line.last)});
    }
}

// What one reading came to through the codeword step, and its codewords as
// error correction left them: corrected when it held, else as read.
struct ReadingDecode {
    Result<DecodedCodewords> decoded;
    std::vector<std::int32_t> codewords;
};

ReadingDecode decodeReading(const SymbolReading& reading, std::int32_t rows) {
    Result<CorrectedCodewords> corrected = correctCodewords(symbolCodewordsOf(reading, rows));
    if (!corrected.ok()) {
        return {corrected.failure(), reading.codewords};
    }
    std::vector<std::int32_t> codewords = corrected.value().codewords;
    return {interpretSymbol(std::move(corrected).value()), std::move(codewords)};
}

void traceReading(const SymbolFrame& frame, const SymbolReading& reading,
                  const std::vector<std::int32_t>& codewords, CaptureTrace& trace) {
    const double width = symbolWidth(frame.columns);
    constexpr int kPieces = 16;
    for (std::int32_t row = 0; row <= frame.rows; ++row) {
        for (int piece = 0; piece < kPieces; ++piece) {
            trace.rowLines.push_back(
                {frame.toImage.map({width * piece / kPieces, row * 1.0}),
                 frame.toImage.map({width * (piece + 1) / kPieces, row * 1.0})});
        }
    }
    traceCells(frame, reading, codewords, trace);
}

// The frame's corners as picture points: the frame maps to pixel centres,
// a picture point counts from the first pixel's outer corner.
SymbolPlace placeOf(const SymbolFrame& frame) {
    const double width = symbolWidth(frame.columns);
    const double rows = frame.rows;
    SymbolPlace place;
    const Point corners[] = {{0, 0}, {width, 0}, {width, rows}, {0, rows}};
    for (std::size_t i = 0; i < place.corners.size(); ++i) {
        const Point corner = frame.toImage.map(corners[i]);
        place.corners[i] = {corner.x + 0.5, corner.y + 0.5};
    }
    return place;
}

// A frame, what was read in it, and what that came to.
struct FramedReading {
    SymbolFrame frame;
    SymbolReading reading;
    ReadingDecode attempt;
};

// Refits the frame to where its codewords were read, `rounds` times at most,
// while that reads more of them and the symbol does not decode.
void refineWhileBetter(const GreyImage& image, FramedReading& current, int rounds, FrameFit fit,
                       const CodewordShapes& shapes, CodewordTemplateSet& templates) {
    for (int round = 0; round < rounds && !current.attempt.decoded.ok(); ++round) {
        std::optional<SymbolFrame> refined = refineFrame(current.frame, current.reading, fit);
        if (!refined) {
            return;
        }
        SymbolReading again = readSymbol(image, *refined, shapes, templates);
        if (again.erasures.size() >= current.reading.erasures.size()) {
            return;
        }
        current.attempt = decodeReading(again, refined->rows);
        current.frame = std::move(*refined);
        current.reading = std::move(again);
    }
}

// Reads the symbol in `frame`. A reading that does not decode is tried
// again in a frame refitted to where its codewords were read, for as long as
// that reads more of them: as flat paper `refinements` times at most, then
// bent to follow rows that curve.
Result<LocatedSymbol> readFrame(const GreyImage& image, SymbolFrame first, int refinements,
                                const CodewordShapes& shapes, CodewordTemplateSet& templates,
                                CaptureTrace* trace) {
    SymbolReading reading = readSymbol(image, first, shapes, templates);
    ReadingDecode attempt = decodeReading(reading, first.rows);
    FramedReading current{std::move(first), std::move(reading), std::move(attempt)};
    refineWhileBetter(image, current, refinements, FrameFit::Flat, shapes, templates);
    refineWhileBetter(image, current, kBentRefinements, FrameFit::Bent, shapes, templates);
    if (trace != nullptr) {
        traceReading(current.frame, current.reading, current.attempt.codewords, *trace);
    }
    if (!current.attempt.decoded.ok()) {
        return current.attempt.decoded.failure();
    }
    return LocatedSymbol{std::move(current.attempt.decoded).value(), placeOf(current.frame)};
}

// Reads the symbol of one candidate; NoSymbol when it is none.
Result<LocatedSymbol> readCandidate(const GreyImage& image, const Candidate& candidate,
                                    const CodewordShapes& shapes, CodewordTemplateSet& templates,
                                    CaptureTrace* trace) {
    std::optional<SymbolFrame> frame =
        locateSymbol(image, *candidate.start, *candidate.stop, shapes, templates, trace);
    if (!frame) {
        return DecodeFailure::NoSymbol;
    }
    return readFrame(image, std::move(*frame), kRefinements, shapes, templates, trace);
}

// Reads the symbol beside one guard line alone; NoSymbol when it is none.
Result<LocatedSymbol> readOneSided(const GreyImage& image, const GuardLine& guard,
                                   const CodewordShapes& shapes, CodewordTemplateSet& templates,
                                   CaptureTrace* trace) {
    std::optional<SymbolFrame> frame = locateFromOneSide(image, guard, shapes, templates, trace);
    if (!frame) {
        return DecodeFailure::NoSymbol;
    }
    return readFrame(image, std::move(*frame), kOneSidedRefinements, shapes, templates, trace);
}

// The guard lines to try alone, the better supported first.
std::vector<const GuardLine*> loneLines(const std::vector<GuardLine>& starts,
                                        const std::vector<GuardLine>& stops) {
    std::vector<const GuardLine*> lines;
    for (const std::vector<GuardLine>* kind : {&starts, &stops}) {
        for (const GuardLine& line : *kind) {
            lines.push_back(&line);
        }
    }
    std::stable_sort(lines.begin(), lines.end(), [](const GuardLine* a, const GuardLine* b) {
        return a->hits.size() > b->hits.size();
    });
    if (lines.size() > kMaxLoneLines) {
        lines.resize(kMaxLoneLines);
    }
    return lines;
}

}  // namespace

namespace {

// Light print on a dark ground, as screens and some cards show symbols,
// becomes dark print on light: in place, as a copy of a large picture would
// take as much memory again.
void invert(GreyImage& image) {
    for (std::uint8_t& pixel : image.pixels) {
        pixel = static_cast<std::uint8_t>(255 - pixel);
    }
}

// The share of the picture that is dark: every sixteenth pixel of every
// sixteenth row is enough to tell.
double darkShare(const GreyImage& image) {
    constexpr std::int32_t kStep = 16;
    constexpr std::uint8_t kMidGrey = 128;
    std::int64_t dark = 0;
    std::int64_t seen = 0;
    for (std::int32_t y = kStep / 2; y < image.height; y += kStep) {
        for (std::int32_t x = kStep / 2; x < image.width; x += kStep) {
            dark += image.at(x, y) < kMidGrey ? 1 : 0;
            ++seen;
        }
    }
    return seen > 0 ? static_cast<double>(dark) / static_cast<double>(seen) : 0.0;
}

// How a picture is looked at with dark and light exchanged, if at all, by
// how much of it is dark. A page of dark print on light paper, with or
// without a symbol, is mostly light and is not looked at again; a fair share
// of dark may be a dark ground around light print, and is looked at with the
// quick pass alone, so that a picture without a symbol pays for one more
// look at it, not for the close one; a picture mostly dark is a dark ground,
// and a small or thin symbol on it is found only by the close pass.
std::vector<ScanPass> invertedPasses(const GreyImage& image, const std::vector<ScanPass>& passes) {
    constexpr double kMinDarkShare = 0.15;
    constexpr double kDarkGroundShare = 0.5;
    const double share = darkShare(image);
    if (share < kMinDarkShare) {
        return {};
    }
    if (share < kDarkGroundShare) {
        return {passes.front()};
    }
    return passes;
}

struct Search {
    const CodewordShapes& shapes;
    CodewordTemplateSet& templates;
    CaptureTrace* trace;
    // The first failure that tells more than NoSymbol.
    DecodeFailure outcome = DecodeFailure::NoSymbol;
};

// Looks for a symbol along the scan lines of `passes`, pass after pass,
// until one decodes.
std::optional<LocatedSymbol> searchPasses(const GreyImage& image,
                                          const std::vector<ScanPass>& passes, Search& search) {
    for (const ScanPass& pass : passes) {
        const std::vector<GuardHit> hits = scanForGuards(image, pass.spacing, pass.directions);
        const std::vector<GuardLine> starts =
            fitGuardLines(hits, GuardKind::Start, kLinesPerKind, pass.spacing);
        const std::vector<GuardLine> stops =
            fitGuardLines(hits, GuardKind::Stop, kLinesPerKind, pass.spacing);
        if (search.trace != nullptr) {
            traceFinding(hits, starts, *search.trace);
            traceFinding({}, stops, *search.trace);
        }
        for (const Candidate& candidate : pairUp(starts, stops)) {
            Result<LocatedSymbol> decoded =
                readCandidate(image, candidate, search.shapes, search.templates, search.trace);
            if (decoded.ok()) {
                return std::move(decoded).value();
            }
            if (search.outcome == DecodeFailure::NoSymbol) {
                search.outcome = decoded.failure();
            }
        }
        // A symbol with one guard pattern cut off, covered or damaged.
        for (const GuardLine* line : loneLines(starts, stops)) {
            Result<LocatedSymbol> decoded =
                readOneSided(image, *line, search.shapes, search.templates, search.trace);
            if (decoded.ok()) {
                return std::move(decoded).value();
            }
            if (search.outcome == DecodeFailure::NoSymbol) {
                search.outcome = decoded.failure();
            }
        }
    }
    return std::nullopt;
}

// Looks for light print on a dark ground: the picture inverted in place.
std::optional<LocatedSymbol> searchInverted(GreyImage& image, const std::vector<ScanPass>& passes,
                                            Search& search) {
    invert(image);
    if (search.trace != nullptr) {
        search.trace->invertedSearch = true;
    }
    return searchPasses(image, passes, search);
}

}  // namespace

Result<LocatedSymbol> captureDecode(GreyImage image, CaptureTrace* trace) {
    const CodewordShapes shapes;
    CodewordTemplateSet templates;
    Search search{shapes, templates, trace};
    const std::vector<ScanPass> passes = scanPasses(image);
    const std::vector<ScanPass> inverse = invertedPasses(image, passes);
    if (std::optional<LocatedSymbol> found = searchPasses(image, passes, search)) {
        return std::move(*found);
    }
    const bool inverted = !inverse.empty() && search.outcome == DecodeFailure::NoSymbol;
    if (inverted) {
        if (std::optional<LocatedSymbol> found = searchInverted(image, inverse, search)) {
            return std::move(*found);
        }
    }
    // A picture whose sharpest edges are soft is looked at again sharpened,
    // each way round: where blur has run a symbol's narrowest bars and spaces
    // together, neither its guard patterns nor its codewords show their
    // elements. Inverted or not, its edges are as soft.
    if (edgeBlur(image) < kSoftEdgeBlur) {
        return search.outcome;
    }
    if (inverted) {
        invert(image);
    }
    sharpen(image);
    if (trace != nullptr) {
        trace->sharpenedSearch = true;
    }
    // With a budget of template comparisons of its own: a blurred picture's
    // first look will have spent all of its budget.
    CodewordTemplateSet sharpenedTemplates;
    Search sharpened{shapes, sharpenedTemplates, trace, search.outcome};
    if (std::optional<LocatedSymbol> found = searchPasses(image, passes, sharpened)) {
        return std::move(*found);
    }
    if (!inverse.empty()) {
        if (std::optional<LocatedSymbol> found = searchInverted(image, inverse, sharpened)) {
            return std::move(*found);
        }
    }
    return sharpened.outcome;
}

}  // namespace ostrel2::tessoran::capture

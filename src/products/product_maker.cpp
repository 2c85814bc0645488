#include "products/product_maker.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "products/epoch_filters.h"
#include "products/header_counts.h"
#include "crinex/crinex.h"
#include "textio/output_file.h"
#include "rinex/interval_estimator.h"
#include "rinex/obs_reader.h"
#include "rinex_names/rinex_names.h"

namespace zer2ivi::products {

using namespace rinex;

namespace {

std::string Seconds_Text(Ticks ticks) {
    std::string text = std::to_string(ticks / kTicksPerSecond);
    if (const Ticks fraction = ticks % kTicksPerSecond; fraction != 0) {
        std::string digits = std::to_string(fraction + kTicksPerSecond).substr(1);
        while (digits.back() == '0') digits.pop_back();
        text += "." + digits;
    }
    return text;
}

// The interval of the data: the header's, or else the estimate from the
// epochs (IntervalEstimator), which takes a pass over the file.
std::optional<Ticks> Data_Interval(const std::string& path, const ObsHeader& header) {
    if (header.interval && *header.interval > 0) return header.interval;
    ObsReader reader;
    if (!reader.open(path)) return std::nullopt;
    ObsEpoch epoch;
    IntervalEstimator estimator;
    while (reader.next(epoch) == ObsReader::Status::kEpoch)
        if (epoch.isObservationEpoch()) estimator.add(epoch.time);
    return estimator.interval();
}

// One product being written: the body so far and its counts.
class Product {
public:
    bool start(const ProductRequest& request, std::optional<Ticks> pieceStart,
               const std::string& marker, bool compact, std::string& error) {
        pieceStart_ = pieceStart;
        counts_.reset();
        compact_ = compact;
        final_ = names::With_Observation_Letter(request.finalPath(marker, pieceStart), compact);
        const auto body = request.createTemporary(final_);
        if (!body) {
            error = final_ + ": cannot create a temporary file in its directory: " +
                    std::strerror(errno);
            return false;
        }
        bodyPath_ = *body;
        if (!body_.open(bodyPath_, false)) {
            error = body_.error();
            return false;
        }
        return true;
    }

    bool add(const ObsEpoch& epoch, std::string& error) {
        counts_.add(epoch);
        if (!body_.write(epoch.text())) {
            error = body_.error();
            return false;
        }
        return true;
    }

    bool isOpen() const { return !bodyPath_.empty(); }
    std::optional<Ticks> pieceStart() const { return pieceStart_; }

    // Writes the product under a temporary name (added to files) when it
    // has observation epochs; drops it otherwise.
    bool finish(const ProductRequest& request, const std::vector<HeaderLine>& header,
                const std::string& lineEnd, std::optional<Ticks> fallbackInterval,
                std::vector<ProductFile>& files, std::string& error) {
        bool ok = body_.close();
        if (!ok) error = body_.error();
        if (ok && counts_.epochs() > 0) {
            const auto temporary = request.createTemporary(final_);
            if (!temporary) {
                error = final_ + ": cannot create a temporary file in its directory: " +
                    std::strerror(errno);
                ok = false;
            } else {
                files.push_back({*temporary, final_, counts_.epochs(), counts_.first(),
                                 counts_.last()});
                crinex::ObservationOutput output;
                ok = output.open(*temporary, request.gzip, compact_, final_) &&
                     output.write(Product_Header(header, counts_, fallbackInterval, lineEnd)) &&
                     textio::Append_File(output, bodyPath_, error);
                if (!output.close() || !ok) {
                    if (error.empty()) error = output.error();
                    ok = false;
                }
            }
        }
        discard();
        return ok;
    }

    void discard() {
        body_.close();
        if (!bodyPath_.empty()) std::remove(bodyPath_.c_str());
        bodyPath_.clear();
    }

    ~Product() { discard(); }

private:
    textio::OutputFile body_;
    std::string bodyPath_;
    std::string final_;
    bool compact_ = false;
    std::optional<Ticks> pieceStart_;
    HeaderCounts counts_;
};

// Refuses (or, forced, warns about) an interval the data cannot give.
bool Check_Interval(const ProductRequest& request, const ObsHeader& header,
                    std::optional<Ticks>& dataInterval, ProductOutcome& outcome) {
    dataInterval = Data_Interval(request.input, header);
    if (!dataInterval || *request.interval % *dataInterval == 0) return true;
    const std::string problem =
        "--interval " + Seconds_Text(*request.interval) +
        (*request.interval < *dataInterval ? " is below" : " is not a whole multiple of") +
        " the interval of the data (" + Seconds_Text(*dataInterval) + " s)";
    if (!request.force) {
        outcome.usageError = true;
        outcome.error = problem;
        return false;
    }
    outcome.warnings.push_back(problem + "; written as asked (--force)");
    return true;
}

bool Run(const ProductRequest& request, ProductOutcome& outcome) {
    ObsReader reader;
    if (!reader.open(request.input)) {
        outcome.error = reader.error();
        return false;
    }
    const ObsHeader& header = reader.header();
    const bool compact = request.compact.value_or(reader.isCompact());
    std::optional<Ticks> dataInterval;
    if (request.interval && !Check_Interval(request, header, dataInterval, outcome)) return false;

    // The stages, in the order they apply.
    std::vector<std::unique_ptr<ProductStage>> stages;
    stages.push_back(std::make_unique<HeaderEditor>(request.edits));
    if (!request.historyNote.empty())
        stages.push_back(std::make_unique<HistoryNote>(request.historyNote));
    if (request.from || request.to)
        stages.push_back(std::make_unique<WindowFilter>(request.from, request.to));
    Decimator* decimator = nullptr;
    if (request.interval) {
        auto stage = std::make_unique<Decimator>(*request.interval, request.tolerance, dataInterval);
        decimator = stage.get();
        stages.push_back(std::move(stage));
    }
    if (request.pieceLength) stages.push_back(std::make_unique<Splitter>(*request.pieceLength));

    std::vector<HeaderLine> lines = header.lines;
    for (const auto& stage : stages) stage->editHeader(lines, header.lineEnd);
    const std::string marker = request.edits.marker.value_or(header.markerName);
    const std::optional<Ticks> fallbackInterval =
        request.interval ? request.interval : header.interval;

    // The fast way to a window relies on time order, which --force does not.
    const bool fast = request.fastWindow && !request.force;
    Product product;
    ObsEpoch epoch;
    ObsReader::Status status;
    if (fast && request.from) reader.skipBefore(*request.from);
    while ((status = reader.next(epoch)) == ObsReader::Status::kEpoch) {
        if (epoch.isObservationEpoch() && epoch.order != TimeOrder::kForward) {
            if (!request.force) break;  // refused below
            if (epoch.order == TimeOrder::kRepeated) continue;
        }
        if (fast && request.to && epoch.hasTime && epoch.time >= *request.to) {
            reader.skipRest();  // still checks the time order to the end
            continue;
        }
        if (epoch.isObservationEpoch()) ++outcome.epochsRead;
        EpochRoute route;
        bool kept = true;
        for (const auto& stage : stages) {
            if (!stage->apply(epoch, route)) {
                kept = false;
                break;
            }
        }
        if (!kept) continue;
        if (product.isOpen() && route.piece != product.pieceStart()) {
            if (route.piece < product.pieceStart()) {
                outcome.error = reader.path() + ":" + std::to_string(epoch.firstLine) +
                                ": epoch earlier than the piece before it; cannot split";
                return false;
            }
            if (!product.finish(request, lines, header.lineEnd, fallbackInterval, outcome.files,
                                outcome.error))
                return false;
        }
        if (!product.isOpen() && !product.start(request, route.piece, marker, compact, outcome.error))
            return false;
        if (!product.add(epoch, outcome.error)) return false;
    }
    outcome.epochsRead += static_cast<size_t>(reader.skippedEpochs());
    outcome.repeatedEpochs = reader.repeatedEpochs();
    outcome.backwardJumps = reader.backwardJumps();
    if (!reader.firstOrderProblem().empty()) {
        if (!request.force) {
            outcome.error = reader.firstOrderProblem() +
                            " (--force drops repeated epochs and keeps backward jumps)";
            return false;
        }
        outcome.warnings.push_back(
            reader.firstOrderProblem() + "; --force: " + std::to_string(outcome.repeatedEpochs) +
            " repeated epoch(s) dropped, " + std::to_string(outcome.backwardJumps) +
            " backward jump(s) kept");
    }
    if (status == ObsReader::Status::kError) {
        if (!reader.endedShort()) {
            outcome.error = reader.error();
            return false;
        }
        outcome.endedShort = true;
        outcome.warnings.push_back(reader.error() + "; the file ends short at line " +
                                   std::to_string(reader.shortAtLine()) +
                                   ": every whole epoch before it was processed");
    }
    if (product.isOpen() &&
        !product.finish(request, lines, header.lineEnd, fallbackInterval, outcome.files,
                        outcome.error))
        return false;
    if (decimator != nullptr && decimator->droppedNearGrid() > 0) {
        outcome.droppedNearGrid = decimator->droppedNearGrid();
        outcome.warnings.push_back(
            std::to_string(outcome.droppedNearGrid) + " epoch(s) within half an interval of a " +
            "multiple of --interval " + Seconds_Text(*request.interval) +
            " s but outside the tolerance (" + Seconds_Text(request.tolerance) +
            " s) were dropped; --tolerance keeps them");
    }
    if (outcome.files.empty()) {
        outcome.error = request.input + ": no observation epoch is left to write";
        return false;
    }
    return true;
}

}  // namespace

bool Make_Products(const ProductRequest& request, ProductOutcome& outcome) {
    outcome = ProductOutcome{};
    if (Run(request, outcome)) return true;
    for (const ProductFile& file : outcome.files) std::remove(file.temporary.c_str());
    outcome.files.clear();
    return false;
}

}  // namespace zer2ivi::products

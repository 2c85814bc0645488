#include "products/product_maker.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "products/epoch_filters.h"
#include "products/header_counts.h"
#include "products/output_file.h"
#include "rinex2/interval_estimator.h"
#include "rinex2/obs_reader.h"

namespace zer2ivi::products {

using namespace rinex2;

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
               const std::string& marker, std::string& error) {
        pieceStart_ = pieceStart;
        counts_.reset();
        final_ = request.finalPath(marker, pieceStart);
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
                OutputFile output;
                ok = output.open(*temporary, request.gzip) &&
                     output.write(Product_Header(header, counts_, fallbackInterval, lineEnd)) &&
                     Append_File(output, bodyPath_, error);
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
    OutputFile body_;
    std::string bodyPath_;
    std::string final_;
    std::optional<Ticks> pieceStart_;
    HeaderCounts counts_;
};

bool Run(const ProductRequest& request, ProductOutcome& outcome) {
    ObsReader reader;
    if (!reader.open(request.input)) {
        outcome.error = reader.error();
        return false;
    }
    const ObsHeader& header = reader.header();
    if (request.interval) {
        const auto dataInterval = Data_Interval(request.input, header);
        if (dataInterval && *request.interval < *dataInterval - Decimator::kTolerance) {
            outcome.usageError = true;
            outcome.error = "--interval " + Seconds_Text(*request.interval) +
                            " is below the interval of the data (" + Seconds_Text(*dataInterval) +
                            " s)";
            return false;
        }
    }
    std::vector<HeaderLine> lines = header.lines;
    HeaderEditor(request.edits).apply(lines, header.lineEnd);
    const std::string marker = request.edits.marker.value_or(header.markerName);
    const std::optional<Ticks> fallbackInterval =
        request.interval ? request.interval : header.interval;

    WindowFilter window(request.from, request.to);
    std::optional<Decimator> decimator;
    if (request.interval) decimator.emplace(*request.interval);
    Product product;
    ObsEpoch epoch;
    ObsReader::Status status;
    if (request.fastWindow && request.from) reader.skipBefore(*request.from);
    while ((status = reader.next(epoch)) == ObsReader::Status::kEpoch) {
        if (request.fastWindow && request.to && epoch.hasTime && epoch.time >= *request.to) break;
        if (epoch.isObservationEpoch()) ++outcome.epochsRead;
        if (!window.keep(epoch)) continue;
        if (decimator && !decimator->keep(epoch)) continue;
        std::optional<Ticks> piece;
        if (request.pieceLength) {
            piece = epoch.hasTime ? Piece_Start(epoch.time, *request.pieceLength)
                    : product.isOpen() ? product.pieceStart()
                                       : std::nullopt;
            if (!piece) continue;  // an undated event before any dated epoch
        }
        if (product.isOpen() && piece != product.pieceStart()) {
            if (piece < product.pieceStart()) {
                outcome.error = reader.path() + ":" + std::to_string(epoch.firstLine) +
                                ": epoch earlier than the piece before it; cannot split";
                return false;
            }
            if (!product.finish(request, lines, header.lineEnd, fallbackInterval, outcome.files,
                                outcome.error))
                return false;
        }
        if (!product.isOpen() && !product.start(request, piece, marker, outcome.error))
            return false;
        if (!product.add(epoch, outcome.error)) return false;
    }
    outcome.epochsRead += static_cast<size_t>(reader.skippedEpochs());
    if (status == ObsReader::Status::kError) {
        outcome.error = reader.error();
        return false;
    }
    if (product.isOpen() &&
        !product.finish(request, lines, header.lineEnd, fallbackInterval, outcome.files,
                        outcome.error))
        return false;
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

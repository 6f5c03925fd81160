#include "audio/align.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <utility>
#include <vector>

namespace cuemark::audio {

namespace {

// FFTW's planner is not safe to call from two threads at once; executing a
// plan is.
std::mutex& PlannerLock() {
    static std::mutex lock;
    return lock;
}

struct FftwFree {
    void operator()(void* p) const { fftw_free(p); }
};
template <typename T>
using FftwBuffer = std::unique_ptr<T[], FftwFree>;

template <typename T>
FftwBuffer<T> Allocate(size_t count) {
    auto* p = static_cast<T*>(fftw_malloc(sizeof(T) * count));
    if (!p) throw std::bad_alloc();
    return FftwBuffer<T>(p);
}

size_t NextPowerOfTwo(size_t n) {
    size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

double LastEnd(const std::vector<Span>& spans) {
    double last = 0.0;
    for (const Span& s : spans) last = std::max(last, s.end);
    return last;
}

// The correlation of the reference with the titles at every shift, by FFT:
// the reference's transform is made once, each factor's titles once more.
class Correlator {
public:
    Correlator(const std::vector<Span>& reference, size_t size, double step) : size_(size), step_(step) {
        signal_ = Allocate<double>(size_);
        referenceTransform_ = Allocate<fftw_complex>(size_ / 2 + 1);
        transform_ = Allocate<fftw_complex>(size_ / 2 + 1);
        {
            const std::lock_guard<std::mutex> planning(PlannerLock());
            forward_ = fftw_plan_dft_r2c_1d(static_cast<int>(size_), signal_.get(), transform_.get(), FFTW_ESTIMATE);
            backward_ = fftw_plan_dft_c2r_1d(static_cast<int>(size_), transform_.get(), signal_.get(), FFTW_ESTIMATE);
        }
        if (!forward_ || !backward_) throw std::bad_alloc();
        draw(reference, 1.0);
        fftw_execute(forward_);
        std::memcpy(referenceTransform_.get(), transform_.get(), sizeof(fftw_complex) * (size_ / 2 + 1));
    }
    ~Correlator() {
        const std::lock_guard<std::mutex> planning(PlannerLock());
        fftw_destroy_plan(forward_);
        fftw_destroy_plan(backward_);
    }
    Correlator(const Correlator&) = delete;
    Correlator& operator=(const Correlator&) = delete;

    // The titles' steps on speech for each shift k (titles moved by k
    // steps), k from -reach to +reach; also the titles' own steps.
    std::vector<double> correlate(const std::vector<Span>& titles, double factor, long reach, double& titleSteps) {
        titleSteps = draw(titles, factor);
        fftw_execute(forward_);
        for (size_t i = 0; i < size_ / 2 + 1; ++i) {
            const std::complex<double> a(referenceTransform_[i][0], referenceTransform_[i][1]);
            const std::complex<double> b(transform_[i][0], transform_[i][1]);
            const std::complex<double> c = a * std::conj(b);
            transform_[i][0] = c.real();
            transform_[i][1] = c.imag();
        }
        fftw_execute(backward_);
        std::vector<double> byShift(static_cast<size_t>(2 * reach + 1));
        const double scale = 1.0 / static_cast<double>(size_);
        for (long k = -reach; k <= reach; ++k) {
            const size_t at = k >= 0 ? static_cast<size_t>(k) : size_ - static_cast<size_t>(-k);
            // The transform's rounding leaves tiny values where there is none.
            byShift[static_cast<size_t>(k + reach)] = std::max(0.0, std::round(signal_[at] * scale));
        }
        return byShift;
    }

private:
    // Spans as steps of 1 (overlaps counted once); returns how many steps.
    double draw(const std::vector<Span>& spans, double factor) {
        std::fill(signal_.get(), signal_.get() + size_, 0.0);
        double steps = 0.0;
        for (const Span& s : spans) {
            const long from = std::max(0L, std::lround(s.start * factor / step_));
            const long to = std::min(static_cast<long>(size_ / 2), std::lround(s.end * factor / step_));
            for (long n = from; n < to; ++n) {
                if (signal_[static_cast<size_t>(n)] == 0.0) steps += 1.0;
                signal_[static_cast<size_t>(n)] = 1.0;
            }
        }
        return steps;
    }

    size_t size_;
    double step_;
    FftwBuffer<double> signal_;
    FftwBuffer<fftw_complex> referenceTransform_, transform_;
    fftw_plan forward_ = nullptr, backward_ = nullptr;
};

struct Peak {
    double overlap = 0.0;
    double second = 0.0; // the best more than a second away
    double typical = 0.0; // the mean over every shift: what chance gives
    long shift = 0;
};

Peak BestShift(const std::vector<double>& byShift, long reach, double step) {
    Peak peak;
    peak.overlap = -1.0;
    for (long k = -reach; k <= reach; ++k) {
        const double v = byShift[static_cast<size_t>(k + reach)];
        // Equal overlaps: the smaller move.
        if (v > peak.overlap || (v == peak.overlap && std::labs(k) < std::labs(peak.shift))) {
            peak.overlap = v;
            peak.shift = k;
        }
    }
    const long apart = std::lround(1.0 / step);
    double sum = 0.0;
    for (long k = -reach; k <= reach; ++k) {
        const double v = byShift[static_cast<size_t>(k + reach)];
        sum += v;
        if (std::labs(k - peak.shift) > apart) peak.second = std::max(peak.second, v);
    }
    peak.typical = sum / static_cast<double>(2 * reach + 1);
    return peak;
}

} // namespace

std::vector<double> CandidateFactors() {
    const double rates[] = {23.976, 24.0, 25.0, 29.97, 30.0};
    std::set<double> seen{1.0};
    for (double a : rates)
        for (double b : rates) seen.insert(std::round(a / b * 1e6) / 1e6);
    return {seen.begin(), seen.end()};
}

namespace {

struct Best {
    double fit = -1.0;
    Peak peak;
    double factor = 1.0;
};

// The factor among `factors` whose best offset puts most of the titles'
// time on the reference.
Best Scan(Correlator& correlator, const std::vector<Span>& titles, const std::vector<double>& factors, long reach,
          double step) {
    Best best;
    for (double factor : factors) {
        double steps = 0.0;
        const std::vector<double> byShift = correlator.correlate(titles, factor, reach, steps);
        const Peak peak = BestShift(byShift, reach, step);
        const double fit = steps > 0 ? peak.overlap / steps : 0.0;
        if (fit > best.fit) best = {fit, peak, factor};
    }
    return best;
}

// The factor a straight line through the titles' starts and the nearest
// speech starts gives, after the map found so far; 0 when too few pairs.
// The scan's factors are 0.01% apart, which over two hours leaves most of a
// second at the end; the line finds what lies between.
double FactorByStarts(const std::vector<Span>& titles, const std::vector<Span>& reference, double factor,
                      double offset) {
    std::vector<double> starts;
    starts.reserve(reference.size());
    for (const Span& s : reference) starts.push_back(s.start);
    std::sort(starts.begin(), starts.end());
    std::vector<std::pair<double, double>> pairs;
    for (const Span& t : titles) {
        const double mapped = t.start * factor + offset;
        const auto at = std::lower_bound(starts.begin(), starts.end(), mapped);
        double nearest = at != starts.end() ? *at : starts.back();
        if (at != starts.begin() && std::abs(*(at - 1) - mapped) < std::abs(nearest - mapped)) nearest = *(at - 1);
        if (std::abs(nearest - mapped) <= 0.3) pairs.emplace_back(t.start, nearest);
    }
    // Least squares twice: the second time without the pairs the first line
    // leaves more than 0.1 s off (a title that matched the wrong line).
    double slope = 0.0;
    for (int pass = 0; pass < 2; ++pass) {
        if (pairs.size() < 20) return 0.0;
        double mx = 0, my = 0;
        for (const auto& [x, y] : pairs) mx += x, my += y;
        mx /= double(pairs.size());
        my /= double(pairs.size());
        double sxy = 0, sxx = 0;
        for (const auto& [x, y] : pairs) sxy += (x - mx) * (y - my), sxx += (x - mx) * (x - mx);
        if (sxx <= 0) return 0.0;
        slope = sxy / sxx;
        const double intercept = my - slope * mx;
        std::erase_if(pairs, [&](const std::pair<double, double>& p) {
            return std::abs(p.second - (slope * p.first + intercept)) > 0.1;
        });
    }
    return slope;
}

} // namespace

SyncProposal Align(const std::vector<Span>& titles, const std::vector<Span>& reference, const AlignOptions& options) {
    SyncProposal proposal;
    if (titles.empty()) {
        proposal.why = "there are no titles to place";
        return proposal;
    }
    if (reference.empty()) {
        proposal.why = "the reference has no speech to place them on";
        return proposal;
    }
    const std::vector<double> factors = CandidateFactors();
    const double largest = *std::max_element(factors.begin(), factors.end()) * 1.01;
    const double span = LastEnd(titles) * largest + LastEnd(reference);
    // Room for both signals end to end, so no shift wraps onto another.
    const auto sizeFor = [&](double step) {
        return NextPowerOfTwo(static_cast<size_t>(std::ceil(span / step)) + 2) * 2;
    };
    const auto reachFor = [&](double step) { return std::lround(options.maxOffsetSeconds / step); };

    // The factor on a coarse grid, ten steps to one: the factors differ by
    // far more than that over any film.
    const double coarseStep = options.stepSeconds * 10;
    Correlator coarse(reference, sizeFor(coarseStep), coarseStep);
    Best best = Scan(coarse, titles, factors, reachFor(coarseStep), coarseStep);
    // About the best: a file stretched by hand, or a rate not in the list.
    std::vector<double> near;
    for (int i = -20; i <= 20; ++i)
        if (i != 0) near.push_back(best.factor * (1.0 + i * 0.0001));
    if (const Best closer = Scan(coarse, titles, near, reachFor(coarseStep), coarseStep); closer.fit > best.fit)
        best = closer;

    // The offset at the fine step, and the factor between the grid's points.
    const double step = options.stepSeconds;
    const long reach = reachFor(step);
    Correlator fine(reference, sizeFor(step), step);
    best = Scan(fine, titles, {best.factor}, reach, step);
    if (const double line = FactorByStarts(titles, reference, best.factor, best.peak.shift * step);
        line > 0 && std::abs(line / best.factor - 1.0) < 0.0002) {
        if (const Best refined = Scan(fine, titles, {line}, reach, step); refined.fit >= best.fit) best = refined;
    }

    proposal.factor = best.factor;
    proposal.offset = best.peak.shift * step;
    proposal.fit = std::max(0.0, best.fit);
    // Dense speech overlaps any titles by chance; what counts is how far the
    // best stands above that, against how far the next best does.
    const double above = best.peak.overlap - best.peak.typical, nextAbove = best.peak.second - best.peak.typical;
    proposal.peakRatio = nextAbove > 0 ? above / nextAbove : (above > 0 ? 1e9 : 0.0);
    if (proposal.fit < options.minFit) {
        proposal.why = "only " + std::to_string(static_cast<int>(std::lround(proposal.fit * 100))) +
                       "% of the titles' time would lie on speech";
    } else if (proposal.peakRatio < options.minPeakRatio) {
        proposal.why = "another offset fits nearly as well, so none is sure";
    } else {
        proposal.found = true;
    }
    return proposal;
}

} // namespace cuemark::audio

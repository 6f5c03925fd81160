#include "audio/align.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
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

// How much of any stretch of time the reference covers, in O(log n): the
// exact overlap the fine search and the fit are measured by.
class Coverage {
public:
    explicit Coverage(const std::vector<Span>& spans) {
        std::vector<Span> sorted;
        for (const Span& s : spans)
            if (s.end > s.start) sorted.push_back(s);
        std::sort(sorted.begin(), sorted.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
        double total = 0.0;
        for (const Span& s : sorted) {
            if (!starts_.empty() && s.start <= ends_.back()) {
                // Overlapping intervals count once.
                if (s.end > ends_.back()) {
                    total += s.end - ends_.back();
                    ends_.back() = s.end;
                }
                continue;
            }
            starts_.push_back(s.start);
            ends_.push_back(s.end);
            before_.push_back(total);
            total += s.end - s.start;
        }
    }
    double covered(double from, double to) const { return to > from ? upTo(to) - upTo(from) : 0.0; }

    // The reference's time up to successive times that mostly rise (a
    // file's titles in order): from where the last one was found, so a pass
    // over a run costs its length, not a search for every title.
    class Walker {
    public:
        explicit Walker(const Coverage& c) : c_(c) {}
        double upTo(double t) {
            const std::vector<double>& starts = c_.starts_;
            if (at_ < starts.size() && starts[at_] <= t) {
                for (int hops = 0; at_ + 1 < starts.size() && starts[at_ + 1] <= t; ++at_)
                    if (++hops == 16) {
                        at_ = static_cast<size_t>(std::upper_bound(starts.begin() + at_, starts.end(), t) -
                                                  starts.begin()) - 1;
                        break;
                    }
            } else {
                const auto found = std::upper_bound(starts.begin(), starts.end(), t);
                if (found == starts.begin()) {
                    at_ = 0;
                    return 0.0;
                }
                at_ = static_cast<size_t>(found - starts.begin()) - 1;
            }
            return c_.before_[at_] + std::min(t, c_.ends_[at_]) - starts[at_];
        }

    private:
        const Coverage& c_;
        size_t at_ = 0;
    };

    // How far a span's start and end are from the nearest start and end of
    // the reference, each counted up to half a second.
    double edgeMiss(double from, double to) const {
        const auto nearest = [](const std::vector<double>& edges, double t) {
            const auto at = std::lower_bound(edges.begin(), edges.end(), t);
            double d = 0.5;
            if (at != edges.end()) d = std::min(d, *at - t);
            if (at != edges.begin()) d = std::min(d, t - *(at - 1));
            return d;
        };
        return nearest(starts_, from) + nearest(ends_, to);
    }

    // The merged intervals that reach into [from, to), for drawing.
    template <typename Draw>
    void each(double from, double to, Draw draw) const {
        size_t j = static_cast<size_t>(std::upper_bound(ends_.begin(), ends_.end(), from) - ends_.begin());
        for (; j < starts_.size() && starts_[j] < to; ++j) draw(starts_[j], ends_[j]);
    }
    // The share of the reference's own stretch of time that it covers.
    double density() const {
        if (starts_.empty() || ends_.back() <= starts_.front()) return 0.0;
        return (before_.back() + ends_.back() - starts_.back()) / (ends_.back() - starts_.front());
    }

private:
    double upTo(double t) const {
        const auto at = std::upper_bound(starts_.begin(), starts_.end(), t);
        if (at == starts_.begin()) return 0.0;
        const size_t j = static_cast<size_t>(at - starts_.begin()) - 1;
        return before_[j] + std::min(t, ends_[j]) - starts_[j];
    }
    std::vector<double> starts_, ends_, before_;
};

// A run of titles, indices first..last, under one factor.
struct Run {
    const std::vector<Span>* titles;
    size_t first, last;
    double factor;
    double begin() const { return (*titles)[first].start * factor; }
    double end() const {
        double e = 0.0;
        for (size_t i = first; i <= last; ++i) e = std::max(e, (*titles)[i].end * factor);
        return e;
    }
};

double OnSpeech(const Coverage& coverage, const Run& run, double offset) {
    Coverage::Walker starts(coverage), ends(coverage);
    double sum = 0.0;
    for (size_t i = run.first; i <= run.last; ++i) {
        const Span& t = (*run.titles)[i];
        const double from = t.start * run.factor + offset, to = t.end * run.factor + offset;
        if (to > from) sum += ends.upTo(to) - starts.upTo(from);
    }
    return sum;
}

double Duration(const Run& run) {
    double sum = 0.0;
    for (size_t i = run.first; i <= run.last; ++i) {
        const Span& t = (*run.titles)[i];
        sum += std::max(0.0, (t.end - t.start) * run.factor);
    }
    return sum;
}

// The offset within `center` ± `half` (in steps of `step`) that puts the
// most of the run on speech. Titles that run on past their lines fit as
// well over a stretch of offsets; its latest end is where they start with
// their speech, not after it, so of offsets within 0.1% of the best the
// latest is taken.
double BestOffsetNear(const Coverage& coverage, const Run& run, double center, double half, double step) {
    const long steps = std::lround(half / step);
    std::vector<double> on(static_cast<size_t>(2 * steps + 1));
    for (long k = -steps; k <= steps; ++k) on[static_cast<size_t>(k + steps)] = OnSpeech(coverage, run, center + k * step);
    const double most = *std::max_element(on.begin(), on.end());
    long latest = steps;
    while (latest > -steps && on[static_cast<size_t>(latest + steps)] < most * 0.999) --latest;
    return center + latest * step;
}

// The correlation of the reference with a run of titles at every shift
// within a reach, by FFT over a slice of time that holds the run moved
// either way. The reference's transform is made once per slice; each
// factor's titles cost one transform more.
class Correlator {
public:
    Correlator(size_t size, double step) : size_(size), step_(step) {
        signal_ = Allocate<double>(size_);
        referenceTransform_ = Allocate<fftw_complex>(size_ / 2 + 1);
        transform_ = Allocate<fftw_complex>(size_ / 2 + 1);
        {
            const std::lock_guard<std::mutex> planning(PlannerLock());
            forward_ = fftw_plan_dft_r2c_1d(static_cast<int>(size_), signal_.get(), transform_.get(), FFTW_ESTIMATE);
            backward_ = fftw_plan_dft_c2r_1d(static_cast<int>(size_), transform_.get(), signal_.get(), FFTW_ESTIMATE);
        }
        if (!forward_ || !backward_) throw std::bad_alloc();
    }
    ~Correlator() {
        const std::lock_guard<std::mutex> planning(PlannerLock());
        fftw_destroy_plan(forward_);
        fftw_destroy_plan(backward_);
    }
    Correlator(const Correlator&) = delete;
    Correlator& operator=(const Correlator&) = delete;

    size_t size() const { return size_; }
    double step() const { return step_; }

    // The slice begins at `from`; it must hold the titles moved by the reach
    // either way, and then nothing wraps: a title's step m lies in
    // [reach, size - reach), so m + k stays inside for every |k| <= reach.
    void placeReference(const Coverage& reference, double from) {
        from_ = from;
        std::fill(signal_.get(), signal_.get() + size_, 0.0);
        reference.each(from, from + static_cast<double>(size_) * step_, [&](double a, double b) { draw(a, b); });
        fftw_execute(forward_);
        std::memcpy(referenceTransform_.get(), transform_.get(), sizeof(fftw_complex) * (size_ / 2 + 1));
    }

    // The run's steps on speech for each shift k (moved by k steps), k from
    // -reach to +reach.
    std::vector<double> correlate(const Run& run, long reach) {
        std::fill(signal_.get(), signal_.get() + size_, 0.0);
        for (size_t i = run.first; i <= run.last; ++i) {
            const Span& t = (*run.titles)[i];
            draw(t.start * run.factor, t.end * run.factor);
        }
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
    // A span as steps of 1 (overlaps counted once), clipped to the slice.
    void draw(double start, double end) {
        const long from = std::max(0L, std::lround((start - from_) / step_));
        const long to = std::min(static_cast<long>(size_), std::lround((end - from_) / step_));
        for (long n = from; n < to; ++n) signal_[static_cast<size_t>(n)] = 1.0;
    }

    size_t size_;
    double step_;
    double from_ = 0.0;
    FftwBuffer<double> signal_;
    FftwBuffer<fftw_complex> referenceTransform_, transform_;
    fftw_plan forward_ = nullptr, backward_ = nullptr;
};

struct Peak {
    double overlap = -1.0;
    long shift = 0;
    double ratio = 0.0; // see SyncProposal::peakRatio
};

// `chance` is what a run dropped anywhere on the reference overlaps: its
// steps times the share of the reference that is speech.
Peak BestShift(const std::vector<double>& byShift, long reach, double step, double chance) {
    Peak peak;
    for (long k = -reach; k <= reach; ++k) {
        const double v = byShift[static_cast<size_t>(k + reach)];
        // Equal overlaps: the smaller move.
        if (v > peak.overlap || (v == peak.overlap && std::labs(k) < std::labs(peak.shift))) {
            peak.overlap = v;
            peak.shift = k;
        }
    }
    const long apart = std::max(2L, std::lround(1.0 / step));
    double second = 0.0;
    for (long k = -reach; k <= reach; ++k)
        if (std::labs(k - peak.shift) > apart) second = std::max(second, byShift[static_cast<size_t>(k + reach)]);
    // Dense speech overlaps any titles by chance; what counts is how far the
    // best stands above that, against how far the next best does. (Not the
    // mean over the shifts: those that move a short file off the film
    // overlap nothing and would make chance look smaller than it is.)
    const double above = peak.overlap - chance, nextAbove = second - chance;
    peak.ratio = nextAbove > 0 ? above / nextAbove : (above > 0 ? 1e9 : 0.0);
    return peak;
}

// Everything one search needs: the reference, its coverage and the limits.
struct Search {
    const std::vector<Span>& titles;
    const std::vector<Span>& reference;
    const AlignOptions& options;
    Coverage coverage;

    Search(const std::vector<Span>& t, const std::vector<Span>& r, const AlignOptions& o)
        : titles(t), reference(r), options(o), coverage(r) {}

    // 100 ms steps find any offset; a slice of many hours takes longer ones,
    // so that a transform stays within 2^17 points.
    double stepFor(double length) const {
        return std::max(options.stepSeconds * 10, (length + 2 * options.maxOffsetSeconds) / 120000.0);
    }
    long reach(double step) const { return std::lround(options.maxOffsetSeconds / step); }
    // A correlator whose slice holds runs up to `length` seconds long.
    std::unique_ptr<Correlator> correlatorFor(double length) const {
        const double step = stepFor(length);
        const auto steps = static_cast<size_t>(std::ceil(length / step)) + 2 * static_cast<size_t>(reach(step)) + 4;
        return std::make_unique<Correlator>(NextPowerOfTwo(steps), step);
    }
    double sliceStart(const Run& run, double step) const { return run.begin() - (reach(step) + 2) * step; }
    double chance(const Run& run, double step) const { return coverage.density() * Duration(run) / step; }

    // The run's best offset and how sure it is of it: by FFT at the
    // correlator's step over the whole reach, then to the fine step about
    // the peak.
    Peak place(Correlator& correlator, const Run& run, double& offset) const {
        const double step = correlator.step();
        correlator.placeReference(coverage, sliceStart(run, step));
        const Peak peak = BestShift(correlator.correlate(run, reach(step)), reach(step), step, chance(run, step));
        offset = refine(run, peak.shift * step, step);
        return peak;
    }
    double refine(const Run& run, double around, double step) const {
        // A coarse step may be a second or more on a very long file: come
        // down in two stages.
        // On the fine step's grid, so that a whole-step offset is found exactly.
        const auto onGrid = [](double t, double grid) { return std::round(t / grid) * grid; };
        double at = around;
        if (step > 0.1) at = BestOffsetNear(coverage, run, onGrid(at, 0.1), 2 * step, 0.1);
        return BestOffsetNear(coverage, run, onGrid(at, options.stepSeconds), std::min(step, 0.1) * 2.5,
                              options.stepSeconds);
    }
};

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

// A title's time on speech, less how far its edges are from the speech's:
// titles beside a cut often lie on speech at either offset, but start and
// end with it only at their own. Never below nothing: a title on no speech
// at all (a line the detector missed) says nothing about where it belongs.
double TitleScore(const Coverage& coverage, double from, double to) {
    return std::max(0.0, coverage.covered(from, to) - coverage.edgeMiss(from, to));
}

struct Global {
    double factor = 1.0;
    double offset = 0.0;
    Peak peak;
};

// One factor and one offset for the whole file.
// With `only`, that factor alone, as found and no finer.
Global PlaceWhole(Search& search, double only = 0.0) {
    const std::vector<Span>& titles = search.titles;
    const std::vector<double> factors = CandidateFactors();
    const double largest = factors.back() * 1.003, smallest = factors.front() * 0.997;
    Run whole{&titles, 0, titles.size() - 1, 1.0};
    const double first = whole.begin(), last = whole.end();
    std::unique_ptr<Correlator> correlator = search.correlatorFor(last * largest - first * smallest);
    const double step = correlator->step();
    const long reach = search.reach(step);
    correlator->placeReference(search.coverage, first * smallest - (reach + 2) * step);

    // Each factor's best offset at the coarse step; the factors differ by
    // far more than a step over any film.
    Global best;
    // Overlap in steps grows with the factor (longer titles), so factors are
    // compared by the share of their own steps that lands on speech. Another
    // factor must do better by a point of the share: on a short file
    // the factors near 1 differ by less, and then 1 is the answer.
    double bestShare = -1.0;
    const auto scan = [&](double factor) {
        whole.factor = factor;
        const Peak peak = BestShift(correlator->correlate(whole, reach), reach, step, search.chance(whole, step));
        const double share = peak.overlap / std::max(1.0, Duration(whole) / step);
        if (share > bestShare + 0.01) bestShare = share, best = {factor, peak.shift * step, peak};
    };
    if (only > 0) {
        scan(only);
        whole.factor = only;
        best.offset = search.refine(whole, best.offset, step);
        return best;
    }
    scan(1.0);
    for (double factor : factors)
        if (factor != 1.0) scan(factor);
    // About the best, nearest first: a file stretched by hand, or a rate not
    // in the list. Within 0.2% in steps of 0.04%, then 0.01% about the best.
    for (const double pitch : {0.0004, 0.0001}) {
        const double found = best.factor;
        for (int i = 1; i <= (pitch > 0.0001 ? 5 : 3); ++i)
            for (const int sign : {-1, 1}) scan(found * (1.0 + sign * i * pitch));
    }

    whole.factor = best.factor;
    best.offset = search.refine(whole, best.offset, step);
    // The factor between the grid's points.
    if (const double line = FactorByStarts(titles, search.reference, best.factor, best.offset);
        line > 0 && std::abs(line / best.factor - 1.0) < 0.0002) {
        Run refined = whole;
        refined.factor = line;
        const double offset = search.refine(refined, best.offset + whole.begin() - refined.begin(), step);
        if (OnSpeech(search.coverage, refined, offset) / Duration(refined) >=
            OnSpeech(search.coverage, whole, best.offset) / Duration(whole)) {
            best.factor = line;
            best.offset = offset;
        }
    }
    return best;
}

// Splits the file into runs at other offsets where that gains more time on
// speech than the penalty per split. Candidate offsets come from windows of
// titles placed on their own; a dynamic programme over the titles picks one
// candidate each, paying the penalty at every change, which may fall only
// where one title ends before the next begins.
std::vector<SyncSegment> SplitAtCuts(Search& search, const Global& global, std::vector<double> candidates) {
    const std::vector<Span>& titles = search.titles;
    const size_t n = titles.size(), k = candidates.size();
    std::vector<double> best(k), next(k);
    std::vector<std::vector<unsigned char>> from(n, std::vector<unsigned char>(k));
    const auto onSpeech = [&](size_t i, size_t c) {
        const Span& t = titles[i];
        const double from = t.start * global.factor + candidates[c], to = t.end * global.factor + candidates[c];
        return TitleScore(search.coverage, from, to);
    };
    for (size_t c = 0; c < k; ++c) best[c] = onSpeech(0, c);
    // Of splits that gain the same, the one where the runs do not overlap
    // once moved: a title that fits at both offsets stays with its own run.
    constexpr double Overlapping = 1e-6;
    for (size_t i = 1; i < n; ++i) {
        const bool gap = titles[i - 1].end <= titles[i].start;
        for (size_t c = 0; c < k; ++c) {
            double value = best[c];
            unsigned char came = static_cast<unsigned char>(c);
            for (size_t leader = 0; gap && leader < k; ++leader) {
                if (leader == c) continue;
                const bool overlaps = titles[i - 1].end * global.factor + candidates[leader] >
                                      titles[i].start * global.factor + candidates[c];
                const double switched = best[leader] - search.options.splitPenalty - (overlaps ? Overlapping : 0.0);
                if (switched > value) value = switched, came = static_cast<unsigned char>(leader);
            }
            next[c] = value + onSpeech(i, c);
            from[i][c] = came;
        }
        std::swap(best, next);
    }
    size_t c = static_cast<size_t>(std::max_element(best.begin(), best.end()) - best.begin());
    std::vector<SyncSegment> segments{{n - 1, n - 1, candidates[c]}};
    for (size_t i = n - 1; i > 0; --i) {
        const size_t previous = from[i][c];
        if (previous != c) segments.push_back({i - 1, i - 1, candidates[previous]});
        segments.back().first = i - 1;
        c = previous;
    }
    segments.back().first = 0;
    std::reverse(segments.begin(), segments.end());
    // Each run ends where the next begins.
    for (size_t s = 0; s + 1 < segments.size(); ++s) segments[s].last = segments[s + 1].first - 1;
    return segments;
}

// The proposal on one factor: the whole file at one offset, or split at
// the cuts the windows show, with its fit.
SyncProposal Propose(Search& search, const Global& global) {
    const std::vector<Span>& titles = search.titles;
    const AlignOptions& options = search.options;
    SyncProposal proposal;
    proposal.factor = global.factor;
    proposal.segments = {{0, titles.size() - 1, global.offset}};
    proposal.peakRatio = global.peak.ratio;

    if (options.split && titles.size() >= 2) {
        // Windows of 16 titles, half overlapping, each placed on its own.
        constexpr size_t Window = 16;
        std::vector<double> candidates{global.offset};
        double widest = 0.0;
        std::vector<Run> windows;
        for (size_t first = 0; first < titles.size(); first += Window / 2) {
            const Run run{&titles, first, std::min(titles.size() - 1, first + Window - 1), global.factor};
            windows.push_back(run);
            widest = std::max(widest, run.end() - run.begin());
            if (run.last == titles.size() - 1) break;
        }
        std::unique_ptr<Correlator> local = search.correlatorFor(widest);
        std::map<long, int> support; // offset in 10 ms steps: windows that chose it
        std::vector<long> recent;    // the offsets found, latest first
        for (const Run& run : windows) {
            // A window that an offset found already puts on speech has
            // nothing to add; on a long file most do, and are skipped.
            if (OnSpeech(search.coverage, run, global.offset) >= 0.9 * Duration(run)) continue;
            const auto known = std::find_if(recent.begin(), recent.end(), [&](long at) {
                return OnSpeech(search.coverage, run, at * 0.01) >= 0.9 * Duration(run);
            });
            if (known != recent.end()) {
                ++support[*known];
                std::rotate(recent.begin(), known, known + 1);
                continue;
            }
            double offset = 0.0;
            const Peak peak = search.place(*local, run, offset);
            if (peak.ratio < options.minPeakRatio) continue;
            const long at = std::lround(offset / 0.01);
            ++support[at];
            recent.insert(recent.begin(), at);
            if (recent.size() > 8) recent.pop_back();
        }
        // The offsets most windows chose first; the programme keeps a
        // candidate's number in a byte.
        std::vector<std::pair<int, long>> chosen;
        for (const auto& [at, count] : support) chosen.emplace_back(-count, at);
        std::sort(chosen.begin(), chosen.end());
        for (const auto& [count, at] : chosen) {
            const double offset = at * 0.01;
            if (candidates.size() < 64 && std::none_of(candidates.begin(), candidates.end(),
                                                       [&](double c) { return std::abs(c - offset) < 0.1; }))
                candidates.push_back(offset);
        }
        // A run that is not sure of its own place is no run: its offset
        // goes, and the titles are shared out again.
        for (int round = 0; round < 8 && candidates.size() > 1; ++round) {
            std::vector<SyncSegment> segments = SplitAtCuts(search, global, candidates);
            if (segments.size() == 1) break;
            std::vector<double> weak;
            double lowest = 1e9;
            for (SyncSegment& s : segments) {
                const Run run{&titles, s.first, s.last, global.factor};
                std::unique_ptr<Correlator> own = search.correlatorFor(run.end() - run.begin());
                double offset = s.offset;
                const Peak peak = search.place(*own, run, offset);
                if (peak.ratio < options.minPeakRatio || std::abs(offset - s.offset) > 0.3) {
                    if (s.offset != global.offset) weak.push_back(s.offset);
                } else {
                    s.offset = offset;
                }
                lowest = std::min(lowest, peak.ratio);
            }
            if (weak.empty()) {
                proposal.segments = segments;
                proposal.peakRatio = lowest;
                break;
            }
            std::erase_if(candidates, [&](double c) {
                return std::find(weak.begin(), weak.end(), c) != weak.end();
            });
        }
    }

    double on = 0.0, total = 0.0;
    for (const SyncSegment& s : proposal.segments) {
        const Run run{&titles, s.first, s.last, proposal.factor};
        on += OnSpeech(search.coverage, run, s.offset);
        total += Duration(run);
    }
    proposal.fit = total > 0 ? on / total : 0.0;
    return proposal;
}

// How sure the map is by the starts alone: the titles' starts after the
// map and the reference's starts, each a window of ±0.15 s, correlated like
// the spans (the same ratio). Titles that run on past their lines blur the
// overlap's peak; their starts still meet the speech's at one shift only.
double StartRatio(const Search& search, const SyncProposal& proposal) {
    constexpr double Half = 0.15;
    std::vector<Span> starts, referenceStarts;
    for (size_t i = 0; i < search.titles.size(); ++i) {
        const double at = proposal.map(i, search.titles[i].start);
        starts.push_back({at - Half, at + Half});
    }
    std::sort(starts.begin(), starts.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    for (const Span& r : search.reference) referenceStarts.push_back({r.start - Half, r.start + Half});
    const Search onStarts(starts, referenceStarts, search.options);
    const Run run{&starts, 0, starts.size() - 1, 1.0};
    std::unique_ptr<Correlator> correlator = onStarts.correlatorFor(run.end() - run.begin());
    const double step = correlator->step();
    correlator->placeReference(onStarts.coverage, onStarts.sliceStart(run, step));
    const long reach = onStarts.reach(step);
    return BestShift(correlator->correlate(run, reach), reach, step, onStarts.chance(run, step)).ratio;
}

// The proposal's runs under another factor, each run's offset found again
// about where the change of factor moves its middle.
SyncProposal Refactored(const Search& search, const SyncProposal& proposal, double factor) {
    SyncProposal moved = proposal;
    moved.factor = factor;
    for (SyncSegment& s : moved.segments) {
        const Run run{&search.titles, s.first, s.last, factor};
        const double middle = (search.titles[s.first].start + search.titles[s.last].end) / 2;
        s.offset = search.refine(run, s.offset + (proposal.factor - factor) * middle, 0.5);
    }
    return moved;
}

// What the cut search maximises, for comparing proposals on different
// factors: each title's time on speech less its edges' miss, less the
// penalty for every split.
double Merit(const Search& search, const SyncProposal& proposal) {
    double merit = -search.options.splitPenalty * double(proposal.segments.size() - 1);
    for (const SyncSegment& s : proposal.segments)
        for (size_t i = s.first; i <= s.last; ++i) {
            const double from = proposal.map(i, search.titles[i].start), to = proposal.map(i, search.titles[i].end);
            merit += TitleScore(search.coverage, from, to);
        }
    return merit;
}

} // namespace

double SyncProposal::map(size_t index, double t) const {
    for (const SyncSegment& s : segments)
        if (index >= s.first && index <= s.last) return t * factor + s.offset;
    return t * factor + (segments.empty() ? 0.0 : segments.back().offset);
}

std::vector<double> CandidateFactors() {
    const double rates[] = {23.976, 24.0, 25.0, 29.97, 30.0};
    std::set<double> seen{1.0};
    for (double a : rates)
        for (double b : rates) seen.insert(std::round(a / b * 1e6) / 1e6);
    return {seen.begin(), seen.end()};
}

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
    Search search(titles, reference, options);
    proposal = Propose(search, PlaceWhole(search));
    // A factor between the usual ratios may be no more than the drift a cut
    // leaves when the file is taken whole, or on a short file what its few
    // titles cannot tell apart: a usual one near it, with its cuts, wins
    // unless clearly worse (by more than a hundredth of the titles' time).
    // A usual factor found gives way only to a clearly better one. The runs
    // found, moved to the other factor, tell at little cost whether it is
    // worth a search of its own.
    if (options.split) {
        const std::vector<double> usual = CandidateFactors();
        const auto isUsual = [&](double f) {
            return std::any_of(usual.begin(), usual.end(), [&](double u) { return std::abs(u / f - 1.0) <= 1e-6; });
        };
        double titleTime = 0.0;
        for (const Span& t : titles) titleTime += std::max(0.0, t.end - t.start);
        const double margin = std::max(0.5, 0.01 * titleTime);
        double merit = Merit(search, proposal);
        const SyncProposal found = proposal;
        for (const double factor : usual) {
            if (std::abs(factor / found.factor - 1.0) <= 1e-6 || std::abs(factor / found.factor - 1.0) >= 0.003)
                continue;
            // To win, the other factor's merit must reach this.
            const double needed = isUsual(proposal.factor) ? merit + margin : merit - margin;
            if (Merit(search, Refactored(search, found, factor)) < needed - margin) continue;
            SyncProposal other = Propose(search, PlaceWhole(search, factor));
            if (const double otherMerit = Merit(search, other); otherMerit >= needed)
                proposal = std::move(other), merit = otherMerit;
        }
    }

    // Sure by the spans or by the starts: loosely timed titles blur the one,
    // titles that start well before their lines the other.
    proposal.peakRatio = std::max(proposal.peakRatio, StartRatio(search, proposal));
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

namespace {

std::string Seconds(double s) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%+.3f s", s);
    return buffer;
}

std::string Rate(double fps) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", fps);
    return buffer;
}

} // namespace

std::string DescribeProposal(const SyncProposal& proposal) {
    if (proposal.segments.empty()) return "No change";
    std::vector<std::string> parts;
    if (std::abs(proposal.segments.front().offset) >= 0.0005)
        parts.push_back("Shift " + Seconds(proposal.segments.front().offset));
    if (std::abs(proposal.factor - 1.0) >= 1e-7) {
        // A frame-rate change where the factor is one, in the words of the
        // stretch (times for the first rate, re-timed for the second).
        const double rates[] = {23.976, 24.0, 25.0, 29.97, 30.0};
        std::string stretch;
        for (double from : rates)
            for (double to : rates)
                if (stretch.empty() && std::abs(to / from - proposal.factor) < 2e-6)
                    stretch = "stretch " + Rate(from) + " \u2192 " + Rate(to) + " fps";
        if (stretch.empty()) {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "stretch \u00d7%.6f", proposal.factor);
            stretch = buffer;
        }
        parts.push_back(stretch);
    }
    for (size_t s = 1; s < proposal.segments.size(); ++s)
        parts.push_back("a cut after title " + std::to_string(proposal.segments[s].first) + ": " +
                        Seconds(proposal.segments[s].offset - proposal.segments[s - 1].offset) + " from there");
    if (parts.empty()) return "No change";
    std::string text = parts.front();
    for (size_t i = 1; i < parts.size(); ++i) text += "; " + parts[i];
    return text;
}

} // namespace cuemark::audio

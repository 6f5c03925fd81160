#include "audio/decoder.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace cuemark::audio {

namespace {

// Timestamps within this of where the stream already is are taken as
// continuous: containers round them, and chasing that would click.
constexpr int64_t DriftToleranceSamples = SampleRate / 50; // 20 ms

std::string errorText(int code) {
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buffer, sizeof buffer);
    return buffer;
}

struct FormatCloser {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct ResamplerCloser {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct PacketCloser {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameCloser {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// Puts resampled blocks on the output line at their media time.
class Placer {
public:
    explicit Placer(const SampleSink& sink) : sink_(sink) {}

    // `at` is where the block's first sample belongs (in samples from media
    // time 0); `buffered` is what the resampler still holds of earlier blocks.
    void place(int64_t at, int64_t buffered, const int16_t* samples, size_t count) {
        if (!started_) {
            started_ = true;
            if (at > 0)
                silence(at);
            else
                position_ = at;
        } else if (at - (position_ + buffered) > DriftToleranceSamples) {
            silence(at - (position_ + buffered));
        }
        emit(samples, count);
    }
    // Samples with no timestamp of their own follow the ones before.
    void emit(const int16_t* samples, size_t count) {
        if (position_ < 0) { // before media time 0: dropped
            const size_t skip = static_cast<size_t>(std::min<int64_t>(-position_, static_cast<int64_t>(count)));
            position_ += static_cast<int64_t>(skip);
            samples += skip;
            count -= skip;
        }
        if (count == 0) return;
        sink_(samples, count);
        position_ += static_cast<int64_t>(count);
    }
    int64_t written() const { return std::max<int64_t>(position_, 0); }

private:
    void silence(int64_t count) {
        static const std::vector<int16_t> zeros(SampleRate);
        for (; count > 0; count -= SampleRate)
            emit(zeros.data(), static_cast<size_t>(std::min<int64_t>(count, SampleRate)));
    }

    const SampleSink& sink_;
    bool started_ = false;
    int64_t position_ = 0; // media time of the next sample, in samples
};

} // namespace

DecodeResult DecodeAudio(const std::string& path, const SampleSink& sink, const ProgressSink& progress,
                         const std::atomic<bool>& cancel) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); }); // reasons come back in DecodeResult
    DecodeResult result;
    const auto fail = [&](DecodeResult::Status status, std::string reason) {
        result.status = status;
        result.reason = std::move(reason);
        return result;
    };

    AVFormatContext* rawFormat = nullptr;
    if (const int e = avformat_open_input(&rawFormat, path.c_str(), nullptr, nullptr); e < 0)
        return fail(DecodeResult::Status::CannotOpen, errorText(e));
    std::unique_ptr<AVFormatContext, FormatCloser> format(rawFormat);
    if (const int e = avformat_find_stream_info(format.get(), nullptr); e < 0)
        return fail(DecodeResult::Status::CannotOpen, errorText(e));
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        result.duration = static_cast<double>(format->duration) / AV_TIME_BASE;

    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (index == AVERROR_STREAM_NOT_FOUND) return fail(DecodeResult::Status::NoAudio, "no audio stream");
    if (index < 0 || !codec) return fail(DecodeResult::Status::NoAudio, "no decoder for its audio stream");
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (static_cast<int>(i) != index) format->streams[i]->discard = AVDISCARD_ALL;
    AVStream* stream = format->streams[index];

    std::unique_ptr<AVCodecContext, CodecCloser> decoder(avcodec_alloc_context3(codec));
    if (!decoder) return fail(DecodeResult::Status::Failed, "out of memory");
    avcodec_parameters_to_context(decoder.get(), stream->codecpar);
    decoder->pkt_timebase = stream->time_base;
    if (const int e = avcodec_open2(decoder.get(), codec, nullptr); e < 0)
        return fail(DecodeResult::Status::NoAudio, "cannot decode its audio: " + errorText(e));

    // Media time 0 is the container's start, the clock the player shows
    // (a transport stream starts anywhere). A start before 0 is the codec's
    // priming (Opus in Matroska), which the decoder drops: 0 stays 0.
    const int64_t origin = format->start_time == AV_NOPTS_VALUE ? 0 : std::max<int64_t>(format->start_time, 0);
    const auto sampleAt = [&](int64_t pts) {
        const int64_t t = av_rescale_q(pts, stream->time_base, AVRational{1, AV_TIME_BASE}) - origin;
        return av_rescale(t, SampleRate, AV_TIME_BASE);
    };

    std::unique_ptr<SwrContext, ResamplerCloser> resampler;
    AVChannelLayout inLayout{}; // of the open resampler
    int inRate = 0;
    AVSampleFormat inFormat = AV_SAMPLE_FMT_NONE;
    std::vector<int16_t> out;
    Placer placer(sink);
    std::unique_ptr<AVPacket, PacketCloser> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameCloser> frame(av_frame_alloc());
    if (!packet || !frame) return fail(DecodeResult::Status::Failed, "out of memory");

    // A resampler for the frame's shape; a stream may change it midway.
    const auto resamplerFor = [&](const AVFrame& f) -> bool {
        if (resampler && inRate == f.sample_rate && inFormat == f.format &&
            av_channel_layout_compare(&inLayout, &f.ch_layout) == 0)
            return true;
        SwrContext* raw = nullptr;
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        if (swr_alloc_set_opts2(&raw, &mono, AV_SAMPLE_FMT_S16, SampleRate, const_cast<AVChannelLayout*>(&f.ch_layout),
                                static_cast<AVSampleFormat>(f.format), f.sample_rate, 0, nullptr) < 0 ||
            swr_init(raw) < 0) {
            swr_free(&raw);
            return false;
        }
        resampler.reset(raw);
        av_channel_layout_uninit(&inLayout);
        av_channel_layout_copy(&inLayout, &f.ch_layout);
        inRate = f.sample_rate;
        inFormat = static_cast<AVSampleFormat>(f.format);
        return true;
    };

    const auto drain = [&]() -> bool { // false when the stream cannot be converted
        for (;;) {
            const int e = avcodec_receive_frame(decoder.get(), frame.get());
            if (e == AVERROR(EAGAIN) || e == AVERROR_EOF) return true;
            if (e < 0) return true; // a damaged frame: skip it, as a player does
            if (!resamplerFor(*frame)) return false;
            const int64_t pts = frame->best_effort_timestamp;
            const int room = swr_get_out_samples(resampler.get(), frame->nb_samples);
            out.resize(static_cast<size_t>(std::max(room, 0)));
            uint8_t* target = reinterpret_cast<uint8_t*>(out.data());
            const int64_t buffered = swr_get_delay(resampler.get(), SampleRate);
            const int n = swr_convert(resampler.get(), &target, room, const_cast<const uint8_t**>(frame->extended_data),
                                      frame->nb_samples);
            if (n > 0) {
                if (pts != AV_NOPTS_VALUE)
                    placer.place(sampleAt(pts), buffered, out.data(), static_cast<size_t>(n));
                else
                    placer.emit(out.data(), static_cast<size_t>(n));
            }
            if (pts != AV_NOPTS_VALUE && progress && result.duration > 0)
                progress(std::clamp(static_cast<double>(sampleAt(pts)) / SampleRate / result.duration, 0.0, 1.0));
            av_frame_unref(frame.get());
        }
    };

    bool convertible = true;
    while (convertible && !cancel.load(std::memory_order_relaxed)) {
        const int e = av_read_frame(format.get(), packet.get());
        if (e < 0) break; // the end, or a read error: keep what was decoded
        if (packet->stream_index == index && avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            convertible = drain();
        av_packet_unref(packet.get());
    }
    av_channel_layout_uninit(&inLayout);
    if (cancel.load()) {
        result.samples = placer.written();
        return fail(DecodeResult::Status::Cancelled, "cancelled");
    }
    if (!convertible) return fail(DecodeResult::Status::Failed, "cannot convert its audio to mono");
    avcodec_send_packet(decoder.get(), nullptr);
    convertible = drain();
    if (resampler) {
        out.resize(static_cast<size_t>(std::max(swr_get_out_samples(resampler.get(), 0), 0)));
        uint8_t* target = reinterpret_cast<uint8_t*>(out.data());
        const int n = swr_convert(resampler.get(), &target, static_cast<int>(out.size()), nullptr, 0);
        if (n > 0) placer.emit(out.data(), static_cast<size_t>(n));
    }
    result.samples = placer.written();
    if (result.duration == 0) result.duration = static_cast<double>(result.samples) / SampleRate;
    if (progress) progress(1.0);
    result.status = DecodeResult::Status::Done;
    return result;
}

} // namespace cuemark::audio

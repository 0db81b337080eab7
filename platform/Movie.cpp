#include "platform/Movie.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace KavirelDLL {

namespace {

class CMemorySource : public CMovieSource {
public:
    explicit CMemorySource(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    int read(uint8_t* buffer, int size) override {
        if (size <= 0) return 0;
        int64_t left = static_cast<int64_t>(m_bytes.size()) - m_position;
        int n = static_cast<int>(std::min<int64_t>(left, size));
        if (n <= 0) return 0;
        std::memcpy(buffer, m_bytes.data() + m_position, static_cast<size_t>(n));
        m_position += n;
        return n;
    }
    int64_t seek(int64_t offset, int origin) override {
        int64_t base = origin == 0 ? 0 : origin == 1 ? m_position : static_cast<int64_t>(m_bytes.size());
        int64_t target = base + offset;
        if (target < 0 || target > static_cast<int64_t>(m_bytes.size())) return -1;
        m_position = target;
        return target;
    }
    int64_t size() override { return static_cast<int64_t>(m_bytes.size()); }

private:
    std::vector<uint8_t> m_bytes;
    int64_t m_position = 0;
};

int readCallback(void* opaque, uint8_t* buffer, int size) {
    int n = static_cast<CMovieSource*>(opaque)->read(buffer, size);
    if (n < 0) return AVERROR(EIO);
    return n == 0 ? AVERROR_EOF : n;
}

int64_t seekCallback(void* opaque, int64_t offset, int whence) {
    auto* source = static_cast<CMovieSource*>(opaque);
    if (whence & AVSEEK_SIZE) return source->size();
    int origin = (whence & ~AVSEEK_FORCE) == SEEK_CUR ? 1 : (whence & ~AVSEEK_FORCE) == SEEK_END ? 2 : 0;
    return source->seek(offset, origin);
}

// Sound tracks play at telephone to studio rates.
constexpr int kMinAudioRate = 1000;
constexpr int kMaxAudioRate = 384000;
// About 35 years in microseconds.
constexpr int64_t kMaxTimeUs = int64_t{1} << 50;

AVPixelFormat targetFormat(int bpp) { return bpp == 15 ? AV_PIX_FMT_RGB555LE : AV_PIX_FMT_RGB565LE; }

class CFFmpegDecoder : public CMovieDecoder {
public:
    ~CFFmpegDecoder() override {
        sws_freeContext(m_sws);
        swr_free(&m_swr);
        av_channel_layout_uninit(&m_swrLayout);
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
        avcodec_free_context(&m_video);
        avcodec_free_context(&m_audio);
        avformat_close_input(&m_format);
        if (m_io) {
            av_freep(&m_io->buffer);
            avio_context_free(&m_io);
        }
    }

    bool open(std::unique_ptr<CMovieSource> source, int bpp) {
        m_source = std::move(source);
        m_bpp = bpp;
        constexpr int kBuffer = 32768;
        auto* buffer = static_cast<uint8_t*>(av_malloc(kBuffer));
        if (!buffer) return false;
        m_io = avio_alloc_context(buffer, kBuffer, 0, m_source.get(), readCallback, nullptr, seekCallback);
        if (!m_io) {
            av_free(buffer);
            return false;
        }
        m_format = avformat_alloc_context();
        if (!m_format) return false;
        m_format->pb = m_io;
        m_format->flags |= AVFMT_FLAG_CUSTOM_IO;
        // A movie is one file: playlists and references to other files are refused, and only the containers
        // games use are read.
        m_format->io_open = refuseNestedOpen;
        m_format->format_whitelist = av_strdup("avi,mpeg,mpegts,mpegvideo,asf,mov");
        if (!m_format->format_whitelist) {
            avformat_free_context(m_format);
            m_format = nullptr;
            return false;
        }
        // A failed open frees the context.
        if (avformat_open_input(&m_format, nullptr, nullptr, nullptr) < 0) return false;
        if (avformat_find_stream_info(m_format, nullptr) < 0) return false;
        m_videoIndex = av_find_best_stream(m_format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (m_videoIndex < 0) return false;
        if (!openCodec(m_videoIndex, &m_video)) return false;
        if (m_video->width <= 0 || m_video->height <= 0 ||
            static_cast<int64_t>(m_video->width) * m_video->height > kMaxPixels)
            return false;
        m_audioIndex = av_find_best_stream(m_format, AVMEDIA_TYPE_AUDIO, -1, m_videoIndex, nullptr, 0);
        if (m_audioIndex >= 0 && !openCodec(m_audioIndex, &m_audio)) m_audioIndex = -1;
        m_frame = av_frame_alloc();
        m_packet = av_packet_alloc();
        if (!m_frame || !m_packet) return false;

        m_info.width = m_video->width;
        m_info.height = m_video->height;
        if (m_format->duration > 0 && m_format->duration != AV_NOPTS_VALUE) m_info.durationUs = m_format->duration;
        AVStream* stream = m_format->streams[m_videoIndex];
        AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
        if (rate.num > 0 && rate.den > 0) {
            int64_t us = av_rescale(1000000, rate.den, rate.num);
            if (us > 0 && us <= 60 * 1000000LL) m_info.frameUs = us;
        }
        m_info.hasAudio = m_audioIndex >= 0;
        // Times count from the stream's first frame, wherever the container starts its clock.
        if (stream->start_time != AV_NOPTS_VALUE)
            m_startUs = av_rescale_q(stream->start_time, stream->time_base, AVRational{1, 1000000});
        else if (m_format->start_time != AV_NOPTS_VALUE)
            m_startUs = m_format->start_time;
        m_startUs = std::clamp<int64_t>(m_startUs, -kMaxTimeUs, kMaxTimeUs);
        return true;
    }

    const CMovieInfo& info() const override { return m_info; }

    int nextFrame(uint16_t* pixels, int pitch, int64_t* timeUs) override {
        for (;;) {
            int got = receive(m_video, m_videoIndex);
            if (got < 0) return RESULT_ERROR;
            if (got == 0) return RESULT_END;
            int64_t t = frameTime();
            if (m_skipUntil != AV_NOPTS_VALUE && t + m_info.frameUs <= m_skipUntil) continue;
            m_skipUntil = AV_NOPTS_VALUE;
            if (!convert(pixels, pitch)) return RESULT_ERROR;
            if (timeUs) *timeUs = t;
            return RESULT_FRAME;
        }
    }

    bool seek(int64_t timeUs) override {
        if (timeUs < 0) timeUs = 0;
        const int64_t at = std::min(timeUs, kMaxTimeUs) + m_startUs;
        if (av_seek_frame(m_format, -1, at, AVSEEK_FLAG_BACKWARD) < 0 &&
            av_seek_frame(m_format, -1, at, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0)
            return false;
        avcodec_flush_buffers(m_video);
        if (m_audio) avcodec_flush_buffers(m_audio);
        m_draining = false;
        m_lastTime = AV_NOPTS_VALUE;
        m_skipUntil = timeUs;
        return true;
    }

    bool decodeAudio(std::vector<int16_t>& out, int rate, int64_t maxFrames) override {
        if (!m_audio || rate <= 0) return false;
        m_draining = false;
        m_swrRate = rate;
        for (;;) {
            int got = receive(m_audio, m_audioIndex);
            if (got < 0) return false;
            if (got == 0) break;
            if (m_frame->nb_samples <= 0) continue;
            // MPEG audio may switch between mono and stereo, or change its rate, from one frame to the next.
            if (!resamplerFits() && !setUpResampler()) return false;
            // The buffer never grows past the cap, whatever one frame would make.
            const int64_t left = maxFrames - static_cast<int64_t>(out.size() / 2);
            if (left <= 0) break;
            int room = static_cast<int>(std::min<int64_t>(swr_get_out_samples(m_swr, m_frame->nb_samples), left));
            if (room <= 0) continue;
            size_t at = out.size();
            out.resize(at + static_cast<size_t>(room) * 2);
            auto* target = reinterpret_cast<uint8_t*>(out.data() + at);
            int made = swr_convert(m_swr, &target, room, const_cast<const uint8_t**>(m_frame->extended_data),
                                   m_frame->nb_samples);
            if (made < 0) {
                out.resize(at);
                return false;
            }
            out.resize(at + static_cast<size_t>(made) * 2);
            if (static_cast<int64_t>(out.size() / 2) >= maxFrames) break;
        }
        return true;
    }

private:
    static int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
        return AVERROR(EPERM);
    }

    // The frame's layout as the resampler takes it: a layout without an order becomes the default one.
    bool frameLayout(AVChannelLayout* layout) const {
        const AVChannelLayout& given = m_frame->ch_layout;
        if (given.order == AV_CHANNEL_ORDER_UNSPEC || given.nb_channels <= 0) {
            av_channel_layout_default(layout, std::max(1, given.nb_channels));
            return true;
        }
        return av_channel_layout_copy(layout, &given) >= 0;
    }

    bool resamplerFits() const {
        if (!m_swr || m_frame->format != m_swrFormat || m_frame->sample_rate != m_swrInRate) return false;
        AVChannelLayout layout;
        if (!frameLayout(&layout)) return false;
        bool same = av_channel_layout_compare(&layout, &m_swrLayout) == 0;
        av_channel_layout_uninit(&layout);
        return same;
    }

    bool setUpResampler() {
        swr_free(&m_swr);
        av_channel_layout_uninit(&m_swrLayout);
        m_swrFormat = -1;
        // Rates no sound track has (a crafted 1 Hz track would make 44100 samples of each one) are refused.
        if (m_frame->sample_rate < kMinAudioRate || m_frame->sample_rate > kMaxAudioRate || m_frame->format < 0 ||
            !frameLayout(&m_swrLayout))
            return false;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        if (swr_alloc_set_opts2(&m_swr, &stereo, AV_SAMPLE_FMT_S16, m_swrRate, &m_swrLayout,
                                static_cast<AVSampleFormat>(m_frame->format), m_frame->sample_rate, 0, nullptr) < 0 ||
            swr_init(m_swr) < 0)
            return false;
        m_swrFormat = m_frame->format;
        m_swrInRate = m_frame->sample_rate;
        return true;
    }

    bool openCodec(int index, AVCodecContext** context) {
        AVStream* stream = m_format->streams[index];
        const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
        if (!codec) return false;
        *context = avcodec_alloc_context3(codec);
        if (!*context) return false;
        if (avcodec_parameters_to_context(*context, stream->codecpar) < 0) {
            // A context that never opened must not be flushed later.
            avcodec_free_context(context);
            return false;
        }
        // Decoding stays on the caller's thread.
        (*context)->thread_count = 1;
        (*context)->pkt_timebase = stream->time_base;
        if (avcodec_open2(*context, codec, nullptr) < 0) {
            avcodec_free_context(context);
            return false;
        }
        return true;
    }

    // 1 with a frame of the stream in m_frame, 0 at its end, -1 on a failure.
    int receive(AVCodecContext* codec, int index) {
        // Damaged packets are passed over, but a stream of nothing else is a failure.
        int failures = 0;
        for (;;) {
            int result = avcodec_receive_frame(codec, m_frame);
            if (result == 0) return 1;
            if (result == AVERROR_EOF) return 0;
            if (result != AVERROR(EAGAIN)) {
                if (++failures > 64) return -1;
                continue;
            }
            if (m_draining) return 0;
            result = av_read_frame(m_format, m_packet);
            if (result < 0) {
                m_draining = true;
                if (avcodec_send_packet(codec, nullptr) < 0) return 0;
                continue;
            }
            if (m_packet->stream_index == index) {
                result = avcodec_send_packet(codec, m_packet);
                if (result < 0 && result != AVERROR(EAGAIN) && ++failures > 64) {
                    av_packet_unref(m_packet);
                    return -1;
                }
            }
            av_packet_unref(m_packet);
        }
    }

    int64_t frameTime() {
        int64_t pts = m_frame->best_effort_timestamp;
        int64_t t;
        if (pts == AV_NOPTS_VALUE)
            t = m_lastTime == AV_NOPTS_VALUE ? 0 : m_lastTime + m_info.frameUs;
        else
            t = av_rescale_q(pts, m_format->streams[m_videoIndex]->time_base, AVRational{1, 1000000}) - m_startUs;
        // Crafted timestamps stay far from overflowing the sums made with them.
        t = std::clamp<int64_t>(t, -kMaxTimeUs, kMaxTimeUs);
        m_lastTime = t;
        return t;
    }

    bool convert(uint16_t* pixels, int pitch) {
        if (m_frame->width <= 0 || m_frame->height <= 0 || m_frame->format < 0 ||
            static_cast<int64_t>(m_frame->width) * m_frame->height > kMaxPixels)
            return false;
        if (!m_sws || m_swsWidth != m_frame->width || m_swsHeight != m_frame->height ||
            m_swsFormat != m_frame->format) {
            sws_freeContext(m_sws);
            m_sws = sws_alloc_context();
            if (!m_sws) return false;
            av_opt_set_int(m_sws, "srcw", m_frame->width, 0);
            av_opt_set_int(m_sws, "srch", m_frame->height, 0);
            av_opt_set_int(m_sws, "src_format", m_frame->format, 0);
            av_opt_set_int(m_sws, "dstw", m_info.width, 0);
            av_opt_set_int(m_sws, "dsth", m_info.height, 0);
            av_opt_set_int(m_sws, "dst_format", targetFormat(m_bpp), 0);
            av_opt_set_int(m_sws, "sws_flags", SWS_POINT, 0);
            // Dithering would change exact colours from frame to frame.
            av_opt_set(m_sws, "sws_dither", "none", 0);
            if (sws_init_context(m_sws, nullptr, nullptr) < 0) {
                sws_freeContext(m_sws);
                m_sws = nullptr;
                return false;
            }
            m_swsWidth = m_frame->width;
            m_swsHeight = m_frame->height;
            m_swsFormat = m_frame->format;
        }
        uint8_t* target[4] = {reinterpret_cast<uint8_t*>(pixels), nullptr, nullptr, nullptr};
        int strides[4] = {pitch * 2, 0, 0, 0};
        return sws_scale(m_sws, m_frame->data, m_frame->linesize, 0, m_frame->height, target, strides) > 0;
    }

    std::unique_ptr<CMovieSource> m_source;
    int m_bpp = 16;
    AVIOContext* m_io = nullptr;
    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_video = nullptr;
    AVCodecContext* m_audio = nullptr;
    int m_videoIndex = -1;
    int m_audioIndex = -1;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    SwsContext* m_sws = nullptr;
    int m_swsWidth = 0, m_swsHeight = 0, m_swsFormat = -1;
    SwrContext* m_swr = nullptr;
    AVChannelLayout m_swrLayout{};
    int m_swrFormat = -1, m_swrInRate = 0, m_swrRate = 0;
    CMovieInfo m_info;
    bool m_draining = false;
    int64_t m_lastTime = AV_NOPTS_VALUE;
    int64_t m_startUs = 0;
    int64_t m_skipUntil = AV_NOPTS_VALUE;
};

} // namespace

std::unique_ptr<CMovieSource> movieSourceFromMemory(std::vector<uint8_t> bytes) {
    return std::make_unique<CMemorySource>(std::move(bytes));
}

std::unique_ptr<CMovieDecoder> CMovieDecoder::open(std::unique_ptr<CMovieSource> source, int bpp) {
    if (!source) return nullptr;
    av_log_set_level(AV_LOG_QUIET);
    auto decoder = std::make_unique<CFFmpegDecoder>();
    if (!decoder->open(std::move(source), bpp)) return nullptr;
    return decoder;
}

// ---------------------------------------------------------------- the writer

namespace {

struct CWriter {
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVFrame* frame = nullptr;
    AVFrame* rgbFrame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* sws = nullptr;

    ~CWriter() {
        sws_freeContext(sws);
        av_frame_free(&frame);
        av_frame_free(&rgbFrame);
        av_packet_free(&packet);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        if (format) {
            if (format->pb) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    bool drain(AVCodecContext* codec, AVStream* stream) {
        for (;;) {
            int result = avcodec_receive_packet(codec, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
            if (result < 0) return false;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (av_interleaved_write_frame(format, packet) < 0) return false;
        }
    }
};

} // namespace

bool writeMovie(const std::string& path, const CMovieWriterOptions& options, const CMovieFramePainter& paint) {
    av_log_set_level(AV_LOG_QUIET);
    CWriter w;
    auto fail = [&](const char* what) {
        // As the platform's other services report: the engine's log stands above the platform.
        std::fprintf(stderr, "kavirel: movie writer: %s (%s)\n", what, path.c_str());
        return false;
    };
    if (options.width <= 0 || options.height <= 0 || options.fps <= 0 || options.frames < 0)
        return fail("bad size");
    if (avformat_alloc_output_context2(&w.format, nullptr, options.container, path.c_str()) < 0)
        return fail("no such muxer");
    AVCodecID id = options.codec == CMovieWriterOptions::MPEG4      ? AV_CODEC_ID_MPEG4
                   : options.codec == CMovieWriterOptions::MSVIDEO1 ? AV_CODEC_ID_MSVIDEO1
                                                                    : AV_CODEC_ID_RAWVIDEO;
    const AVCodec* codec = avcodec_find_encoder(id);
    if (!codec) return fail("no video encoder");
    w.video = avcodec_alloc_context3(codec);
    w.videoStream = avformat_new_stream(w.format, nullptr);
    if (!w.video || !w.videoStream) return fail("out of memory");
    w.video->width = options.width;
    w.video->height = options.height;
    w.video->time_base = AVRational{1, options.fps};
    w.video->framerate = AVRational{options.fps, 1};
    w.video->pix_fmt = id == AV_CODEC_ID_MPEG4      ? AV_PIX_FMT_YUV420P
                       : id == AV_CODEC_ID_MSVIDEO1 ? AV_PIX_FMT_RGB555LE
                                                    : AV_PIX_FMT_BGR24;
    w.video->gop_size = 12;
    w.video->thread_count = 1;
    if (id == AV_CODEC_ID_MPEG4) w.video->bit_rate = 4000000;
    if (w.format->oformat->flags & AVFMT_GLOBALHEADER) w.video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(w.video, codec, nullptr) < 0) return fail("video encoder refused");
    if (avcodec_parameters_from_context(w.videoStream->codecpar, w.video) < 0) return fail("no parameters");
    w.videoStream->time_base = w.video->time_base;

    if (options.toneHz > 0) {
        const AVCodec* pcm = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
        if (!pcm) return fail("no PCM encoder");
        w.audio = avcodec_alloc_context3(pcm);
        w.audioStream = avformat_new_stream(w.format, nullptr);
        if (!w.audio || !w.audioStream) return fail("out of memory");
        w.audio->sample_fmt = AV_SAMPLE_FMT_S16;
        w.audio->sample_rate = options.audioRate;
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        av_channel_layout_copy(&w.audio->ch_layout, &mono);
        w.audio->time_base = AVRational{1, options.audioRate};
        if (avcodec_open2(w.audio, pcm, nullptr) < 0) return fail("audio encoder refused");
        if (avcodec_parameters_from_context(w.audioStream->codecpar, w.audio) < 0) return fail("no parameters");
        w.audioStream->time_base = w.audio->time_base;
    }

    if (avio_open(&w.format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return fail("cannot create the file");
    if (avformat_write_header(w.format, nullptr) < 0) return fail("cannot write the header");

    w.frame = av_frame_alloc();
    w.rgbFrame = av_frame_alloc();
    w.packet = av_packet_alloc();
    if (!w.frame || !w.rgbFrame || !w.packet) return fail("out of memory");
    w.frame->format = w.video->pix_fmt;
    w.frame->width = options.width;
    w.frame->height = options.height;
    w.rgbFrame->format = AV_PIX_FMT_RGB24;
    w.rgbFrame->width = options.width;
    w.rgbFrame->height = options.height;
    if (av_frame_get_buffer(w.frame, 0) < 0 || av_frame_get_buffer(w.rgbFrame, 0) < 0) return fail("no frame");
    w.sws = sws_getContext(options.width, options.height, AV_PIX_FMT_RGB24, options.width, options.height,
                           w.video->pix_fmt, SWS_POINT, nullptr, nullptr, nullptr);
    if (!w.sws) return fail("no converter");

    int64_t samplesDone = 0;
    for (int i = 0; i < options.frames; ++i) {
        if (av_frame_make_writable(w.frame) < 0) return fail("no frame");
        paint(i, w.rgbFrame->data[0], w.rgbFrame->linesize[0]);
        sws_scale(w.sws, w.rgbFrame->data, w.rgbFrame->linesize, 0, options.height, w.frame->data,
                  w.frame->linesize);
        w.frame->pts = i + options.firstFrame;
        if (avcodec_send_frame(w.video, w.frame) < 0 || !w.drain(w.video, w.videoStream))
            return fail("video encoding failed");
        if (w.audio && (options.toneFrames < 0 || i < options.toneFrames)) {
            int64_t until = static_cast<int64_t>(i + 1) * options.audioRate / options.fps;
            int count = static_cast<int>(until - samplesDone);
            if (count > 0) {
                AVFrame* a = av_frame_alloc();
                if (!a) return fail("out of memory");
                a->format = AV_SAMPLE_FMT_S16;
                a->sample_rate = options.audioRate;
                a->nb_samples = count;
                av_channel_layout_copy(&a->ch_layout, &w.audio->ch_layout);
                bool ok = av_frame_get_buffer(a, 0) >= 0;
                if (ok) {
                    auto* s = reinterpret_cast<int16_t*>(a->data[0]);
                    for (int k = 0; k < count; ++k)
                        s[k] = static_cast<int16_t>(
                            12000.0 * std::sin(2.0 * M_PI * options.toneHz * static_cast<double>(samplesDone + k) /
                                               options.audioRate));
                    a->pts = samplesDone;
                    ok = avcodec_send_frame(w.audio, a) >= 0 && w.drain(w.audio, w.audioStream);
                }
                av_frame_free(&a);
                if (!ok) return fail("audio encoding failed");
                samplesDone = until;
            }
        }
    }
    avcodec_send_frame(w.video, nullptr);
    if (!w.drain(w.video, w.videoStream)) return fail("video encoding failed");
    if (w.audio) {
        avcodec_send_frame(w.audio, nullptr);
        if (!w.drain(w.audio, w.audioStream)) return fail("audio encoding failed");
    }
    if (av_write_trailer(w.format) < 0) return fail("cannot finish the file");
    return true;
}

} // namespace KavirelDLL

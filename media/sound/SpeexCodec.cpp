#include "media/sound/SpeexCodec.h"

#include <ogg/ogg.h>
#include <speex/speex.h>
#include <speex/speex_callbacks.h>
#include <speex/speex_header.h>
#include <speex/speex_stereo.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/File.h"
#include "core/LittleEndian.h"
#include "core/Log.h"
#include "media/sound/WaveChunks.h"

namespace KavirelDLL {

namespace {

constexpr int kMaxPacketBytes = 2000;
constexpr int kReadBlock = 200;
constexpr int kComplexity = 3;
constexpr uint32_t kUnpatchedSize = 0x7FFFFFFF;
const char kVendor[] = "Encoded with Speex speex-1.0rc3";

using LittleEndian::append32;
using LittleEndian::read16;
using LittleEndian::read32;
using LittleEndian::write16;

bool writePage(CFile& out, const ogg_page& page) {
    return out.Write(page.header, static_cast<int>(page.header_len)) == page.header_len &&
           out.Write(page.body, static_cast<int>(page.body_len)) == page.body_len;
}

// Data sizes writers leave when they cannot go back to patch the real one (this decoder's among them): the
// samples then run to the file's end.
bool sizeUnknown(uint32_t dataBytes) { return dataBytes == kUnpatchedSize || dataBytes == 0xFFFFFFFF; }

// The input's samples, a frame at a time, as 16-bit values; only the data chunk's bytes are read.
class CFrameReader {
public:
    CFrameReader(CFile& file, const CWaveFormat& format, uint32_t dataBytes)
        : m_file(file), m_bytesPerSample(format.bitsPerSample / 8), m_channels(format.channels),
          m_left(dataBytes), m_toTheEnd(sizeUnknown(dataBytes)) {}

    // Sample frames read; the rest of the frame is silence. A read cut short before the end of the file, or a
    // file that ends before its data chunk does, is a failure (failed()), not the end of the samples.
    int read(std::vector<int16_t>& frame, int frameSize) {
        const uint32_t wanted = static_cast<uint32_t>(frameSize * m_channels * m_bytesPerSample);
        m_bytes.resize(wanted);
        const int asked = static_cast<int>(std::min(wanted, m_left));
        int got = m_file.Read(m_bytes.data(), asked);
        got = std::max(got, 0);
        if (got < asked && !m_file.eof()) m_failed = true;
        else if (got < asked && !m_toTheEnd) m_cut = true;
        m_left -= static_cast<uint32_t>(got);
        const int samples = got / m_bytesPerSample;
        for (int i = 0; i < frameSize * m_channels; ++i) {
            int16_t value = 0;
            if (i < samples && m_bytesPerSample == 1)
                value = static_cast<int16_t>((m_bytes[i] - 128) * 256);
            else if (i < samples)
                value = static_cast<int16_t>(read16(&m_bytes[2 * i]));
            frame[i] = value;
        }
        return samples / m_channels;
    }
    bool failed() const { return m_failed || m_cut; }
    bool readFailed() const { return m_failed; }
    // The data chunk's bytes the file did not hold.
    uint32_t missing() const { return m_left; }

private:
    CFile& m_file;
    int m_bytesPerSample;
    int m_channels;
    uint32_t m_left;
    bool m_toTheEnd;
    bool m_failed = false;
    bool m_cut = false;
    std::vector<uint8_t> m_bytes;
};

// What encoding holds, freed on every way out.
struct CEncoderState {
    void* speex = nullptr;
    SpeexBits bits{};
    ogg_stream_state stream{};
    CEncoderState(int serial) {
        speex = speex_encoder_init(speex_lib_get_mode(SPEEX_MODEID_NB));
        speex_bits_init(&bits);
        ogg_stream_init(&stream, serial);
    }
    ~CEncoderState() {
        speex_encoder_destroy(speex);
        speex_bits_destroy(&bits);
        ogg_stream_clear(&stream);
    }
    CEncoderState(const CEncoderState&) = delete;
    CEncoderState& operator=(const CEncoderState&) = delete;

    bool packet(CFile& out, unsigned char* bytes, long size, bool flush, bool bos, bool eos, int64_t granule,
                int64_t number) {
        ogg_packet op{};
        op.packet = bytes;
        op.bytes = size;
        op.b_o_s = bos;
        op.e_o_s = eos;
        op.granulepos = granule;
        op.packetno = number;
        if (ogg_stream_packetin(&stream, &op) != 0) return false;
        ogg_page page;
        while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page))
            if (!writePage(out, page)) return false;
        return true;
    }
};

// The stream serial, from a generator of its own so the game's random choices stay as they were.
int streamSerial() {
    std::mt19937 generator(
        static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    return static_cast<int>(generator());
}

class CDecoder {
public:
    explicit CDecoder(const char* output) : m_outputName(output) { speex_bits_init(&m_bits); }
    ~CDecoder() {
        if (m_speex) speex_decoder_destroy(m_speex);
        if (m_stereo) speex_stereo_state_destroy(m_stereo);
        speex_bits_destroy(&m_bits);
    }
    CDecoder(const CDecoder&) = delete;
    CDecoder& operator=(const CDecoder&) = delete;

    // One packet of the stream, in order; false when decoding cannot go on.
    bool packet(const ogg_packet& op, int64_t number) {
        const int bytes = static_cast<int>(std::min<long>(op.bytes, INT_MAX));
        if (number == 0) return header(op.packet, bytes);
        if (number == 1) {
            comments(op.packet, bytes);
            return true;
        }
        if (number <= 1 + m_extraHeaders) return true;
        return frames(op.packet, bytes);
    }

    bool started() const { return m_speex != nullptr; }
    // Whether packets numbered below count reach past the header, the comments and the extra headers.
    bool passesHeaders(int64_t count) const { return count > 2 + m_extraHeaders; }
    int64_t extraHeaders() const { return m_extraHeaders; }
    bool damaged() const { return m_damaged; }
    void setDamaged() { m_damaged = true; }

    // Patches a WAVE output's sizes and closes it.
    bool finish() {
        if (!m_output.GetHandle()) return false;
        bool ok = true;
        if (m_wave) {
            if (!CWaveChunks::ascend(&m_output, m_data, true)) {
                logMessage("Cannot seek on wave file, size will be incorrect");
                ok = false;
            } else if (!CWaveChunks::ascend(&m_output, m_riff, true)) {
                logMessage("First seek worked, second didn't");
                ok = false;
            }
        }
        if (m_output.Close() != 0) ok = false;
        return ok;
    }

private:
    bool header(unsigned char* packet, int bytes) {
        // The stored mode and channel count, checked before the library bends or refuses them quietly.
        const int32_t storedMode = bytes >= 44 ? static_cast<int32_t>(read32(packet + 40)) : 0;
        if (storedMode < 0 || storedMode >= SPEEX_NB_MODES) {
            logMessage("Mode number %d does not (yet/any longer) exist in this version", storedMode);
            return false;
        }
        const int32_t channels = bytes >= 52 ? static_cast<int32_t>(read32(packet + 48)) : 0;
        SpeexHeader* header = speex_packet_to_header(reinterpret_cast<char*>(packet), bytes);
        if (!header) {
            logMessage("Cannot read header");
            return false;
        }
        const SpeexHeader h = *header;
        speex_header_free(header);
        if (h.speex_version_id > 1) {
            logMessage(
                "This file was encoded with Speex bit-stream version %d, which I don't know how to decode",
                h.speex_version_id);
            return false;
        }
        const SpeexMode* mode = speex_lib_get_mode(h.mode);
        if (mode->bitstream_version < h.mode_bitstream_version) {
            logMessage("The file was encoded with a newer version of Speex. You need to upgrade in order to "
                       "play it.");
            return false;
        }
        if (mode->bitstream_version > h.mode_bitstream_version) {
            logMessage("The file was encoded with an older version of Speex. You would need to downgrade the "
                       "version in order to play it.");
            return false;
        }
        if (channels < 1 || channels > 2 || h.frames_per_packet < 1 || h.frames_per_packet > 10 ||
            h.rate <= 0) {
            logMessage("speex: %d channels, %d frames a packet at %d Hz cannot be decoded", channels,
                       h.frames_per_packet, h.rate);
            return false;
        }
        if (h.extra_headers < 0) {
            logMessage("speex: %d extra headers cannot be", h.extra_headers);
            return false;
        }
        m_channels = channels;
        m_framesPerPacket = h.frames_per_packet;
        m_extraHeaders = h.extra_headers;
        m_speex = speex_decoder_init(mode);
        int on = 1;
        speex_decoder_ctl(m_speex, SPEEX_SET_ENH, &on);
        speex_decoder_ctl(m_speex, SPEEX_GET_FRAME_SIZE, &m_frameSize);
        if (m_channels == 2) {
            m_stereo = speex_stereo_state_init();
            SpeexCallback callback{};
            callback.callback_id = SPEEX_INBAND_STEREO;
            callback.func = speex_std_stereo_request_handler;
            callback.data = m_stereo;
            speex_decoder_ctl(m_speex, SPEEX_SET_HANDLER, &callback);
        }
        int rate = h.rate;
        speex_decoder_ctl(m_speex, SPEEX_SET_SAMPLING_RATE, &rate);
        m_samples.resize(static_cast<size_t>(m_frameSize) * 2);
        return openOutput(h.rate);
    }

    bool openOutput(int rate) {
        if (m_output.OpenDirect(m_outputName, CFile::MODE_UPDATE | CFile::MODE_BINARY) != 0 ||
            !m_output.GetHandle()) {
            logMessage("speex: %s cannot be written", m_outputName.GetBuffer());
            return false;
        }
        m_wave = m_outputName.endsWith(".wav") || m_outputName.endsWith(".WAV");
        if (!m_wave) return true;
        m_riff.id = CRiffChunk::fourcc("RIFF");
        m_riff.size = kUnpatchedSize;
        m_riff.formType = CRiffChunk::fourcc("WAVE");
        CRiffChunk format;
        format.id = CRiffChunk::fourcc("fmt ");
        format.size = CWaveFormat::kMinimumSize;
        uint8_t record[CWaveFormat::kStoredSize];
        CWaveFormat::pcm(m_channels, rate, 16).store(record);
        m_data.id = CRiffChunk::fourcc("data");
        m_data.size = kUnpatchedSize;
        if (CWaveChunks::create(&m_output, m_riff) && CWaveChunks::create(&m_output, format) &&
            m_output.Write(record, CWaveFormat::kMinimumSize) == CWaveFormat::kMinimumSize &&
            CWaveChunks::ascend(&m_output, format, true) && CWaveChunks::create(&m_output, m_data))
            return true;
        logMessage("speex: %s cannot be written", m_outputName.GetBuffer());
        return false;
    }

    void comments(const unsigned char* packet, int bytes) {
        const unsigned char* at = packet;
        const unsigned char* end = packet + bytes;
        auto text = [&](const char* what) {
            if (end - at < 4) return false;
            const uint32_t length = read32(at);
            at += 4;
            if (length > static_cast<uint32_t>(end - at)) return false;
            logMessage("%s%.*s", what, static_cast<int>(length), reinterpret_cast<const char*>(at));
            at += length;
            return true;
        };
        if (!text("Encoded with: ") || end - at < 4) {
            logMessage("Invalid/corrupted comments");
            return;
        }
        const uint32_t fields = read32(at);
        at += 4;
        for (uint32_t i = 0; i < fields; ++i) {
            if (!text("")) {
                logMessage("Invalid/corrupted comments");
                return;
            }
        }
    }

    bool frames(unsigned char* packet, int bytes) {
        speex_bits_read_from(&m_bits, reinterpret_cast<char*>(packet), bytes);
        for (int i = 0; i < m_framesPerPacket; ++i) {
            const int result = speex_decode(m_speex, &m_bits, m_samples.data());
            if (result == -1) break;
            if (result == -2) {
                logMessage("Decoding error: corrupted stream?");
                m_damaged = true;
                break;
            }
            if (speex_bits_remaining(&m_bits) < 0) {
                logMessage("Decoding overflow: corrupted stream?");
                m_damaged = true;
                break;
            }
            if (m_channels == 2) speex_decode_stereo(m_samples.data(), m_frameSize, m_stereo);
            const int count = m_frameSize * m_channels;
            m_pcm.resize(static_cast<size_t>(count) * 2);
            for (int s = 0; s < count; ++s) {
                const float clipped = std::clamp(m_samples[s], -32000.0f, 32000.0f);
                write16(&m_pcm[2 * s],
                        static_cast<uint16_t>(static_cast<int16_t>(std::floor(0.5f + clipped))));
            }
            if (m_output.Write(m_pcm.data(), count * 2) != count * 2) {
                logMessage("speex: %s cannot be written", m_outputName.GetBuffer());
                return false;
            }
        }
        return true;
    }

    CXString m_outputName;
    CFile m_output;
    bool m_wave = false;
    CRiffChunk m_riff;
    CRiffChunk m_data;
    void* m_speex = nullptr;
    SpeexStereoState* m_stereo = nullptr;
    SpeexBits m_bits{};
    int m_frameSize = 0;
    int m_channels = 0;
    int m_framesPerPacket = 0;
    int64_t m_extraHeaders = 0;
    bool m_damaged = false;
    std::vector<float> m_samples;
    std::vector<uint8_t> m_pcm;
};

// The Ogg sync and stream layers over the input, freed on every way out.
struct COggReader {
    ogg_sync_state sync{};
    ogg_stream_state stream{};
    bool streamStarted = false;
    COggReader() { ogg_sync_init(&sync); }
    ~COggReader() {
        ogg_sync_clear(&sync);
        if (streamStarted) ogg_stream_clear(&stream);
    }
    COggReader(const COggReader&) = delete;
    COggReader& operator=(const COggReader&) = delete;
};

} // namespace

bool CSpeexCodec::encode(const char* wavePath, const char* speexPath) {
    CFile in;
    if (in.OpenDirect(CXString(wavePath), CFile::MODE_READ | CFile::MODE_BINARY) != 0 || !in.GetHandle()) {
        logMessage("speex: %s does not open", wavePath);
        return false;
    }
    const bool ok = encode(in, speexPath);
    in.Close();
    return ok;
}

bool CSpeexCodec::encode(CFile& in, const char* speexPath) {
    const CXString inputName = in.GetFileName();
    const char* wavePath = inputName.GetBuffer();
    // Room for the whole block first: the optimizer then sees every byte written lands inside it.
    std::vector<uint8_t> comments;
    comments.reserve(8 + sizeof(kVendor));
    append32(comments, sizeof(kVendor) - 1);
    comments.insert(comments.end(), kVendor, kVendor + sizeof(kVendor) - 1);
    append32(comments, 0);
    const int serial = streamSerial();

    uint8_t head[44] = {};
    CWaveFormat format;
    if (in.Read(head, 44) == 44) {
        format.load(head + 20, CWaveFormat::kMinimumSize);
    } else if (!in.eof()) {
        logMessage("speex: reading %s failed", wavePath);
        return false;
    }
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0 ||
        std::memcmp(head + 12, "fmt ", 4) != 0 || std::memcmp(head + 36, "data", 4) != 0 ||
        format.formatTag != CWaveFormat::TAG_PCM || (format.channels != 1 && format.channels != 2) ||
        (format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.samplesPerSec == 0 ||
        format.samplesPerSec > INT_MAX) {
        logMessage("speex: %s is not a 44-byte-header PCM WAVE file of 8 or 16 bits and 1 or 2 channels",
                   wavePath);
        return false;
    }
    CFile out;
    if (out.OpenDirect(CXString(speexPath), CFile::MODE_UPDATE | CFile::MODE_BINARY) != 0 ||
        !out.GetHandle()) {
        logMessage("speex: %s cannot be written", speexPath);
        return false;
    }

    CEncoderState state(serial);
    int rate = static_cast<int>(format.samplesPerSec);
    SpeexHeader header;
    speex_init_header(&header, rate, 1, speex_lib_get_mode(SPEEX_MODEID_NB));
    header.frames_per_packet = 1;
    header.vbr = 0;
    header.nb_channels = format.channels;
    int headerBytes = 0;
    char* headerPacket = speex_header_to_packet(&header, &headerBytes);
    bool ok = state.packet(out, reinterpret_cast<unsigned char*>(headerPacket), headerBytes, true, true,
                           false, 0, 0);
    speex_header_free(headerPacket);
    ok = ok &&
         state.packet(out, comments.data(), static_cast<long>(comments.size()), true, false, false, 0, 1);

    int frameSize = 0;
    int complexity = kComplexity;
    speex_encoder_ctl(state.speex, SPEEX_GET_FRAME_SIZE, &frameSize);
    speex_encoder_ctl(state.speex, SPEEX_SET_COMPLEXITY, &complexity);
    speex_encoder_ctl(state.speex, SPEEX_SET_SAMPLING_RATE, &rate);

    CFrameReader reader(in, format, read32(head + 40));
    std::vector<int16_t> frame(static_cast<size_t>(frameSize) * format.channels);
    std::vector<unsigned char> packet(kMaxPacketBytes);
    reader.read(frame, frameSize);
    // The frame after each one is read before it is sent, so the last packet knows it ends the stream.
    for (int64_t frames = 1; ok; ++frames) {
        if (format.channels == 2) speex_encode_stereo_int(frame.data(), frameSize, &state.bits);
        speex_encode_int(state.speex, frame.data(), &state.bits);
        const bool last = reader.read(frame, frameSize) == 0 || reader.failed();
        const int bytes =
            speex_bits_write(&state.bits, reinterpret_cast<char*>(packet.data()), kMaxPacketBytes);
        speex_bits_reset(&state.bits);
        ok = state.packet(out, packet.data(), bytes, last, false, last, frames * frameSize, frames + 1);
        if (last) break;
    }
    if (out.Close() != 0) ok = false;
    if (!ok) logMessage("speex: writing %s failed", speexPath);
    if (reader.readFailed()) {
        logMessage("speex: reading %s failed", wavePath);
        ok = false;
    } else if (reader.failed()) {
        logMessage("speex: %s ends %u bytes before the end of its data", wavePath, reader.missing());
        ok = false;
    }
    return ok;
}

bool CSpeexCodec::decode(const char* speexPath, const char* outputPath) {
    CFile in;
    if (in.OpenDirect(CXString(speexPath), CFile::MODE_READ | CFile::MODE_BINARY) != 0 || !in.GetHandle()) {
        logMessage("speex: %s does not open", speexPath);
        return false;
    }
    COggReader ogg;
    CDecoder decoder(outputPath);
    int64_t packets = 0;
    bool ok = true;
    bool ended = false;
    while (ok && !ended) {
        char* buffer = ogg_sync_buffer(&ogg.sync, kReadBlock);
        const int got = buffer ? std::max(in.Read(buffer, kReadBlock), 0) : 0;
        ogg_sync_wrote(&ogg.sync, got);
        ogg_page page;
        while (ok && !ended && ogg_sync_pageout(&ogg.sync, &page) == 1) {
            if (!ogg.streamStarted) {
                ogg_stream_init(&ogg.stream, ogg_page_serialno(&page));
                ogg.streamStarted = true;
            }
            if (ogg_stream_pagein(&ogg.stream, &page) != 0) continue;
            ogg_packet op;
            int result;
            while (ok && !ended && (result = ogg_stream_packetout(&ogg.stream, &op)) != 0) {
                if (result < 0) {
                    decoder.setDamaged();
                    continue;
                }
                ok = decoder.packet(op, packets++);
                ended = op.e_o_s != 0;
            }
        }
        if (got == 0) break;
    }
    if (ok && !decoder.started()) {
        logMessage("Cannot read header");
        ok = false;
    } else if (ok && !ended) {
        logMessage("speex: %s ends before its last packet", speexPath);
        ok = false;
    } else if (ok && !decoder.passesHeaders(packets)) {
        // A header count no stream reaches would leave nothing decoded.
        logMessage("speex: %s ends within its %lld extra headers: no samples", speexPath,
                   static_cast<long long>(decoder.extraHeaders()));
        ok = false;
    }
    if (decoder.started() && !decoder.finish()) ok = false;
    return ok && !decoder.damaged();
}

} // namespace KavirelDLL

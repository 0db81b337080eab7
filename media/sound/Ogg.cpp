#include "media/sound/Ogg.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/File.h"
#include "core/Log.h"
#include "core/SelfExtract.h"
#include "media/sound/WaveFile.h"
#include "platform/Files.h"
#include "platform/Process.h"

namespace KavirelDLL {

namespace {

// Where vorbisfile reads: a file or a block of memory.
struct CSource {
    CFile* file = nullptr;
    const unsigned char* bytes = nullptr;
    long size = 0;
    long position = 0;
};

size_t readSource(void* out, size_t size, size_t count, void* source) {
    auto* s = static_cast<CSource*>(source);
    size_t wanted = size * count;
    if (s->file) {
        int got = s->file->Read(out, static_cast<int>(std::min<size_t>(wanted, 1 << 20)));
        return got > 0 ? static_cast<size_t>(got) / (size ? size : 1) : 0;
    }
    size_t left = static_cast<size_t>(s->size - s->position);
    size_t got = std::min(wanted, left);
    std::memcpy(out, s->bytes + s->position, got);
    s->position += static_cast<long>(got);
    return size ? got / size : 0;
}

int seekSource(void* source, ogg_int64_t offset, int whence) {
    auto* s = static_cast<CSource*>(source);
    if (s->file) return s->file->Seek(static_cast<int>(offset), whence) == 0 ? 0 : -1;
    long base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? s->position : s->size;
    long target = base + static_cast<long>(offset);
    if (target < 0 || target > s->size) return -1;
    s->position = target;
    return 0;
}

long tellSource(void* source) {
    auto* s = static_cast<CSource*>(source);
    return s->file ? s->file->Tell() : s->position;
}

bool decode(CSource& source, const char* wavPath) {
    OggVorbis_File vorbis;
    ov_callbacks callbacks{readSource, seekSource, nullptr, tellSource};
    if (ov_open_callbacks(&source, &vorbis, nullptr, 0, callbacks) < 0) {
        std::fprintf(stderr, "Input does not appear to be an Ogg bitstream.\n");
        return false;
    }
    vorbis_info* info = ov_info(&vorbis, -1);
    vorbis_comment* comment = ov_comment(&vorbis, -1);
    bool ok = info && info->channels >= 1 && info->channels <= 2 && info->rate >= 100 && info->rate <= 200000;
    if (ok) {
        for (int i = 0; comment && i < comment->comments; ++i)
            std::fprintf(stderr, "%s\n", comment->user_comments[i]);
        std::fprintf(stderr, "\nBitstream is %d channel, %ldHz\n", info->channels, info->rate);
        std::fprintf(stderr, "\nDecoded length: %ld samples\n", static_cast<long>(ov_pcm_total(&vorbis, -1)));
        std::fprintf(stderr, "Encoded by: %s\n\n", comment && comment->vendor ? comment->vendor : "");
    }
    CWaveFile wave;
    if (ok)
        ok = wave.Open(CXString(wavPath), CWaveFormat::pcm(info->channels, static_cast<int>(info->rate), 16));
    char piece[4096];
    int section = 0;
    while (ok) {
        long got = ov_read(&vorbis, piece, sizeof(piece), 0, 2, 1, &section);
        if (got == 0) break;
        if (got == OV_HOLE) continue;
        // A new link of the stream in another format would not fit the file's one format.
        vorbis_info* now = ov_info(&vorbis, section);
        if (got < 0 || !now || now->channels != info->channels || now->rate != info->rate) {
            ok = false;
            break;
        }
        ok = wave.Write(piece, static_cast<int>(got));
    }
    if (wave.isOpen() && !wave.Close()) ok = false;
    ov_clear(&vorbis);
    return ok;
}

} // namespace

bool COgg::decodeToWav(const char* oggPath, const char* wavPath) {
    CFile file;
    if (file.OpenDirect(CXString(oggPath), CFile::MODE_READ | CFile::MODE_BINARY) != 0 || !file.GetHandle()) {
        logMessage("ogg: %s does not open", oggPath);
        return false;
    }
    std::printf("%s\n", oggPath);
    CSource source;
    source.file = &file;
    return decode(source, wavPath);
}

bool COgg::decodeToWav(const unsigned char* ogg, long size, const char* wavPath) {
    CSource source;
    source.bytes = ogg;
    source.size = std::max(0L, size);
    return decode(source, wavPath);
}

namespace {
// Packages store their sounds as Ogg Vorbis (CSelfExtract).
bool encodePackageSounds() {
    CSelfExtract::SSoundCodec codec;
    codec.encode = [](const char* wav, const char* ogg) { return COgg::encodeWav(wav, ogg); };
    codec.decode = [](const char* ogg, const char* wav) { return COgg::decodeToWav(ogg, wav); };
    CSelfExtract::setSoundCodec(codec);
    return true;
}
[[maybe_unused]] const bool g_packagesEncodeSounds = encodePackageSounds();
} // namespace

bool COgg::encodeWav(const char* wavPath, const char* oggPath) {
    std::string wav, ogg;
    if (CPlatformFiles::resolve(wavPath, wav) != EPlatformError::none ||
        CPlatformFiles::resolveForWrite(oggPath, ogg) != EPlatformError::none) {
        logMessage("ogg: %s cannot be encoded into %s", wavPath, oggPath);
        return false;
    }
    std::vector<std::string> arguments = {wav, "-o", ogg};
    // The program folder's own encoder first, as game folders ship one.
    std::string program = "oggenc";
    std::string folder = CPlatformFiles::programFolder();
    std::string own;
    if (!folder.empty() && CPlatformFiles::resolve(folder + "\\oggenc", own) == EPlatformError::none &&
        !CPlatformFiles::isFolder(folder + "\\oggenc"))
        program = own;
    bool ran = CPlatformProcess::run(program, arguments);
    int64_t size = 0;
    if (!ran || CPlatformFiles::fileSize(oggPath, size) != EPlatformError::none || size == 0) {
        logMessage("ogg: oggenc did not encode %s", wavPath);
        return false;
    }
    return true;
}

} // namespace KavirelDLL

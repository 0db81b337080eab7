// RIFF WAVE files through the file tools: loaded whole, and read in pieces into a copy with their display and
// playlist chunks.
#include "fuzz/FuzzSupport.h"
#include "media/sound/WaveRoutines.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string out = (KavirelFuzz::scratch() / "copy.wav").string();
    CXString in = KavirelFuzz::writeScratch("sound.wav", data, size);
    uint32_t loaded = 0;
    std::unique_ptr<CWaveFormatBlock> format;
    std::vector<uint8_t> samples;
    loadWaveFile(in.GetBuffer(), loaded, format, samples);

    std::unique_ptr<CWaveHandle> source, copy;
    CRiffChunk riff, chunk, copyRiff, sourceData, copyData;
    if (openWaveFile(in.GetBuffer(), source, format, riff) != WAVE_OK) return 0;
    if (createWaveFile(out.c_str(), copy, *format, chunk, copyRiff) == WAVE_OK &&
        copyOtherWaveChunks(source.get(), riff, copy.get()) == WAVE_OK &&
        startWaveRead(source.get(), sourceData, riff) == WAVE_OK) {
        CWaveIOInfo io;
        uint8_t piece[1000];
        uint32_t read = 0, written = 0;
        if (startWaveWrite(copy.get(), copyData, io) == WAVE_OK) {
            while (readWaveData(source.get(), sizeof(piece), piece, sourceData, read) == WAVE_OK &&
                   read > 0 && writeWaveData(copy.get(), read, piece, written, io) == WAVE_OK) {
            }
            closeWaveWrite(copy, copyData, copyRiff, io, 0);
        }
    }
    closeWaveRead(source, format);
    return 0;
}
